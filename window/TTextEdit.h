// The one-line input field (player names, high-score entries): a text window whose shown text
// is the edited text with a blinking caret tag written in. It takes characters and editing
// keys, limits the length, refuses characters no font can draw or that it is told to ignore,
// can mask its text as a password, pastes from the clipboard, and moves the focus between the
// text edits of one modal with Tab. Each change, typed, deleted or pasted, posts kTextEditChanged.
#pragma once

#include <memory>
#include <vector>

#include "core/TClock.h"
#include "window/TText.h"

class TTextEdit : public TText {
  T_WINDOW_CLASS(TTextEdit, TText)

public:
  // What an edit check is asked about.
  enum EditKind : int {
    kEditInsert = 0,
    kEditMove = 1,
    kEditEnter = 2,
    kEditTab = 3,
    kEditPaste = 4,
    // A notification: something was refused (a caret move at an end, a full field, a
    // character without a glyph). Derived fields react to it.
    kEditRefused = 5,
  };

  TTextEdit();
  ~TTextEdit() override;

  bool OnActivate() override;
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnChar(unsigned char c) override;
  bool OnWideChar(str c) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  // The text becomes the argument and the caret goes to its end.
  void SetText(const str& text) override;
  // The edited text, not the shown one.
  str GetText() const override { return mText; }

  virtual bool CanEdit(int kind, uint32_t code);
  virtual bool CanInsertChar(int kind, uint32_t code);

  // Rebuilds the shown text (password stars, caret while focused and in its shown phase).
  void Refresh();
  void SetUtf8(bool on) { mUtf8 = on; }
  void SetPassword(bool on);
  void SetIgnore(const str& characters) { mIgnore = characters; }
  void SetMaxLength(int length) { mMaxLength = length; }
  void SetEditable(bool on) { mEditable = on; }
  int GetCursor() const { return mCursor; }
  bool IsCaretShown() const { return mCaretShown; }
  TClock& GetCaretClock() { return mCaretClock; }
  void JoinGroup();
  void LeaveGroup();
  // The text edits of this one's group, in Tab order.
  std::vector<TTextEdit*> GetGroup() const;

  bool Check(int kind, const str& c);
  // Every edit, typed, deleted or pasted, tells the modal with kTextEditChanged.
  void PostChanged();

  static TTextEdit* Cast(TWindow* w) {
    return w && w->IsKindOf(GetClassId()) ? static_cast<TTextEdit*>(w) : nullptr;
  }

private:
  bool Paste();
  bool ModifiersHeld(int modifiers) const { return (modifiers & (2 | 4 | 8)) != 0; }

  int mMaxLength = 10;
  std::shared_ptr<std::vector<TWindowHandle>> mGroup;
  str mText;
  int mCursor = 0;
  bool mEditable = true;
  bool mUtf8 = false;
  bool mPassword = false;
  bool mCaretShown = false;
  str mIgnore;
  TClock mCaretClock;
};

// UTF-8 characters in the text, stepping by each lead byte's sequence length.
int Utf8CharCount(const str& text);
// The byte length of the character that ends at pos (1 at position 0).
int Utf8LengthBefore(const str& text, int pos);
