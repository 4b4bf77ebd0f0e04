// Ending the program early, through a hook a test or an embedding host may install.
#pragma once

// Called with the exit code when the engine ends the program early (a second instance: 0; a
// host window that does not exist: -1). The default ends the process; a hook that returns
// lets the caller return the code instead.
using PlatformExitHook = void (*)(int code);
void SetPlatformExitHook(PlatformExitHook hook);
// Ends the program with the code through the exit hook (the display's fatal errors use it).
int EndPlatformProgram(int code);
