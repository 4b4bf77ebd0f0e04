-- A coaching tip of the codex puzzle, played by its feedback window: the tip rises below the
-- solve grid, holds and fades; at its end the window may play the next one.
return dofile("assets/scripts/puzzles/codex_tip.lua")("CODEX_TIP_CHECK")
