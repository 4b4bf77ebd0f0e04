// The engine's entry: reads the command line, builds the platform, opens the main window,
// runs the game's main function and tears everything down when it returns.
#pragma once

#include "core/ProgramExit.h"
#include "core/str.h"

class TPlatform;

// The game's main function; its result is not used.
using GameMainFunction = int (*)(TPlatform* platform, const char* commandLine);

// Returns 0 after a normal run, else the code the program ends with (after the exit hook).
int PlatformMain(void* instance, void* previousInstance, const char* commandLine, int showCommand,
                 GameMainFunction gameMain, bool allowSeveralInstances);

// One command line from the program's arguments; an argument with blanks is quoted (after
// its "=" when it has one), so "-wd=" sees the quotes it understands.
str JoinCommandLine(int argc, const char* const* argv);
