// The sound manager: owner of the audio device and the streaming thread. Here: what the
// platform's start-up, event pump and tear-down ask of it.
#pragma once

class TSoundManager {
public:
  TSoundManager() = default;
  ~TSoundManager() = default;

  // Starts the sound system; false when there is none to start.
  bool Init();
  // Runs finished-sound callbacks on the main thread.
  void DispatchCallBacks() {}
  // Pauses every stream while the game is inactive.
  void SetActive(bool active) { mActive = active; }
  bool IsActive() const { return mActive; }
  // The effective volume of a group; the master volume for group -1.
  float GetVolume(int group) const {
    (void)group;
    return mMasterVolume;
  }
  void SetMasterVolume(float volume) { mMasterVolume = volume; }

private:
  bool mActive = true;
  bool mStarted = false;
  float mMasterVolume = 1.0f;
};
