#include "game/shell/TOptions.h"

#include "core/TPlatform.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/SoundGroups.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "sound/TSoundManager.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TSlider.h"

namespace {

const char kEffectsSlider[] = "sfxlevelslider";
const char kMusicSlider[] = "musiclevelslider";
const char kTestSound[] = "audio/sfx/sfx_testSound.ogg";
constexpr int kDefaultLevel = 750;

// The effects slider drives the plain, effects and animation groups; music its own.
constexpr int32_t kEffectsGroups[] = {1000, 1003, 0};

int UserInt(const char* key, int defaultValue) {
  QMGameManager* game = QMGameManager::Instance();
  return game ? game->GetPrefs().GetInt(key, defaultValue, game->GetCurrentUser()) : defaultValue;
}

void StoreUserLevel(const char* key, float value) {
  QMGameManager* game = QMGameManager::Instance();
  if (game)
    game->GetPrefs().SetInt(key, static_cast<int>(static_cast<double>(value) * 1000.0),
                            game->GetCurrentUser(), true);
}

}  // namespace

TOptions::TOptions() { BindScriptFunctions(); }

// A playing test sound is left to finish.
TOptions::~TOptions() = default;

TSlider* TOptions::FindSlider(const char* name) {
  TWindow* w = FindChild(name, -1);
  return w && w->IsKindOf(TSlider::GetClassId()) ? static_cast<TSlider*>(w) : nullptr;
}

void TOptions::PostCreate(TWindowStyle&) {
  TWindow* full = FindChild("fullscreen", -1);
  if (full && full->IsKindOf(TButton::GetClassId())) {
    TPlatform* p = TPlatform::Instance();
    static_cast<TButton*>(full)->SetToggleState(p && p->IsFullScreen());
  }
  TWindow* mute = FindChild("mutebox", -1);
  if (mute && mute->IsKindOf(TButton::GetClassId()))
    static_cast<TButton*>(mute)->SetToggleState(UserInt("soundoff", 0) != 1);
  RestoreVolumes();
}

bool TOptions::OnMessage(TMessage* message) {
  const bool effects = message->GetName() == kEffectsSlider;
  const bool music = message->GetName() == kMusicSlider;
  if (!effects && !music) return false;
  if (message->GetId() == kSliderValChanged) {
    TSlider* slider = FindSlider(effects ? kEffectsSlider : kMusicSlider);
    TSoundManager* sound = TPlatform::InstanceSoundManager();
    if (slider && sound) {
      if (effects) {
        for (int32_t group : kEffectsGroups) sound->SetGroupVolume(group, slider->GetValue());
      } else {
        sound->SetGroupVolume(kMusicGroup, slider->GetValue());
      }
    }
    return true;
  }
  if (message->GetId() == kSliderMouseUp) {
    mTestSound = TSound::Get(kTestSound, false, effects ? kEffectsGroup : kMusicGroup);
    if (mTestSound)
      if (boost::shared_ptr<TSoundInstance> playing = mTestSound->Play(false))
        playing->HoldSoundUntilEnd();
  }
  return false;
}

void TOptions::RestoreVolumes() {
  // Not silent: the sliders report their values here, which applies the volumes at once.
  if (TSlider* effects = FindSlider(kEffectsSlider))
    effects->SetValue(UserInt("soundlevel", kDefaultLevel) / 1000.0f);
  if (TSlider* music = FindSlider(kMusicSlider))
    music->SetValue(UserInt("musiclevel", kDefaultLevel) / 1000.0f);
}

void TOptions::SaveVolumes() {
  if (TSlider* effects = FindSlider(kEffectsSlider))
    StoreUserLevel("soundlevel", effects->GetValue());
  if (TSlider* music = FindSlider(kMusicSlider)) StoreUserLevel("musiclevel", music->GetValue());
}
