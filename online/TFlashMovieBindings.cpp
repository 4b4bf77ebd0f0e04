// "StartMovie", "IsMoviePlaying" and "StopMovie" of the window scripts: one movie at a time.
#include <memory>

#include "online/OnlineScripting.h"
#include "online/TFlashMovie.h"
#include "script/binding/LuaBinding.h"

namespace {

std::unique_ptr<TFlashMovie>& CurrentMovie() {
  static std::unique_ptr<TFlashMovie> movie;
  return movie;
}

bool StartMovie(str name, bool texts, bool clickable) {
  CurrentMovie().reset();
  if (name.IsEmpty()) return false;
  auto movie = std::make_unique<TFlashMovie>(name);
  if (!movie->Start(false, texts, clickable)) return false;
  CurrentMovie() = std::move(movie);
  return true;
}

bool IsMoviePlaying() { return CurrentMovie() && CurrentMovie()->IsPlaying(); }

void StopMovie() { CurrentMovie().reset(); }

}  // namespace

void BindFlashMovieFunctions(lua_State* L) {
  if (!L) return;
  BindFunction(L, "StartMovie", &StartMovie);
  BindFunction(L, "IsMoviePlaying", &IsMoviePlaying);
  BindFunction(L, "StopMovie", &StopMovie);
}
