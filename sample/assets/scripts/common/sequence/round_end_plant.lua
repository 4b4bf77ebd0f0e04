-- What the round-end dialog says after the plant round.
return { title = "SEQ_END_PLANT_TITLE", text = "SEQ_END_PLANT" }
