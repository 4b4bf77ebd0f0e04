// Keeps one picture of a search scene with all its item layers blended in, at a working scale
// finer than the screen, and takes a single layer out again without rebuilding the rest: the
// magnifying glass copies its lens out of this picture. Pixels are 32-bit ARGB on locked
// texture memory.
#pragma once

#include <list>

#include <boost/shared_ptr.hpp>

#include "core/TRect.h"
#include "core/TVec.h"

class KScale;
class TTexture;

// One layer as it was added: where its sprite lies on the screen and, once composed, the
// background its picture covers.
struct CompositorLayer {
  TRect rect;  // the sprite's screen bounds, used only to find overlapping layers
  boost::shared_ptr<TTexture> texture;
  TVec2 position;                       // screen units; the sprite draws centred there
  boost::shared_ptr<TTexture> picture;  // the texture at the working scale, made on first use
  boost::shared_ptr<TTexture> savedBackground;  // empty until composed
};

class SceneCompositor {
public:
  // A scene shown at scale (1, 1) is kept at twice its size, so the lens magnifies it.
  SceneCompositor(boost::shared_ptr<TTexture> source, const TVec2& displayScale);
  ~SceneCompositor();
  SceneCompositor(const SceneCompositor&) = delete;
  SceneCompositor& operator=(const SceneCompositor&) = delete;

  void SetSource(boost::shared_ptr<TTexture> source);
  // Drops every layer and takes the source afresh, to be filled and composed again: a second
  // Compose over layers already blended in would save those layers as their backgrounds.
  void Restart(boost::shared_ptr<TTexture> source);
  // Nothing is drawn until Compose.
  bool AddLayer(boost::shared_ptr<TTexture> texture, const TVec2& position, const TRect& rect);
  // Saves every layer's background and blends the layers in the order they were added, into a
  // picture of the compositor's own: the texture it was given is never drawn on. False without
  // a source.
  bool Compose();
  // Takes out the first layer added with this texture still in: its background comes back and
  // the layers overlapping it are blended again. Answers its position (truncated), or (0, 0)
  // when the texture is not a layer.
  TPoint RemoveLayer(const boost::shared_ptr<TTexture>& texture);
  // The same for the layer added with this texture at this position: of two copies of one
  // item, the one that was found.
  TPoint RemoveLayer(const boost::shared_ptr<TTexture>& texture, const TVec2& position);

  boost::shared_ptr<TTexture> GetWorkTexture() const { return mWork; }
  const TVec2& GetScale() const { return mScale; }
  size_t GetLayerCount() const { return mLayers.size(); }

  // The corner in the working picture of a picture of that size centred at a screen position.
  static TPoint LayerTopLeft(const TVec2& position, int width, int height, const TVec2& scale);

private:
  boost::shared_ptr<TTexture> LayerPicture(CompositorLayer& layer);
  // Blends the layer's picture into the work picture, inside the clip when one is given.
  void BlendLayer(CompositorLayer& layer, const TRect* clip = nullptr);
  TPoint Remove(std::list<CompositorLayer>::iterator it);
  void SaveBackground(CompositorLayer& layer);
  // Copies the saved background back; restored is the area it covers, in the work picture.
  bool RestoreBackground(CompositorLayer& layer, TRect& restored);

  boost::shared_ptr<TTexture> mSource;
  boost::shared_ptr<TTexture> mWork;
  TVec2 mScale;
  KScale* mUpscale = nullptr;
  std::list<CompositorLayer> mLayers;
};
