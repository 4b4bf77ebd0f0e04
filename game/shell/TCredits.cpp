#include "game/shell/TCredits.h"

#include <cstring>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/Timer.h"
#include "render/TRenderer.h"
#include "window/TWindowStyle.h"
#include "window/text/TTextLayout.h"

namespace {

// Lines longer than this arrive in pieces, each shown as a line of its own.
constexpr int kLineBuffer = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int ColourByte(float channel) { return static_cast<int>(channel * 255.0f); }

}  // namespace

void TCredits::LayoutDeleter::operator()(TTextLayout* layout) const { TTextLayout::Delete(layout); }

TCredits::TCredits() = default;
TCredits::~TCredits() = default;

str TCredits::StripLineEnd(const char* line, size_t length) {
  if (length > 0 && line[length - 1] == '\n') --length;
  if (length > 0 && line[length - 1] == '\r') --length;
  return str(line, static_cast<unsigned>(length));
}

str TCredits::MarkUpLine(const str& text, const str& headerColour) {
  const char* s = text.CStr();
  size_t begin = 0, end = text.Length();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  str out;
  for (size_t i = begin; i < end; ++i) {
    if (s[i] == '[')
      out += "<font color='" + headerColour + "'>";
    else if (s[i] == ']')
      out += "</font>";
    else
      out += str(s + i, 1);
  }
  out += "\n";
  return out;
}

void TCredits::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mTime = static_cast<int>(style.GetNumber("time", 0));
  mIntroPause = style.GetInt("intropause", 0);
  mColumnGap = style.GetInt("columngap", 0);
  mColumnWidth = style.GetInt("columnwidth", 0);
  mFontName = style.GetString("font", "");
  mFontSize = static_cast<int>(style.GetNumber("fontsize", 16));
  float r, g, b, a;
  style.GetColor("fontcolor", r, g, b, a, 1, 1, 1, 1);
  mTextColour = TColor(r, g, b, a);
  style.GetColor("headercolor", r, g, b, a, 1, 1, 1, 1);
  mHeaderColour =
      str::Format("%02x%02x%02x%02x", ColourByte(r), ColourByte(g), ColourByte(b), ColourByte(a));

  mLeftText = mRightText = mFullText = "\n";
  ReadFile(style.GetString("file", ""));
  // Blank lines after the text, so that its end scrolls fully out of view.
  const int padding = mFontSize > 0 ? GetHeight() / mFontSize : 0;
  for (int i = 0; i < padding; ++i) {
    mLeftText += "\n";
    mRightText += "\n";
    mFullText += "\n";
  }

  mLeft = MakeLayout(mLeftText, mColumnWidth);
  mRight = MakeLayout(mRightText, mColumnWidth);
  mFull = MakeLayout(mFullText, mColumnGap + 2 * mColumnWidth);
  // Each block holds the text twice: after one copy's height the second stands where the
  // first began, so the loop has no seam.
  mScrollDistance = mLeft ? mLeft->GetBounds(1.0f).bottom / 2 : 0;
  mStartTime = 0;
  SetAnimTimer(16, true, true, false);
}

void TCredits::ReadFile(const str& name) {
  // Binary, so that a file written with "\r\n" line ends reads the same as one with "\n".
  TFile* file = name.IsEmpty() ? nullptr : FileOpen(name.CStr(), kFileReadBinary);
  if (!file || FileError(file)) {
    if (file) FileClose(file);
    EngineLog("Credits: cannot open the credits file \"%s\"", name.CStr());
    return;
  }
  char line[kLineBuffer];
  while (char* end = FileGetS(file, line, kLineBuffer)) {
    const str text = StripLineEnd(line, static_cast<size_t>(end - line));
    const char* bar = std::strchr(text.CStr(), '|');
    if (bar) {
      const size_t split = static_cast<size_t>(bar - text.CStr());
      mLeftText += MarkUpLine(str(text.CStr(), static_cast<unsigned>(split)), mHeaderColour);
      mRightText += MarkUpLine(str(bar + 1), mHeaderColour);
      mFullText += "\n";
    } else {
      mLeftText += "\n";
      mRightText += "\n";
      mFullText += MarkUpLine(text, mHeaderColour);
    }
  }
  FileClose(file);
}

TCredits::Layout TCredits::MakeLayout(const str& text, int width) const {
  if (width <= 0 || GetHeight() <= 0) return Layout();
  return Layout(TTextLayout::Create(text + text, width, GetHeight(), TTextLayout::kCentre,
                                    mFontName.CStr(), mFontSize, mTextColour));
}

float TCredits::ScrollPosition(uint32_t elapsed) const {
  // Without a cycle length or a font size nothing scrolls.
  if (mTime <= 0) return 0.0f;
  const uint32_t pause = mIntroPause > 0 ? static_cast<uint32_t>(mIntroPause) : 0;
  elapsed = elapsed < pause ? 0 : elapsed - pause;
  const uint32_t product =
      (elapsed % static_cast<uint32_t>(mTime)) * static_cast<uint32_t>(mScrollDistance);
  return static_cast<float>(static_cast<double>(product) / mTime);
}

bool TCredits::Animate() {
  MarkRedraw();
  return true;
}

void TCredits::Draw() {
  if (mStartTime == 0) mStartTime = GetTimer();
  const float position = ScrollPosition(GetTimer() - mStartTime);
  const int line = mFontSize;
  const int width = GetWidth(), height = GetHeight();
  TScoped2d in2d;
  if (!in2d.Ok()) return;
  struct Block {
    TTextLayout* layout;
    int left, right;
  } blocks[] = {
      {mLeft.get(), mColumnGap, width / 2 - mColumnGap / 2},
      {mRight.get(), width / 2 + mColumnGap / 2, width - mColumnGap},
      {mFull.get(), mColumnGap, width - mColumnGap},
  };
  for (const Block& b : blocks) {
    if (!b.layout) continue;
    b.layout->SetFirstVisibleLine(line > 0 ? position / static_cast<float>(line) : 0.0f);
    DrawTextBlock(b.layout, TRect(b.left, -line, b.right, height + 2 * line), 1.0f, 0, 1.0f, 0,
                  boost::shared_ptr<TTexture>());
  }
}
