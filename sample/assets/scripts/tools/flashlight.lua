-- The flashlight: the scene shows through the clear middle of the mask, everything else is
-- covered at the darken opacity; the offset moves the spot from the mouse pointer.
return {
  mask = "images/tools/spot_mask.png",
  darken = 0.85,
  offset = { 0, 0 },
}
