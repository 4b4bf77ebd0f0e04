#include "online/TMsnZylomHandler.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/TClock.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/str.h"
#include "core/HostPause.h"
#include "online/PortalHandlers.h"
#include "platform/host/HostWindow.h"
#include "platform/os/Clock.h"
#include "platform/window/Window.h"
#include "render/TDxDisplayHandler.h"
#include "sound/TSoundManager.h"

namespace {

constexpr uint32_t kScoreInterval = 5000;

struct PortalState {
  bool sessionReadySent = false;
  bool jumpToMenuRequested = false;
  bool restartRequested = false;
  bool hostHold = false;
  bool gameMuted = false;
  bool volumeSaved = false;
  float savedVolume = 0.0f;
  bool hostPaused = false;
  bool gameActive = false;
  bool gamePaused = false;
  int32_t breakpointCount = 0;
  uint32_t pauseStartTick = 0;
  uint32_t lastScoreTick = 0;
  TClock playClock;
  int32_t comInterval = -1;
  bool atMenu = true;
  str queryResult;
};

PortalState gPortal;

bool InPortalMode() { return IsMsnMode() || IsZylomMode(); }

uint32_t TickCount() { return platform::os::TimeGetTime(); }

void UpdatePortalMute() {
  PortalState& s = gPortal;
  bool wanted =
      s.hostHold || s.gamePaused || s.hostPaused || s.gameMuted || (IsMsnMode() && !s.gameActive);
  TPlatform* platform = TPlatform::Instance();
  TSoundManager* sound = platform ? platform->GetSoundManager() : nullptr;
  if (!sound) return;
  if (wanted && !s.volumeSaved) {
    s.savedVolume = sound->GetVolume(-1);
    s.volumeSaved = true;
    sound->SetMasterVolume(0.0f);
  } else if (!wanted && s.volumeSaved) {
    s.volumeSaved = false;
    sound->SetMasterVolume(s.savedVolume);
    s.savedVolume = 0.0f;
  }
}

void BeginHostPause() {
  PortalState& s = gPortal;
  if (s.hostPaused) return;
  s.hostPaused = true;
  s.pauseStartTick = TickCount();
  if (s.gamePaused) return;
  s.playClock.Pause();
  TPlatform* platform = TPlatform::Instance();
  if (!platform) return;
  platform->SetCursorVisible(false);
  // The host's own arrow stands in for the engine cursor while the game waits.
  if (platform::window::IWindow* w = platform->GetData()->GetWindow()) w->SetCursorVisible(true);
}

void EndHostPause() {
  PortalState& s = gPortal;
  if (!s.hostPaused) return;
  s.hostPaused = false;
  AddHostPausedTime(TickCount() - s.pauseStartTick);
  s.pauseStartTick = 0;
  if (s.gamePaused) return;
  s.playClock.Start();
  TPlatform* platform = TPlatform::Instance();
  if (!platform) return;
  TPlatformData* data = platform->GetData();
  platform->SetCursor(data->mCursorTexture, data->mCursorHotX, data->mCursorHotY, false);
  platform->SetCursorVisible(true);
  if (TDxDisplayHandler* display = TDxDisplayHandler::Instance()) display->ApplyCursor();
}

void PostToHost(const char* text, bool pauseAfter) {
  PortalState& s = gPortal;
  if (HasPqOption()) {
    s.gameActive = true;
    return;
  }
  if (IsZylomMode()) pauseAfter = false;
  // Without a host nothing would ever send the resume command.
  if (PostTextToHost(text) && pauseAfter) BeginHostPause();
  UpdatePortalMute();
}

// A value too long for the buffer is cut, never written past it.
void PostFormatted(bool pauseAfter, const char* format, ...) {
  char text[kHostMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  PostToHost(text, pauseAfter);
}

bool IsRestartDue() {
  const PortalState& s = gPortal;
  if (s.comInterval < 0) return false;
  return static_cast<int32_t>(s.playClock.GetTime()) / 1000 > s.comInterval;
}

void OnHostCommand(int command) {
  PortalState& s = gPortal;
  switch (command) {
    case 1: s.jumpToMenuRequested = true; break;
    case 2: s.hostHold = true; break;
    case 3: s.hostHold = false; break;
    case 4:
      if (HasPqOption()) {
        if (TPlatformData* data = TPlatform::InstanceData())
          if (platform::window::IWindow* w = data->GetWindow()) w->SetMouseCapture(false);
      }
      BeginHostPause();
      break;
    case 5:
    case 6:
    case 9:
    case 10: EndHostPause(); break;
    case 7:
      s.gameActive = true;
      s.lastScoreTick = 0;
      s.gamePaused = false;
      EndHostPause();
      s.playClock.Reset();
      s.playClock.Start();
      s.breakpointCount = 0;
      if (s.atMenu)
        s.atMenu = false;
      else
        s.restartRequested = true;
      break;
    case 8: s.restartRequested = true; break;
    default: break;
  }
  UpdatePortalMute();
}

void OnGamePause(bool paused) {
  PortalState& s = gPortal;
  if (paused == s.gamePaused) return;
  s.gamePaused = paused;
  if (!s.hostPaused) {
    if (paused)
      s.playClock.Pause();
    else
      s.playClock.Start();
    if (IsZylomMode())
      PostToHost(paused ? "GamePause(\"<data>true</data>\")" : "GamePause(\"<data>false</data>\")",
                 false);
  }
  UpdatePortalMute();
}

void OnScore(long score) {
  PortalState& s = gPortal;
  if (!s.gameActive) return;
  uint32_t now = TickCount();
  if (now - s.lastScoreTick < kScoreInterval) return;
  s.lastScoreTick = now;
  PostFormatted(false, "ScoreBroadcast(\"<game><score>%ld</score><time>%ld</time></game>\")", score,
                static_cast<long>(s.playClock.GetTime() / 1000));
}

// "-com_interval" is followed by one separator and the number of seconds.
void ReadComInterval(const str& commandLine) {
  PortalState& s = gPortal;
  int at = commandLine.Find(str("-com_interval"));
  if (at < 0) {
    s.comInterval = -1;
    return;
  }
  s.comInterval = commandLine.Substr(static_cast<unsigned>(at) + 14, 0xFFFFFFFFu).ToInt();
}

}  // namespace

bool PostTextToHost(const char* text) {
  TPlatformData* data = TPlatform::InstanceData();
  platform::host::IHostWindow* host = data ? data->GetHostWindow() : nullptr;
  if (!host) return false;
  size_t length = std::strlen(text) + 1;
  bool delivered = true;
  for (size_t at = 0; at < length; at += kHostPieceSize) {
    uint8_t piece[kHostPieceSize] = {};
    std::memcpy(piece, text + at, std::min<size_t>(kHostPieceSize, length - at));
    uint32_t words[2] = {0, 0};
    for (int b = 0; b < kHostPieceSize; ++b)
      words[b / 4] |= static_cast<uint32_t>(piece[b]) << (8 * (b % 4));
    delivered = host->Post(platform::host::Record{kHostMessageId, words[0], words[1]}) && delivered;
  }
  return delivered;
}

void ResetPortalState() { gPortal = PortalState(); }

bool TMsnZylomHandler::OnEvent(const char* key, const char* value) {
  if (!InPortalMode()) return false;
  PortalState& s = gPortal;
  const str k(key);
  const int number = str(value).ToInt();
  if (k == "windowmessage") {
    OnHostCommand(number);
    return true;
  }
  if (k == "sessionready") {
    if (!s.sessionReadySent) {
      s.sessionReadySent = true;
      PostToHost("SessionReady(\"<data></data>\")", true);
    }
    return true;
  }
  if (k == "mute") {
    s.gameMuted = number != 0;
    UpdatePortalMute();
    return true;
  }
  if (k == "cmdline") {
    if (IsZylomMode()) ReadComInterval(str(value));
  } else if (k == "pause") {
    OnGamePause(number != 0);
  } else if (k == "breaknow") {
    ++s.breakpointCount;
    PostFormatted(true, "GameBreak(\"<data><breakpoint>%d</breakpoint></data>\")",
                  s.breakpointCount);
  } else if (k == "score") {
    OnScore(number);
  } else if (k == "gamemode") {
    PostFormatted(true, "GameReady(\"<data><mode>%s</mode></data>\")", value);
  } else if (k == "gameover") {
    s.gameActive = false;
    PostToHost("GameEnd(\"<gamedata></gamedata>\")", true);
  }
  return false;
}

const char* TMsnZylomHandler::Query(const char* key, const char* defaultValue) {
  if (!InPortalMode()) return defaultValue;
  PortalState& s = gPortal;
  const str k(key);
  if (k == "systemmode")
    s.queryResult = IsMsnMode() ? "msn" : "zylom";
  else if (k == "restartbutton")
    s.queryResult = str::Format("%d", IsRestartDue() ? 1 : 0);
  else
    return defaultValue;
  return s.queryResult.CStr();
}

bool TMsnZylomHandler::QueryRestartMode() {
  PortalState& s = gPortal;
  if (!InPortalMode() || !s.restartRequested) return false;
  s.restartRequested = false;
  s.gameActive = true;
  UpdatePortalMute();
  return true;
}

bool TMsnZylomHandler::QueryJumpToMenu() {
  PortalState& s = gPortal;
  if (!InPortalMode() || !s.jumpToMenuRequested) return false;
  s.jumpToMenuRequested = false;
  s.atMenu = true;
  s.gameActive = false;
  UpdatePortalMute();
  return true;
}

bool TMsnZylomHandler::QueryMuteGame() { return InPortalMode() && gPortal.gameMuted; }

bool TMsnZylomHandler::QueryHostPause() { return InPortalMode() && gPortal.hostPaused; }
