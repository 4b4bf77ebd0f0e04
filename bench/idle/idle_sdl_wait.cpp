// The yardstick for an idle game: a window of the game's size, shown once, then nothing but
// waiting for events until it is closed or told to end.
#include <SDL.h>

#include <cstdio>

int main(int, char**) {
  // The same way of showing frames as the game: a window surface, no accelerated renderer.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "idle_sdl_wait: SDL did not start: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("idle", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800,
                                        600, SDL_WINDOW_SHOWN);
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
