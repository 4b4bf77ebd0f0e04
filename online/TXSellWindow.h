// The cross-sell screen: up to seven other games, each with a description and a link, a link
// to the publisher's site, two centred text lines and logos. The layout comes from the
// window's Lua table; the content from "xsell/xsell.xml" when the scripts call "SetupXSell".
// Clicks reach the browser through "LaunchGameLink".
#pragma once

#include "core/str.h"
#include "online/TXSellDescription.h"
#include "window/TWindow.h"

class TXSellWindow : public TWindow {
  T_WINDOW_CLASS(TXSellWindow, TWindow)

public:
  static constexpr const char* kDescriptionFile = "xsell/xsell.xml";
  // Description and button windows are looked up up to this number.
  static constexpr int kSlots = 8;

  // Binds "SetupXSell" and "LaunchGameLink" in the window manager's scripts to this window;
  // the globals go back to nil when it dies.
  TXSellWindow();

  void SetupXSell();
  // Game n (1 to 7), or the site for 0; other numbers and empty links open nothing.
  void LaunchGameLink(int n);

  // Fills the children from a description already read.
  void Apply(const TXSellDescription& description);
  const str& GetGameLink(int n) const;
  const str& GetSiteLink() const { return mSiteLink; }

private:
  void BindScriptFunctions();
  void Hide(const str& name);
  void SetTextOf(const str& name, const str& text);
  void CentreOnLayoutPoint(const str& name);

  str mGameLinks[TXSellDescription::kMaxGames];
  str mSiteLink;
};
