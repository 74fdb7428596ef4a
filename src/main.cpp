#include <SDL.h>

#include <cstdio>
#include <cstring>

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
    // With no display to show on, SDL2 quietly falls back to an invisible
    // offscreen driver; a run there could neither be seen nor be left with
    // Escape, so it counts as SDL not starting.
    char driver[32] = "";
    SDL_VideoDriverName(driver, static_cast<int>(sizeof driver));
    if (std::strcmp(driver, "offscreen") == 0) {
        std::fprintf(stderr,
                     "quorvane: cannot start SDL's video subsystem: no display to show on "
                     "(SDL found no X or Wayland display, only its invisible offscreen driver)\n");
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
    // The ring reads the pointer with SDL_GetMouseState, so its events are
    // kept out of the queue: SDL's queue holds 128 events and drops what
    // comes while it is full, and a moving mouse would fill it faster than
    // one event a pass empties it, until Escape itself was dropped. The
    // wheel comes as buttons 4 and 5.
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONDOWN, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONUP, SDL_IGNORE);

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
