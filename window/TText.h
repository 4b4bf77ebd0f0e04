// A window showing a text. What scripts read and set of it lives here so far; markup, fonts
// and layout come with the text system.
#pragma once

#include "window/TWindow.h"

class TText : public TWindow {
  T_WINDOW_CLASS(TText, TWindow)

public:
  void Init(TWindowStyle& style) override;
  void SetText(const str& text);
  const str& GetText() const { return mText; }

private:
  str mText;
};
