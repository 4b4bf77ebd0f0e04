#include "online/TXSellWindow.h"

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "window/TText.h"

TXSellWindow::TXSellWindow() { BindScriptFunctions(); }

const str& TXSellWindow::GetGameLink(int n) const {
  static const str kNone;
  return n >= 1 && n <= TXSellDescription::kMaxGames ? mGameLinks[n - 1] : kNone;
}

void TXSellWindow::SetupXSell() {
  TXSellDescription description;
  if (!description.Load(kDescriptionFile))
    EngineLog("Cross-sell description %s is missing or has no \"xsell\" element", kDescriptionFile);
  Apply(description);
}

void TXSellWindow::Apply(const TXSellDescription& description) {
  for (str& link : mGameLinks) link = str();
  int n = 0;
  for (const TXSellGame& game : description.games) {
    ++n;
    str text = game.description;
    if (!game.linkText.IsEmpty())
      text += str::Format(" <u><font color=\"003cff\"><a id='xsellbutton%d'>", n) + game.linkText +
              "</a></font></u>";
    SetTextOf(str::Format("descrip%d", n), text);
    mGameLinks[n - 1] = game.link;
  }
  if (description.hasSiteLink)
    mSiteLink = description.siteLink;
  else
    Hide("gamesite");
  if (description.hasCenterText) {
    SetTextOf("centertext1", description.centerText1);
    SetTextOf("centertext2", description.centerText2);
  }
  for (int i = n + 1; i <= kSlots; ++i) {
    Hide(str::Format("descrip%d", i));
    Hide(str::Format("xsellbutton%d", i));
  }
  for (int i = 1; i <= TXSellDescription::kMaxGames; ++i)
    CentreOnLayoutPoint(str::Format("xsellbutton%d", i));
  CentreOnLayoutPoint("sitelogo");
  CentreOnLayoutPoint("hearthwelllogo");
  CentreOnLayoutPoint("gamesite");
}

void TXSellWindow::Hide(const str& name) {
  if (TWindow* w = FindChild(name, -1)) w->SetFlags(w->GetFlags() & ~kWindowShown);
}

void TXSellWindow::SetTextOf(const str& name, const str& text) {
  TWindow* w = FindChild(name, -1);
  if (w && w->IsKindOf(TText::GetClassId())) static_cast<TText*>(w)->SetText(text);
}

// The layout gave the window's centre as its position. The move stays in the parent's
// coordinates, so a screen that does not start at the origin keeps its buttons in place.
void TXSellWindow::CentreOnLayoutPoint(const str& name) {
  TWindow* w = FindChild(name, -1);
  if (!w) return;
  const TRect& r = w->GetRect();
  w->SetPosition(r.left - r.Width() / 2, r.top - r.Height() / 2);
}

void TXSellWindow::LaunchGameLink(int n) {
  const str& link = n == 0 ? mSiteLink : GetGameLink(n);
  if (link.IsEmpty()) return;
  if (TPlatform* platform = TPlatform::Instance()) platform->OpenUrl(link.CStr());
}
