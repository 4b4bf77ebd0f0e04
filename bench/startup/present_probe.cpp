// Loaded into a program under measure (LD_PRELOAD): notes the moment its first frame has been
// presented through a window surface, and passes every call on to SDL. The moment, in
// nanoseconds of the monotonic clock, is written as a line of text to the descriptor named by
// STARTUP_PROBE_FD; nothing else of the program changes.
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

struct SDL_Window;
struct SDL_Rect;

namespace {

std::atomic<bool> gSeen{false};

void NoteFirstPresent() {
  if (gSeen.exchange(true)) return;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const char* fd = std::getenv("STARTUP_PROBE_FD");
  if (!fd) return;
  char line[32];
  const int n = std::snprintf(line, sizeof line, "%lld\n",
                              (long long)ts.tv_sec * 1000000000LL + (long long)ts.tv_nsec);
  if (n > 0 && write(std::atoi(fd), line, size_t(n)) < 0) return;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int SDL_UpdateWindowSurface(SDL_Window* window) {
  static const auto next = Next<int (*)(SDL_Window*)>("SDL_UpdateWindowSurface");
  const int result = next ? next(window) : -1;
  NoteFirstPresent();
  return result;
}

extern "C" int SDL_UpdateWindowSurfaceRects(SDL_Window* window, const SDL_Rect* rects, int count) {
  static const auto next =
      Next<int (*)(SDL_Window*, const SDL_Rect*, int)>("SDL_UpdateWindowSurfaceRects");
  const int result = next ? next(window, rects, count) : -1;
  NoteFirstPresent();
  return result;
}
