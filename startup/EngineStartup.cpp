// Engine start-up and tear-down: the TPlatform constructor fills the settings, makes the
// script host, reads "::assets/settings.xml", starts the file layer and loads the string
// table; the destructor takes everything down again in dependency order.
#include <filesystem>
#include <string>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "assets/TStringTable.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "online/OnlineScripting.h"
#include "online/PortalHandlers.h"
#include "online/TGameState.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TWindowManager.h"
#include "window/text/TFontCache.h"
#include "window/text/THwMiniVecDraw.h"

namespace {

void ApplyPlatformSetting(const str& name, const str& value) {
  TPlatform* platform = TPlatform::Instance();
  if (!platform) return;
  if (name == kConfigVsync) {
    if (TDxDisplayHandler* d = TDxDisplayHandler::Instance()) d->SetVSync(value.ToInt() != 0);
  } else if (name == kConfigViewportScale) {
    TPlatformData* data = platform->GetData();
    data->SetViewportScale(value.ToFloat(), data->mViewportScaleY);
  }
}

// Where the settings file is, or would be, on disk: the name the log gives the player.
str SettingsFilePath(const char* name) {
  std::error_code ec;
  str resolved = ResolveFilePath(name, false);
  std::string path = resolved.IsEmpty() ? std::string(name + 2) : std::string(resolved.CStr());
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return str(ec ? path.c_str() : absolute.lexically_normal().c_str());
}

// The document's root element: declarations, comments and doctype before it are passed over.
TXmlNode* RootElement(TXmlNode& document) {
  for (size_t i = 0; i < document.GetChildCount(); ++i) {
    TXmlNode* child = document.GetChild(i);
    const str& name = child->GetName();
    if (!name.IsEmpty() && name[0] != '?' && name[0] != '!') return child;
  }
  return nullptr;
}

// Each child element of "settings" becomes a setting named after it, valued by its text.
// "settings" is the root element or a child of it.
void ReadSettingsFile(const char* name) {
  const str path = SettingsFilePath(name);
  std::error_code ec;
  if (!std::filesystem::exists(path.CStr(), ec)) {
    EngineLog("Settings file %s is missing: the built-in settings stay", path.CStr());
    return;
  }
  TXmlNode document;
  if (ResolveFilePath(name, false).IsEmpty() || !document.LoadFile(name)) {
    EngineLog("Settings file %s cannot be read: the built-in settings stay", path.CStr());
    return;
  }
  TXmlNode* root = RootElement(document);
  if (!root) {
    EngineLog("Settings file %s is malformed (no root element): the built-in settings stay",
              path.CStr());
    return;
  }
  TXmlNode* settings = root->GetName() == "settings" ? root : root->FindChild("settings");
  if (!settings) {
    EngineLog("Settings file %s has no \"settings\" element: the built-in settings stay",
              path.CStr());
    return;
  }
  settings->BeginChildren();
  str key;
  TXmlNode* child = nullptr;
  int count = 0;
  while (settings->NextChild(key, child)) {
    if (!child || key.IsEmpty() || key[0] == '?' || key[0] == '!') continue;
    SetConfig(key, child->GetText());
    ++count;
  }
  EngineLog("Settings read from %s (%d values)", path.CStr(), count);
}

}  // namespace

TPlatform::TPlatform(TPlatformData* data) : mData(data) {
  SetPlatformInstance(this);
  SetConfig(kConfigMemoryMax, "100000000");
  SetConfig(kConfigTextureMemoryMax, "100000000");
  SetConfig(kConfigUtf8ModeInit, GetConfig(kConfigUtf8Mode, str()));
  mData->mRandom.ReseedFromCrtRand();
  mData->mWindowManager->SetScriptHost(new TWindowScript());
  RegisterOnlineWindows(mData->mWindowManager);
  SetPlatformConfigHook(&ApplyPlatformSetting);
  SetConfig(kConfigComputerId, MakeComputerId());

  ReadSettingsFile("::assets/settings.xml");

  SetFileFolders(mData->mUserFolder, mData->mCommonFolder, mData->mDesktopFolder);
  InitFileSystem();
  if (mData->mStringTable->Load("strings.xml")) mData->mWindowManager->SetScriptHostMode(true);
  mData->mStringTable->AddFolderStrings("user:");
  mData->mStringTable->AddFolderStrings("common:");

  SetConfig(kConfigBuildTag, mData->mInternalName);
  EngineLog("%s, version %s.", mData->mTitle.CStr(), mData->mVersion.CStr());
  SetConfig(kConfigGameName, mData->mTitle);
  SetConfig(kConfigVersion, mData->mVersion);
}

TPlatform::~TPlatform() {
  // The presentation thread reads the window manager and the display: it stops first.
  mData->StopPresentationThread();

  mData->mRenderHost = nullptr;
  delete mData->mWindowManager;
  mData->mWindowManager = nullptr;
  mData->mFrameTasks.Clear();
  delete mData->mSoundManager;
  mData->mSoundManager = nullptr;
  mData->mMiniVecDraw.reset();
  mData->mFontCache.reset();
  // Textures must go before the display they live on.
  mData->mCursorTexture.reset();
  mData->mBuiltinCursor.reset();
  TRenderer::Destroy();
  SetPlatformConfigHook(nullptr);
  SetPlatformInstance(nullptr);
  TGameState::DeleteInstance();
  ResetPortalModes();
  delete mData->mStringTable;
  mData->mStringTable = nullptr;
  delete mData->mAssetManager;
  mData->mAssetManager = nullptr;
  delete mData;
  mData = nullptr;
  ClearConfig();
  ClearFileIndex();
  mIdleTasks.Clear();
}
