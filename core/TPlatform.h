// The platform facade: how every subsystem reaches the main window, the event pump, the task
// lists, the managers, full-screen switching, the clipboard, the browser, the cursor, random
// numbers and identifiers. Most operations forward to TPlatformData.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TPlatformEvent.h"
#include "core/TTaskList.h"
#include "core/str.h"

class TAssetManager;
class TDxTextureData;
class TPlatformData;
class TSoundManager;
class TStringTable;
class TTask;
class TTexture;
class TWindowManager;

namespace platform::window {
struct Message;
}

class TPlatform {
public:
  // Engine start-up: settings defaults, script host, settings file, file layer, string table.
  explicit TPlatform(TPlatformData* data);
  // The tear-down of everything the platform owns.
  ~TPlatform();
  TPlatform(const TPlatform&) = delete;
  TPlatform& operator=(const TPlatform&) = delete;

  // Null before start-up and after the tear-down.
  static TPlatform* Instance();
  // The running platform's data; null whenever Instance() is.
  static TPlatformData* InstanceData() {
    TPlatform* platform = Instance();
    return platform ? platform->GetData() : nullptr;
  }

  TPlatformData* GetData() const { return mData; }

  bool CreateWindow();
  void SetWindowTitle(const str& title);
  str GetTitle() const;
  str GetVersion() const;
  bool IsForeground() const;
  bool SetFullScreen(bool fullScreen);
  bool IsFullScreen() const;
  bool InitScreen(int width, int height, bool fullScreen);
  bool IsDisplayReady() const;
  bool IsPresentDone() const;
  void OutOfVideoMemory();
  // A new per-texture data object from the display; null without a display.
  TDxTextureData* NewTextureData();

  // One event per call; may wait up to 1 ms when nothing is queued.
  void GetEvent(TPlatformEvent& event);
  // The window procedure: what a native message does to the platform's state.
  int64_t WindowProc(const platform::window::Message& message);

  void Sleep(uint32_t ms);
  void PostQuit(int code);
  void OpenUrl(const char* url);

  TStringTable* GetStringTable() const;
  TAssetManager* GetAssetManager() const;
  TWindowManager* GetWindowManager() const;
  bool CreateSoundManager();
  TSoundManager* GetSoundManager() const;
  // The running platform's sound manager; null whenever Instance() is or it has none.
  static TSoundManager* InstanceSoundManager() {
    TPlatform* platform = Instance();
    return platform ? platform->GetSoundManager() : nullptr;
  }

  void AddTask(TTask* task);
  bool RemoveTask(TTask* task);
  TTaskList* GetTaskList();
  void AddIdleTask(TTask* task);
  bool RemoveIdleTask(TTask* task);
  // Runs the restore list; the display calls it after it restored the assets.
  void RunIdleTasks();

  str GetClipboardText() const;
  void SetCursorVisible(bool visible);
  void SetCursor(boost::shared_ptr<TTexture> texture, int hotX, int hotY, bool keep);

  void NewGuid(unsigned char out[16]);
  uint32_t Random();

private:
  void SetActiveState(bool active);
  void SetAppActivation(bool active);
  void MouseEvent(const platform::window::Message& m, TPlatformEvent& event);
  void KeyEvent(const platform::window::Message& m, TPlatformEvent& event);
  void TopmostFix();
  // How long the idle step may wait for input: until the next due task, frame or hover.
  uint32_t IdleWaitMs() const;
  void CurrentMousePosition(int& x, int& y) const;
  // The steps of GetEvent.
  bool WaitOutHostPause(TPlatformEvent& event);
  bool TakePendingRequest(TPlatformEvent& event);
  void ForwardHostMessages();
  void PostHoverWhenResting();
  void IdleEvent(TPlatformEvent& event);
  void TranslateMessage(const platform::window::Message& m, TPlatformEvent& event);

  TPlatformData* mData;
  TTaskList mIdleTasks;
};

// Start-up and tear-down set and clear the singleton.
void SetPlatformInstance(TPlatform* platform);

// Puts the text on the clipboard; true only when the clipboard really took it.
bool StringToClipboard(const str& text);
