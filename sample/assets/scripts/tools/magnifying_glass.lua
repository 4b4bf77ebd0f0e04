-- The magnifying glass: the lens is cut by the mask (red 0 is clear), framed by the image, and
-- the offset is the point of both pictures that sits on the mouse pointer: the lens's centre.
return {
  mask = "images/tools/lens_mask.png",
  image = "images/tools/lens_frame.png",
  offset = { 64, 64 },
}
