// An information or comic panel: an overlay built from the style's "overlay" table and shown
// page by page. A page either runs its animation to the end and the next one follows, or waits
// for a message that the panel's buttons post (1021 or 1027 on, 1022 back, 1600 next page).
// The buttons "nextButton", "prevButton", "closeButton" and "comicButton" show while a page
// waits; Escape opens the pause screen.
#pragma once

#include <deque>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "anim/QMOverlays.h"
#include "game/scenes/QMStopwatch.h"
#include "window/TWindow.h"

class KAnimMessageWaiter;
class TLuaTable;
class TSound;
class TSprite;

class QMInfoWindow : public TWindow, public IKAnimListener, private QMOverlays {
  T_WINDOW_CLASS(QMInfoWindow, TWindow)

public:
  QMInfoWindow();
  ~QMInfoWindow() override;

  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  bool Animate() override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  void OnProcessFinished(KAnimProcess* process) override;

  void SetButtonsVisible(bool visible);
  void NextPage();
  bool ContinuePage(TMessage* message);
  bool PreviousPage(TMessage* message);
  void ApplyWindowProps(TMessage* message);

  bool HasCurrentPage() const { return mCurrent != nullptr; }
  // The sprite of the page being shown; null when none.
  boost::shared_ptr<TSprite> GetCurrentSprite() const;
  unsigned GetPagesShown() const { return mPagesShown; }
  size_t GetPageCount() const { return mPageList.size(); }
  size_t GetPendingCount() { return GetOverlays().size(); }
  const boost::shared_ptr<TSprite>& GetOverlayRoot() const { return mRoot; }

private:
  // The current page's step when it is waiting for a message; null otherwise.
  KAnimMessageWaiter* CurrentWaiter() const;
  void DropCurrent();
  void StartCurrent();
  // Parses the pages from index first on as the pending pages, in order.
  void ParsePages(size_t first);

  boost::shared_ptr<TSprite> mRoot;
  std::deque<std::unique_ptr<TLuaTable>> mPageList;
  std::unique_ptr<OverlayItem> mCurrent;
  unsigned mPagesShown = 0;
  boost::shared_ptr<TSound> mOpenSound;
  QMStopwatch mKeyWatch;
  bool mInKeyHandler = false;
  // A page that ran to its end is followed on the next tick, outside its own notification.
  bool mAdvancePending = false;
  bool mButtonsShown = true;
};
