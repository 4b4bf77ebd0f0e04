// How every puzzle window loads the sounds its layout names.
#pragma once

#include <boost/shared_ptr.hpp>

#include "core/str.h"

class TSound;

// Null for an empty name. Layouts name sounds with or without their ".ogg"; a name without it
// gets it.
boost::shared_ptr<TSound> LoadPuzzleSound(const str& name);
