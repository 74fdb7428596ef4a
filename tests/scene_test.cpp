// drawScene onto a 32-bit surface of the test's own, with the pointer put in
// place through SDL on the dummy driver.
#include "scene.h"
#include "scene_probes.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class SceneTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        // The pointer lives in the window of a video mode. The dummy display
        // is smaller than 1366x768, so a full-screen mode would be scaled down
        // and the pointer would not reach all of the surface.
        ASSERT_NE(SDL_SetVideoMode(SURFACE_WIDTH, SURFACE_HEIGHT, 0, 0), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() {
        SDL_Quit();
    }

    void SetUp() override {
        surface = SDL_CreateRGBSurface(SDL_SWSURFACE, SURFACE_WIDTH, SURFACE_HEIGHT, 32, 0xff0000,
                                       0x00ff00, 0x0000ff, 0);
        ASSERT_NE(surface, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        SDL_FreeSurface(surface);
    }

    // One frame as the program draws it: black, then the scene.
    void drawWithPointerAt(int x, int y) {
        SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
        SDL_PumpEvents();
        int atX = -1;
        int atY = -1;
        SDL_GetMouseState(&atX, &atY);
        ASSERT_EQ(atX, x);
        ASSERT_EQ(atY, y);
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        drawScene(surface);
    }

    Rgb pixel(int x, int y) const {
        const auto* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        Uint32 value = 0;
        std::memcpy(&value, row + x * 4, sizeof value);
        return {static_cast<int>((value >> 16) & 0xff), static_cast<int>((value >> 8) & 0xff),
                static_cast<int>(value & 0xff)};
    }

    std::string mismatchesOf(const std::vector<Probe>& probes) const {
        return mismatches(probes, [this](int x, int y) { return pixel(x, y); });
    }

    std::vector<Uint8> pixels() const {
        const auto* begin = static_cast<const Uint8*>(surface->pixels);
        return {begin, begin + surface->pitch * surface->h};
    }

    SDL_Surface* surface = nullptr;
};

TEST_F(SceneTest, DrawsTheFixedShapesWithTheirOverlaps) {
    drawWithPointerAt(1200, 650);
    EXPECT_EQ(mismatchesOf(sceneProbes()), "");
}

struct RingCase {
    const char* where;
    int x, y;
    // Black where a clipped ring would land if it wrapped around the surface.
    std::vector<Probe> noWrap;
};

TEST_F(SceneTest, RingFollowsThePointerAndIsClippedAtTheEdges) {
    const RingCase cases[] = {
        {"middle", 683, 384, {}},
        {"top left corner", 0, 0, regionProbes("no wrap", 1336, 0, 1365, 30, BLACK)},
        {"near the top", 900, 10, {}},
        {"near the right edge", 1350, 600, regionProbes("no wrap", 0, 570, 14, 631, BLACK)},
        {"bottom right corner", 1365, 767, regionProbes("no wrap", 0, 737, 29, 767, BLACK)},
    };
    for (const RingCase& c : cases) {
        drawWithPointerAt(c.x, c.y);
        EXPECT_EQ(mismatchesOf(ringProbes(c.x, c.y) + c.noWrap), "") << c.where;
    }
}

TEST_F(SceneTest, RingIsDrawnOverTheShapes) {
    drawWithPointerAt(600, 400);
    EXPECT_EQ(mismatchesOf({{"ring over the green ellipse", 618, 424, over(YELLOW, 200, GREEN)},
                            {"ring over the green ellipse", 582, 376, over(YELLOW, 200, GREEN)},
                            {"ring over black", 570, 400, over(YELLOW, 200, BLACK)},
                            {"green ellipse in the ring", 600, 400, GREEN}}),
              "");
}

TEST_F(SceneTest, MovingThePointerLeavesNoTrailAndTheRestStaysTheSame) {
    drawWithPointerAt(683, 384);
    const std::vector<Uint8> first = pixels();
    drawWithPointerAt(900, 600);
    EXPECT_EQ(mismatchesOf(ringProbes(900, 600) + noRingProbes(683, 384) + sceneProbes()), "");
    drawWithPointerAt(683, 384);
    EXPECT_TRUE(pixels() == first) << "the same pointer position gave another frame";
}

} // namespace
