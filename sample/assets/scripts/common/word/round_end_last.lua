-- The word puzzle's last round ends the puzzle: the panel says so, with the round's chime.
SetLabel("roundendtext", GetString("WORD_PUZZLE_DONE"))
PlayGlobalSound("word/round_end.ogg")
