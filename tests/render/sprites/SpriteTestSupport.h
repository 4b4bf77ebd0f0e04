// Helpers shared by the sprite tests: a texture that records how it is asked to draw (so the
// sprite tree can be checked without a display), and copying the animation fixtures into a
// test's assets folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "render/TTexture.h"

struct DrawnQuad {
  int id;
  TDrawParams params;
};

class RecordingTexture : public TTexture {
public:
  static boost::shared_ptr<RecordingTexture> Make(int id, int w, int h,
                                                  std::vector<DrawnQuad>* log) {
    boost::shared_ptr<RecordingTexture> t(new RecordingTexture());
    t->mId = id;
    t->mW = w;
    t->mH = h;
    t->mLog = log;
    return t;
  }
  void Draw(const TDrawParams& p) override {
    if (mLog) mLog->push_back(DrawnQuad{mId, p});
  }
  int GetWidth() const override { return mW; }
  int GetHeight() const override { return mH; }

private:
  RecordingTexture() = default;
  int mId = 0, mW = 0, mH = 0;
  std::vector<DrawnQuad>* mLog = nullptr;
};

// Copies tests/fixtures/anim into the folder (the engine's assets folder), keeping names.
inline void CopyAnimFixtures(const std::string& assetsFolder) {
  namespace fs = std::filesystem;
  fs::path from = fs::path(ENGINE_FIXTURES_DIR) / "anim";
  fs::create_directories(fs::path(assetsFolder) / "anim");
  for (const auto& e : fs::directory_iterator(from))
    if (e.path().extension() != ".py")
      fs::copy_file(e.path(), fs::path(assetsFolder) / "anim" / e.path().filename(),
                    fs::copy_options::overwrite_existing);
}
