// One item of an arcade scene: where its picture lies, what list entry it fills and how far it
// has come in play.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/str.h"

class TTexture;

// Play states of an arcade item.
enum : int32_t {
  kArcadeItemInList = 0,   // placed and not found
  kArcadeItemFound = 2,    // a single item found
  kArcadeItemClicked = 3,  // clicked this frame, to be settled
  kArcadeItemIdle = 4,     // drawn in the scene, not in the list
  kArcadeCopyInList = 5,   // one copy of a multiple-copy entry, not found
  kArcadeCopyClicked = 6,  // a copy clicked this frame
  kArcadeCopyFound = 7,    // a found copy
};

struct ArcadeSearchItem {
  str name;
  str imageName;
  int32_t x = 0;
  int32_t y = 0;
  // Screen rectangle; all 0 until computed, all -1 when the item has no picture.
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool excluded = false;
  str groupText;
  int32_t layer = -1;
  int32_t playOffsetX = 0;
  int32_t playOffsetY = 0;
  int32_t listSlot = 0;
  int32_t state = kArcadeItemIdle;
  int32_t index = 0;
  boost::shared_ptr<TTexture> image;

  bool InList() const { return state == kArcadeItemInList || state == kArcadeCopyInList; }
  bool RectUnset() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool RectMissing() const { return left == -1 && top == -1 && right == -1 && bottom == -1; }
};
