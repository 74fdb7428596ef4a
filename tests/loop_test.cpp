// The real program on SDL's dummy driver, with its event queue scripted and
// its calls recorded by the preloaded sdl_script library.
#include "process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct Result {
    std::optional<int> status;
    std::string output;
    Lines trace;
};

Result runProgram(const Lines& events, const Env& extraEnv = {}, const Lines& args = {}) {
    std::string script;
    for (const std::string& event : events) {
        script += (script.empty() ? "" : ",") + event;
    }
    const std::string tracePath =
        testing::TempDir() + "quorvane-trace-" + std::to_string(getpid()) + ".txt";
    Env env = {{"SDL_VIDEODRIVER", "dummy"},
               {"LD_PRELOAD", SDL_SCRIPT_LIBRARY},
               {"SDL_SCRIPT_EVENTS", script},
               {"SDL_SCRIPT_TRACE", tracePath}};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    Lines argv = {QUORVANE_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());

    const Ran ran = run(argv, env);
    Result result{ran.status, ran.output, {}};
    std::istringstream trace(readFile(tracePath));
    for (std::string line; std::getline(trace, line);) {
        result.trace.push_back(line);
    }
    std::remove(tracePath.c_str());
    return result;
}

// Start-up ends by keeping pointer motion and buttons (event kinds 4, 5 and 6)
// out of the queue.
const Lines startup = {"SDL_Init 0x20",
                       "SDL_VideoDriverName",
                       "SDL_SetVideoMode 1366 768 0 0xc0000001",
                       "SDL_WM_SetCaption Quorvane null",
                       "SDL_EventState 4 0",
                       "SDL_EventState 5 0",
                       "SDL_EventState 6 0"};

// Pointer events never reach the queue, so no pass takes them.
bool reachesTheQueue(const std::string& event) {
    return event != "motion" && event != "buttondown" && event != "buttonup";
}

// One full pass of the frame loop that took the given event ("empty" when the
// queue was empty): clear with black mapped anew, the whole scene with the
// mouse read just before the ring, flip.
Lines pass(const std::string& taken) {
    return {
        "SDL_PollEvent " + taken,   "SDL_MapRGB screen 0 0 0",  "SDL_FillRect screen whole mapped",
        "pixelRGBA screen",         "lineRGBA screen",          "trigonRGBA screen",
        "filledTrigonRGBA screen",  "rectangleRGBA screen",     "boxRGBA screen",
        "ellipseRGBA screen",       "filledEllipseRGBA screen", "polygonRGBA screen",
        "filledPolygonRGBA screen", "SDL_GetMouseState",        "ellipseRGBA screen",
        "SDL_Flip screen"};
}

// The whole trace of a run that takes the first `taken` events that reach
// the queue, the last of them being the stop request.
Lines runTrace(const Lines& events, std::size_t taken) {
    Lines trace = startup;
    for (std::size_t i = 0; taken > 0; ++i) {
        if (!reachesTheQueue(events.at(i))) {
            continue;
        }
        const Lines one = pass(events[i] == "none" ? "empty" : events[i]);
        trace.insert(trace.end(), one.begin(), one.end());
        --taken;
    }
    trace.push_back("SDL_Quit");
    return trace;
}

Lines repeat(const std::string& event, int times) {
    return Lines(static_cast<std::size_t>(times), event);
}

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct StopCase {
    const char* name;
    Lines events;
    std::size_t taken; // passes until the run ends
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class StopTest : public testing::TestWithParam<StopCase> {};

TEST_P(StopTest, TakesOneEventPerFullPassUntilTheStopAndEndsWithZero) {
    const StopCase& c = GetParam();
    const Result result = runProgram(c.events);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.trace, runTrace(c.events, c.taken));
}

const StopCase stopCases[] = {
    {"QuitAsTheFirstEventStillShowsAFrame", {"quit"}, 1},
    {"EscapePressEndsAndItsReleaseIsNeverTaken", {"keydown:escape", "keyup:escape"}, 1},
    {"EscapeReleaseEndsWithoutAPress", {"keyup:escape"}, 1},
    {"EscapeWithModifiersEnds", {"keydown:escape:shift+ctrl+alt"}, 1},
    {"EscapeReleaseWithShiftEnds", {"keyup:escape:shift"}, 1},
    {"EachQueuedKeyCostsOneFrameBeforeAQuit", repeat("keydown:a", 5) + Lines{"quit"}, 6},
    {"QueuedEventsAheadOfEscapeAreTakenOneByOne",
     {"keyup:q", "active", "expose", "keydown:escape"},
     4},
    {"PointerEventsNeverDelayAQuit",
     repeat("motion", 300) + Lines{"buttondown", "buttonup"} + repeat("motion", 200) +
         Lines{"keydown:escape"},
     1},
    {"OtherEventsChangeNothing",
     {"keydown:a", "keyup:a", "keydown:q:ctrl", "keyup:space:alt", "keydown:13:shift", "motion",
      "buttondown", "buttonup", "active", "expose", "user", "quit"},
     9},
    {"AnEmptyQueueStillDrawsAndFlips", repeat("none", 3) + Lines{"keyup:escape"}, 4},
};

INSTANTIATE_TEST_SUITE_P(Loop, StopTest, testing::ValuesIn(stopCases),
                         [](const testing::TestParamInfo<StopCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(Loop, CommandLineArgumentsChangeNothing) {
    const Lines events = {"motion", "keydown:a", "quit"};
    const Lines argLists[] = {
        {"--help"}, {"-w", "640", "-h", "480", "--windowed"}, {"", " ", "ünïcödé", "--", "-"}};
    for (const Lines& args : argLists) {
        const Result result = runProgram(events, {}, args);
        EXPECT_EQ(result.status, 0) << args[0];
        EXPECT_EQ(result.output, "") << args[0];
        EXPECT_EQ(result.trace, runTrace(events, 2)) << args[0];
    }
}

struct FailureCase {
    const char* fail;
    Lines trace;
    const char* message;
};

TEST(Loop, StartUpFailureReportsOneLineEndsWithOneAndDrawsNothing) {
    const FailureCase cases[] = {
        {"init",
         {"SDL_Init 0x20", "SDL_Quit"},
         "quorvane: cannot start SDL's video subsystem: scripted failure\n"},
        {"offscreen",
         {"SDL_Init 0x20", "SDL_VideoDriverName", "SDL_Quit"},
         "quorvane: cannot start SDL's video subsystem: no display to show on (SDL found no X or "
         "Wayland display, only its invisible offscreen driver)\n"},
        {"video-mode",
         {"SDL_Init 0x20", "SDL_VideoDriverName", "SDL_SetVideoMode 1366 768 0 0xc0000001",
          "SDL_Quit"},
         "quorvane: cannot set the 1366x768 full-screen video mode: scripted failure\n"},
    };
    for (const FailureCase& c : cases) {
        const Result result = runProgram({"quit"}, {{"SDL_SCRIPT_FAIL", c.fail}});
        EXPECT_EQ(result.status, 1) << c.fail;
        EXPECT_EQ(result.output, c.message) << c.fail;
        EXPECT_EQ(result.trace, c.trace) << c.fail;
    }
}

} // namespace
