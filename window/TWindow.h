// The base of every on-screen element. Windows form a tree: the front of a child list is the
// top-most child (drawn last, hit-tested first). Each window has a rectangle in its parent's
// coordinates, a name, a flag word, a unique id and, on demand, an animation task.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "core/TClassId.h"
#include "core/TPlatformEvent.h"
#include "core/TRect.h"
#include "core/str.h"
#include "window/TWindowHandle.h"

class TMessage;
class TModalWindow;
class TWindowAnim;
class TWindowSpider;
class TWindowStyle;
struct lua_State;

enum : uint32_t {
  kWindowModal = 0x1,
  kWindowFocusable = 0x2,
  kWindowBeginGroup = 0x8,
  kWindowShown = 0x100,
  kWindowOpaque = 0x800,
};

// Inside the body of a window class that has a creator: the creator doubles as the class id.
#define T_WINDOW_CLASS(Class, Base)                                              \
public:                                                                          \
  static std::unique_ptr<TWindow> Create() { return std::make_unique<Class>(); } \
  static TClassId GetClassId() { return MakeClassId(&Class::Create); }           \
  const char* GetClassName() const override { return #Class; }                   \
  bool IsKindOf(TClassId id) const override {                                    \
    return id == Class::GetClassId() || Base::IsKindOf(id);                      \
  }

class TWindow {
public:
  using Creator = std::unique_ptr<TWindow> (*)();

  TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  static std::unique_ptr<TWindow> Create() { return std::make_unique<TWindow>(); }
  static TClassId GetClassId() { return MakeClassId(&TWindow::Create); }

  virtual const char* GetClassName() const { return "TWindow"; }
  virtual bool IsKindOf(TClassId id) const { return id == GetClassId(); }
  virtual ~TWindow();
  virtual bool OnActivate() { return true; }
  virtual bool SpareQuery() { return false; }
  virtual void Init(TWindowStyle& style);
  virtual void PostCreate(TWindowStyle& style);
  virtual void Draw() {}
  virtual void PostDraw() {}
  // Takes the child over and puts it on top. The child stays with the caller (child is not
  // moved from) when it refuses activation or would become its own ancestor: false then.
  virtual bool AddChild(std::unique_ptr<TWindow>&& child, bool activate = false);
  // Unlinks a child and hands it to the caller; null when it is not a child of this window.
  virtual std::unique_ptr<TWindow> RemoveChild(TWindow* child);
  virtual void OnModalPopped() {}
  virtual void SetScale(float, int) {}
  virtual bool OnMessage(TMessage*) { return false; }
  virtual bool Animate() { return false; }
  virtual bool OnMouseDown(const TPoint&) { return false; }
  virtual bool OnMouseButton(const TPoint&, int) { return false; }
  virtual bool OnMouseUp(const TPoint&) { return false; }
  virtual bool OnMouseMove(const TPoint&) { return false; }
  virtual bool OnMouseLeave() { return false; }
  virtual bool SpareInputQuery() { return false; }
  virtual bool OnChar(unsigned char) { return false; }
  virtual bool OnWideChar(str) { return false; }
  virtual bool OnKeyDown(unsigned char, int) { return false; }
  virtual bool OnKeyUp(unsigned char) { return false; }
  virtual bool OnMouseHover(const TPoint&) { return false; }
  virtual void OnFocus(TWindow*) {}
  virtual void SpareHook(void*) {}

  str GetName() const { return mName; }
  void SetName(const str& name) { mName = name; }
  int GetWidth() const { return mRect.Width(); }
  int GetHeight() const { return mRect.Height(); }
  const TRect& GetRect() const { return mRect; }
  // The owning window: a window is linked and unlinked only by AddChild and RemoveChild, so
  // the parent always outlives the link.
  TWindow* GetParent() const { return mParent; }
  uint32_t GetFlags() const { return mFlags; }
  uint32_t GetId() const { return mId; }
  // The children, front (top-most) first.
  std::vector<TWindow*> GetChildren() const;
  bool HasChild(const TWindow* child) const;

  void GetScreenRect(TRect& out) const;
  void GetClientRect(TRect& out) const;
  void ClientToScreen(TPoint& p) const;
  void ScreenToClient(TPoint& p) const;
  void ClientToParent(TPoint& p) const;
  void ParentToClient(TPoint& p) const;

  void SetPosition(int x, int y);
  void SetSize(int w, int h);
  // Replaces bits 8-15; bits 0-7 stay as they are.
  void SetFlags(uint32_t flags);
  TModalWindow* GetModalParent() const;
  bool IsVisible() const;
  str GetIdString() const;

  TWindow* FindChild(const str& name, int depth);
  TWindow* FindChildAtPoint(const TPoint& p, int depth);
  bool ForEachChild(TWindowSpider& spider, bool backwards);
  void FitToChildren();
  void DeleteChildren();
  void SetZOrder(int mode);
  void PlaceAbove(TWindow* sibling);

  TWindowAnim* GetWindowAnim();
  void SetAnimTimer(uint32_t ms, bool repeat, bool absolute, bool catchUp);
  TWindowAnim* DetachAnim();

  bool DrawTree();
  // The same with `handles` as the walk's scratch list: each level keeps its children's
  // handles above what the list held and takes them off again, so a list kept by the caller
  // lets the walk run without allocating once it has grown.
  bool DrawTree(std::vector<TWindowHandle>& handles);
  // Offers the message to w and its ancestors up to the first modal; deletes it when taken or
  // dropped, hands it to the scripts when the modal and its focus window refuse it.
  static void HandleMessage(TWindow* w, TMessage* m);
  bool DispatchEvent(const TPlatformEvent& event, bool focusTaken);
  void ApplyLayout(TWindowStyle& style);
  // One axis of the layout encoding; size and pos are resolved in place.
  static void ResolveCoordinates(int& pos, int& size, int extent, bool hasParent, bool centre,
                                 bool farEdge, bool alignGiven);
  static int ResolvePosition(int pos, int extent, int size, bool alignGiven);

  // Notes the global just bound to a method of this window (BindWindowMethod); the
  // destructor resets every such global to nil while it still holds that binding.
  void RememberBoundGlobal(lua_State* L, const char* name);

protected:
  // Bits 0-7 are set directly by constructors.
  void AddLowFlags(uint32_t bits) { mFlags |= (bits & 0xFF); }
  // Tells the modal parent whether this window hides everything below it.
  void NotifyOpaque(bool removing);
  static void MarkRedraw();
  void ReleaseGlobals();

  // Handles on the children, front first or (backwards) back first: walks that call out to
  // windows use them, since a call may remove or destroy any child.
  std::vector<TWindowHandle> ChildHandles(bool backwards) const;

  TWindow* mParent = nullptr;
  std::list<std::unique_ptr<TWindow>> mChildren;
  TRect mRect;
  str mName;
  uint32_t mFlags = kWindowShown;
  uint32_t mId;
  TWindowAnim* mAnim = nullptr;
  lua_State* mBindingState = nullptr;
  // Shared with every handle on this window; emptied when it dies.
  std::shared_ptr<TWindowLife> mLife;

  friend class TWindowAnim;
  friend class TWindowHandle;
};

// The window as a T when its class is T or derives from it, else null (also for null).
template <class T>
T* WindowCast(TWindow* w) {
  return w && w->IsKindOf(T::GetClassId()) ? static_cast<T*>(w) : nullptr;
}
template <class T>
const T* WindowCast(const TWindow* w) {
  return w && w->IsKindOf(T::GetClassId()) ? static_cast<const T*>(w) : nullptr;
}
