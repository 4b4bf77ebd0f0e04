// A texture made of a sheet image and a description of the frames cut from it: each frame a
// rectangle of the sheet with its registration point, optional transform, alpha and named
// anchors. The description (an XML or a binary ".anm" file) may carry the Lua script that
// animated sprites run to play the frames. Drawing the texture draws its current frame.
#pragma once

#include <cstdint>
#include <vector>

#include "core/TRect.h"
#include "core/str.h"
#include "render/TTexture.h"

class TAnimatedTexture : public TTexture {
  T_CLASS_IDENTITY(TAnimatedTexture, TTexture)

public:
  // The first xform value of a frame that has no transform of its own.
  static constexpr float kNoTransform = -10000000.0f;

  struct Anchor {
    str name;
    int32_t x = 0;
    int32_t y = 0;
  };

  struct Frame {
    str name;
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t regx = 0, regy = 0;
    std::vector<Anchor> anchors;
    // a, b, c, d, tx, ty: the rows (a, b), (c, d), (tx, ty).
    float xform[6] = {kNoTransform, 0, 0, 1, 0, 0};
    float alpha = 1.0f;

    bool HasTransform() const { return xform[0] != kNoTransform; }
  };

  struct Description {
    str sequenceName;
    str source;
    str descriptionName;
    str imageName;
    str maskName;
    str folder;
    str script;
    int32_t largestWidth = 0, largestHeight = 0;
    int32_t regx = 0, regy = 0, width = 0, height = 0;
    std::vector<Frame> frames;
  };

  ~TAnimatedTexture() override;

  // The cached texture of that description and sheet overrides, else a newly loaded one;
  // empty when the description or its sheet does not load.
  static boost::shared_ptr<TAnimatedTexture> Get(const str& name, const str& image = str(),
                                                 const str& mask = str());
  static str MakeAssetName(const str& name, const str& image, const str& mask);
  static boost::shared_ptr<TAnimatedTexture> Cast(const boost::shared_ptr<TTexture>& texture);

  using TTexture::Draw;
  void Draw(const TDrawParams& params) override;
  int GetWidth() const override;
  int GetHeight() const override;

  int32_t GetFrameCount() const { return static_cast<int32_t>(mDescription.frames.size()); }
  int32_t GetCurrentFrame() const { return mCurrentFrame; }
  // Taken only for -1 (nothing drawn) up to the last frame.
  void SelectFrame(int32_t n);
  // (x, y, x + w, y + h) of the frame; all zero out of range.
  TRect GetFrameSourceRect(int32_t n) const;
  // The frame's registration point; (0, 0) out of range.
  TVec2 GetFrameAnchor(int32_t n) const;
  // Null out of range.
  const Frame* GetFrame(int32_t n) const;
  str GetScript() const { return mDescription.script; }
  str GetFolder() const { return mDescription.folder; }
  const Description& GetDescription() const { return mDescription; }

  // Reads the description (trying ".xml", then ".anm" after a name that names no file);
  // non-empty image and mask names replace the description's.
  bool LoadDescription(const str& name, const str& image, const str& mask);
  // Loads the sheet, from the description's folder first, then as named.
  bool LoadImage();

  // The script played when a description carries none: every frame once, 60 ms each.
  static str MakeDefaultScript(int32_t frameCount);

private:
  TAnimatedTexture() = default;

  // Cuts every frame rectangle to [0, width) x [0, height), with a log line for each frame
  // that did not lie inside.
  void FitFrames(int32_t width, int32_t height);

  // The two description formats (TAnimatedTextureFormats.cpp).
  static bool ParseXml(const str& fileName, Description& out);
  static bool ParseAnm(const str& fileName, Description& out);

  Description mDescription;
  int32_t mCurrentFrame = 0;
};
