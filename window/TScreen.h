// The root of the window tree: the first modal window, as large as the display, painting the
// background while it is the top modal.
#pragma once

#include "core/TColor.h"
#include "window/TModalWindow.h"

class TScreen : public TModalWindow {
public:
  static TClassId GetClassId() { return MakeClassId(&TScreen::GetClassId); }
  const char* GetClassName() const override { return "TScreen"; }
  bool IsKindOf(TClassId id) const override {
    return id == GetClassId() || TModalWindow::IsKindOf(id);
  }

  TScreen();
  void Draw() override;
  const TColor& GetBackground() const { return mBackground; }

private:
  TColor mBackground;
};
