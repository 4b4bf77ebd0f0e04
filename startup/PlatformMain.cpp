#include "startup/PlatformMain.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "assets/FileLayer.h"
#include "core/CrtRandom.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "online/PortalHandlers.h"
#include "online/TDllGameState.h"
#include "online/TGameState.h"
#include "platform/host/HostWindow.h"
#include "platform/os/Clock.h"
#include "platform/os/DynamicLibrary.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "startup/CheatCode.h"

namespace {

bool Has(const str& line, const char* option) { return line.Find(str(option)) >= 0; }

// The text after an option, or empty when the option is absent.
str After(const str& line, const char* option) {
  int at = line.Find(str(option));
  if (at < 0) return str();
  return line.Substr(static_cast<unsigned>(at) + static_cast<unsigned>(std::strlen(option)));
}

str UpToBlank(const str& text) {
  int blank = text.Find(' ');
  return blank < 0 ? text : text.Substr(0, static_cast<unsigned>(blank));
}

// "options=" pairs: key=value separated by "&", or ended by a blank when no "&" follows.
void StoreOptionPairs(str rest) {
  while (!rest.IsEmpty()) {
    if (rest[0] == ' ') return;
    int eq = rest.Find('=');
    if (eq < 0) return;
    str key = rest.Substr(0, static_cast<unsigned>(eq));
    unsigned valueStart = static_cast<unsigned>(eq) + 1;
    int amp = rest.Find('&', 0, valueStart);
    int end = amp >= 0 ? amp : rest.Find(' ', 0, valueStart);
    if (end < 0) {
      SetConfig(key, rest.Substr(valueStart));
      return;
    }
    SetConfig(key, rest.Substr(valueStart, static_cast<unsigned>(end) - valueStart));
    rest = rest.Substr(static_cast<unsigned>(end) + 1);
  }
}

str StripTrailingSlash(str path) {
  if (path.Length() > 1 && path[path.Length() - 1] == '/') path.Erase(path.Length() - 1);
  return path;
}

// A start-up failure the player must see: standard error and the log (kept until it opens).
void ReportStartupError(const str& what) {
  std::fprintf(stderr, "game: %s\n", what.CStr());
  EngineLog("Error: %s", what.CStr());
}

// False when the working folder named by "-wd=" cannot be entered.
bool SetupDataFolders(TPlatformData& data, const str& line, const str& gameFolder) {
  if (!data.mHosted || HasPqOption()) {
    char buf[PATH_MAX];
    if (MakeAppDataFolder(false, gameFolder.CStr(), buf, sizeof buf) == 0) data.mUserFolder = buf;
    if (MakeAppDataFolder(true, gameFolder.CStr(), buf, sizeof buf) == 0)
      data.mCommonFolder = buf;
    else
      data.mCommonFolder = data.mUserFolder;
    if (GetDesktopFolder(buf, sizeof buf) == 0)
      data.mDesktopFolder = buf;
    else
      data.mDesktopFolder = data.mUserFolder;
    data.mUserFolder = StripTrailingSlash(data.mUserFolder);
    data.mCommonFolder = StripTrailingSlash(data.mCommonFolder);
  }
  if (Has(line, "-wd=")) {
    str rest = After(line, "-wd=");
    str dir;
    if (!rest.IsEmpty() && rest[0] == '"') {
      // An unclosed quote takes the rest of the line.
      int close = rest.Find('"', 0, 1);
      dir = close < 0 ? rest.Substr(1) : rest.Substr(1, static_cast<unsigned>(close) - 1);
    } else {
      dir = UpToBlank(rest);
    }
    // A relative folder is meant from where the player started the program, not from the
    // program's own folder, which is the current one by now.
    if (!dir.IsEmpty() && dir[0] != '/' && !data.mStartupDir.IsEmpty())
      dir = StripTrailingSlash(data.mStartupDir) + "/" + dir;
    if (chdir(dir.CStr()) != 0) {
      ReportStartupError(str::Format("cannot change to the working folder %s given by -wd= (%s)",
                                     dir.CStr(), std::strerror(errno)));
      return false;
    }
  }
  return true;
}

// The game cannot run without its assets: say where they were looked for.
bool HasAssetsFolder() {
  std::error_code ec;
  if (std::filesystem::is_directory("assets", ec)) return true;
  std::filesystem::path where = std::filesystem::current_path(ec) / "assets";
  ReportStartupError(
      str::Format("the assets folder %s is missing (start the game with -wd= naming the folder "
                  "that holds \"assets\")",
                  where.c_str()));
  return false;
}

// The optional test harness; it stays loaded for the whole run.
uint64_t LoadHarness(platform::os::DynamicLibrary& lib, std::string& commandLine) {
  if (!lib.Load("hwHarness.dll")) return 0;
  using TestHookFn = uint64_t (*)(const char** commandLine);
  auto hook = reinterpret_cast<TestHookFn>(lib.Symbol("TestHook"));
  if (!hook) return 0;
  const char* line = commandLine.c_str();
  uint64_t window = hook(&line);
  commandLine = line ? line : "";
  return window;
}

void LoadModules() {
  str name;
  while (FindIndexedFile(str(), name, false)) {
    if (name.Find(str(".hwmod")) < 0) continue;
    // Modules run as code: only the assets tree may supply them, never the player's
    // writable "user:" and "common:" folders.
    if (name.Find(':') >= 0) continue;
    auto* module = new TDllGameState();
    if (module->Load(ResolveFilePath(name, true)))
      TGameState::GetInstance()->AddHandler(module);
    else
      delete module;
  }
}

}  // namespace

str JoinCommandLine(int argc, const char* const* argv) {
  str line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    str arg(argv[i]);
    if (arg.Find(' ') < 0) {
      line += arg;
      continue;
    }
    int eq = arg.Find('=');
    if (eq >= 0)
      line += arg.Substr(0, static_cast<unsigned>(eq) + 1) + "\"" +
              arg.Substr(static_cast<unsigned>(eq) + 1) + "\"";
    else
      line += "\"" + arg + "\"";
  }
  return line;
}

int PlatformMain(void*, void*, const char* commandLine, int showCommand, GameMainFunction gameMain,
                 bool allowSeveral) {
  RegisterCheatCodeCheck();
  std::string lineText = commandLine ? commandLine : "";
  platform::os::DynamicLibrary harness;
  uint64_t harnessWindow = LoadHarness(harness, lineText);
  str line(lineText.c_str());

  if (Has(line, "--headless")) platform::window::RequestHeadless(true);
  bool hostedOption = Has(line, "-wnd=");
  if (hostedOption || Has(line, "--multiple")) allowSeveral = true;

  uint32_t seed = platform::os::TimeGetTime() * 8627u;
  CrtSrand(seed % 104729u);
  auto* data = new TPlatformData(line.CStr(), showCommand, allowSeveral);
  data->mHarnessWindow = harnessWindow;
  if (data->IsSecondInstance()) {
    // The log file is the first instance's: this one must not open (and so empty) it.
    std::fprintf(stderr, "game: another instance is running; this one ends\n");
    delete data;
    ClearConfig();
    return EndPlatformProgram(0);
  }

  if (hostedOption) {
    uint64_t handle = std::strtoull(After(line, "-wnd=").CStr(), nullptr, 16);
    data->SetHostWindow(platform::host::OpenHostWindow(handle, platform::window::IsHeadless()));
    data->SetHosted();
    SetConfig(kConfigActiveX, "1");
    if (!data->GetHostWindow() || !data->GetHostWindow()->IsWindow()) {
      delete data;
      ClearConfig();
      return EndPlatformProgram(-1);
    }
  }
  if (Has(line, "-msn")) CreateMsnHandler();
  if (Has(line, "-zylom")) {
    CreateZylomHandler();
    data->mWindowedOnly = true;
  }
  if (Has(line, "--axtest")) {
    data->mHostedTest = true;
    data->SetHosted();
  }
  const bool folderOk = SetupDataFolders(*data, line, data->mTitle);
  if (!data->mHosted || HasPqOption()) OpenEngineLog(data->mUserFolder.CStr());
  if (!folderOk || !HasAssetsFolder()) {
    delete data;
    OpenEngineLog(nullptr);
    ClearConfig();
    return EndPlatformProgram(1);
  }

  auto* platform = new TPlatform(data);
  if (!platform->CreateWindow()) {
    delete platform;
    OpenEngineLog(nullptr);
    return EndPlatformProgram(-1);
  }
  if (data->mHostedTest) SetConfig(kConfigActiveX, "1");
  platform->CreateSoundManager();
  TRenderer::Instance();

  SetConfig(kConfigInstallKey, data->mProgramFolder);
  SetConfig(kConfigStartupDir, data->mStartupDir);
  if (Has(line, "--cheat")) {
    // The character right behind the option is skipped; nothing behind it gives no code.
    str rest = After(line, "--cheat");
    SetConfig(kConfigCheatCode, rest.IsEmpty() ? str() : UpToBlank(rest.Substr(1)));
  }
  if (Has(line, "options=")) StoreOptionPairs(After(line, "options="));
  if (HasPqOption()) CreateMsnHandler();
  LoadModules();

  TGameState* state = TGameState::GetInstance();
  state->SetState("cmdline", line);
  state->SetState("commondatadir", data->mCommonFolder);
  state->SetState("userdatadir", data->mUserFolder);

  // The game's own result becomes the exit code: a game that failed must not look like a quit.
  const int code = gameMain ? gameMain(platform, line.CStr()) : 0;

  if (harnessWindow) {
    auto window = platform::host::OpenHostWindow(harnessWindow, platform::window::IsHeadless());
    if (window) window->Post(platform::host::Record{platform::window::WM_QUIT, 0, 0});
  }
  delete platform;
  OpenEngineLog(nullptr);
  return code;
}
