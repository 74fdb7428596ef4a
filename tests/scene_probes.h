#ifndef QUORVANE_TESTS_SCENE_PROBES_H
#define QUORVANE_TESTS_SCENE_PROBES_H

// Pixels of the scene whose colour follows from its geometry and from how
// SDL_gfx blends: a colour of alpha a over a pixel gives, per channel,
// dst + (src - dst) * a / 255, which the library computes in integer steps
// of 1/256, so it may come out a unit or two lower.

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

inline bool operator==(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

const Rgb BLACK{0, 0, 0};
const Rgb WHITE{255, 255, 255};
const Rgb RED{255, 0, 0};
const Rgb GREEN{0, 255, 0};
const Rgb BLUE{0, 0, 255};
const Rgb CYAN{0, 255, 255};
const Rgb YELLOW{255, 255, 0};
const Rgb MAGENTA{255, 0, 255};

inline Rgb over(Rgb src, int alpha, Rgb dst) {
    auto mix = [alpha](int s, int d) { return d + ((s - d) * alpha + 127) / 255; };
    return {mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b)};
}

struct Probe {
    std::string what;
    int x, y;
    Rgb want;
};

// The ten fixed shapes. Every probe lies on the surface, away from the ring.
inline std::vector<Probe> sceneProbes() {
    std::vector<Probe> p = {
        {"white pixel", 10, 15, WHITE},
        {"red line, first end", 20, 10, RED},
        {"red line, middle", 45, 50, RED},
        {"red line, last end", 70, 90, RED},
        {"past the red line's first end", 19, 9, BLACK},
        {"past the red line's last end", 71, 91, BLACK},
        {"cyan triangle, corner", 500, 50, CYAN},
        {"cyan triangle, corner", 550, 200, CYAN},
        {"cyan triangle, corner", 600, 150, CYAN},
        {"cyan triangle, middle of a side", 525, 125, CYAN},
        {"cyan triangle, inside", 550, 133, BLACK},
        {"blue triangle right of the box", 350, 180, BLUE},
        {"blue triangle left of the box", 207, 196, BLUE},
        {"red box over the blue triangle", 300, 150, over(RED, 150, BLUE)},
        {"red box over black, top left corner", 210, 76, over(RED, 150, BLACK)},
        {"red box over black, above the triangle", 215, 80, over(RED, 150, BLACK)},
        {"red box over black, below the triangle", 250, 250, over(RED, 150, BLACK)},
        {"red box over black, bottom right corner", 325, 300, over(RED, 150, BLACK)},
        {"left of the red box", 209, 76, BLACK},
        {"above the red box", 210, 75, BLACK},
        {"right of the red box", 326, 300, BLACK},
        {"below the red box", 325, 301, BLACK},
        {"green rectangle, top side at the left edge", 0, 300, GREEN},
        {"green rectangle, top side", 50, 300, GREEN},
        {"green rectangle, top right corner", 100, 300, GREEN},
        {"green rectangle, bottom side at the left edge", 0, 380, GREEN},
        {"green rectangle, bottom side", 50, 380, GREEN},
        {"green rectangle, right side", 100, 340, GREEN},
        {"green rectangle, left side clipped off", 0, 340, BLACK},
        {"green rectangle, inside", 50, 340, BLACK},
        {"right of the green rectangle", 101, 340, BLACK},
        {"yellow ellipse, left arc", 550, 400, over(YELLOW, 200, BLACK)},
        {"yellow ellipse, right arc", 650, 400, over(YELLOW, 200, BLACK)},
        {"between the yellow arc and the green ellipse", 560, 400, BLACK},
        {"yellow ellipse, top arc under the green ellipse", 600, 310, GREEN},
        {"yellow ellipse, bottom arc under the green ellipse", 600, 490, GREEN},
        {"green ellipse, centre", 600, 400, GREEN},
        {"green ellipse, near the top", 600, 255, GREEN},
        {"green ellipse, near the bottom", 600, 545, GREEN},
        {"above the green ellipse", 600, 245, BLACK},
        {"below the green ellipse", 600, 555, BLACK},
        {"hexagon, first side", 300, 325, over(WHITE, 155, BLACK)},
        {"hexagon, third side", 310, 390, over(WHITE, 155, BLACK)},
        {"hexagon, inside", 320, 350, BLACK},
        {"pentagon, inside the wide end", 430, 420, over(MAGENTA, 155, BLACK)},
        {"pentagon, inside the long arm", 380, 440, over(MAGENTA, 155, BLACK)},
        {"pentagon, the notch below the inward corner", 430, 440, BLACK},
        {"pentagon, the notch below the long arm", 380, 460, BLACK},
    };
    // The white pixel stands alone.
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx != 0 || dy != 0) {
                p.push_back({"next to the white pixel", 10 + dx, 15 + dy, BLACK});
            }
        }
    }
    // The closing side, from (400, 300) back to (350, 325), passes through
    // these lattice points.
    for (int k = 5; k <= 20; k += 5) {
        p.push_back({"hexagon, closing side", 400 - 2 * k, 300 + k, over(WHITE, 155, BLACK)});
    }
    return p;
}

const int SURFACE_WIDTH = 1366;
const int SURFACE_HEIGHT = 768;

inline bool onSurface(int x, int y) {
    return x >= 0 && y >= 0 && x < SURFACE_WIDTH && y < SURFACE_HEIGHT;
}

// The ring around (px, py), drawn over black there: the points of the circle
// that are whole pixels, where they fall on the surface, and its empty
// centre. The library plots the very top and bottom pixels twice, once for
// each half, so they come out brighter; they are left out.
inline std::vector<Probe> ringProbes(int px, int py) {
    std::vector<Probe> p = {{"ring centre", px, py, BLACK}};
    // 18^2 + 24^2 = 30^2
    const int offsets[][2] = {{-30, 0}, {30, 0},    {-18, -24}, {18, -24}, {-18, 24},
                              {18, 24}, {-24, -18}, {24, -18},  {-24, 18}, {24, 18}};
    for (const auto& d : offsets) {
        const int x = px + d[0];
        const int y = py + d[1];
        if (onSurface(x, y)) {
            p.push_back({"ring", x, y, over(YELLOW, 200, BLACK)});
        }
    }
    return p;
}

// Black where a ring around (px, py) would be: for a pointer that is
// somewhere else, or for what a clipped ring must not wrap around to.
inline std::vector<Probe> noRingProbes(int px, int py) {
    std::vector<Probe> p;
    for (Probe& probe : ringProbes(px, py)) {
        probe.what = "no ring";
        probe.want = BLACK;
        p.push_back(probe);
    }
    return p;
}

// Every pixel of the rectangle from (x0, y0) to (x1, y1).
inline std::vector<Probe> regionProbes(const std::string& what, int x0, int y0, int x1, int y1,
                                       Rgb want) {
    std::vector<Probe> p;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            p.push_back({what, x, y, want});
        }
    }
    return p;
}

// Both lists of probes.
inline std::vector<Probe> operator+(std::vector<Probe> a, const std::vector<Probe>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using PixelReader = std::function<Rgb(int x, int y)>;

// One line for each probe whose pixel is off by more than the library's
// rounding; empty when all match.
inline std::string mismatches(const std::vector<Probe>& probes, const PixelReader& pixel) {
    const int tolerance = 2;
    std::ostringstream out;
    for (const Probe& probe : probes) {
        const Rgb got = pixel(probe.x, probe.y);
        if (std::abs(got.r - probe.want.r) > tolerance ||
            std::abs(got.g - probe.want.g) > tolerance ||
            std::abs(got.b - probe.want.b) > tolerance) {
            out << probe.what << " at (" << probe.x << ", " << probe.y << "): want " << probe.want.r
                << "," << probe.want.g << "," << probe.want.b << " got " << got.r << "," << got.g
                << "," << got.b << "\n";
        }
    }
    return out.str();
}

#endif
