local n = 0
return {
  { type = "command", command = function() n = n + 1 end },
  { type = "command", command = "PostMessage(CreateNamedMessage(1021, ''))" },
  { type = "wait", message = 1021, duration = 10 },
  { type = "multiple", { type = "multiple", { type = "position", to = { 3, 4 }, duration = 16 } } },
  { type = "wait", message = 1e30 },
  { type = "sound", sound = "audio/click.ogg", soundType = -1e30, loop = true },
  { type = "window", window = "fuzzanim", command = "clear" },
}, {}
