// The cheat-code check: a code is good on the computer whose identifier it enciphers.
#pragma once

#include "core/str.h"

// The code is this computer's identifier enciphered under the game's key (as text, with its
// terminating zero, the form DecipherString reads).
bool CheatCodeMatches(const str& code, const str& key, const str& computerId);

// Makes the settings use CheatCodeMatches for "cheatmode".
void RegisterCheatCodeCheck();
