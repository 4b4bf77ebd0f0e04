// The game's identity and its main function, which the engine's entry runs.
#pragma once

class TPlatform;

// Stores the game's identity in the settings before the engine starts.
void SetGameSettings();

// Runs the game until the player closes the window.
int GameMain(TPlatform* platform, const char* commandLine);
