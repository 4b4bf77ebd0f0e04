// A window whose whole content is a tree of sprites that a Lua script of its own builds and
// animates. The script (style key "runfile") runs as a coroutine of the window's private Lua
// state: it adds sprites, queues animation steps, calls "_Start" and yields until the queue has
// run; the window resumes it every tick, when the queue finishes and after each navigation
// message, and counts each of those down in the global "gScriptPauseCoRoutine". A script error
// is logged with its file and line and stops this window's script only.
#pragma once

#include <map>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/KSPriteParticleFunc.h"
#include "core/str.h"
#include "particles/TLuaParticleSystem.h"
#include "render/TSprite.h"
#include "window/TWindow.h"

class KAnimMultiple;
class KAnimProcess;
class KAnimQueue;
class KSpriteWindowListener;
class TLuaTable;
class TScript;
class TTexture;

enum : int32_t {
  kSpriteWindowGone = 2014,
  kSpriteWindowPrevious = 1021,
  kSpriteWindowPreviousAlt = 1022,
  kSpriteWindowNext = 1027,
  kSpriteWindowNamedButton = 2013,
  kAnimDisableButtons = 2018,
  kAnimEnableButtons = 2019,
};

class KSpriteWindow : public TWindow {
  T_WINDOW_CLASS(KSpriteWindow, TWindow)

public:
  using SpriteMap = std::map<str, boost::shared_ptr<TSprite>>;

  KSpriteWindow();
  ~KSpriteWindow() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* msg) override;
  bool Animate() override;
  bool OnMouseDown(const TPoint& point) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;

  // The queue has finished: count down and wake the script.
  void OnQueueFinished();

  boost::shared_ptr<TSprite> GetSprite(const str& name) const;
  // -1 (and nothing added) when parentName names no sprite or the name is in use; otherwise
  // the sprite's own layer.
  int AddSprite(const boost::shared_ptr<TSprite>& sprite, const str& name, int layer,
                const str& parentName);
  boost::shared_ptr<TSprite> RemoveSprite(const str& name);
  boost::shared_ptr<TTexture> LoadSpriteTexture(const str& name);

  TScript* GetScript() const { return mScript.get(); }
  TSprite* GetRootSprite() const { return mRoot.get(); }
  KAnimQueue* GetQueue() const { return mQueue; }
  KAnimMultiple* GetOpenGroup() const { return mGroup; }
  bool IsStartPending() const { return mStartPending; }
  TLuaParticleSystem& GetParticles() { return mParticles; }
  const KSPriteParticleFunc& GetLocus() const { return mLocus; }
  const str& GetFollowSprite() const { return mFollowSprite; }
  bool AreMapAnimsActive() const { return mMapAnimsActive; }
  const SpriteMap& GetSprites() const { return mSprites; }

  // The script functions (bound by Init; see KSpriteWindowBindings.cpp).
  void RunAnimScript(str file);
  int AddTextureSprite(str name, str texture, int layer, str parent);
  int AddEmptySprite(str name, int layer, str parent);
  int AddColorSprite(str name, int layer, float width, float height, TLuaTable* colour, str parent);
  int AddTextSprite(str name, TLuaTable* description, int layer, str parent);
  void SetSpriteLocX(str name, float x);
  void SetSpriteLocY(str name, float y);
  void SetSpriteLoc(str name, float x, float y);
  void SetSpriteOpacity(str name, float opacity);
  void SetSpriteScale(str name, float sx, float sy);
  void SetSpriteDimmensions(str name, float width, float height);
  void SetSpriteRotationRadians(str name, float angle);
  void SetSpriteRotationDegrees(str name, float degrees);
  void SetSpriteAnchorPoint(str name, float x, float y);
  void CenterRegisterInPlace(str name);
  void ResetSprite(str name);
  void SetSpriteBlur(str name, int radius);
  void SetSpriteMask(str name, str mask);
  bool IsSpriteExist(str name);
  bool RemoveSpriteByName(str name);
  void AddMoveAnim(str name, int ms, float fromX, float fromY, float toX, float toY, str ease);
  void AddScaleAnim(str name, int ms, float fromX, float fromY, float toX, float toY, str ease);
  void AddRotationAnim(str name, int ms, float from, float to, str ease);
  void AddBlendAnim(str name, int ms, float from, float to, str ease);
  void AddTimer(int ms);
  void AddStartSound(str sound, int group, bool option, bool music, int fade, bool wait);
  void AddStopSound(int group, int fade, bool wait);
  void StartMulti();
  void EndMulti();
  void StartQueue();
  void ShowButton(str name);
  void HideButton(str name);
  void SetButtonPosition(str name, float x, float y);
  void CreateButton(str table, str button);
  void DoModal(str file);
  void CloseWindow();
  void BlackenWindow();
  void DeactivateWindow();
  void ActivateMapButtonAnims();
  void DeActivateMapButtonAnims();
  void SendGameMessage(str text);
  void AddParticleSystem(str file, str follow);
  void SetParticleLoc(float x, float y);
  void StartParticleSystem();
  void StopParticleSystem();

private:
  void BindScriptFunctions();
  void ResumeStep();
  // Into the open group, else the queue; the creating reference is dropped.
  void AppendStep(KAnimProcess* step);
  void HideNamedButton(const str& name);
  // The named sprite; a name that finds none is logged with the script function given it,
  // since the function then does nothing.
  boost::shared_ptr<TSprite> NamedSprite(const char* function, const str& name) const;
  // A step of the named sprite from one value to another, appended; null when no sprite has
  // the name. The returned step is held by the queue or group.
  template <template <class> class Step, class V>
  Step<boost::shared_ptr<TSprite>>* AppendSpriteStep(const char* function, const str& name, int ms,
                                                     const V& from, const V& to, const str& ease);

  std::unique_ptr<TScript> mScript;
  boost::shared_ptr<TSprite> mRoot;
  str mScriptFile;
  SpriteMap mSprites;
  KAnimQueue* mQueue = nullptr;
  bool mStartPending = false;
  KAnimMultiple* mGroup = nullptr;
  TLuaParticleSystem mParticles;
  KSPriteParticleFunc mLocus;
  str mFollowSprite;
  bool mMapAnimsActive = false;
  // Told by the queue; it outlives the window when the queue is still held elsewhere, and
  // then tells nobody.
  KSpriteWindowListener* mListener = nullptr;
};
