-- What every puzzle of the sample shares: the modal it opens in, and the game functions its
-- round-end and completion texts call. The start-up script runs this file before the puzzles'
-- own scripts; a game flow that defines setComplete, puzzleComplete or modifyGameTimer first
-- keeps its own.

-- The solved puzzles of this session, by the name of the modal they opened in.
gSolvedPuzzles = gSolvedPuzzles or {}

-- Opens a puzzle's modal, named after the puzzle, and remembers it as the open puzzle; returns
-- the modal's id. MakeDialog then fills it.
function OpenPuzzleModal(name)
  gPuzzleName = name
  gPuzzleModal = PushModal(name)
  return gPuzzleModal
end

-- Closes the open puzzle's modal, as its Leave or Back button does. A modal the player has
-- already closed is left alone, since its id names no window any more.
function ClosePuzzle()
  if gPuzzleModal then
    PopModal(gPuzzleModal)
    gPuzzleModal = nil
  end
end

-- The open puzzle counts as solved for the rest of the session.
if not setComplete then
  function setComplete()
    if gPuzzleName then gSolvedPuzzles[gPuzzleName] = true end
  end
end

-- Leaves the solved puzzle: its modal closes.
if not puzzleComplete then
  function puzzleComplete() ClosePuzzle() end
end

-- The time left, in seconds, shown by the open puzzle's search list (message 2011). Puzzles
-- without a search list ignore the message.
gGameTimeLeft = gGameTimeLeft or 300
if not modifyGameTimer then
  function modifyGameTimer(seconds)
    gGameTimeLeft = math.max(0, gGameTimeLeft + seconds)
    PostMessage(CreateNamedMessage(2011, tostring(gGameTimeLeft)))
  end
end

-- A puzzle with a search list that announces the start of play (message 1010) has its clock
-- run: the list calls decrementGameTimer once a second, and the clock stops at :00. It also
-- calls bumpHintLevel at its hint period, which lights its hint lights one by one, when it has
-- them.
if not decrementGameTimer then
  function decrementGameTimer()
    if gGameTimeLeft <= 0 then return end
    gGameTimeLeft = gGameTimeLeft - 1
    PostMessage(CreateNamedMessage(2011, tostring(gGameTimeLeft)))
  end
end
gPuzzleHintLevel = gPuzzleHintLevel or 0
if not bumpHintLevel then
  function bumpHintLevel()
    if gPuzzleHintLevel >= 3 then return end
    gPuzzleHintLevel = gPuzzleHintLevel + 1
    PostMessage(CreateNamedMessage(1025, tostring(gPuzzleHintLevel)))
  end
end
