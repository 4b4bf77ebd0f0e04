-- What a word-puzzle round without a round-end script of its own shows as it ends: a chime.
PlayGlobalSound("word/round_end.ogg")
