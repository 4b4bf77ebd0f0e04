// The flashlight: darkens the whole scene except a lit spot that follows the pointer. The
// spot's shape is a mask image; six black panels around it cover the rest of the scene from
// wherever the light stands, and the whole tree is drawn at one opacity, the darkness level.
// "scripts/tools/flashlight.lua" names the mask, the darkness and the offset from the pointer.
#pragma once

#include <boost/shared_ptr.hpp>

#include "game/scenes/IQMSearchTool.h"

class TSprite;
class TTexture;

class QMFlashlight : public IQMSearchTool {
public:
  static constexpr const char* kDescriptionFile = "scripts/tools/flashlight.lua";

  // The display scale is not used: the panels are sized by the background itself.
  QMFlashlight(boost::shared_ptr<TTexture> background, const TVec2& displayScale);
  ~QMFlashlight() override;

  SceneCompositor* GetCompositor() override { return nullptr; }
  bool MoveTo(const TPoint& point) override;
  void Draw() override;

  const boost::shared_ptr<TSprite>& GetLightSprite() const { return mLight; }
  const TVec2& GetOffset() const { return mOffset; }
  float GetDarken() const { return mDarken; }

private:
  boost::shared_ptr<TSprite> mLight;
  TVec2 mOffset;
  float mDarken = 0.0f;
};
