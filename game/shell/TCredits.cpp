#include "game/shell/TCredits.h"

#include <cstring>
#include <string>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/Timer.h"
#include "render/TRenderer.h"
#include "window/TWindowStyle.h"
#include "window/text/TTextLayout.h"

namespace {

constexpr int kLineBuffer = 1024;
// A text layout gives a line without characters no height, so a blank line holds one space:
// the three blocks stay line-aligned only while every line is one line high.
const char kBlankLine[] = " \n";
// Far more than any credits text; a bigger file is cut here rather than read without end.
constexpr size_t kMaxFileSize = 1 << 20;

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
  return out.IsEmpty() ? str(kBlankLine) : out + "\n";
}

void TCredits::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mTime = style.GetInt("time", 0);
  mIntroPause = style.GetInt("intropause", 0);
  mColumnGap = style.GetInt("columngap", 0);
  mColumnWidth = style.GetInt("columnwidth", 0);
  mFontName = style.GetString("font", "");
  mFontSize = style.GetInt("fontsize", 16);
  float r, g, b, a;
  style.GetColor("fontcolor", r, g, b, a, 1, 1, 1, 1);
  mTextColour = TColor(r, g, b, a);
  style.GetColor("headercolor", r, g, b, a, 1, 1, 1, 1);
  mHeaderColour =
      str::Format("%02x%02x%02x%02x", ColourByte(r), ColourByte(g), ColourByte(b), ColourByte(a));

  mLeftText = mRightText = mFullText = kBlankLine;
  ReadFile(style.GetString("file", ""));
  // Blank lines after the text, so that its end scrolls fully out of view.
  const int padding = mFontSize > 0 ? GetHeight() / mFontSize : 0;
  for (int i = 0; i < padding; ++i) {
    mLeftText += kBlankLine;
    mRightText += kBlankLine;
    mFullText += kBlankLine;
  }

  mLeft = MakeLayout(mLeftText, mColumnWidth);
  mRight = MakeLayout(mRightText, mColumnWidth);
  mFull = MakeLayout(mFullText, mColumnGap + 2 * mColumnWidth);
  // Each block holds the text twice: after one copy's height the second stands where the
  // first began, so the loop has no seam.
  mScrollDistance = mLeft ? mLeft->GetBounds(1.0f).bottom / 2 : 0;
  mStartTime = 0;
}

// The timer is armed once the window stands in its modal, whose clock runs it.
void TCredits::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  SetAnimTimer(16, true, true, false);
}

void TCredits::ReadFile(const str& name) {
  // Binary, so that "\r\n" and "\n" line ends read alike.
  TFile* file = name.IsEmpty() ? nullptr : FileOpen(name.CStr(), kFileReadBinary);
  if (!file || FileError(file)) {
    if (file) FileClose(file);
    EngineLog("Credits: cannot open the credits file \"%s\"", name.CStr());
    return;
  }
  std::string bytes;
  char chunk[kLineBuffer];
  int32_t n = 0;
  while (bytes.size() < kMaxFileSize && (n = FileRead(file, chunk, sizeof chunk)) > 0)
    bytes.append(chunk, static_cast<size_t>(n));
  FileClose(file);
  if (bytes.size() > kMaxFileSize) {
    EngineLog("Credits: \"%s\" is longer than %zu bytes; the rest is left out", name.CStr(),
              kMaxFileSize);
    bytes.resize(kMaxFileSize);
  }
  // A last line without a line end is a whole line too.
  for (size_t begin = 0; begin < bytes.size();) {
    size_t end = bytes.find('\n', begin);
    end = end == std::string::npos ? bytes.size() : end + 1;
    AddLine(StripLineEnd(bytes.data() + begin, end - begin));
    begin = end;
  }
}

void TCredits::AddLine(const str& text) {
  const char* bar = std::strchr(text.CStr(), '|');
  if (bar) {
    const size_t split = static_cast<size_t>(bar - text.CStr());
    mLeftText += MarkUpLine(str(text.CStr(), static_cast<unsigned>(split)), mHeaderColour);
    mRightText += MarkUpLine(str(bar + 1), mHeaderColour);
    mFullText += kBlankLine;
  } else {
    mLeftText += kBlankLine;
    mRightText += kBlankLine;
    mFullText += MarkUpLine(text, mHeaderColour);
  }
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
  // Long credits with a long cycle pass 2^32 here: 64 bits keep them from jumping back.
  const uint64_t product = static_cast<uint64_t>(elapsed % static_cast<uint32_t>(mTime)) *
                           static_cast<uint64_t>(mScrollDistance > 0 ? mScrollDistance : 0);
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
