#include "sound/TSoundManager.h"

bool TSoundManager::Init() {
  mStarted = true;
  return true;
}
