return {
  { type = "position", from = { 1e30, -1e30 }, to = { 0/0, 1/0 }, duration = -1 },
  { type = "scale", from = { 0, 0 }, to = { -1/0, 2147483648 }, duration = 4294967296 },
  { type = "rotation", to = 0/0, duration = 0.5 },
  { type = "opacity", from = "x", to = {}, duration = 1e300, loop = -1 },
  { type = "wait", duration = -2147483648 },
  { type = "darken", to = -5, duration = 1/0 },
  { type = "multiple" },
  { type = "nothing" },
  7, "text", { },
}, { layer = 1e300, color = -1, darken = 0/0, offset = "a", point = { 1e30, -1e30 }, [1] = 2,
     name = 5, image = "", mask = "missing.png", sound = "" }
