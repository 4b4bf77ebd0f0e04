// The items of an arcade level: which entries a level asks for, where their pictures go, what a
// click finds, the found and hint animations, and the testing keys that walk the catalogue.
#include <algorithm>
#include <cmath>
#include <string>

#include "anim/KAnimBias.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimProperties.h"
#include "assets/TStringTable.h"
#include "core/CrtRandom.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/SceneCompositor.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "window/TImage.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

const TColor kLabelColour(0.43f, 1.0f, 0.67f, 1.0f);
const TColor kFlashRed(1.0f, 0.0f, 0.0f, 1.0f);
const TColor kFlashYellow(1.0f, 1.0f, 0.0f, 1.0f);
const TColor kFoundColour(1.0f, 1.0f, 1.0f, 0.5f);
constexpr float kFlashMs = 3000.0f;
constexpr float kFadeMs = 2000.0f;
constexpr int kMostGroups = 3;
constexpr uint32_t kSearchSpriteBorder = 0xFFFF0000u;

const char kPauseScript[] =
    "local id = makePanelWindow('scripts/runpause.lua', 'none');\t\t\t\t\t\t\t\t\t\t\t\t   "
    "WaitForCloseMessage(id);";

enum : int {
  kArcadeEscape = 27,
  kArcadeUp = -128,
  kArcadeDown = -127,
  kArcadeLeft = -126,
  kArcadeRight = -125,
};

str LabelText(const str& key) {
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  return strings ? strings->GetString(key, str(), str(), str(), str(), str()) : key;
}

// A group's label key: the group text, "_m" and the copies it counts.
str GroupLabel(const str& group, int copies) { return str::Format("%s_m%d", group.CStr(), copies); }

// The copies counted by a group label: the whole number after its last "_m".
int GroupCopies(const str& label) {
  const std::string text = label.CStr();
  const size_t at = text.rfind("_m");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 2);
}

// The group text of a group label (the label without its "_m" count).
std::string GroupOf(const str& label) {
  const std::string text = label.CStr();
  const size_t at = text.rfind("_m");
  return at == std::string::npos ? text : text.substr(0, at);
}

void AddStrikeOut(TText* text) {
  auto line = std::make_unique<TImage>();
  line->SetTexture(TTexture::Get("gameobjects/strikeout"), 1.0f);
  TRect bounds;
  text->GetTextBounds(bounds);
  line->SetSize(bounds.right - bounds.left + 1, text->GetHeight());
  text->AddChild(std::move(line), true);
}

template <class Target>
KAnimOpacity<Target>* MakeFade(Target target, float from, float to, KAnimBias* bias,
                               TClock* clock) {
  auto* fade = new KAnimOpacity<Target>(target, from, to);
  fade->SetDuration(kFadeMs);
  fade->SetBias(bias);
  if (clock) fade->SetClock(clock);
  return fade;
}

template <class Manager>
void AddTo(Manager* manager, KAnimProcess* process) {
  manager->Add(process);
  KReleaseRef(process);
}

void EngineLogMissingItem(const ArcadeSearchItem& item) {
  EngineLog("Arcade: item %s has no picture %s; it leaves the scene", item.name.CStr(),
            item.imageName.CStr());
}

}  // namespace

// Our own Fisher-Yates over the C-runtime rand, so a seed gives the same order everywhere.
void ShuffleArcadeItems(QMArcadeGame::ItemList& items) {
  for (size_t i = 1; i < items.size(); ++i) {
    const size_t j = static_cast<size_t>(CrtRand()) % (i + 1);
    std::swap(items[i], items[j]);
  }
}

boost::shared_ptr<TTexture> QMArcadeGame::GetAssetTexture(const str& name) {
  boost::shared_ptr<TTexture> texture;
  mAssets.GetTexture(texture, name);
  return texture;
}

void QMArcadeGame::WriteLabel(int slot, const str& key) {
  mEntryLabels[slot - 1] = key;
  TText* text = FindText(str::Format("SearchItem%d", slot));
  if (!text) return;
  text->DeleteChildren();
  text->SetText(LabelText(key));
  text->SetColor(kLabelColour);
}

void QMArcadeGame::ChooseMultiples(int& memberCount, int& groupCount) {
  memberCount = 0;
  groupCount = 0;
  ItemList* items = GetCurrentItems();
  if (!items) return;
  // Each group once, in the order of its first item; groups are compared whole.
  std::vector<str> candidates;
  for (const ItemPtr& item : *items)
    if (!item->groupText.IsEmpty() &&
        std::find(candidates.begin(), candidates.end(), item->groupText) == candidates.end())
      candidates.push_back(item->groupText);
  RealDraws draws(*this);
  for (size_t k = 0; groupCount < kMostGroups && k < candidates.size(); ++k) {
    const int roll = static_cast<int>(draws.Next() * 101.0);
    if (roll < 20) mGroupLabels[groupCount++] = GroupLabel(candidates[k], 0);
  }
  for (const ItemPtr& item : *items) {
    if (item->groupText.IsEmpty()) continue;
    for (int j = 0; j < groupCount; ++j) {
      if (GroupOf(mGroupLabels[j]) != item->groupText.CStr()) continue;
      item->state = kArcadeCopyInList;
      item->listSlot = j + 1;
      ++memberCount;
      mGroupLabels[j] = GroupLabel(item->groupText, GroupCopies(mGroupLabels[j]) + 1);
    }
  }
  for (int i = 0; i < groupCount; ++i) WriteLabel(i + 1, mGroupLabels[i]);
}

int QMArcadeGame::ChooseSingleItems(int count, int firstSlotOffset) {
  ItemList* items = GetCurrentItems();
  if (!items || count <= 0 || items->size() <= static_cast<size_t>(count)) return 0;
  int tries = 10;
  int picked = 0;
  while (picked < count) {
    --tries;
    ShuffleArcadeItems(*items);
    int taken = 0;
    for (const ItemPtr& item : *items) {
      if (item->InList() || item->excluded) continue;
      if (OverlapsChosen(*item) && tries >= 0) continue;
      item->listSlot = picked + firstSlotOffset + 1;
      item->state = kArcadeItemInList;
      WriteLabel(item->listSlot, item->name);
      ++picked;
      ++taken;
      if (picked == count) break;
    }
    // Once overlaps no longer refuse, a pass that takes nothing means the scene has no more
    // eligible items: the level has fewer entries rather than the choice never ending.
    if (taken == 0 && tries < 0) break;
  }
  std::sort(items->begin(), items->end(),
            [](const ItemPtr& a, const ItemPtr& b) { return a->index < b->index; });
  return picked;
}

void QMArcadeGame::ComputeRect(ArcadeSearchItem& item) {
  if (!item.RectUnset()) return;
  if (boost::shared_ptr<TTexture> texture = GetAssetTexture(item.imageName)) {
    item.left = item.x;
    item.top = item.y;
    item.right = item.x + texture->GetWidth();
    item.bottom = item.y + texture->GetHeight();
  } else {
    item.left = item.top = item.right = item.bottom = -1;
  }
}

bool QMArcadeGame::OverlapsChosen(ArcadeSearchItem& candidate) {
  const bool missing = candidate.RectMissing();
  ComputeRect(candidate);
  bool overlaps = missing;
  if (ItemList* items = GetCurrentItems()) {
    for (const ItemPtr& item : *items) {
      if (!item->InList() || item.get() == &candidate) continue;
      ComputeRect(*item);
      const ArcadeSearchItem& a = candidate;
      const ArcadeSearchItem& b = *item;
      if (!(a.left > b.right || a.top > b.bottom || b.left > a.right || b.top > a.bottom))
        overlaps = true;
    }
  }
  return overlaps;
}

boost::shared_ptr<TSprite> QMArcadeGame::MakeItemSprite(
    ArcadeSearchItem& item, const boost::shared_ptr<TTexture>& texture) {
  boost::shared_ptr<TSprite> sprite = TSprite::Create(item.layer + 1, texture);
  TVec2 position(item.x + texture->GetWidth() * 0.5f * mSceneScale.x,
                 item.y + texture->GetHeight() * 0.5f * mSceneScale.y);
  if (texture->GetFileName().Contains("_full")) position = TVec2(400.0f, 250.0f);
  KSetSpritePosition(*sprite, position);
  sprite->SetVisible(true);
  if (RuntimeSettings().searchSprites && item.InList())
    DrawTextureBorder(texture, kSearchSpriteBorder, 2);
  return sprite;
}

void QMArcadeGame::PlaceNextItem() {
  if (!mItemListReady) return;
  mFreshScene = false;
  ItemList* items = GetCurrentItems();
  if (!items || mItemCursor >= items->size()) return;
  ArcadeSearchItem& item = *(*items)[mItemCursor];
  boost::shared_ptr<TTexture> texture = GetAssetTexture(item.imageName);
  if (!texture) {
    EngineLogMissingItem(item);
    items->erase(items->begin() + static_cast<long>(mItemCursor));
    return;
  }
  boost::shared_ptr<TSprite> sprite = MakeItemSprite(item, texture);
  if (mSceneSprite) mSceneSprite->AddChild(sprite);
  sprite->GetDrawState().transform.Scale(mSceneScale.x, mSceneScale.y);
  TRect bounds;
  sprite->GetBounds(bounds, TDrawParams(), 0);
  item.left = bounds.left;
  item.top = bounds.top;
  item.right = bounds.right;
  item.bottom = bounds.bottom;
}

bool QMArcadeGame::OnMouseDown(const TPoint& p) {
  if (!mClicksEnabled || mTestingMode) return false;
  // Between the last find and the next level the click changes nothing.
  if (mLevelDone || mRunOver) return false;
  ItemList* items = GetCurrentItems();
  bool hit = false;
  if (items) {
    for (const ItemPtr& item : *items) {
      if (!(item->left <= p.x && p.x < item->right && item->top <= p.y && p.y < item->bottom))
        continue;
      if (item->state == kArcadeItemInList) {
        item->state = kArcadeItemClicked;
        hit = true;
      } else if (item->state == kArcadeCopyInList) {
        item->state = kArcadeCopyClicked;
        hit = true;
      }
    }
  }
  if (hit) {
    UpdateItems();
    return true;
  }
  PlayOnce(mWrongSound);
  if (!(mWrongClickGrace > 0.0f)) {
    mTimeDebt += 30.0f;
    mWrongClickGrace = 0.5f;
  } else {
    mTimeLeft -= 0.5f;
    PlayOnce(mWrongAgainSound);
  }
  return true;
}

void QMArcadeGame::FlashLabel(TText* text, const TColor& colour, const TColor* endColour,
                              const str& notify) {
  if (!text) return;
  KAnimBias* bias = new KEaseInEaseOutSineBias();
  KAnimQueue* flash = MakeTextColorFlash(text, colour, kFlashMs, 1, endColour, bias, mAnimClock);
  KReleaseRef(bias);
  if (!flash) return;
  if (!notify.IsEmpty())
    AddTo(flash, new KAnimMessageNotifier<kArcadeStrikeOutLabel, QMArcadeGame, str>(this, notify));
  mRunner.Run(flash);
  KReleaseRef(flash);
}

void QMArcadeGame::SettleFoundEntry(TText* text, const str& label) {
  FlashLabel(text, kFlashRed, &kFoundColour, label);
}

void QMArcadeGame::UpdateItems() {
  mOpenMultiples = str();
  if (mSceneSprite) {
    mSceneSprite->RemoveAllChildren();
    if (mFadeState != 3 && mFadeSprite) mSceneSprite->AddChild(mFadeSprite);
    mSceneSprite->AddChild(mAmbientLayer);
  }
  ItemList* items = GetCurrentItems();
  if (!items) return;
  const size_t remembered = mItemCursor;
  bool levelComplete = false;
  for (mItemCursor = 0; mItemCursor < items->size();) {
    ArcadeSearchItem& item = *(*items)[mItemCursor];
    const size_t before = items->size();
    switch (item.state) {
      case kArcadeItemInList:
      case kArcadeItemIdle:
      case kArcadeCopyInList:
        if (item.state == kArcadeCopyInList) mOpenMultiples += item.name + ",";
        PlaceNextItem();
        break;
      case kArcadeCopyClicked: {
        PlayFoundAnimation();
        mPendingScore += mPointsPerItem;
        PlayOnce(mBonusGainSound);
        item.state = kArcadeCopyFound;
        // Counted off before its list entry is looked at: a copy restored without one is still
        // one of the level's finds.
        if (--mItemsLeft <= 0) levelComplete = true;
        const int slot = item.listSlot;
        if (slot < 1 || slot > kSlots) break;
        const int copiesLeft = GroupCopies(mGroupLabels[slot - 1]) - 1;
        const str name = str::Format("SearchItem%d", slot);
        TText* text = FindText(name);
        if (copiesLeft >= 1) {
          mGroupLabels[slot - 1] = GroupLabel(item.groupText, copiesLeft);
          mEntryLabels[slot - 1] = mGroupLabels[slot - 1];
          if (text) {
            text->SetText(LabelText(mGroupLabels[slot - 1]));
            FlashLabel(text, kFlashRed, nullptr, str());
          }
        } else {
          mEntryLabels[slot - 1] += "~";
          SettleFoundEntry(text, name);
        }
        break;
      }
      case kArcadeItemClicked: {
        const int slot = item.listSlot;
        const str name = str::Format("SearchItem%d", slot);
        if (slot >= 1 && slot <= kSlots) mEntryLabels[slot - 1] += "~";
        SettleFoundEntry(FindText(name), name);
        PlayFoundAnimation();
        item.state = kArcadeItemFound;
        mPendingScore += mPointsPerItem;
        PlayOnce(mBonusGainSound);
        if (--mItemsLeft <= 0) levelComplete = true;
        break;
      }
      default: break;
    }
    // An item without a picture has just left the vector; the next one took its place.
    if (items->size() == before) ++mItemCursor;
  }
  mItemCursor = remembered < items->size() ? remembered : 0;
  // Both items of one click are settled before the level ends, and it ends only once.
  if (levelComplete && !mLevelDone) LevelComplete();
}

void QMArcadeGame::PlayFoundAnimation() {
  ItemList* items = GetCurrentItems();
  if (!items || mItemCursor >= items->size()) return;
  ArcadeSearchItem& item = *(*items)[mItemCursor];
  const str fullName = item.imageName + "_full";
  boost::shared_ptr<TTexture> full = GetAssetTexture(fullName);
  const str foundName = full ? fullName : item.imageName;
  boost::shared_ptr<TTexture> plain = GetAssetTexture(item.imageName);
  if (!full) full = plain;
  if (!plain) plain = full;
  if (!plain) return;

  boost::shared_ptr<TSprite> copy = TSprite::Create(0, plain);
  const TVec2 at(item.x + plain->GetWidth() / 2.0f * mSceneScale.x,
                 item.y + plain->GetHeight() / 2.0f * mSceneScale.y);
  KSetSpritePosition(*copy, at);
  copy->SetLayer(item.layer + 1);
  copy->GetDrawState().transform.Scale(mSceneScale.x, mSceneScale.y);
  copy->SetVisible(true);
  if (mSceneSprite) mSceneSprite->AddChild(copy);

  boost::shared_ptr<TSprite> found = TSprite::Create(0, TTexture::Get(foundName));
  mItemLayer->AddSprite(found, foundName);
  found->GetDrawState().alpha = 0.0f;
  const std::pair<const boost::shared_ptr<TAnimatedTexture>*, int32_t> overlays[] = {
      {&mBehindAnim, -1}, {&mAboveAnim, 2}};
  for (const auto& [anim, layer] : overlays) {
    if (!*anim) continue;
    boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create(layer);
    sprite->SetTexture(*anim);
    found->AddChild(sprite);
    sprite->Play("DoAnim");
  }
  KSetSpritePosition(*found, TVec2(at.x + item.playOffsetX, at.y + item.playOffsetY));
  PlayOnce(mFoundSound);

  KAnimBias* bias = new KEaseInEaseOutSineBias();
  auto* queue = new KAnimQueue();
  auto* together = new KAnimMultiple();
  AddTo(together, MakeFade(KSpritePtr(found), 0.0f, 1.0f, bias, mAnimClock));
  AddTo(together, MakeFade(KSpritePtr(copy), 1.0f, 0.0f, bias, mAnimClock));
  AddTo(queue, together);
  auto* out = new KAnimMultiple();
  AddTo(out, MakeFade(KSpritePtr(found), 1.0f, 0.0f, bias, mAnimClock));
  AddTo(queue, out);
  AddTo(queue,
        new KAnimMessageNotifier<kArcadeRemoveFoundItem, QMArcadeGame, str>(this, foundName));
  KReleaseRef(bias);
  mRunner.Run(queue);
  KReleaseRef(queue);
}

void QMArcadeGame::ShowArcadeHint() {
  if (mHintSprite || mLevelDone || mRunOver) return;
  ItemList* items = GetCurrentItems();
  if (mHintsLeft <= 0 || !items || items->empty()) {
    PlayOnce(mBonusLossSound);
    return;
  }
  PlayOnce(mHintSound);
  --mHintsLeft;
  mHintRecharge += 40.0f;
  ShowHintLights();
  mTimeDebt += 120.0f;
  mWrongClickGrace += 0.5f;

  const int k = static_cast<int>(RealDraws(*this).Next() * (mItemsLeft + 1));
  size_t chosen = items->size() - 1;
  int counted = 0;
  for (size_t i = 0; i < items->size(); ++i) {
    if (!(*items)[i]->InList()) continue;
    if (++counted >= k) {
      chosen = i;
      break;
    }
  }
  mItemCursor = chosen;
  ArcadeSearchItem& item = *(*items)[chosen];

  int w = 0;
  int h = 0;
  if (boost::shared_ptr<TTexture> texture = GetAssetTexture(item.imageName)) {
    h = static_cast<int>(texture->GetHeight() / 2.0f * mSceneScale.y);
    w = static_cast<int>(texture->GetWidth() / 2.0f * mSceneScale.x);
  }
  mHintSprite = TAnimatedSprite::Create(-1);
  if (mHintAnim) mHintSprite->SetTexture(mHintAnim);
  KSetSpritePosition(*mHintSprite,
                     TVec2(static_cast<float>(item.x + w), static_cast<float>(item.y + h)));
  mHintSprite->GetDrawState().alpha = 0.0f;
  mHintSprite->Play("DoAnim");
  if (!mHintLayer) mHintLayer = TSprite::Create(0x7fffffff);
  mHintLayer->AddChild(mHintSprite);

  KAnimBias* bias = new KEaseInEaseOutSineBias();
  auto* queue = new KAnimQueue();
  AddTo(queue, MakeFade(KSpritePtr(mHintSprite), 0.0f, 1.0f, bias, mAnimClock));
  AddTo(queue, MakeFade(KSpritePtr(mHintSprite), 1.0f, 0.0f, bias, mAnimClock));
  AddTo(queue,
        new KAnimMessageNotifier<kArcadeDropHintSprite, QMArcadeGame, str>(this, "hintSprite"));
  KReleaseRef(bias);
  mRunner.Run(queue);
  KReleaseRef(queue);

  FlashLabel(FindText(str::Format("SearchItem%d", item.listSlot)), kFlashYellow, nullptr, str());
}

void QMArcadeGame::OnAnimMessage(KAnimMessageId<kArcadeRemoveFoundItem>, const str& imageName) {
  mItemLayer->RemoveSpriteByName(imageName);
  SceneCompositor* compositor = mSearchTool ? mSearchTool->GetCompositor() : nullptr;
  ItemList* items = GetCurrentItems();
  if (!compositor || !items) return;
  // The found picture is named after the item's own with "_full" added.
  str key = imageName;
  const int full = key.Find(str("_full"));
  if (full >= 0)
    key = key.Substr(0, static_cast<unsigned>(full)) + key.Substr(static_cast<unsigned>(full) + 5);
  for (const ItemPtr& item : *items) {
    if (item->imageName != key) continue;
    compositor->RemoveLayer(item->image);
    OnMouseMove(mLastPointer);
    return;
  }
}

void QMArcadeGame::OnAnimMessage(KAnimMessageId<kArcadeDropHintSprite>, const str&) {
  if (mHintSprite && mHintLayer) mHintLayer->RemoveChild(mHintSprite);
  mHintSprite.reset();
}

void QMArcadeGame::OnAnimMessage(KAnimMessageId<kArcadeStrikeOutLabel>, const str& label) {
  if (TText* text = FindText(label)) AddStrikeOut(text);
}

void QMArcadeGame::RestoreSavedGame() {
  NewLevelStep();
  if (QMGameManager* game = QMGameManager::Instance()) {
    mScore = game->GetArcadeScore();
    mLevel = game->GetArcadeLevel();
    // The stored clock comes from a file: one that is no number or below zero ends the run
    // at the first tick, and none runs past the bound a level's grant stops at.
    const float stored = game->GetArcadeTime();
    mTimeLeft = std::isfinite(stored) && stored >= 0.0f ? std::min(stored, kMostMinutes) : -1.0f;
    mHintsLeft = std::clamp(game->GetArcadeHintsLeft(), 0, kMaxHints);
    mOpenMultiples = game->GetSearchItem(13);
    for (int i = 0; i < kSlots; ++i) mEntryLabels[i] = game->GetSearchItem(i);
  }
  ShowHintLights();
  GotoLevelScene(mLevel);
  ItemList* items = GetCurrentItems();
  if (items)
    for (const ItemPtr& item : *items) item->state = kArcadeItemIdle;
  ArmFrameStep();
  mItemsLeft = 0;
  for (int slot = 1; slot <= kSlots; ++slot) {
    const str label = mEntryLabels[slot - 1];
    TText* text = FindText(str::Format("SearchItem%d", slot));
    std::string name = label.CStr();
    const size_t tilde = name.find('~');
    const bool found = tilde != std::string::npos;
    if (found) name.erase(tilde, 1);
    if (items) {
      for (const ItemPtr& item : *items) {
        if (item->name != name.c_str()) continue;
        item->listSlot = slot;
        item->state = found ? kArcadeItemFound : kArcadeItemInList;
        if (!found) ++mItemsLeft;
      }
    }
    if (!text) continue;
    text->DeleteChildren();
    text->SetText(LabelText(str(name.c_str())));
    if (found) {
      text->SetColor(kFoundColour);
      AddStrikeOut(text);
    }
  }
  // The open copies are listed by name, each followed by ","; names are compared whole.
  std::vector<std::string> open;
  {
    const std::string list = mOpenMultiples.CStr();
    size_t start = 0;
    for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
      open.push_back(list.substr(start, comma - start));
  }
  if (items) {
    for (const ItemPtr& item : *items) {
      if (std::find(open.begin(), open.end(), item->name.CStr()) == open.end()) continue;
      item->listSlot = 0;
      for (int j = 0; j < kSlots; ++j) {
        if (GroupOf(mEntryLabels[j]) != item->groupText.CStr() || item->groupText.IsEmpty())
          continue;
        item->listSlot = j + 1;
        mGroupLabels[j] = mEntryLabels[j];
        break;
      }
      item->state = kArcadeCopyInList;
      ++mItemsLeft;
    }
  }
  UpdateItems();
  if (mItemsLeft < 1) StartFadeToNextLevel();
}

bool QMArcadeGame::OnKeyDown(unsigned char key, int) {
  const int code = static_cast<signed char>(key);
  bool handled = false;
  if (code == kArcadeEscape) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->RunScriptString(this, kPauseScript);
    handled = true;
  }
  if (!mTestingMode) return handled;
  if (code == kArcadeLeft || code == kArcadeRight) {
    GotoScene(code == kArcadeLeft ? 1 : 0);
    return true;
  }
  if (!mItemListReady || (code != kArcadeUp && code != kArcadeDown)) return handled;
  ItemList* items = GetCurrentItems();
  if (!items || items->empty()) return true;
  if (mItemCursor >= items->size()) mItemCursor = 0;
  ArcadeSearchItem& current = *(*items)[mItemCursor];
  std::string image = current.imageName.CStr();
  const size_t full = image.find("_full");
  if (full == std::string::npos) {
    if (!mFreshScene) current.imageName += "_full";
  } else {
    image.erase(full, 5);
    current.imageName = str(image.c_str());
    const size_t n = items->size();
    mItemCursor = code == kArcadeUp ? (mItemCursor + 1) % n : (mItemCursor + n - 1) % n;
  }
  ShowTestItem(*(*items)[mItemCursor]);
  return true;
}

void QMArcadeGame::ShowTestItem(ArcadeSearchItem& item) {
  mFreshScene = false;
  if (TText* first = FindText("SearchItem1")) first->SetText(LabelText(item.name));
  if (mSceneSprite) mSceneSprite->RemoveAllChildren();
  boost::shared_ptr<TTexture> texture = GetAssetTexture(item.imageName);
  if (!texture) {
    EngineLogMissingItem(item);
    return;
  }
  boost::shared_ptr<TSprite> sprite = MakeItemSprite(item, texture);
  if (texture->GetFileName().Contains("_full")) {
    // The found picture stands where play puts it: at the item, moved by its play offset.
    KSetSpritePosition(
        *sprite, TVec2(item.x + texture->GetWidth() * 0.5f * mSceneScale.x + item.playOffsetX,
                       item.y + texture->GetHeight() * 0.5f * mSceneScale.y + item.playOffsetY));
  }
  if (mSceneSprite) mSceneSprite->AddChild(sprite);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}
