#include <SDL.h>

#include <cstdio>

#include "scene.h"

const int WINDOW_WIDTH = 1366;
const int WINDOW_HEIGHT = 768;
const char* const WINDOW_TITLE = "Quorvane";

// On platforms where SDL supplies the process entry, SDL.h renames this
// function SDL_main and SDL's entry glue calls it.
int main(int argc, char* argv[]) {
    (void)argc;
    (void)argv;

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "quorvane: cannot start SDL's video subsystem: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_Surface* screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 0,
                                           SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
    if (screen == nullptr) {
        std::fprintf(stderr, "quorvane: cannot set the %dx%d full-screen video mode: %s\n",
                     WINDOW_WIDTH, WINDOW_HEIGHT, SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption(WINDOW_TITLE, nullptr);

    SDL_Event event;
    bool gameRunning = true;
    while (gameRunning) {
        // One event per pass: whatever else is queued waits for later passes.
        if (SDL_PollEvent(&event) != 0) {
            // A quit request from the window system, or Escape pressed or
            // released, whatever the modifiers; every other event is dropped.
            const bool escape = (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) &&
                                event.key.keysym.sym == SDLK_ESCAPE;
            if (event.type == SDL_QUIT || escape) {
                gameRunning = false;
            }
        }
        // The pass that took a stop request still shows its frame.
        const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
        SDL_FillRect(screen, nullptr, black);
        drawScene(screen);
        SDL_Flip(screen);
    }

    SDL_Quit();
    return 0;
}
