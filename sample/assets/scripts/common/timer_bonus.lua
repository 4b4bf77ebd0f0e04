-- Run in the search scene's animation window to reward the player: the amount set in
-- "global_timer_bonus_amount" goes onto the level clock and a green "+N" rises and fades.
local amount = global_timer_bonus_amount or 0
AnimModifyGameTimer(amount)
if IsSpriteExist("timerbonus") then _RemoveSprite("timerbonus") end
_AddTextSprite("timerbonus", { text = "#+" .. amount, font = "sansbold",
                               fontSize = 30, color = { 0.5, 1, 0.55, 1 },
                               box = { -40, -20, 80, 40 } }, 5, "")
StartMulti()
_AddMoveAnim("timerbonus", 1200, 610, 520, 610, 420, "sinOut")
_AddBlendAnim("timerbonus", 1200, 1, 0, "")
EndMulti()
_Start()
