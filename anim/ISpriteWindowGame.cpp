#include "anim/ISpriteWindowGame.h"

namespace {

ISpriteWindowGame gDefaults;
ISpriteWindowGame* gInstalled = nullptr;

}  // namespace

ISpriteWindowGame* ISpriteWindowGame::Get() { return gInstalled ? gInstalled : &gDefaults; }

void ISpriteWindowGame::Install(ISpriteWindowGame* game) { gInstalled = game; }
