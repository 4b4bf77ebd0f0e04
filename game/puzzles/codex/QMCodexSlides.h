// The codex puzzle's clue slides: pictures and texts the level script composes, one list of
// slides per round, one slide at a time in the slide holder.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/str.h"

class TLuaTable;
class TSprite;

class QMCodexSlides {
public:
  using SlideList = std::vector<boost::shared_ptr<TSprite>>;

  explicit QMCodexSlides(boost::shared_ptr<TSprite> holder) : mHolder(std::move(holder)) {}

  void NewSlideGroup();
  // Always into the last group; with no group yet nothing is made.
  void NewSlide();
  // Both add to the slide under construction, and do nothing before the first slide.
  void AddClueSlideText(TLuaTable& description);
  void AddClueImage(const str& texture, float x, float y);
  // Shows slide n of the current group; a number past the group's end leaves the holder empty.
  void SetCurrentSlide(int32_t n);
  // The current group's first slide; the window does the rest of a group change.
  void SetCurrentGroup(uint32_t g);
  // -1 when the current group has no list.
  int32_t GetSlideCount() const;

  uint32_t GetCurrentGroup() const { return mCurrentGroup; }
  int32_t GetCurrentSlide() const { return mCurrentSlide; }
  size_t GetGroupCount() const { return mGroups.size(); }
  const SlideList* GetGroup(uint32_t g) const {
    return g < mGroups.size() ? mGroups[g].get() : nullptr;
  }

private:
  boost::shared_ptr<TSprite> mHolder;
  std::vector<std::unique_ptr<SlideList>> mGroups;
  boost::shared_ptr<TSprite> mUnderConstruction;
  uint32_t mCurrentGroup = 0;
  int32_t mCurrentSlide = 0;
};
