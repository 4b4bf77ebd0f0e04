// The timed arcade run: one clock in minutes shared by up to 36 levels, each a painted scene of
// the scene catalogue ("scripts/searchhelper.lua") with twelve list entries to find. Found items
// score points that shrink with every minute of the level, wrong clicks and hints cost time,
// hints recharge over time, and the run ends on the game-over screen when the clock runs out
// or after level 36. A run in progress is saved through "SaveGameState" and resumed on the next
// arcade window.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimMessageNotifier.h"
#include "anim/QMAnimationRunner.h"
#include "core/TRandom.h"
#include "core/TTask.h"
#include "core/TVec.h"
#include "game/scenes/ArcadeSearchItem.h"
#include "game/scenes/QMPuzzleWindow.h"
#include "render/QMSearchableSprite.h"
#include "render/TAssetMap.h"
#include "sound/TSoundCallBack.h"
#include "window/TText.h"

class ArcadeGameTimer;
class IQMSearchTool;
class KSpriteWindow;
class QMAmbientScroll;
class TAnimatedSprite;
class TAnimatedTexture;
class TClock;
class TLuaTable;
class TScript;
class TSound;
class TText;

// Ids of the notifiers the arcade window puts into its animation queues.
enum : int {
  kArcadeRemoveFoundItem = 2002,
  kArcadeDropHintSprite = 2013,
  kArcadeStrikeOutLabel = 2020,
};

class QMArcadeGame : public QMPuzzleWindow, public TSoundCallBack {
  T_WINDOW_CLASS(QMArcadeGame, QMPuzzleWindow)

public:
  using ItemPtr = boost::shared_ptr<ArcadeSearchItem>;
  using ItemList = std::vector<ItemPtr>;

  static constexpr int kSlots = 12;
  static constexpr int kLastLevel = 36;
  static constexpr int kMaxHints = 3;
  // Minutes the run clock holds at most.
  static constexpr float kMostMinutes = 40.0f;

  // Draws the scaled magnifier scene again and gives the glass a freshly composed scene, for
  // the platform's idle passes after the display restored its surfaces.
  class TextureRefresher : public TTask {
  public:
    TextureRefresher(QMArcadeGame* owner, boost::shared_ptr<TTexture> texture)
        : mOwner(owner), mTexture(std::move(texture)) {}
    bool DoTask() override;

  private:
    QMArcadeGame* mOwner;
    boost::shared_ptr<TTexture> mTexture;
  };

  QMArcadeGame();
  ~QMArcadeGame() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  // The all-found sound has ended: the fade to black that leads to the next level begins.
  void OnSoundEnd(boost::shared_ptr<TSoundInstance> instance,
                  boost::shared_ptr<TSound> queued) override;

  // Run and level.
  void ResetState();
  // Empties the twelve list slots: labels, strike-outs, entry and group labels.
  void ClearSlots();
  void StartLevel();
  void RestoreSavedGame();
  void SaveGameState();
  void ShowArcadeHint();
  // The clock, every 16 ms (ArcadeGameTimer).
  void TimerTick();
  // Ends the run on the game-over screen with "arcadelose" or "arcadewin"; only once.
  void EndRun(const char* outcome);

  // Scene catalogue.
  void ReadPuzzleOrder();
  void LoadSearchPuzzles();
  std::unique_ptr<ItemList> ReadSceneItems(TLuaTable* scene, const str& folder);
  void LoadMultiples();
  void AddGroupMember(const str& name, const str& member);
  // how: 0 next, 1 previous, 2 first, other values the scene at the current position.
  void GotoScene(int how);
  void GotoLevelScene(int level);
  // "_" and the text after the last "/", without its first "?slow".
  static str SceneKeyOf(const str& image);
  // Hands the glass every item still drawn in the scene, composes them and moves the glass to
  // the last pointer.
  void RefreshMagnifier();

  // Item choice and placement.
  void ChooseMultiples(int& memberCount, int& groupCount);
  // Answers the number of items taken, which may be fewer than asked.
  int ChooseSingleItems(int count, int firstSlotOffset);
  bool OverlapsChosen(ArcadeSearchItem& candidate);
  void PlaceNextItem();
  void UpdateItems();
  void PlayFoundAnimation();

  // Notifier handlers.
  void OnAnimMessage(KAnimMessageId<kArcadeRemoveFoundItem>, const str& imageName);
  void OnAnimMessage(KAnimMessageId<kArcadeDropHintSprite>, const str&);
  void OnAnimMessage(KAnimMessageId<kArcadeStrikeOutLabel>, const str& label);

  // Read access for the window's companions and tests.
  ItemList* GetCurrentItems();
  const str& GetCurrentScene() const { return mCurrentScene; }
  const std::vector<str>& GetSceneOrder() const { return mSceneOrder; }
  size_t GetScenePosition() const { return mScenePosition; }
  size_t GetItemCursor() const { return mItemCursor; }
  bool IsItemListReady() const { return mItemListReady; }
  bool IsFreshScene() const { return mFreshScene; }
  const TVec2& GetSceneScale() const { return mSceneScale; }
  bool IsTestingMode() const { return mTestingMode; }
  int32_t GetLevel() const { return mLevel; }
  int32_t GetItemsLeft() const { return mItemsLeft; }
  int32_t GetScore() const { return mScore; }
  int32_t GetPendingScore() const { return mPendingScore; }
  float GetTimeLeft() const { return mTimeLeft; }
  float GetTimeDebt() const { return mTimeDebt; }
  float GetWrongClickGrace() const { return mWrongClickGrace; }
  int32_t GetPointsPerItem() const { return mPointsPerItem; }
  bool IsClockRunning() const { return mClockRunning; }
  int32_t GetHintsLeft() const { return mHintsLeft; }
  float GetHintRecharge() const { return mHintRecharge; }
  bool IsLevelDone() const { return mLevelDone; }
  bool IsRunOver() const { return mRunOver; }
  const str& GetGroupLabel(int slot) const { return mGroupLabels[slot]; }
  const str& GetEntryLabel(int slot) const { return mEntryLabels[slot]; }
  const str& GetOpenMultiples() const { return mOpenMultiples; }
  int32_t GetFadeState() const { return mFadeState; }
  float GetFadeAlpha() const { return mFadeAlpha; }
  bool HasHintSprite() const { return static_cast<bool>(mHintSprite); }
  QMSearchableSprite& GetItemLayer() { return *mItemLayer; }
  IQMSearchTool* GetSearchTool() const { return mSearchTool.get(); }
  bool IsToolActive() const { return mToolActive; }
  TextureRefresher* GetTextureRefresher() const { return mTextureRefresher.get(); }
  const TPoint& GetLastPointer() const { return mLastPointer; }
  const std::vector<boost::shared_ptr<QMAmbientScroll>>& GetAmbientScrolls() const {
    return mAmbientScrolls;
  }
  QMAnimationRunner& GetAnimationRunner() { return mRunner; }

  // Set directly by tests and the saved run; the clock tick and clicks use them as they are.
  void SetTimeLeft(float minutes) { mTimeLeft = minutes; }
  void SetTimeDebt(float seconds) { mTimeDebt = seconds; }
  void SetHintsLeft(int32_t hints) { mHintsLeft = hints; }
  void SetHintRecharge(float seconds) { mHintRecharge = seconds; }
  void SetPointsPerItem(int32_t points) { mPointsPerItem = points; }
  void SetPendingScore(int32_t points) { mPendingScore = points; }
  // Real numbers in [0, 1) for the group choice, the hinted item and the music; without a
  // source each choice draws from a generator seeded by the platform's random numbers.
  void SetRealSource(std::function<double()> source) { mRealSource = std::move(source); }

private:
  void BindScriptFunctions();
  void NewLevelStep();
  void LevelComplete();
  void ClearSearchTool();
  void ShowHintLights();
  void StartFadeToNextLevel();
  void AddAmbientAnimation(TLuaTable& entry);
  void ShowSceneBackground(const str& image);
  // Builds the glass of a magnifier scene over its background (a private copy, as composing
  // draws the items into it) and refreshes it.
  void MakeMagnifier();
  // The picture sprite of an item at its place in the scene (null without a texture).
  boost::shared_ptr<TSprite> MakeItemSprite(ArcadeSearchItem& item,
                                            const boost::shared_ptr<TTexture>& texture);
  void ShowTestItem(ArcadeSearchItem& item);
  void ComputeRect(ArcadeSearchItem& item);
  void WriteLabel(int slot, const str& key);
  void SettleFoundEntry(TText* text, const str& label);
  void FlashLabel(TText* text, const TColor& colour, const TColor* endColour, const str& notify);
  void ArmFrameStep();
  TText* FindText(const str& name) const;
  boost::shared_ptr<TTexture> GetAssetTexture(const str& name);
  // A generator for one choice; its draws come from the real source when one is set.
  class RealDraws {
  public:
    explicit RealDraws(const QMArcadeGame& game);
    double Next();

  private:
    const QMArcadeGame& mGame;
    std::unique_ptr<TRandom> mRandom;
  };

  static void PlayOnce(const boost::shared_ptr<TSound>& sound);

  std::unique_ptr<TScript> mSceneScript;
  TAssetMap mAssets;
  std::vector<str> mSceneOrder;
  size_t mScenePosition = 0;
  str mCurrentScene;
  std::map<str, std::unique_ptr<ItemList>> mItemLists;
  size_t mItemCursor = 0;
  std::map<str, std::unique_ptr<TLuaTable>> mSceneTables;
  bool mItemListReady = false;
  bool mFreshScene = true;
  TVec2 mSceneScale{1.0f, 1.0f};
  boost::shared_ptr<TTexture> mBackground;
  str mSceneImage;
  TPoint mLastPointer{0, 0};
  std::unique_ptr<IQMSearchTool> mSearchTool;
  std::unique_ptr<TextureRefresher> mTextureRefresher;
  bool mToolActive = false;
  bool mTestingMode = false;
  int32_t mLevel = 0;
  int32_t mItemsLeft = 0;
  int32_t mScore = 0;
  int32_t mPendingScore = 0;
  float mTimeLeft = 0.0f;
  float mTimeDebt = 0.0f;
  float mWrongClickGrace = 0.0f;
  float mMinuteFraction = 0.0f;
  int32_t mPointsPerItem = 150;
  bool mClockRunning = false;
  int32_t mHintsLeft = 1;
  float mHintRecharge = 40.0f;
  bool mLevelDone = false;
  bool mRunOver = false;
  boost::shared_ptr<TAnimatedTexture> mBehindAnim;
  boost::shared_ptr<TAnimatedTexture> mAboveAnim;
  boost::shared_ptr<TAnimatedTexture> mHintAnim;
  std::array<str, kSlots> mGroupLabels;
  std::array<str, kSlots> mEntryLabels;
  str mOpenMultiples;
  boost::shared_ptr<QMSearchableSprite> mItemLayer;
  boost::shared_ptr<TSprite> mAmbientLayer;
  std::vector<boost::shared_ptr<QMAmbientScroll>> mAmbientScrolls;
  uint32_t mLastFrameTime = 0;
  bool mClicksEnabled = false;
  boost::shared_ptr<TSound> mMusic;
  boost::shared_ptr<TSound> mFoundSound;
  boost::shared_ptr<TSound> mAllFoundSound;
  boost::shared_ptr<TSound> mWrongSound;
  boost::shared_ptr<TSound> mBonusLossSound;
  boost::shared_ptr<TSound> mHintSound;
  boost::shared_ptr<TSound> mBonusGainSound;
  boost::shared_ptr<TSound> mWrongAgainSound;
  QMAnimationRunner mRunner;
  boost::shared_ptr<TAnimatedSprite> mHintSprite;
  boost::shared_ptr<TSprite> mHintLayer;
  int32_t mFadeState = 0;
  float mFadeAlpha = 0.0f;
  boost::shared_ptr<TTexture> mFadeTexture;
  boost::shared_ptr<TSprite> mFadeSprite;
  float mFadeCountdown = 0.0f;
  TClock* mAnimClock = nullptr;
  ArcadeGameTimer* mGameTimer = nullptr;
  TWindowHandle mGameTimerModal;
  bool mGameTimerTaken = false;
  uint32_t mLastTick = 0;
  bool mRestoreAllowed = false;
  TWindowHandle mAnimWindow;
  std::function<double()> mRealSource;
  // Looked up and written in every frame: the names are made once, the figures only change.
  const str mClockName{"arcadetimer"};
  const str mScoreName{"arcadescore"};
  TTickingText mClockShown;
  TTickingText mScoreShown;
};

// Shuffles a scene's items with our own Fisher-Yates over the C-runtime rand (CrtRand), so a
// seed gives the same order on every platform.
void ShuffleArcadeItems(QMArcadeGame::ItemList& items);
