// The hidden-object scene: a painted, possibly panoramic scene (backgrounds side by side,
// ambient animations, the searchable item sprites the scripts add) in which the player clicks
// to find the listed objects. The scene is a tree of sprites under one window: the window draws
// it, scrolls it, hit-tests clicks against the named items in name order and tells the scripts
// what was clicked. Child windows (the item list, scroll buttons, pop-ups) sit on top.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "anim/IQMPuzzleWindow.h"
#include "anim/KAnimMessageNotifier.h"
#include "anim/QMAnimationRunner.h"
#include "core/TColor.h"
#include "core/TTask.h"
#include "core/TVec.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMStopwatch.h"
#include "particles/TLuaParticleSystem.h"
#include "render/QMSearchableSprite.h"
#include "window/TWindow.h"

class IQMSearchTool;
class KAnimBias;
class KSpriteWindow;
class QMAmbientScroll;
class TAnimatedSprite;
class TAnimatedTexture;
class TClock;
class TLuaTable;
class TSound;
class TTexture;

class QMSearch : public TWindow, public IQMPuzzleWindow {
  T_WINDOW_CLASS(QMSearch, TWindow)

public:
  // The black veil of a darkened scene, a named child of the scene sprite.
  static constexpr const char* kDarkenSpriteName = "_qmDarkenSprtie";

  // Rebuilds the scaled background after the display has restored its surfaces.
  class TextureRefresher : public TTask {
  public:
    TextureRefresher(QMSearch* owner, boost::shared_ptr<TTexture> texture)
        : mOwner(owner), mTexture(std::move(texture)) {}
    bool DoTask() override;

  private:
    QMSearch* mOwner;
    boost::shared_ptr<TTexture> mTexture;
  };

  // Horizontal scrolling of the scene sprite, in pixels per 16 ms tick.
  class PanoramaScroller {
  public:
    using EndCallback = void (*)();

    void StopMotion() { velocity = 0; }
    void Disable() { enabled = false; }
    void Enable() { enabled = true; }
    void SetDirection(int32_t d) { direction = d; }
    void StopAccelerating() { direction = 0; }
    void Update();

    int32_t maxPos = 100;
    int32_t minPos = -100;
    TSprite* target = nullptr;
    float maxVelocity = 20;
    float acceleration = 0.225f;
    float dampen = 0.9f;
    float position = 0;
    int32_t direction = 0;
    float velocity = 0;
    bool enabled = true;
    EndCallback onReachedMax = nullptr;
    EndCallback onReachedMin = nullptr;
  };

  // Slide states of the scroll buttons.
  enum ButtonState : int32_t { kSlidingOut = 0, kSlidingIn = 1, kAtRest = 2, kHidden = 3 };

  QMSearch();
  ~QMSearch() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* m) override;
  bool Animate() override;
  bool OnMouseDown(const TPoint& point) override;
  bool OnMouseMove(const TPoint& point) override;
  bool OnMouseLeave() override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  bool OnKeyUp(unsigned char key) override;
  void OnFocus(TWindow*) override {}
  void SpareHook(void*) override { ResetCursor(); }
  void ResetCursor();

  // The scene sprite tree alone, drawn into a new texture of the window's size.
  boost::shared_ptr<TTexture> RenderToTexture() override;

  // Script functions (QMSearchBindings.cpp).
  void StartSearch();
  void AddSpriteFromLua(TLuaTable* table, bool searchable, str name);
  void TimerPenalty();
  void TimerBonus(int amount);

  void BeginPlay();
  void CenterPanorama();
  // Appends to the queue the panorama's move to the background that holds scene x, switching
  // the player's scrolling off until the queue switches it on again; nothing for a scene of
  // one background or when the scene is there already. Answers the scene's x for it.
  int32_t PanToBackgroundAt(int32_t x, KAnimQueue* queue, KAnimBias* bias);
  void ScrollRight();
  void ScrollLeft();
  void AddAmbientSprite(TLuaTable* entry);

  // The end of a scripted panorama move: the player may scroll again.
  void OnAnimMessage(KAnimMessageId<2016>, const str&) { mPanorama.Enable(); }
  // Steps of the found sequence: the item leaves the painting, then its copy leaves the
  // overlay.
  void OnAnimMessage(KAnimMessageId<2001>, const str& name) { RemoveFoundItem(name); }
  void OnAnimMessage(KAnimMessageId<2002>, const str& name) {
    mOverlaySprite->RemoveSpriteByName(name);
  }

  // Found items (QMSearchFound.cpp): the find plays as one queue on the scene's clock, and the
  // last find completes the level after the tally pause.
  // The level's end after its last find: the all-found sound, the tally pause, the metrics,
  // then "puzzleComplete()"; the clock stops at once.
  void AppendLevelCompletion(KAnimQueue* queue);
  void OnItemFound(QMItemFoundMessage* m);
  // A colour pulse of the list entry of that name, not started; null without the entry.
  KAnimQueue* AnimateListLabel(const str& label, const TColor& color, float duration,
                               int32_t scales, const TColor* finalColor);

  // Hints (QMSearchHint.cpp).
  void ShowHint(QMSearchHintMessage* m);
  void HideHint();

  // The search tool (QMSearchTools.cpp): the magnifying glass or the flashlight, chosen by
  // name, kept up to date as items leave the scene, moved with the pointer and drawn.
  virtual bool HasTool() const { return mTool != nullptr; }
  virtual void DrawTool();
  virtual void MoveToolTo(const TPoint& point);
  // Puts the normal cursor back when the pointer leaves the tool's area.
  virtual void LeaveTool();
  virtual void RefreshToolView();
  virtual void ChooseTool(const str& name);
  virtual void RemoveFoundItem(const str& name);
  // The level designer's aid: name, file and place of the sprite under the pointer.
  virtual void ShowDebugSpriteInfo(const TPoint& point);
  IQMSearchTool* GetTool() const { return mTool.get(); }
  const str& GetToolName() const { return mToolName; }
  const str& GetSceneType() const { return mSceneType; }

  // While the pop-up navigation is open the scene ignores the pointer.
  virtual bool IsPopUpNavOpen(TWindow* nav) const;

  // For tests and the parts built on the scene.
  QMSearchableSprite& GetSceneSprite() { return *mSceneSprite; }
  QMSearchableSprite& GetOverlaySprite() { return *mOverlaySprite; }
  PanoramaScroller& GetPanorama() { return mPanorama; }
  const std::vector<int32_t>& GetBackgroundOffsets() const { return mBackgroundOffsets; }
  const std::vector<boost::shared_ptr<QMAmbientScroll>>& GetAmbientScrolls() const {
    return mAmbientScrolls;
  }
  KSpriteWindow* GetAnimWindow() const { return mAnimWindow; }
  bool IsStarted() const { return mStarted; }
  bool IsSolved() const { return mSolved; }
  int32_t GetScrollRightState() const { return mScrollRightState; }
  int32_t GetScrollLeftState() const { return mScrollLeftState; }
  bool IsScrollLeftArrowShown() const { return mScrollLeftArrowShown; }
  bool IsScrollRightArrowShown() const { return mScrollRightArrowShown; }
  const TPoint& GetHoverPoint() const { return mHoverPoint; }
  float GetHintDuration() const { return mHintDuration; }
  const TVec2& GetBackgroundScale() const { return mBackgroundScale; }
  const TColor& GetDefaultItemColor() const { return mDefaultItemColor; }
  size_t GetRunningAnimationCount() const { return mAnimations.GetRunningCount(); }
  const boost::shared_ptr<TAnimatedSprite>& GetHintSprite() const { return mHintSprite; }
  TSprite* GetHintLayer() const { return mHintLayer.get(); }

protected:
  bool IsItemInOverlay(const str& name) const;
  // The modal's clock, which the window's animation task runs on; null outside a modal.
  TClock* GetAnimClock() const;

  void StepScrollButtons();
  void MoveScrollRightButton(int dx);
  void MoveScrollLeftButton(int dx);
  void RetireLeftArrow();
  void RetireRightArrow();
  // Shows the animated arrow in place of a scroll button's own picture and arms the panorama's
  // end callback for that side; answers whether the button exists.
  bool PresentScrollButton(const char* name, TPoint& restingPos,
                           const boost::shared_ptr<TAnimatedSprite>& arrow, bool& shown);
  void SlideOutAtEnd(const char* button, int32_t& state);
  static void OnPanoramaAtLeftEnd();
  static void OnPanoramaAtRightEnd();
  // The scene under the top modal, found by its layout name.
  static QMSearch* FindCurrent();

  void BindScriptFunctions();
  void BindAnimWindowFunctions();
  void LoadBackgrounds(TWindowStyle& style, bool magnify);
  void ReadAmbientAnims(TWindowStyle& style);
  void MakeScaledBackground();
  void MakeDarkenSprite(float darken);
  void MakeScrollArrows();

  std::unique_ptr<TextureRefresher> mTextureRefresher;
  boost::shared_ptr<QMSearchableSprite> mSceneSprite;
  boost::shared_ptr<QMSearchableSprite> mOverlaySprite;
  boost::shared_ptr<TSprite> mHintLayer;
  boost::shared_ptr<TTexture> mBackgroundTexture;
  boost::shared_ptr<TAnimatedTexture> mItemBackGroundAnim;
  boost::shared_ptr<TAnimatedTexture> mItemForeGroundAnim;
  boost::shared_ptr<TAnimatedTexture> mHintAnim;
  boost::shared_ptr<TSound> mBackgroundAudio;
  boost::shared_ptr<TSound> mFoundSound;
  boost::shared_ptr<TSound> mFoundAgainSound;
  boost::shared_ptr<TSound> mAllFoundSound;
  boost::shared_ptr<TSound> mHintSound;
  boost::shared_ptr<TSound> mSpecialFoundSound;
  float mPlacedItemFadeInDuration = 2000;
  float mPlacedItemFadeOutDuration = 2000;
  float mFullItemFadeInDuration = 2000;
  float mInventoryMoveToCenterDuration = 2000;
  QMAnimationRunner mAnimations;
  std::unique_ptr<IQMSearchTool> mTool;
  str mToolName;
  TVec2 mBackgroundScale{1, 1};
  TVec2 mInventoryContainerOffset{0, 0};
  TPoint mLastMousePos{-1, -1};
  QMStopwatch mKeyStopwatch;
  QMStopwatch mClickStopwatch;
  TColor mFoundColor{0, 0, 0, 0};
  TColor mFoundHilightColor{0, 0, 0, 0};
  TColor mHintHilightColor{0, 0, 0, 0};
  TColor mDefaultItemColor{0, 0, 0, 0};
  float mHintDuration = 0;
  int32_t mLabelHintNumScales = 5;
  int32_t mLabelFoundNumScales = 5;
  int32_t mTallyRewardDelay = 5000;
  int mBackgroundCount = 1;
  static constexpr int kMostBackgrounds = 64;
  boost::shared_ptr<TAnimatedSprite> mHintSprite;
  bool mSolved = false;
  bool mStarted = false;
  bool mInKeyDown = false;
  PanoramaScroller mPanorama;
  std::vector<int32_t> mBackgroundOffsets;
  std::vector<boost::shared_ptr<QMAmbientScroll>> mAmbientScrolls;
  str mSceneType;
  KSpriteWindow* mAnimWindow = nullptr;
  boost::shared_ptr<TAnimatedSprite> mScrollLeftArrow;
  boost::shared_ptr<TAnimatedSprite> mScrollRightArrow;
  bool mScrollLeftArrowShown = false;
  bool mScrollRightArrowShown = false;
  TLuaParticleSystem mButtonParticles;
  TPoint mHoverPoint{-1, -1};
  int32_t mScrollRightState = kAtRest;
  int32_t mScrollLeftState = kAtRest;
  TPoint mScrollRightButtonPos{0, 0};
  TPoint mScrollLeftButtonPos{0, 0};
  uint32_t mLastAnimateTime = 0;
};

// The sprite tree drawn into a new texture of the given size; a blank texture when there is no
// sprite or the renderer refuses the target, empty when the texture cannot be made.
boost::shared_ptr<TTexture> RenderSpriteToTexture(TSprite* sprite, int width, int height);
