#ifndef QUORVANE_SCENE_H
#define QUORVANE_SCENE_H

#include <SDL.h>

// Draws the fixed scene onto screen, and last the cursor ring at the pointer.
// The caller clears the surface before and flips it after.
void drawScene(SDL_Surface* screen);

#endif
