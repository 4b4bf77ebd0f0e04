// What the online library adds to the window system at start-up: the cross-sell window type
// and the movie functions of the window scripts. The window system knows nothing of online,
// so the platform's start-up calls this once the window manager has its script host.
#pragma once

class TWindowManager;
struct lua_State;

void RegisterOnlineWindows(TWindowManager* manager);
void BindFlashMovieFunctions(lua_State* L);
