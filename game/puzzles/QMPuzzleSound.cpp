#include "game/puzzles/QMPuzzleSound.h"

#include "sound/TSound.h"

boost::shared_ptr<TSound> LoadPuzzleSound(const str& name) {
  if (name.IsEmpty()) return boost::shared_ptr<TSound>();
  const bool hasExtension = name.Find(str(".ogg"), 1) >= 0;
  return TSound::Get(hasExtension ? name : name + ".ogg", true, 1000);
}
