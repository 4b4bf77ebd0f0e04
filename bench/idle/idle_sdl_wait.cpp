// The yardstick for an idle game and for its start-up: SDL started, a window of the game's size
// opened and one black frame presented the way the game presents (a window surface), then
// nothing but waiting for events until it is closed or told to end.
// Usage: idle_sdl_wait [WIDTH HEIGHT [full]] (800x600 in a window without arguments)
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 800;
  const int height = argc > 2 ? std::atoi(argv[2]) : 600;
  const bool full = argc > 3 && std::strcmp(argv[3], "full") == 0;
  // The same way of showing frames as the game: a window surface, no accelerated renderer.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "idle_sdl_wait: SDL did not start: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window =
      SDL_CreateWindow("idle", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                       SDL_WINDOW_SHOWN | (full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
  if (!window) {
    std::fprintf(stderr, "idle_sdl_wait: no window: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }
  if (SDL_Surface* screen = SDL_GetWindowSurface(window)) {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window);
  }
  // SDL turns SIGTERM and SIGINT into a quit event.
  SDL_Event e;
  while (SDL_WaitEvent(&e)) {
    if (e.type == SDL_QUIT) break;
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
