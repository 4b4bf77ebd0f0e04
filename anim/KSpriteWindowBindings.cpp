// The script functions of a sprite window: globals of its own Lua state, each checking that
// the window is still alive before it reaches it.
#include <cfloat>
#include <cmath>

#include "anim/AnimOverKSpriteWindow.h"
#include "anim/ISpriteWindowGame.h"
#include "anim/KAnimBias.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "anim/KFilter.h"
#include "anim/KSpriteWindow.h"
#include "anim/TTextSprite.h"
#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TMat3.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TScript.h"
#include "sound/TSound.h"
#include "window/IScriptHost.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

// The single-precision value of pi, as the scripts' degrees have always been converted.
constexpr double kPi = 3.1415927410125732;

KAnimBias* MakeSpriteWindowEase(const str& name) {
  if (name.IsEmpty()) return nullptr;
  if (name == str("sinIn")) return new KEaseInSineBias();
  if (name == str("sinOut")) return new KEaseOutSine();
  if (name == str("powerIn")) return new KEaseInPower(3.0f);
  if (name == str("powerOut")) return new KEaseOutPower(3.0f);
  return new KEaseInEaseOutSineBias();
}

template <class Step>
void Configure(Step* step, int ms, const str& ease) {
  step->SetDuration(static_cast<float>(ms));
  if (KAnimBias* bias = MakeSpriteWindowEase(ease)) {
    step->SetBias(bias);
    KReleaseRef(bias);
  }
}

// Replaces the rotation rows of the transform; an earlier scale goes with them, the position
// stays.
void SetRotation(TSprite& sprite, float angle) {
  TMat3& m = sprite.GetDrawState().transform;
  const TMat3 r = TMat3::Rotation(angle);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 3; ++col) m(row, col) = r(row, col);
}

// A transform axis at most this long has been shrunk to nothing: a zero scale stands as the
// single-precision epsilon times the sprite's earlier scale.
constexpr float kNothing = FLT_EPSILON * 1024.0f;

bool IsTable(TLuaTable* value) {
  if (!value) return false;
  lua_State* L = value->GetState();
  value->Push(L);
  const bool table = lua_istable(L, -1);
  lua_pop(L, 1);
  return table;
}

}  // namespace

void KSpriteWindow::BindScriptFunctions() {
  lua_State* L = mScript->GetState();
  BindWindowMethod(L, "_AddTextureSprite", this, &KSpriteWindow::AddTextureSprite);
  BindWindowMethod(L, "_AddSprite", this, &KSpriteWindow::AddEmptySprite);
  BindWindowMethod(L, "_AddColorSprite", this, &KSpriteWindow::AddColorSprite);
  BindWindowMethod(L, "_AddTextSprite", this, &KSpriteWindow::AddTextSprite);
  BindWindowMethod(L, "_SetSpriteLocX", this, &KSpriteWindow::SetSpriteLocX);
  BindWindowMethod(L, "_SetSpriteLocY", this, &KSpriteWindow::SetSpriteLocY);
  BindWindowMethod(L, "_SetSpriteLoc", this, &KSpriteWindow::SetSpriteLoc);
  BindWindowMethod(L, "_SetSpriteOpacity", this, &KSpriteWindow::SetSpriteOpacity);
  BindWindowMethod(L, "_SetSpriteScale", this, &KSpriteWindow::SetSpriteScale);
  BindWindowMethod(L, "_SetSpriteDimmensions", this, &KSpriteWindow::SetSpriteDimmensions);
  BindWindowMethod(L, "_SetSpriteRotationRadians", this, &KSpriteWindow::SetSpriteRotationRadians);
  BindWindowMethod(L, "_SetSpriteRotationDegrees", this, &KSpriteWindow::SetSpriteRotationDegrees);
  BindWindowMethod(L, "_SetSpriteAnchorPoint", this, &KSpriteWindow::SetSpriteAnchorPoint);
  BindWindowMethod(L, "CenterRegisterInPlace", this, &KSpriteWindow::CenterRegisterInPlace);
  BindWindowMethod(L, "ResetSprite", this, &KSpriteWindow::ResetSprite);
  BindWindowMethod(L, "SetSpriteBlur", this, &KSpriteWindow::SetSpriteBlur);
  BindWindowMethod(L, "SetSpriteMask", this, &KSpriteWindow::SetSpriteMask);
  BindWindowMethod(L, "IsSpriteExist", this, &KSpriteWindow::IsSpriteExist);
  BindWindowMethod(L, "_RemoveSprite", this, &KSpriteWindow::RemoveSpriteByName);
  BindWindowMethod(L, "_AddMoveAnim", this, &KSpriteWindow::AddMoveAnim);
  BindWindowMethod(L, "_AddScaleAnim", this, &KSpriteWindow::AddScaleAnim);
  BindWindowMethod(L, "_AddRotationAnim", this, &KSpriteWindow::AddRotationAnim);
  BindWindowMethod(L, "_AddBlendAnim", this, &KSpriteWindow::AddBlendAnim);
  BindWindowMethod(L, "_AddTimer", this, &KSpriteWindow::AddTimer);
  BindWindowMethod(L, "_AddStartSound", this, &KSpriteWindow::AddStartSound);
  BindWindowMethod(L, "_AddStopSound", this, &KSpriteWindow::AddStopSound);
  BindWindowMethod(L, "StartMulti", this, &KSpriteWindow::StartMulti);
  BindWindowMethod(L, "EndMulti", this, &KSpriteWindow::EndMulti);
  BindWindowMethod(L, "_Start", this, &KSpriteWindow::StartQueue);
  BindWindowMethod(L, "ShowButton", this, &KSpriteWindow::ShowButton);
  BindWindowMethod(L, "HideButton", this, &KSpriteWindow::HideButton);
  BindWindowMethod(L, "SetButtonPosition", this, &KSpriteWindow::SetButtonPosition);
  BindWindowMethod(L, "CreateButton", this, &KSpriteWindow::CreateButton);
  BindWindowMethod(L, "DoModal", this, &KSpriteWindow::DoModal);
  BindWindowMethod(L, "CloseWindow", this, &KSpriteWindow::CloseWindow);
  BindWindowMethod(L, "BlackenWindow", this, &KSpriteWindow::BlackenWindow);
  BindWindowMethod(L, "DeactivateWindow", this, &KSpriteWindow::DeactivateWindow);
  BindWindowMethod(L, "ActivateMapButtonAnims", this, &KSpriteWindow::ActivateMapButtonAnims);
  BindWindowMethod(L, "DeActivateMapButtonAnims", this, &KSpriteWindow::DeActivateMapButtonAnims);
  BindWindowMethod(L, "SendGameMessage", this, &KSpriteWindow::SendGameMessage);
  BindWindowMethod(L, "AddParticleSystem", this, &KSpriteWindow::AddParticleSystem);
  BindWindowMethod(L, "SetParticleLoc", this, &KSpriteWindow::SetParticleLoc);
  BindWindowMethod(L, "StartParticleSystem", this, &KSpriteWindow::StartParticleSystem);
  BindWindowMethod(L, "StopParticleSystem", this, &KSpriteWindow::StopParticleSystem);
}

int KSpriteWindow::AddTextureSprite(str name, str texture, int layer, str parent) {
  boost::shared_ptr<TTexture> t = LoadSpriteTexture(texture);
  boost::shared_ptr<TSprite> sprite = TSprite::Create(layer, t);
  sprite->SetTexture(t);
  return AddSprite(sprite, name, layer, parent);
}

int KSpriteWindow::AddEmptySprite(str name, int layer, str parent) {
  return AddSprite(TSprite::Create(layer), name, layer, parent);
}

int KSpriteWindow::AddColorSprite(str name, int layer, float width, float height, TLuaTable* colour,
                                  str parent) {
  float c[4] = {0, 0, 0, 0};
  if (IsTable(colour))
    for (int i = 0; i < 4; ++i) c[i] = static_cast<float>(colour->GetNumberAt(i + 1, 0));
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  boost::shared_ptr<TTexture> texture;
  if (w > 0 && h > 0) texture = TTexture::Create(w, h, true);
  TRenderer* renderer = TRenderer::Instance();
  if (texture && renderer)
    renderer->FillRect(TRect(0, 0, w, h), TColor(c[0], c[1], c[2], c[3]), texture);
  return AddSprite(TSprite::Create(layer, texture), name, layer, parent);
}

int KSpriteWindow::AddTextSprite(str name, TLuaTable* description, int layer, str parent) {
  // Anything but a table describes no text.
  if (!IsTable(description)) return -1;
  boost::shared_ptr<TSprite> sprite = CreateTextSprite(*description);
  return AddSprite(sprite, name, layer, parent);
}

boost::shared_ptr<TSprite> KSpriteWindow::NamedSprite(const char* function, const str& name) const {
  boost::shared_ptr<TSprite> sprite = GetSprite(name);
  if (!sprite)
    EngineLog("Sprite window \"%s\": %s: no sprite named \"%s\"", GetName().CStr(), function,
              name.CStr());
  return sprite;
}

void KSpriteWindow::SetSpriteLocX(str name, float x) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteLocX", name))
    s->GetDrawState().transform(2, 0) = x;
}

void KSpriteWindow::SetSpriteLocY(str name, float y) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteLocY", name))
    s->GetDrawState().transform(2, 1) = y;
}

void KSpriteWindow::SetSpriteLoc(str name, float x, float y) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteLoc", name)) {
    s->GetDrawState().transform(2, 0) = x;
    s->GetDrawState().transform(2, 1) = y;
  }
}

void KSpriteWindow::SetSpriteOpacity(str name, float opacity) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteOpacity", name))
    s->GetDrawState().alpha = opacity;
}

void KSpriteWindow::SetSpriteScale(str name, float sx, float sy) {
  // Shrunk to (nearly) nothing rather than to a transform no later scale can bring back.
  const TVec2 scale = KNonZeroScale(TVec2(sx, sy));
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteScale", name))
    s->GetDrawState().transform.Scale(scale.x, scale.y);
}

void KSpriteWindow::SetSpriteDimmensions(str name, float width, float height) {
  boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteDimmensions", name);
  if (!s || !s->GetTexture()) return;
  const float tw = static_cast<float>(s->GetTexture()->GetWidth());
  const float th = static_cast<float>(s->GetTexture()->GetHeight());
  if (tw <= 0 || th <= 0) return;
  SetSpriteScale(name, width / tw, height / th);
}

void KSpriteWindow::SetSpriteRotationRadians(str name, float angle) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteRotationRadians", name))
    SetRotation(*s, angle);
}

void KSpriteWindow::SetSpriteRotationDegrees(str name, float degrees) {
  if (boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteRotationDegrees", name))
    SetRotation(*s, static_cast<float>(degrees * kPi / 180.0));
}

void KSpriteWindow::SetSpriteAnchorPoint(str name, float x, float y) {
  boost::shared_ptr<TSprite> s = NamedSprite("_SetSpriteAnchorPoint", name);
  if (!s) return;
  s->GetDrawState().origin = TVec2(x, y);
  s->GetDrawState().flags |= 8;
}

void KSpriteWindow::CenterRegisterInPlace(str name) {
  boost::shared_ptr<TSprite> s = NamedSprite("CenterRegisterInPlace", name);
  if (!s || !s->GetTexture()) return;
  TSpriteDrawState& d = s->GetDrawState();
  const TVec2 origin(s->GetTexture()->GetWidth() * 0.5f, s->GetTexture()->GetHeight() * 0.5f);
  d.transform(2, 0) += origin.x - d.origin.x;
  d.transform(2, 1) += origin.y - d.origin.y;
  d.origin = origin;
}

void KSpriteWindow::ResetSprite(str name) {
  boost::shared_ptr<TSprite> s = NamedSprite("ResetSprite", name);
  if (!s) return;
  s->GetDrawState().alpha = 1.0f;
  s->GetDrawState().transform = TMat3();
}

void KSpriteWindow::SetSpriteBlur(str name, int radius) {
  boost::shared_ptr<TSprite> s = NamedSprite("SetSpriteBlur", name);
  if (!s || !s->GetTexture()) return;
  KBlur* blur = new KBlur(static_cast<float>(radius));
  boost::shared_ptr<TTexture> blurred = FilteredCopy(blur, s->GetTexture());
  KReleaseRef(blur);
  if (blurred) s->SetTexture(blurred);
}

void KSpriteWindow::SetSpriteMask(str name, str maskName) {
  boost::shared_ptr<TSprite> s = NamedSprite("SetSpriteMask", name);
  boost::shared_ptr<TTexture> mask = TTexture::Get(maskName, 0);
  if (!s || !s->GetTexture() || !mask || !mask->HasAlpha()) return;
  TRenderer* r = TRenderer::Instance();
  if (!r || !r->BeginRenderTarget(mask, 4)) return;
  {
    TScoped2d in2d;
    boost::shared_ptr<TTexture> t = s->GetTexture();
    TSpriteDrawState state;
    state.transform(2, 0) = static_cast<float>(t->GetWidth() >> 1);
    state.transform(2, 1) = static_cast<float>(t->GetHeight() >> 1);
    boost::shared_ptr<TSprite> once = TSprite::Create(0, t);
    once->Draw(state, 0);
  }
  r->EndRenderTarget();
}

bool KSpriteWindow::IsSpriteExist(str name) { return mSprites.count(name) != 0; }

bool KSpriteWindow::RemoveSpriteByName(str name) {
  auto it = mSprites.find(name);
  if (it == mSprites.end()) return false;
  boost::shared_ptr<TSprite> sprite = it->second;
  if (TSprite* parent = sprite->GetParent()) parent->RemoveChild(sprite);
  mSprites.erase(it);
  return true;
}

void KSpriteWindow::AppendStep(KAnimProcess* step) {
  if (mGroup)
    mGroup->Add(step);
  else
    mQueue->Add(step);
  KReleaseRef(step);
}

template <template <class> class Step, class V>
Step<KSpritePtr>* KSpriteWindow::AppendSpriteStep(const char* function, const str& name, int ms,
                                                  const V& from, const V& to, const str& ease) {
  boost::shared_ptr<TSprite> s = NamedSprite(function, name);
  if (!s) return nullptr;
  auto* step = new Step<KSpritePtr>(s, from, to);
  Configure(step, ms, ease);
  AppendStep(step);
  return step;
}

void KSpriteWindow::AddMoveAnim(str name, int ms, float fromX, float fromY, float toX, float toY,
                                str ease) {
  // The queue holds the step now; the pointer is only used to set its tick.
  if (auto* step = AppendSpriteStep<KAnimMove>("_AddMoveAnim", name, ms, TVec2(fromX, fromY),
                                               TVec2(toX, toY), ease))
    step->SetTimer(10, true, true, false);
}

void KSpriteWindow::AddScaleAnim(str name, int ms, float fromX, float fromY, float toX, float toY,
                                 str ease) {
  auto* step = AppendSpriteStep<KAnimScale>("_AddScaleAnim", name, ms, TVec2(fromX, fromY),
                                            TVec2(toX, toY), ease);
  if (!step) return;
  // The step undoes its start value first. A start of zero is where the sprite stands only
  // when it was shrunk to nothing; from its own size it grows from nothing to `to` of that
  // size, rather than to `to` over the epsilon that stands in for zero.
  const TMat3& m = GetSprite(name)->GetDrawState().transform;
  auto standing = [&](float from, int row) {
    return from == 0.0f && std::hypot(m(row, 0), m(row, 1)) > kNothing;
  };
  TVec2 current = step->GetCurrent();
  if (standing(fromX, 0)) current.x = 1.0f;
  if (standing(fromY, 1)) current.y = 1.0f;
  step->SetCurrent(current);
}

void KSpriteWindow::AddRotationAnim(str name, int ms, float from, float to, str ease) {
  AppendSpriteStep<KAnimRotate>("_AddRotationAnim", name, ms, from, to, ease);
}

void KSpriteWindow::AddBlendAnim(str name, int ms, float from, float to, str ease) {
  AppendSpriteStep<KAnimOpacity>("_AddBlendAnim", name, ms, from, to, ease);
}

void KSpriteWindow::AddTimer(int ms) {
  AppendStep(new KAnimTimer<TAnimTask>(static_cast<uint32_t>(ms < 0 ? 0 : ms)));
}

void KSpriteWindow::AddStartSound(str sound, int group, bool option, bool music, int fade,
                                  bool wait) {
  if (sound.IsEmpty()) return;
  if (group < 1003) group += 1003;
  ISpriteWindowGame* game = ISpriteWindowGame::Get();
  float level =
      static_cast<float>((music ? game->GetMusicLevel() : game->GetSoundLevel()) / 1000.0);
  if (level > 1.0f) level = 1.0f;
  // Without a fade the group is set to the player's level first, so the sound starts at it;
  // left alone it would play at whatever the group had.
  if (fade <= 0) AppendStep(new KAnimSoundFader(group, level, level, 0));
  AppendStep(new KAnimSound(TSound::Get(sound, option, group), music, str()));
  if (fade > 0) {
    AppendStep(new KAnimSoundFader(group, 0.0f, level, static_cast<uint32_t>(fade)));
    if (wait) AddTimer(fade);
  }
}

void KSpriteWindow::AddStopSound(int group, int fade, bool wait) {
  if (group < 1003) group += 1003;
  if (fade == 0) fade = 5;
  if (fade < 0) fade = 0;
  AppendStep(new KAnimSoundFader(group, -1.0f, 0.0f, static_cast<uint32_t>(fade)));
  if (wait) AddTimer(fade);
}

void KSpriteWindow::StartMulti() {
  if (!mGroup) mGroup = new KAnimMultiple();
}

void KSpriteWindow::EndMulti() {
  if (!mGroup) return;
  KAnimMultiple* group = mGroup;
  mGroup = nullptr;
  mQueue->Add(group);
  KReleaseRef(group);
}

void KSpriteWindow::StartQueue() { mStartPending = true; }

void KSpriteWindow::ShowButton(str name) {
  if (TButton* button = WindowCast<TButton>(FindChild(name, -1)))
    button->SetFlags(button->GetFlags() | kWindowShown);
}

void KSpriteWindow::HideButton(str name) { HideNamedButton(name); }

void KSpriteWindow::SetButtonPosition(str name, float x, float y) {
  if (TWindow* w = FindChild(name, -1)) w->SetPosition(static_cast<int>(x), static_cast<int>(y));
}

void KSpriteWindow::CreateButton(str table, str button) {
  TWindowManager* manager = TWindowManager::Instance();
  if (!manager) return;
  manager->RunScriptString(
      manager->GetTopModal(),
      str::Format("%s.name = '%s'  newTable = {} table.insert(newTable, Button(%s)) "
                  "MakeDialog(newTable)",
                  table.CStr(), button.CStr(), table.CStr()));
  TWindow* top = manager->GetTopModal();
  TWindow* made = top ? top->FindChild(button, -1) : nullptr;
  if (!made || made == this) return;
  TWindow* owner = made->GetParent();
  if (!owner) return;
  std::unique_ptr<TWindow> moved = owner->RemoveChild(made);
  if (moved) AddChild(std::move(moved), true);
}

void KSpriteWindow::DoModal(str file) {
  TWindowManager* manager = TWindowManager::Instance();
  if (!manager) return;
  manager->PushModal(std::make_unique<TModalWindow>());
  TWindow* top = manager->GetTopModal();
  if (!top) return;
  top->SetName(file);
  TWindowHandle modal(top);
  if (manager->RunScriptFile(top, file)) return;
  // A dialog that could not be built would be an empty window over the screen that nothing
  // closes: it goes again.
  if (!FileExists(file))
    EngineLog("Sprite window \"%s\": cannot find dialog script \"%s\"", GetName().CStr(),
              file.CStr());
  if (modal) manager->DoPopModal(modal->GetIdString());
}

void KSpriteWindow::CloseWindow() {
  mParticles.InitScript();
  TWindowManager* manager = TWindowManager::Instance();
  TWindow* parent = GetParent();
  if (!manager || !parent) return;
  if (parent->IsKindOf(TModalWindow::GetClassId())) {
    manager->DoPopModal(parent->GetName());
    return;
  }
  // Laid out inside another window: the screen to close is the modal window holding it, which
  // a name of a window that is not modal would never reach.
  if (TModalWindow* modal = GetModalParent()) manager->DoPopModal(modal->GetIdString());
}

void KSpriteWindow::BlackenWindow() { ISpriteWindowGame::Get()->BlackenWindow(); }

void KSpriteWindow::DeactivateWindow() {
  mSprites.clear();
  mRoot->RemoveAllChildren();
  SetFlags(GetFlags() & ~kWindowShown);
}

void KSpriteWindow::SendGameMessage(str text) {
  TWindowManager* manager = TWindowManager::Instance();
  if (!manager) return;
  if (text == str("enableButtons"))
    manager->PostMessage(new TMessage(kAnimEnableButtons, "Enable Buttons from Anim"));
  else if (text == str("disableButtons"))
    manager->PostMessage(new TMessage(kAnimDisableButtons, "Disable Buttons from Anim"));
}

void KSpriteWindow::AddParticleSystem(str file, str follow) {
  mParticles.DefineMember("dLocus", &mLocus);
  mParticles.Load(file);
  mFollowSprite = follow;
  if (TScript* script = mParticles.GetScript()) script->DoLuaString("gActive = true");
}

void KSpriteWindow::SetParticleLoc(float x, float y) { mLocus.SetPoint(TVec2(x, y)); }

void KSpriteWindow::StartParticleSystem() {
  if (TScript* script = mParticles.GetScript()) script->DoLuaString("gActive = true");
}

void KSpriteWindow::StopParticleSystem() {
  if (TScript* script = mParticles.GetScript()) script->DoLuaString("gActive = false");
}
