#include "game/shell/ScriptUtilities.h"

#include "anim/KAnimSound.h"
#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "game/shell/QMGameManager.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/LuaApi.h"
#include "script/LuaAux.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "window/TImage.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

const char kArrowCursor[] = "cursor/cursor";
const char kCrosshairCursor[] = "cursor/crosshair";

namespace {

bool gScriptDebug = false;

TModalWindow* TopModalWindow() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  return top && top->IsKindOf(TModalWindow::GetClassId()) ? static_cast<TModalWindow*>(top)
                                                          : nullptr;
}

void RuntimeSettingsFromTable(TLuaTable* t) {
  QMRuntimeSettings& s = RuntimeSettings();
  // Every key missing from the table takes its default, not its previous value.
  s = QMRuntimeSettings();
  if (!t) return;
  s.disableSave = t->GetBool("DisableSave", false);
  s.disableRestore = t->GetBool("DisableRestore", false);
  s.navigation = t->GetBool("Navigation", false);
  s.searchSprites = t->GetBool("SearchSprites", false);
  s.disappearingItems = t->GetBool("DisappearingItems", true);
  s.debugMode = t->GetBool("DebugMode", false);
}

}  // namespace

QMRuntimeSettings& RuntimeSettings() {
  static QMRuntimeSettings settings;
  return settings;
}

float NominalAnimationSoundLevel() {
  QMGameManager* g = QMGameManager::Instance();
  return (g ? g->GetSoundLevel() : 750) / 1000.0f;
}

void SetCursorImage(const char* cursor) {
  TPlatform* p = TPlatform::Instance();
  if (!p || cursor == p->GetData()->mCursorName) return;
  p->GetData()->mCursorName = cursor;
  boost::shared_ptr<TTexture> texture = TTexture::Get(cursor);
  // The arrow points with its tip; a crosshair aims with its middle.
  int hotX = 0, hotY = 0;
  if (texture && cursor == kCrosshairCursor) {
    hotX = texture->GetWidth() / 2;
    hotY = texture->GetHeight() / 2;
  }
  p->SetCursor(texture, hotX, hotY, false);
}

QMSoundFader::QMSoundFader(float durationMs)
    : mDuration(durationMs), mClockOwner(TopModalWindow()) {
  SetTimer(10, true, true, false);
  mLastPlatformTime = Now();
}

float QMSoundFader::FadeNow() {
  const uint32_t platformNow = Now();
  if (TWindow* owner = mClockOwner.Get()) {
    mLastModalTime = static_cast<TModalWindow*>(owner)->GetClock().GetTime();
    mLastPlatformTime = platformNow;
    return static_cast<float>(mLastModalTime);
  }
  return static_cast<float>(mLastModalTime + (platformNow - mLastPlatformTime));
}

void QMSoundFader::Finish() {
  if (TSoundManager* sound = TPlatform::InstanceSoundManager()) {
    sound->StopAll(kGroup);
    // Faders that overlap each found a lowered volume: the group returns to its nominal
    // level, not to whatever volume a fader happened to start from.
    sound->SetGroupVolume(kGroup, NominalAnimationSoundLevel());
  }
}

bool QMSoundFader::Animate() {
  TSoundManager* sound = TPlatform::InstanceSoundManager();
  if (!sound) return false;
  const float now = FadeNow();
  if (!mStarted) {
    mStart = now;
    mInitial = sound->GetVolume(kGroup);
    if (!(mInitial > 0.0f)) return false;
    if (!(mDuration > 0.0f)) {
      Finish();
      return false;
    }
    mStarted = true;
    return true;
  }
  const float t = (now - mStart) / mDuration;
  if (t < 1.0f) {
    sound->SetGroupVolume(kGroup, (1.0f - t) * mInitial);
    return true;
  }
  Finish();
  return false;
}

LuaDataState::LuaDataState() : mState(lua_open()) {}

LuaDataState::~LuaDataState() {
  if (mState) lua_close(mState);
}

bool LuaDataState::LoadTable(const str& path) {
  if (!mState) return false;
  lua_settop(mState, 0);
  if (luaL_loadfile(mState, path.CStr()) != 0 || lua_pcall(mState, 0, LUA_MULTRET, 0) != 0) {
    const char* error = lua_tostring(mState, -1);
    EngineLog("Data file %s not read: %s", path.CStr(), error ? error : "");
    lua_settop(mState, 0);
    return false;
  }
  if (lua_gettop(mState) > 0 && lua_istable(mState, -1)) return true;
  EngineLog("Data file %s does not give a table", path.CStr());
  return false;
}

void KillAllKAnimSounds() {
  if (TSoundManager* sound = TPlatform::InstanceSoundManager())
    sound->StopAll(QMSoundFader::kGroup);
}

void FadeAllKAnimSounds(int durationMs) {
  TPlatform* p = TPlatform::Instance();
  if (p) p->AddTask(new QMSoundFader(static_cast<float>(durationMs)));
}

void SetScriptDebugMode(bool on) { gScriptDebug = on; }

bool GetScriptDebugMode() {
  const bool on = gScriptDebug;
  gScriptDebug = false;
  return on;
}

void SetPreferenceString(const str& key, const str& value) {
  if (QMGameManager* g = QMGameManager::Instance()) g->GetPrefs().SetString(key, value, -1, true);
}

str GetPreferenceString(const str& key) {
  QMGameManager* g = QMGameManager::Instance();
  return g ? g->GetPrefs().GetString(key, "", -1) : str();
}

void BlackenWindow() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* screen = wm ? wm->GetRoot() : nullptr;
  TWindow* root = screen ? screen->FindChild("root", -1) : nullptr;
  if (!root || !root->IsKindOf(TImage::GetClassId())) return;
  TRect r;
  root->GetClientRect(r);
  boost::shared_ptr<TTexture> black = TTexture::Create(r.Width(), r.Height(), false);
  TRenderer* renderer = TRenderer::Instance();
  if (black && renderer) {
    renderer->FillRect(TRect(0, 0, r.Width(), r.Height()), TColor(0, 0, 0, 1), black);
    static_cast<TImage*>(root)->SetTexture(black, 1.0f);
  }
  root->DeleteChildren();
}

void ResetUser() {
  if (QMGameManager* g = QMGameManager::Instance()) g->ResetUser();
}

void ExitGame() {
  if (TPlatform* p = TPlatform::Instance()) p->PostQuit(0);
}

void PlayGlobalSound(const str& name) {
  boost::shared_ptr<TSound> sound = TSound::Get(name, false, 1000);
  // Nothing keeps the sound once this returns: the playing instance holds it to its end.
  if (!sound) return;
  if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false)) playing->HoldSoundUntilEnd();
}

void SetArrowCursor() { SetCursorImage(kArrowCursor); }

void PauseSoundInstanceById(const str& id, bool pause) {
  if (boost::shared_ptr<TSoundInstance> instance = KAnimSound::FindInstance(id))
    instance->SetPaused(pause);
}

bool FileExistsForScript(const str& name) {
  TFile* file = FileOpen(name.CStr(), kFileReadText);
  if (!file) return false;
  FileClose(file);
  return true;
}

namespace {
void RuntimeSettingsBinding(TLuaTable* t) { RuntimeSettingsFromTable(t); }
}  // namespace

void RegisterScriptUtilities(lua_State* L) {
  BindFunction(L, "KillAllKAnimSounds", &KillAllKAnimSounds);
  BindFunction(L, "FadeAllKAnimSounds", &FadeAllKAnimSounds);
  BindFunction(L, "SetScriptDebugMode", &SetScriptDebugMode);
  BindFunction(L, "GetScriptDebugMode", &GetScriptDebugMode);
  BindFunction(L, "SetPreferenceString", &SetPreferenceString);
  BindFunction(L, "GetPreferenceString", &GetPreferenceString);
  BindFunction(L, "BlackenWindow", &BlackenWindow);
  BindFunction(L, "RuntimeSettings", &RuntimeSettingsBinding);
  BindFunction(L, "ResetUser", &ResetUser);
  BindFunction(L, "Exit", &ExitGame);
  BindFunction(L, "PlayGlobalSound", &PlayGlobalSound);
  BindFunction(L, "SetArrowCursor", &SetArrowCursor);
  BindFunction(L, "fileExists", &FileExistsForScript);
  BindFunction(L, "PauseSoundInstancebyID", &PauseSoundInstanceById);
}
