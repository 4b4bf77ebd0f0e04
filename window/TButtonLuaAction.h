// A button action that runs a Lua function: the script host receives it with a
// kCommandOnly message and runs it in the scripts' coroutine.
#pragma once

#include "window/TButton.h"

class TLuaFunction;

class TButton::LuaAction : public TButton::Action {
public:
  // Owns the function.
  explicit LuaAction(TLuaFunction* command) : mCommand(command) {}
  ~LuaAction() override;
  void Execute(TButton* button) override;

private:
  TLuaFunction* mCommand;
};
