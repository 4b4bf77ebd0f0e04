// A one-value control from 0 to 1: a rail drawn from three images (two ends and a stretched
// middle) and a thumb the player drags. Dragging reports each change (kSliderValChanged), a
// click on the rail beside the thumb asks the parent to page (kSliderPageUp/kSliderPageDown),
// and releasing the thumb reports the end of the drag (kSliderMouseUp).
#pragma once

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TImage;
class TTexture;

class TSlider : public TWindow {
  T_WINDOW_CLASS(TSlider, TWindow)

public:
  TSlider();
  ~TSlider() override;

  // Reads the slider's keys on the first call only.
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  float GetValue() const { return mValue; }
  // Clamps to 0..1 (not a number gives 0); unless silent, tells the parent chain.
  void SetValue(float v, bool silent = false);
  void PlaceThumb();
  void SetRailImages(const boost::shared_ptr<TTexture>& top, const boost::shared_ptr<TTexture>& mid,
                     const boost::shared_ptr<TTexture>& bottom);
  void SetThumbImages(const boost::shared_ptr<TTexture>& normal,
                      const boost::shared_ptr<TTexture>& rollover);
  void UpdateSize();
  bool IsHorizontal() const { return mHorizontal; }
  bool IsDragging() const { return mDragState != 0; }
  TImage* GetThumb() const;

private:
  bool OnThumb(const TPoint& p) const;
  void ShowThumb(bool rollover);
  void Notify(int id);

  int mDragState = 0;
  bool mInitialised = false;
  boost::shared_ptr<TTexture> mThumbImage;
  boost::shared_ptr<TTexture> mThumbRollImage;
  boost::shared_ptr<TTexture> mRail[3];
  float mValue = 0.0f;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  int mCrossOffset = 0;
  int mThickness = 0;
  bool mHorizontal = false;
  // Held here until the slider adopts it as a child; a handle afterwards.
  std::unique_ptr<TImage> mThumbOwned;
  TWindowHandle mThumb;
};
