#include "scene.h"

#include <SDL_gfxPrimitives.h>

void drawScene(SDL_Surface* screen) {
    pixelRGBA(screen, 10, 15, 255, 255, 255, 255);
    lineRGBA(screen, 20, 10, 70, 90, 255, 0, 0, 255);
    trigonRGBA(screen, 500, 50, 550, 200, 600, 150, 0, 255, 255, 255);
    filledTrigonRGBA(screen, 200, 200, 300, 50, 400, 200, 0, 0, 255, 255);
    // The left side lies off the surface; the library clips it away.
    rectangleRGBA(screen, -10, 300, 100, 380, 0, 255, 0, 255);
    // Blended over the part of the blue triangle that it covers.
    boxRGBA(screen, 210, 76, 325, 300, 255, 0, 0, 150);
    // The green ellipse hides the top and bottom arcs of the yellow outline.
    ellipseRGBA(screen, 600, 400, 50, 90, 255, 255, 0, 200);
    filledEllipseRGBA(screen, 600, 400, 25, 150, 0, 255, 0, 255);

    const short x[6] = {350, 275, 300, 325, 350, 400};
    const short y[6] = {325, 325, 390, 390, 375, 300};
    polygonRGBA(screen, x, y, 6, 255, 255, 255, 155);

    // Concave: the corner at (425, 425) points inwards.
    const short s[5] = {400, 450, 450, 425, 300};
    const short t[5] = {400, 410, 450, 425, 500};
    filledPolygonRGBA(screen, s, t, 5, 255, 0, 255, 155);

    // The ring follows the pointer as SDL reports it now; any position on
    // the 1366x768 surface fits in a Sint16.
    int x0 = 0;
    int y0 = 0;
    SDL_GetMouseState(&x0, &y0);
    ellipseRGBA(screen, static_cast<Sint16>(x0), static_cast<Sint16>(y0), 30, 30, 255, 255, 0, 200);
}
