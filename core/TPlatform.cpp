#include "core/TPlatform.h"

#include <atomic>
#include <string_view>

#include "core/EngineLog.h"
#include "core/TPlatformData.h"
#include "platform/host/Browser.h"
#include "platform/os/Clock.h"
#include "platform/window/Window.h"

namespace {
// Read by the presentation thread through the display.
std::atomic<TPlatform*> gInstance{nullptr};
str gCommandLine;
}  // namespace

const str& GetPlatformCommandLine() { return gCommandLine; }
void SetPlatformCommandLine(const str& line) { gCommandLine = line; }
// Asked every frame: a view of the line, no temporary text.
bool HasPqOption() {
  return std::string_view(gCommandLine.CStr(), gCommandLine.Length()).find("-pq=") !=
         std::string_view::npos;
}

TPlatform* TPlatform::Instance() { return gInstance.load(std::memory_order_acquire); }

void SetPlatformInstance(TPlatform* platform) {
  gInstance.store(platform, std::memory_order_release);
}

str TPlatform::GetTitle() const { return mData->mTitle; }
str TPlatform::GetVersion() const { return mData->mVersion; }

void TPlatform::SetWindowTitle(const str& title) {
  // Only the window's caption changes: GetTitle keeps answering the game's name.
  // The backends take UTF-8; outside UTF-8 mode the bytes go as they are.
  if (auto* w = mData->GetWindow()) w->SetTitle(title.CStr());
}

void TPlatform::Sleep(uint32_t ms) { platform::os::Sleep(ms); }

void TPlatform::PostQuit(int code) {
  if (auto* w = mData->GetWindow()) {
    platform::window::Message m;
    m.message = platform::window::WM_QUIT;
    m.wParam = static_cast<uint64_t>(static_cast<int64_t>(code));
    w->PostMessage(m);
  }
}

TStringTable* TPlatform::GetStringTable() const { return mData->mStringTable; }
TAssetManager* TPlatform::GetAssetManager() const { return mData->mAssetManager; }
TWindowManager* TPlatform::GetWindowManager() const { return mData->mWindowManager; }
TSoundManager* TPlatform::GetSoundManager() const { return mData->mSoundManager; }

void TPlatform::AddTask(TTask* task) { mData->mFrameTasks.Add(task); }
bool TPlatform::RemoveTask(TTask* task) { return mData->mFrameTasks.Remove(task); }
TTaskList* TPlatform::GetTaskList() { return &mData->mFrameTasks; }
void TPlatform::AddIdleTask(TTask* task) { mIdleTasks.Add(task); }
bool TPlatform::RemoveIdleTask(TTask* task) { return mIdleTasks.Remove(task); }
void TPlatform::RunIdleTasks() { mIdleTasks.RunTasks(0); }

uint32_t TPlatform::Random() { return mData->mRandom.genrand_int32(); }
void TPlatform::NewGuid(unsigned char out[16]) { ::NewGuid(out); }

bool StringToClipboard(const str& text) {
  // Reported as done only when the clipboard really took the text.
  return platform::window::SetClipboardText(std::string(text.CStr(), text.Length()));
}

str TPlatform::GetClipboardText() const {
  std::string text;
  if (!platform::window::GetClipboardText(text)) return str();
  return str(text.data(), static_cast<unsigned>(text.size()));
}

bool TPlatform::IsForeground() const {
  platform::window::IWindow* w = mData->GetWindow();
  return w && w->IsForeground();
}

// Opens the address in the browser: the "-host=" program in hosted mode, else xdg-open, started
// without a shell.
void TPlatform::OpenUrl(const char* url) {
  if (!url || !*url) return;
  TPlatformData& p = *mData;
  const char* program = "xdg-open";
  str hostProgram;
  if (p.mHosted) {
    const str& line = GetPlatformCommandLine();
    int at = line.Find(str("-host="));
    if (at >= 0) {
      unsigned start = static_cast<unsigned>(at) + 6;
      unsigned end = start;
      while (end < line.Length() && end - start < 259 && line[end] != ' ' && line[end] != '\t')
        ++end;
      hostProgram = line.Substr(start, end - start);
      if (!hostProgram.IsEmpty()) program = hostProgram.CStr();
    }
  }
  if (!platform::host::OpenInBrowser(program, url))
    EngineLog("Could not start %s for %s", program, url);
}
