// What the game adds to the scripts before the first game script runs: its window types, its
// free script functions and globals, the current player's game, and the start-up scripts.
#pragma once

#include "core/str.h"
#include "window/TWindow.h"

class TWindowManager;
struct lua_State;

// One entry of the game's window-type registry.
struct QMWindowType {
  const char* name;
  TWindow::Creator creator;
};

// The game's window types in registration order. Every screen, scene or puzzle window the
// game adds registers here, and nowhere else.
extern const QMWindowType kGameWindowTypes[];
extern const size_t kGameWindowTypeCount;

// Opens the screen, registers the window types and script functions, restores the current
// player's game and runs the start-up scripts, ending with "scripts/mainloop.lua". False when
// the main script could not be run (missing, unreadable or failing), which the log names.
bool RegisterGameTypes(TWindowManager* wm);

// The game's main script, run last at start-up; its coroutine is the game flow.
inline constexpr char kMainScript[] = "scripts/mainloop.lua";

// Binds the free script functions the game provides, in binding order.
void RegisterGameScriptFunctions(lua_State* L);

// The script functions defined here.
void QuitToMainMenu();
void QuitToRestart();
// "CreateStringTable" (label): the label's text as a table of words, each a table of
// characters; the same table for the same label until the cache is released.
int CreateStringTableBinding(lua_State* L);
// Destroys every table "CreateStringTable" made; done once the main loop has ended.
void ReleaseStringTableCache();
