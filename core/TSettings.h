// The program-wide store of named settings: name -> text value, case-sensitive names, no
// types (readers convert). A few names have side effects when written. Main thread only.
#pragma once

#include "core/str.h"

// The engine's well-known setting names.
inline constexpr const char kConfigCheatCode[] = "cheatcode";
inline constexpr const char kConfigCheatMode[] = "cheatmode";
inline constexpr const char kConfigComputerId[] = "computerid";
inline constexpr const char kConfigInstallKey[] = "installkey";
inline constexpr const char kConfigBuildTag[] = "buildtag";
inline constexpr const char kConfigGameName[] = "gamename";
inline constexpr const char kConfigPublisher[] = "publisher";
inline constexpr const char kConfigVersion[] = "version";
inline constexpr const char kConfigEncryptionKey[] = "encryptionkey";
inline constexpr const char kConfigHiscoreLocal[] = "hiscorelocal";
inline constexpr const char kConfigHiscoreAnon[] = "hiscoreanon";
inline constexpr const char kConfigFlashMajorVersion[] = "flashmajorversion";
inline constexpr const char kConfigVsync[] = "vsync";
inline constexpr const char kConfigMonitorFrequency[] = "monitorfrequency";
inline constexpr const char kConfigTextSpriteRender[] = "textspriterender";
inline constexpr const char kConfigUtf8Mode[] = "utf8mode";
inline constexpr const char kConfigAutoMergeMask[] = "automergemask";
inline constexpr const char kConfigOverlayMouse[] = "overlaymouse";
inline constexpr const char kConfigVerboseDebug[] = "verbosedebug";
inline constexpr const char kConfigHwGameHandle[] = "hwgamehandle";
inline constexpr const char kConfigHwGameModeName[] = "hwgamemodename";
inline constexpr const char kConfigHwGameMedalName[] = "hwgamemedalname";
inline constexpr const char kConfigActiveX[] = "activex";
inline constexpr const char kConfigDxBroken[] = "dxbroken";
inline constexpr const char kConfigTextureRamAllocated[] = "texture_ram_allocated";
inline constexpr const char kConfigMaxTextureRamAllocated[] = "max_texture_ram_allocated";
inline constexpr const char kConfigBrokenIndexedVerts[] = "brokenindexedverts";
inline constexpr const char kConfigUtf8ModeInit[] = "utf8modeinit";
inline constexpr const char kConfigTextureMemoryMax[] = "texturememorymax";
inline constexpr const char kConfigStartupDir[] = "startupdir";
inline constexpr const char kConfigMemoryMax[] = "memorymax";
inline constexpr const char kConfigWindowHandle[] = "hwnd";
inline constexpr const char kConfigCurrentSpriteCount[] = "current_sprite_count";
inline constexpr const char kConfigViewportScale[] = "viewportscale";
inline constexpr const char kConfigOldLineWrap[] = "heirloomlinewrap";

// Stores the value (replacing an earlier one), then runs the name's side effects.
void SetConfig(const str& name, const str& value);
// The stored value (also when it is empty), else the default.
str GetConfig(const str& name, const str& defaultValue = str());
// Whether a value is stored under the name (an empty one counts).
bool IsConfigSet(const str& name);
// The stored value read as a whole number is not 0 ("1", "-1" true; "", "0", "true" false).
bool GetConfigFlag(const str& name);
// Erases every setting (the platform's tear-down).
void ClearConfig();

// Set for good once "heirloomlinewrap" has been written; read by the text layout.
bool IsOldLineWrap();

// The platform facade registers this once it exists, to apply "vsync" and "viewportscale"
// to the display; until then setting them only stores the value. Null unregisters.
using ConfigChangeHook = void (*)(const str& name, const str& value);
void SetPlatformConfigHook(ConfigChangeHook hook);

// Whether a cheat code was issued for this computer under the game's key. Start-up registers
// the check; without one every cheat code is refused ("cheatmode" "0").
using CheatCodeCheck = bool (*)(const str& code, const str& key, const str& computerId);
void SetCheatCodeCheck(CheatCodeCheck check);
