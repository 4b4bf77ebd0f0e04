// The window system's script host. The engine makes one without a window at start-up; it
// will own the global script state. Here: what the platform's start-up and pump ask of it.
#pragma once

class TWindowScript {
public:
  TWindowScript() = default;
  virtual ~TWindowScript() = default;

  // At most one movie plays over the game; the close request stops it.
  bool IsMoviePlaying() const { return mMoviePlaying; }
  void StopMovie() { mMoviePlaying = false; }

private:
  bool mMoviePlaying = false;
};
