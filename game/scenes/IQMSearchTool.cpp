#include "game/scenes/IQMSearchTool.h"

#include <memory>

#include "anim/KPropertyParser.h"
#include "game/shell/ScriptUtilities.h"
#include "script/binding/TLuaObjectWrapper.h"

IQMSearchTool::~IQMSearchTool() {
  if (!mNormalCursor) SetCursorImage(kArrowCursor);
}

void IQMSearchTool::UpdateSearchCursor(const TPoint& point, const TVec2* size) {
  TPoint test = point;
  if (size) {
    test.x += static_cast<int32_t>(size->x * 0.5f);
    test.y += static_cast<int32_t>(size->y * 0.5f);
  }
  const bool inside =
      test.x > 0 && test.x < kPlayAreaRight && test.y > 0 && test.y < kPlayAreaBottom;
  SetCursorImage(inside ? kCrosshairCursor : kArrowCursor);
  mNormalCursor = !inside;
}

bool IQMSearchTool::ReadToolDescription(const char* file, QMTableParserImpl& parser) {
  LuaDataState data;
  if (!data.LoadTable(file)) return false;
  // The table's registry reference goes before the state does.
  auto table = std::make_unique<TLuaTable>(data.GetState());
  parser.ApplyTable(*table);
  return true;
}
