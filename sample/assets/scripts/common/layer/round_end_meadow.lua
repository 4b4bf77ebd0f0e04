-- The message after the layer puzzle's meadow round.
gRoundEndMessage = "LAYER_END_MEADOW"
