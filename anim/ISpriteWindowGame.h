// What sprite windows ask of the game: the player's map string and sound levels, blackening the
// screen behind a closing map, and the one-shot script-debug flag. The game installs its own
// implementation; until it does, the defaults below answer.
#pragma once

#include "core/str.h"

class TTexture;

class ISpriteWindowGame {
public:
  virtual ~ISpriteWindowGame() = default;
  // The current user's "map_string".
  virtual str GetMapString() { return str(); }
  // The current user's "soundlevel" / "musiclevel", 0..1000.
  virtual int GetSoundLevel() { return 750; }
  virtual int GetMusicLevel() { return 750; }
  // Replaces the window named "root" by an opaque black image.
  virtual void BlackenWindow() {}
  // The one-shot script-debug flag; reading it clears it.
  virtual bool GetScriptDebugMode() { return false; }

  // The installed game, or the defaults; installing null restores the defaults. The caller
  // keeps ownership and uninstalls before destroying it.
  static ISpriteWindowGame* Get();
  static void Install(ISpriteWindowGame* game);
};
