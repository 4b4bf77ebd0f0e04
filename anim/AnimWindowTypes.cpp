#include "anim/AnimWindowTypes.h"

#include "anim/AnimOverKSpriteWindow.h"
#include "anim/KButton.h"
#include "anim/KSpriteWindow.h"
#include "script/binding/TWindowScript.h"

void RegisterAnimWindowTypes(TWindowScript* script) {
  if (!script) return;
  script->RegisterWindowType("SpriteWindow", &KSpriteWindow::Create);
  script->RegisterWindowType("AnimOverSpriteWindow", &AnimOverKSpriteWindow::Create);
  script->RegisterWindowType("KButton", &KButton::Create);
}
