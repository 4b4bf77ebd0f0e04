// The navigation drawer of a search level: an image that slides between a closed and an open
// position, shows its buttons only while open, counts screen switches for the metrics and lets
// mouse events through to the scene beneath it. Created, it tells the scripts which map state
// belongs to the current level. The pointer resting on the closed drawer opens it; leaving the
// open drawer closes it.
#pragma once

#include <memory>

#include "window/TImage.h"
#include "window/TMessage.h"

class KAnimProcess;

class QMPopupNav : public TImage {
  T_WINDOW_CLASS(QMPopupNav, TImage)

public:
  static constexpr const char* kScavengerGroup = "QMScavengerGroup";

  QMPopupNav();
  ~QMPopupNav() override;

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;
  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseUp(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;
  bool OnMouseLeave() override;

  void Toggle();
  bool IsOpen() const { return mOpen; }
  // Leaves the window manager's listeners (and its hover list while open); once only.
  void Detach();
  void PrepareSwitch(const str& buttonName);
  const str& GetPendingScript() const { return mPendingScript; }

  // The level's map key from the name of its modal window.
  static str MapKey(const str& modalName, bool scavenger);
  // The Lua text that runs the switch statement and keeps the current puzzle's bad-click
  // prompt count across it.
  static str SwitchScript(const str& statement);

private:
  void ShowButtons(bool shown);
  void PlaySound(const str& name);
  // Hands the event to the deepest window under the point when that is not the drawer;
  // true when it was passed on.
  bool PassOn(const TPlatformEvent& event, const TPoint& point);

  float mDuration = 500;
  float mClosedY = 0;
  float mOpenY = 0;
  float mX = 0;
  str mSlideInAudio;
  str mSlideOutAudio;
  str mPendingScript;
  bool mOpen = false;
  bool mForwarding = false;
  bool mUnregistered = false;
  // The listener part the window manager owns while the drawer is registered.
  TMessageListener* mListener = nullptr;
  std::unique_ptr<TMessageListener> mDetachedListener;
  KAnimProcess* mSlide = nullptr;
};
