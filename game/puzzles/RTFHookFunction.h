// A hook slot of a puzzle window: armed by a real-time feedback zone, called by the puzzle when
// the zone's named event happens; null while no zone listens.
#pragma once

using RTFHookFunction = void (*)();
