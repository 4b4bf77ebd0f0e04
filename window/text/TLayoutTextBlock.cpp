// A text layout behind the renderer's text-block interface.
#include "window/text/TLayoutTextBlock.h"

#include "window/text/TTextLayout.h"

namespace {

class TLayoutTextBlock : public IRendererText {
public:
  TLayoutTextBlock(int width, int height, int size, const TColor& colour)
      : mLayout(TTextLayout::Create(str(), width, height, 0, nullptr, size, colour)) {}
  ~TLayoutTextBlock() override { TTextLayout::Delete(mLayout); }
  void SetText(const str& text) override { mLayout->SetText(text); }
  void Draw(const TRect& box, float scale) override {
    DrawTextBlock(mLayout, box, scale, 0, 1.0f, 0, boost::shared_ptr<TTexture>());
  }

private:
  TTextLayout* mLayout;
};

}  // namespace

std::unique_ptr<IRendererText> MakeLayoutTextBlock(int width, int height, int size,
                                                   const TColor& colour) {
  return std::make_unique<TLayoutTextBlock>(width, height, size, colour);
}
