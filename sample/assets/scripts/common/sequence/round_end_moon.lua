-- What the round-end dialog says after the moon round, the puzzle's last.
return { title = "SEQ_END_MOON_TITLE", text = "SEQ_END_MOON" }
