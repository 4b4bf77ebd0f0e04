-- Run in the search scene's animation window when the player clicks wildly: ten seconds come
-- off the level clock and a red "-10" rises from the clock and fades.
AnimModifyGameTimer(-10)
if IsSpriteExist("timerpenalty") then _RemoveSprite("timerpenalty") end
_AddTextSprite("timerpenalty", { text = "#-10", font = "sansbold", fontSize = 30,
                                 color = { 1, 0.35, 0.3, 1 }, box = { -40, -20, 80, 40 } }, 5, "")
StartMulti()
_AddMoveAnim("timerpenalty", 1200, 610, 520, 610, 420, "sinOut")
_AddBlendAnim("timerpenalty", 1200, 1, 0, "")
EndMulti()
_Start()
