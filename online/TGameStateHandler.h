// An observer of the game-state service: host portals and add-on modules. It sees every
// published change first and may consume it, rewrites query answers, and answers the host's
// yes/no questions.
#pragma once

class TGameStateHandler {
public:
  virtual ~TGameStateHandler() = default;
  // True consumes the event: the service stops passing it on.
  virtual bool OnEvent(const char* key, const char* value) = 0;
  // The answer for key, given the previous handler's answer; it must stay valid until the
  // service has copied it, which it does at once.
  virtual const char* Query(const char* key, const char* defaultValue) {
    (void)key;
    return defaultValue;
  }
  virtual bool QueryRestartMode() { return false; }
  virtual bool QueryJumpToMenu() { return false; }
  virtual bool QueryMuteGame() { return false; }
  // True while the handler's host holds the game paused.
  virtual bool QueryHostPause() { return false; }
};
