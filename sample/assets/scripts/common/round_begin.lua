-- The banner at the start of a puzzle round, run in the puzzle screen's overlay sprite window.
-- The puzzle sets "round_bubble_round_string" ("round1", "round2" ...); the banner shows the
-- text of the label "ROUND_" followed by it, fades in, stays a moment and fades out.

dofile("scripts/common/overlay.lua")

local kBanner = "round_banner"

return function()
  if IsSpriteExist(kBanner) then _RemoveSprite(kBanner) end
  _AddTextSprite(kBanner, { text = "ROUND_" .. (round_bubble_round_string or "round1"),
                            font = "sansbold", fontSize = 40,
                            color = { 1, 0.93, 0.75, 1 }, background = { 0.1, 0.06, 0.02, 0.7 },
                            box = { 250, 250, 300, 70 } }, 10, "")
  _SetSpriteOpacity(kBanner, 0)
  _AddBlendAnim(kBanner, 300, 0, 1, "")
  _AddTimer(900)
  _AddBlendAnim(kBanner, 400, 1, 0, "")
  RunQueue()
  _RemoveSprite(kBanner)
end
