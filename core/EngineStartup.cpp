// Engine start-up and tear-down: the TPlatform constructor fills the settings, makes the
// script host, reads "::assets/settings.xml", starts the file layer and loads the string
// table; the destructor takes everything down again in dependency order.
#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "assets/TStringTable.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
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
  if (name == "vsync") {
    if (TDxDisplayHandler* d = TDxDisplayHandler::Instance()) d->SetVSync(value.ToInt() != 0);
  } else if (name == "viewportscale") {
    TPlatformData* data = platform->GetData();
    data->SetViewportScale(value.ToFloat(), data->mViewportScaleY);
  }
}

// Each child element of "settings" becomes a setting named after it, valued by its text.
void ReadSettingsFile(const char* name) {
  TXmlNode document;
  if (!document.LoadFile(name)) return;
  TXmlNode* settings = document.FindChild("settings");
  if (!settings) {
    // Also accepted one level down, under the document's top element.
    document.BeginChildren();
    str topName;
    TXmlNode* top = nullptr;
    if (document.NextChild(topName, top) && top) settings = top->FindChild("settings");
  }
  if (!settings) return;
  settings->BeginChildren();
  str key;
  TXmlNode* child = nullptr;
  while (settings->NextChild(key, child)) {
    if (child) SetConfig(key, child->GetText());
  }
}

}  // namespace

TPlatform::TPlatform(TPlatformData* data) : mData(data) {
  SetPlatformInstance(this);
  SetConfig("memorymax", "100000000");
  SetConfig("texturememorymax", "100000000");
  SetConfig("utf8modeinit", GetConfig(kConfigUtf8Mode, str()));
  mData->mRandom.ReseedFromCrtRand();
  mData->mWindowManager->SetScriptHost(new TWindowScript());
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
