return {
  { type = "opacity", from = 0, to = 1, duration = 400 },
  { type = "wait", message = 1021 },
  { type = "darken", from = 1, to = 0.45, duration = 300 },
  { type = "opacity", from = 1, to = 0, duration = 250 },
}, { offset = { 4, -8 }, mask = "images/badge.png", darken = 0.5 }
