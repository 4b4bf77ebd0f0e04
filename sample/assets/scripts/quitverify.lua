-- Runs when the player closes the game, before anything is shut down: the program saves the
-- game after this. Nothing here may wait: the main loop ends as soon as this file has run.
gQuitting = true
