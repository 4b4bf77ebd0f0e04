-- The runner hands its arguments to the chunk and keeps the script name in the global arg[0].
print(arg[1], arg[2], arg.n, _G.arg[0], _G.arg[2])
