-- The message after the layer puzzle's last round, the harbour at night.
gRoundEndMessage = "LAYER_END_HARBOUR"
