-- The layer puzzle's hint when every photo already lies on its cell: only the stacking is
-- left, which a short note in the overlay says.

dofile("scripts/common/overlay.lua")

return function() ShowOverlayNote("layer_hint_note", "LAYER_HINT_STACK") end
