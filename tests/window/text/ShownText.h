// What a laid-out text shows, read back from its runs: the characters with the markup's
// escapes undone and the tags gone.
#pragma once

#include <string>

#include "window/text/TTextLayout.h"

// With toCaret, only what stands before the caret mark (the whole text when there is none).
inline std::string ShownText(const TTextLayout& layout, bool toCaret = false) {
  std::string shown;
  const char* text = layout.GetText().CStr();
  for (const auto& line : layout.GetLines())
    for (const TTextRun& r : line->runs) {
      for (int i = r.first; i <= r.last; ++i) {
        if (text[i] == '\\' && i < r.last) ++i;
        shown += text[i];
      }
      if (toCaret && r.cursor) return shown;
    }
  return shown;
}

// How many caret marks the layout draws.
inline int CaretMarks(const TTextLayout& layout) {
  int marks = 0;
  for (const auto& line : layout.GetLines())
    for (const TTextRun& r : line->runs) marks += r.cursor ? 1 : 0;
  return marks;
}
