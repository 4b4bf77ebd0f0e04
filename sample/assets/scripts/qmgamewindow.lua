-- The game's main window, opened again when the scripts restart the game ("QuitToRestart").
return RunGame
