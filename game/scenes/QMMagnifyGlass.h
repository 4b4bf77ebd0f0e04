// The magnifying glass: a lens that follows the pointer and shows the scene under it enlarged,
// framed by a picture of a glass. The enlarged picture is copied, one texel per screen pixel,
// out of the tool's composed scene at its finer working scale and cut to the lens shape by a
// mask image; "scripts/tools/magnifying_glass.lua" names the mask, the frame and the hot spot.
#pragma once

#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/SceneCompositor.h"

class TSprite;
class TTexture;

class QMMagnifyGlass : public IQMSearchTool {
public:
  static constexpr const char* kDescriptionFile = "scripts/tools/magnifying_glass.lua";

  QMMagnifyGlass(boost::shared_ptr<TTexture> background, const TVec2& displayScale);
  ~QMMagnifyGlass() override;

  SceneCompositor* GetCompositor() override { return mCompositor.get(); }
  // False when there is nothing to show: no mask, no lens picture or no composed scene.
  bool MoveTo(const TPoint& point) override;
  void Draw() override;

  const boost::shared_ptr<TSprite>& GetLensSprite() const { return mLens; }
  const TVec2& GetOffset() const { return mOffset; }
  const TVec2& GetSize() const { return mSize; }

  // Cuts one axis of the copy to [0, limit): start and count are in the working picture,
  // skip is where the copy starts inside the lens.
  static void ClipSpan(int limit, int& start, int& count, int& skip);

private:
  std::unique_ptr<SceneCompositor> mCompositor;
  boost::shared_ptr<TSprite> mLens;
  std::vector<uint32_t> mMask;  // empty when the mask could not be read
  int32_t mMaskPitch = 0;
  TVec2 mOffset;
  TVec2 mSize;
};
