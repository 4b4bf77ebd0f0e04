// Pieces of Lua text the game writes itself.
#pragma once

#include "core/str.h"

// The text as a double-quoted Lua string literal that reads back as exactly the same bytes:
// quotes, backslashes and control bytes are written as decimal escapes, so a name can never
// end the literal early or run as code.
str LuaStringLiteral(const str& text);
