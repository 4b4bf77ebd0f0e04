// The window types of the animation library: "SpriteWindow", "AnimOverSpriteWindow" and
// "KButton". The game's window-type registration calls this.
#pragma once

class TWindowScript;

void RegisterAnimWindowTypes(TWindowScript* script);
