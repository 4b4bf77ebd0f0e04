// A search tool follows the mouse pointer over a search scene: the magnifying glass or the
// flashlight. The scene (or the arcade window) owns at most one, moves it with the pointer,
// draws it once per frame and, through the one operation here, switches the cursor between the
// arrow and the crosshair at the border of the play area.
#pragma once

#include "core/TRect.h"
#include "core/TVec.h"

class QMTableParserImpl;
class SceneCompositor;

class IQMSearchTool {
public:
  IQMSearchTool() = default;
  // Puts the arrow back when the crosshair was the tool's last cursor.
  virtual ~IQMSearchTool();
  IQMSearchTool(const IQMSearchTool&) = delete;
  IQMSearchTool& operator=(const IQMSearchTool&) = delete;

  // The composed scene the tool copies from; null for a tool that needs none.
  virtual SceneCompositor* GetCompositor() = 0;
  // Places the tool at the pointer (window coordinates) and brings its picture up to date.
  virtual bool MoveTo(const TPoint& point) = 0;
  // The tool's sprite tree with the identity transform.
  virtual void Draw() = 0;

  // The crosshair inside the play area (0 < x < 800, 0 < y < 520), the arrow outside. With a
  // size the tested point is the middle of a box of that size at the point.
  void UpdateSearchCursor(const TPoint& point, const TVec2* size = nullptr);
  bool IsNormalCursor() const { return mNormalCursor; }

  // The play area's far edges (exclusive).
  static constexpr int kPlayAreaRight = 800;
  static constexpr int kPlayAreaBottom = 520;

protected:
  // Runs a tool description file in a private state and hands every pair of the table it
  // returns to the parser. False (the tool then keeps its defaults) when the file is missing,
  // fails or returns no table; the data state logs which.
  static bool ReadToolDescription(const char* file, QMTableParserImpl& parser);

  bool mNormalCursor = true;
};
