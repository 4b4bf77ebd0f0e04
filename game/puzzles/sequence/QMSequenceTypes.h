// Every window class of the sequence puzzle, for the registry of window types.
#pragma once

#include "game/puzzles/sequence/QMSequenceBin.h"
#include "game/puzzles/sequence/QMSequenceClue.h"
#include "game/puzzles/sequence/QMSequenceGrid.h"
#include "game/puzzles/sequence/QMSequencePuzzlePiece.h"
#include "game/puzzles/sequence/QMSequencePuzzleRounds.h"
#include "game/puzzles/sequence/QMSequencePuzzleWindow.h"
