// The engine's one failure reporter: code that finds a broken rule in data it was handed (a
// script index out of range, say) reports where it stands and goes on.
#pragma once

class TFailure {
public:
  virtual ~TFailure() = default;
  // Writes "file(line): message" to the engine log; never fails.
  virtual void Report(const char* message, int line, const char* file);

  static TFailure& Instance();
};
