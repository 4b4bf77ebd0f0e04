#include "window/TTextEdit.h"

#include <algorithm>

#include "core/TPlatform.h"
#include "core/TPlatformEvent.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowAnim.h"
#include "window/TWindowManager.h"
#include "window/TWindowSpider.h"
#include "window/TWindowStyle.h"
#include "window/text/TFontCache.h"
#include "window/text/TTextLayout.h"
#include "window/text/TTextMarkup.h"
#include "window/text/TVecFont.h"

namespace {

// Depth first, front to back: the first other text edit found lends its group.
class TextSpider : public TWindowSpider {
public:
  explicit TextSpider(TTextEdit* joining) : mJoining(joining) {}
  bool Process(TWindow* w) override {
    if (TTextEdit* edit = TTextEdit::Cast(w)) {
      if (edit != mJoining) {
        mFound = TWindowHandle(edit);
        return false;
      }
      return true;
    }
    return w->ForEachChild(*this, false);
  }
  TTextEdit* Found() const { return static_cast<TTextEdit*>(mFound.Get()); }

private:
  TTextEdit* mJoining;
  TWindowHandle mFound;
};

int SequenceLength(const str& text, int pos) {
  if (pos < 0 || static_cast<unsigned>(pos) >= text.Length()) return 1;
  int n = Utf8SequenceLength(text.CStr() + pos);
  int left = static_cast<int>(text.Length()) - pos;
  return std::clamp(n, 1, left);
}

// A lead byte whose sequence is cut short stands alone, so no control byte hides inside it.
int PastedCharLength(const str& text, int pos) {
  int n = SequenceLength(text, pos);
  for (int i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(text[static_cast<unsigned>(pos + i)]) & 0xC0) != 0x80) return 1;
  return n;
}

bool SingleByteText(const str& text) {
  for (unsigned i = 0; i < text.Length(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0 || c >= 0xC0) return false;
  }
  return true;
}

}  // namespace

int Utf8CharCount(const str& text) {
  int count = 0;
  int len = static_cast<int>(text.Length());
  for (int pos = 0; pos < len; pos += SequenceLength(text, pos)) ++count;
  return count;
}

int Utf8LengthBefore(const str& text, int pos) {
  if (pos <= 0) return 1;
  int at = 0, last = 1;
  while (at < pos) {
    last = SequenceLength(text, at);
    at += last;
  }
  return last;
}

TTextEdit::TTextEdit() {
  AddLowFlags(kWindowFocusable);
  mCaretClock.Reset();
  mCaretClock.Start();
}

TTextEdit::~TTextEdit() { LeaveGroup(); }

bool TTextEdit::OnActivate() {
  JoinGroup();
  return true;
}

void TTextEdit::Init(TWindowStyle& style) {
  JoinGroup();
  bool password = style.GetBool("password", false);
  int length = style.GetInt("length", 10);
  str ignore = style.GetString("ignore", str());
  bool utf8 = style.GetBool("utf8", false);
  SetUtf8(utf8);
  TWindowManager* wm = TWindowManager::Instance();
  // The edited text is the player's own: its label is never translated.
  bool localised = wm ? wm->SetScriptHostMode(false) : false;
  if (password) SetPassword(true);
  TText::Init(style);
  if (wm) wm->SetScriptHostMode(localised);
  mMaxLength = length;
  mIgnore = ignore;
}

void TTextEdit::Draw() {
  JoinGroup();
  TText::Draw();
}

bool TTextEdit::Animate() {
  Refresh();
  return true;
}

void TTextEdit::SetPassword(bool on) {
  mPassword = on;
  Refresh();
}

void TTextEdit::SetText(const str& text) {
  mText = text;
  mCursor = static_cast<int>(mText.Length());
  Refresh();
}

void TTextEdit::Refresh() {
  str base = mPassword ? str(std::string(mText.Length(), '*').c_str()) : mText;
  TWindowManager* wm = TWindowManager::Instance();
  // What was typed is shown as typed; only the caret is markup.
  str shown = EscapeMarkup(base);
  if (wm && wm->GetFocus() == this) {
    uint32_t t = mCaretClock.GetTime();
    if (t % 800 < 401) {
      if (mCaretShown) MarkRedraw();
      mCaretShown = false;
    } else {
      if (!mCaretShown) MarkRedraw();
      mCaretShown = true;
      unsigned at = std::min(static_cast<unsigned>(mCursor), base.Length());
      shown = EscapeMarkup(base.Substr(0, at)) + (mEditable ? "<cursor>" : "") +
              EscapeMarkup(base.Substr(at));
    }
  }
  TText::SetText(shown);
}

bool TTextEdit::CanEdit(int kind, uint32_t code) {
  switch (kind) {
    case kEditInsert:
      if (mUtf8 || static_cast<int>(mText.Length()) + 1 < mMaxLength) return true;
      CanEdit(kEditRefused, code);
      return false;
    case kEditMove:
    case kEditPaste: return true;
    default: return false;
  }
}

bool TTextEdit::CanInsertChar(int kind, uint32_t code) {
  if (kind == kEditInsert) {
    bool full = mUtf8 && Utf8CharCount(mText) >= mMaxLength;
    bool refused = full;
    if (!full) {
      TFontCache* cache = TFontCache::Instance();
      TVecFont* font = cache && mLayout ? cache->GetFont(mLayout->GetFontName()) : nullptr;
      if (font && font->FindGlyph(code) < 0) {
        TVecFont* fallback = cache->GetFont("fonts/default.mvec");
        refused = !fallback || fallback->FindGlyph(code) < 0;
      }
    }
    if (refused) {
      if (code >= 128) {
        CanInsertChar(kEditRefused, code);
      } else {
        CanEdit(kEditRefused, code);
      }
      return false;
    }
  }
  return CanEdit(kind, code >= 128 ? ' ' : code);
}

bool TTextEdit::Check(int kind, const str& c) { return CanInsertChar(kind, DecodeUTF8(c.CStr())); }

bool TTextEdit::OnChar(unsigned char c) {
  char text[2] = {static_cast<char>(c), 0};
  return OnWideChar(str(text, 1));
}

bool TTextEdit::OnWideChar(str c) {
  if (!mEditable || c.Length() == 0) return false;
  unsigned char first = static_cast<unsigned char>(c[0]);
  bool handled = false;
  if (first == 8) {
    if (mCursor == 0) return Check(kEditRefused, c);
    if (!CanEdit(kEditMove, first)) return false;
    int n = std::min(Utf8LengthBefore(mText, mCursor), mCursor);
    mText = mText.Substr(0, static_cast<unsigned>(mCursor - n)) +
            mText.Substr(static_cast<unsigned>(mCursor));
    mCursor -= n;
    Refresh();
    handled = true;
  } else if (first == 9) {
    if (!Check(kEditTab, c) && mGroup) {
      std::vector<TTextEdit*> group = GetGroup();
      auto it = std::find(group.begin(), group.end(), this);
      if (it != group.end() && group.size() > 1) {
        ++it;
        TTextEdit* next = it == group.end() ? group.front() : *it;
        if (TWindowManager* wm = TWindowManager::Instance()) wm->SetFocus(next);
      }
    }
    return false;
  } else if (first == 13) {
    return Check(kEditEnter, c);
  } else if (first < 32) {
    return false;
  } else if (first >= 128 && !mUtf8 && !mPassword) {
    return false;
  } else if (mIgnore.Find(c) >= 0) {
    handled = true;
  } else {
    if (!Check(kEditInsert, c)) return false;
    unsigned at = std::min(static_cast<unsigned>(mCursor), mText.Length());
    mText = mText.Substr(0, at) + c + mText.Substr(at);
    mCursor = static_cast<int>(at + c.Length());
    Refresh();
    handled = true;
  }
  if (handled) PostChanged();
  return handled;
}

void TTextEdit::PostChanged() {
  if (TWindowManager* wm = TWindowManager::Instance())
    wm->PostMessage(new TMessage(kTextEditChanged, GetName()));
}

bool TTextEdit::OnKeyDown(unsigned char key, int modifiers) {
  JoinGroup();
  signed char k = static_cast<signed char>(key);
  int length = static_cast<int>(mText.Length());
  switch (k) {
    case static_cast<signed char>(kKeyLeft & 0xFF):
      if (mCursor == 0) {
        CanEdit(kEditRefused, 0);
      } else if (CanEdit(kEditMove, 0)) {
        mCursor -= std::min(Utf8LengthBefore(mText, mCursor), mCursor);
        Refresh();
      } else if (ModifiersHeld(modifiers)) {
        return false;
      }
      return true;
    case static_cast<signed char>(kKeyRight & 0xFF):
      if (mCursor >= length) {
        CanEdit(kEditRefused, 0);
      } else if (CanEdit(kEditMove, 0)) {
        mCursor += SequenceLength(mText, mCursor);
        Refresh();
      } else if (ModifiersHeld(modifiers)) {
        return false;
      }
      return true;
    case static_cast<signed char>(kKeyDelete & 0xFF):
      if (mCursor < length) {
        int n = SequenceLength(mText, mCursor);
        mText = mText.Substr(0, static_cast<unsigned>(mCursor)) +
                mText.Substr(static_cast<unsigned>(mCursor + n));
        Refresh();
        PostChanged();
      } else {
        CanEdit(kEditRefused, 0);
      }
      return true;
    default: break;
  }
  if (k > 90) return false;
  bool paste =
      ((modifiers & kModCtrl) && key == 'V') || k == static_cast<signed char>(kKeyInsert & 0xFF);
  if (paste && Paste()) return true;
  return !ModifiersHeld(modifiers);
}

bool TTextEdit::Paste() {
  if (!CanInsertChar(kEditPaste, 0)) return false;
  TPlatform* platform = TPlatform::Instance();
  str clip = platform ? platform->GetClipboardText() : str();
  if (clip.IsEmpty() || (!mUtf8 && !SingleByteText(clip))) return false;
  // Cut after the maximum length in characters, or at a zero byte; ignored and control
  // characters are dropped whole, as typing drops them.
  str kept;
  int chars = 0;
  for (int pos = 0; pos < static_cast<int>(clip.Length()) && chars < mMaxLength; ++chars) {
    if (clip[static_cast<unsigned>(pos)] == 0) break;
    int n = mUtf8 ? PastedCharLength(clip, pos) : 1;
    str c = clip.Substr(static_cast<unsigned>(pos), static_cast<unsigned>(n));
    pos += n;
    if (static_cast<unsigned char>(c[0]) < 32 || mIgnore.Find(c) >= 0) continue;
    kept += c;
  }
  SetText(str());
  if (!kept.IsEmpty()) {
    CanInsertChar(kEditInsert, ' ');
    SetText(kept);
  }
  PostChanged();
  return true;
}

void TTextEdit::JoinGroup() {
  if (mGroup) return;
  TModalWindow* modal = GetModalParent();
  if (!modal) return;
  SetAnimTimer(200, true, true, false);
  TextSpider spider(this);
  modal->ForEachChild(spider, false);
  TTextEdit* other = spider.Found();
  if (other && other->mGroup) {
    mGroup = other->mGroup;
  } else {
    mGroup = std::make_shared<std::vector<TWindowHandle>>();
  }
  mGroup->push_back(TWindowHandle(this));
}

void TTextEdit::LeaveGroup() {
  if (mGroup) {
    auto& list = *mGroup;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](const TWindowHandle& h) { return !h || h.Refers(this); }),
               list.end());
    mGroup.reset();
  }
  DetachAnim();
}

std::vector<TTextEdit*> TTextEdit::GetGroup() const {
  std::vector<TTextEdit*> out;
  if (mGroup)
    for (TWindow* w : LiveWindows(*mGroup)) out.push_back(static_cast<TTextEdit*>(w));
  return out;
}
