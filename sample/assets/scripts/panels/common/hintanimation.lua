-- Run in the search scene's animation window when a hint starts; selected_sprite_name names the
-- object shown. A "Look here!" rises by the hint button and fades while the glow pulses.
if IsSpriteExist("hintnote") then _RemoveSprite("hintnote") end
_AddTextSprite("hintnote", { text = "HINT_LOOK", font = "sansbold", fontSize = 24,
                             color = { 1, 0.9, 0.45, 1 }, box = { -80, -16, 160, 32 } }, 5, "")
StartMulti()
_AddMoveAnim("hintnote", 1400, 530, 24, 530, 0, "sinOut")
_AddBlendAnim("hintnote", 1400, 1, 0, "")
EndMulti()
_Start()
