#include "window/TWindowManager.h"

#include "script/binding/TWindowScript.h"
#include "window/TScreen.h"

TWindowManager::~TWindowManager() {
  delete mRoot;
  delete mScriptHost;
}

void TWindowManager::SetScriptHost(TWindowScript* host) {
  if (host == mScriptHost) return;
  delete mScriptHost;
  mScriptHost = host;
}

void TWindowManager::SetRoot(TScreen* root) {
  if (root == mRoot) return;
  delete mRoot;
  mRoot = root;
}
