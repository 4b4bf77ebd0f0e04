-- The arcade mode's multiple-copy objects: the objects listed under one text are found
-- together under one list entry ("shells_m3" and the like in strings.xml).
ArcadeMultiple = {
  shell_a = { "shells" },
  shell_b = { "shells" },
  shell_c = { "shells" },
}
