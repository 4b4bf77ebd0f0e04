-- The layer puzzle's round-end dialog: the round's own script (named by
-- "layer_round_end_modal_round") gives the message, shown in the common round-end dialog.

if layer_round_end_modal_round and fileExists(layer_round_end_modal_round) then
  ReadFile(layer_round_end_modal_round)
end
ReadFile("scripts/common/round_end_modal.lua")
