#include "core/TFailure.h"

#include "core/EngineLog.h"

void TFailure::Report(const char* message, int line, const char* file) {
  EngineLog("%s(%d): %s", file ? file : "", line, message ? message : "");
}

TFailure& TFailure::Instance() {
  static TFailure reporter;
  return reporter;
}
