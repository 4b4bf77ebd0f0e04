#include "platform/window/headless/Window.h"

#include <atomic>
#include <csignal>
#include <mutex>

#include "platform/os/Clock.h"

namespace platform::window::headless {

namespace {
std::atomic<uint64_t> gNextHandle{0x20010};

// Set by the signal handler, taken by the window's pump. One main window handles the signals
// at a time; the handlers it replaced come back when it goes.
std::atomic<bool> gTerminationRequested{false};
std::atomic<bool> gSignalsTaken{false};
struct sigaction gPreviousTerm, gPreviousInt;
static_assert(std::atomic<bool>::is_always_lock_free);

void OnTerminationSignal(int) { gTerminationRequested.store(true); }

// How long a real-clock wait sleeps at most before it looks for a termination request: a
// condition variable's wait is not ended by a signal.
constexpr uint32_t kSignalPollMs = 100;
}  // namespace

Window::Window(const WindowDesc& desc)
    : mHandle(gNextHandle.fetch_add(0x10)),
      mTitle(desc.title),
      mWidth(desc.width),
      mHeight(desc.height),
      mChild(desc.child) {
  if (mChild) mShown = true;
  bool expected = false;
  if (!mChild && gSignalsTaken.compare_exchange_strong(expected, true)) {
    mHandlesSignals = true;
    gTerminationRequested.store(false);
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, &gPreviousTerm);
    sigaction(SIGINT, &action, &gPreviousInt);
  }
}

Window::~Window() {
  if (!mHandlesSignals) return;
  sigaction(SIGTERM, &gPreviousTerm, nullptr);
  sigaction(SIGINT, &gPreviousInt, nullptr);
  gSignalsTaken.store(false);
}

void Window::Pump() {
  if (mHandlesSignals && gTerminationRequested.exchange(false)) {
    Message close{};
    close.message = WM_CLOSE;
    PostMessage(close);
  }
}

void Window::WaitForInput(uint32_t ms) {
  if (platform::os::IsVirtualClock()) return;
  if (!mHandlesSignals) {
    WaitForMessage(ms);
    return;
  }
  while (!gTerminationRequested.load()) {
    uint32_t slice = ms < kSignalPollMs ? ms : kSignalPollMs;
    if (WaitForMessage(slice)) return;
    ms -= slice;
    if (ms == 0) return;
  }
}

void Window::SetTitle(const std::string& utf8) { mTitle = utf8; }
std::string Window::GetTitle() const { return mTitle; }

void Window::SetClientSize(int width, int height) {
  mWidth = width;
  mHeight = height;
}

void Window::GetClientSize(int& width, int& height) const {
  width = mWidth;
  height = mHeight;
}

void GetScreenSize(int& width, int& height) {
  width = 1280;
  height = 1024;
}

namespace {
std::mutex gMutex;
int gAnswer = IDOK;
std::string gLastTitle, gLastText;
int gBoxCount = 0;
bool gClipboardAvailable = true;
bool gClipboardHasText = false;
std::string gClipboard;
}  // namespace

int ShowMessageBox(const std::string& title, const std::string& text, int) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLastTitle = title;
  gLastText = text;
  ++gBoxCount;
  return gAnswer;
}

void SetMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> lock(gMutex);
  gAnswer = answer;
}

std::string LastMessageBoxTitle() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastTitle;
}

std::string LastMessageBoxText() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastText;
}

int MessageBoxCount() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gBoxCount;
}

bool SetClipboardText(const std::string& text) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gClipboardAvailable) return false;
  gClipboard = text;
  gClipboardHasText = true;
  return true;
}

bool GetClipboardText(std::string& out) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gClipboardAvailable || !gClipboardHasText) return false;
  out = gClipboard;
  return true;
}

void SetClipboardAvailable(bool available) {
  std::lock_guard<std::mutex> lock(gMutex);
  gClipboardAvailable = available;
}

void ClearClipboard() {
  std::lock_guard<std::mutex> lock(gMutex);
  gClipboard.clear();
  gClipboardHasText = false;
}

}  // namespace platform::window::headless
