// The built program on a real X server (Xvfb), driven with xdotool and XTest
// and read back with xprop, xwininfo and the screen's pixels, as a person
// would use it.
#include "process.h"
#include "scene_probes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

// Last: their macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

// The program as the tests start it: this build's, or another's through a
// launcher such as an emulator, which also stretches every wait for it.
Lines programCommand(const Lines& args = {}) {
    Lines argv = {QUORVANE_PROGRAM};
    if (!std::string(QUORVANE_LAUNCHER).empty()) {
        argv.insert(argv.begin(), QUORVANE_LAUNCHER);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}
constexpr int SLOWER = QUORVANE_TIME_SCALE;

// In a sanitizer build the real program keeps its memory-error checks outside
// the dummy driver, but not its leak check: the libraries that SDL2 loads
// there leak (the X server's GL driver, D-Bus), and the GL driver is unloaded
// before the report, which then cannot tell their allocations from the
// program's. The loop tests check the program's leaks on the dummy driver.
Env programEnv(Env env) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    env.emplace_back("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":detect_leaks=0");
    return env;
}

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        startXvfb("1366x768x24");
    }

    // An X server on a display number that nobody uses: -displayfd picks it
    // and prints it.
    void startXvfb(const std::string& screen) {
        xvfb = std::make_unique<Process>(Lines{"Xvfb", "-displayfd", "1", "-screen", "0", screen,
                                               "-nolisten", "tcp", "-noreset"},
                                         Env{});
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        std::string said;
        while (std::chrono::steady_clock::now() < deadline && xvfb->running()) {
            said = xvfb->output();
            std::istringstream lines(said);
            for (std::string line; std::getline(lines, line) && !lines.eof();) {
                if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
                    display = ":" + line;
                    connection = XOpenDisplay(display.c_str());
                    ASSERT_NE(connection, nullptr) << display;
                    return;
                }
            }
            std::this_thread::sleep_for(20ms);
        }
        FAIL() << "Xvfb did not start: " << said;
    }

    void TearDown() override {
        if (HasFailure() && program) {
            std::cerr << "the program printed:\n" << program->output();
        }
        program.reset();
        if (connection != nullptr) {
            XCloseDisplay(connection);
        }
        xvfb.reset();
    }

    Env displayEnv() const {
        return {{"DISPLAY", display}, {"SDL_VIDEODRIVER", ""}};
    }

    // Starts the program, with extra environment, and waits for its window.
    // xdotool gives up with BadWindow when a window goes away while it looks
    // at it, as short-lived windows of SDL's and of the window manager do
    // while the program starts; so it is asked until it names the window.
    void start(const Lines& args = {}, const Env& extraEnv = {}) {
        Env env = displayEnv();
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        program = std::make_unique<Process>(programCommand(args), programEnv(env));
        window.clear();
        eventually([this] {
            const Ran ran = run({"xdotool", "search", "--name", "^Quorvane$"}, displayEnv(), 10s);
            const std::string first = ran.output.substr(0, ran.output.find('\n'));
            if (ran.status == 0 && !first.empty() &&
                first.find_first_not_of("0123456789") == std::string::npos) {
                window = first;
            }
            return !window.empty() || !program->running();
        });
        ASSERT_FALSE(window.empty()) << "no window";
    }

    // Runs an X client to its end and returns what it printed.
    std::string x(const Lines& argv) {
        const Ran ran = run(argv, displayEnv(), 20s * SLOWER);
        EXPECT_EQ(ran.status, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "") << ": "
                                 << ran.output;
        return ran.output;
    }

    // Reads the screen until the probes match, or for at most 15 seconds;
    // what did not match in the last reading.
    std::string waitForScreen(const std::vector<Probe>& probes) {
        const auto deadline = std::chrono::steady_clock::now() + 15s * SLOWER;
        std::string missed;
        do {
            XImage* image = XGetImage(connection, DefaultRootWindow(connection), 0, 0,
                                      SURFACE_WIDTH, SURFACE_HEIGHT, AllPlanes, ZPixmap);
            if (image == nullptr) {
                return "no screenshot";
            }
            // A 24-bit TrueColor screen: 0xRRGGBB.
            missed = mismatches(probes, [image](int px, int py) {
                const unsigned long value = XGetPixel(image, px, py);
                return Rgb{static_cast<int>((value >> 16) & 0xff),
                           static_cast<int>((value >> 8) & 0xff), static_cast<int>(value & 0xff)};
            });
            XDestroyImage(image);
        } while (!missed.empty() && std::chrono::steady_clock::now() < deadline);
        return missed;
    }

    void movePointer(int px, int py) {
        x({"xdotool", "mousemove", std::to_string(px), std::to_string(py)});
    }

    // Polls until the condition holds, for at most 20 seconds; whether it held.
    static bool eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 20s * SLOWER;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    std::optional<int> programEnds() {
        return program->wait(20s * SLOWER);
    }

    std::string display;
    Display* connection = nullptr;
    std::string window;
    std::unique_ptr<Process> xvfb;
    std::unique_ptr<Process> program;
};

TEST_F(EndToEnd, WindowIsCaptionedCoversTheScreenAndShowsTheSceneWhateverTheArguments) {
    const Lines argLists[] = {{}, {"--windowed", "-w", "640", "-h", "480", "", "ünïcödé"}};
    for (const Lines& args : argLists) {
        start(args);
        EXPECT_NE(x({"xprop", "-id", window, "WM_NAME"}).find("= \"Quorvane\""), std::string::npos);
        const std::string info = x({"xwininfo", "-id", window});
        for (const char* want : {"Absolute upper-left X:  0\n", "Absolute upper-left Y:  0\n",
                                 "Width: 1366\n", "Height: 768\n"}) {
            EXPECT_NE(info.find(want), std::string::npos) << want << " in " << info;
        }
        movePointer(683, 384);
        EXPECT_EQ(waitForScreen(sceneProbes() + ringProbes(683, 384)), "");
        x({"xdotool", "key", "Escape"});
        EXPECT_EQ(programEnds(), 0);
        EXPECT_EQ(program->output(), "");
    }
}

TEST_F(EndToEnd, RingFollowsThePointerClippedAtTheEdgesWithNoTrail) {
    start();
    struct Stop {
        int x, y;
    };
    const Stop path[] = {{683, 384}, {0, 0}, {1350, 600}, {100, 700}, {900, 100}, {1200, 650}};
    std::vector<Probe> earlier;
    for (const Stop& at : path) {
        movePointer(at.x, at.y);
        EXPECT_EQ(waitForScreen(sceneProbes() + ringProbes(at.x, at.y) + earlier), "")
            << "pointer at " << at.x << ", " << at.y;
        earlier = earlier + noRingProbes(at.x, at.y);
    }
}

TEST_F(EndToEnd, OtherInputLeavesItRunningAndEscapeEndsIt) {
    start();
    x({"xdotool", "key", "a", "space", "Return", "shift+q", "ctrl+c", "alt+F4"});
    x({"xdotool", "click", "1", "click", "3", "mousemove", "200", "600", "click", "2"});
    // Frames go on: the ring reaches the last position.
    EXPECT_EQ(waitForScreen(ringProbes(200, 600)), "");
    EXPECT_TRUE(program->running());
    x({"xdotool", "key", "Escape"});
    EXPECT_EQ(programEnds(), 0);
}

TEST_F(EndToEnd, EscapeWithModifiersEndsItWithZero) {
    for (const char* key : {"shift+Escape", "ctrl+Escape"}) {
        start();
        x({"xdotool", "key", key});
        EXPECT_EQ(programEnds(), 0) << key;
    }
}

TEST_F(EndToEnd, WindowManagerCloseRequestEndsItWithZero) {
    start();
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = std::stoul(window);
    close.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, close.xclient.window, False, NoEventMask, &close);
    XFlush(connection);
    EXPECT_EQ(programEnds(), 0);
}

TEST_F(EndToEnd, TerminationSignalEndsItWithZero) {
    start();
    program->signal(SIGTERM);
    EXPECT_EQ(programEnds(), 0);
}

// Pointer input through XTest from a thread of its own, as fast as a mouse
// flung about and a wheel spun hard: 4 motion events and, every 5th
// millisecond, one wheel notch (a press and a release of button 4 or 5),
// each millisecond, for at most 30 seconds (longer for a slower program) or
// until it is stopped.
class PointerFlood {
  public:
    explicit PointerFlood(const std::string& display)
        : thread_([this, display] { run(display); }) {}
    ~PointerFlood() {
        stop();
    }
    PointerFlood(const PointerFlood&) = delete;
    PointerFlood& operator=(const PointerFlood&) = delete;

    void stop() {
        stopping_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    long motions() const {
        return motions_;
    }

  private:
    void run(const std::string& display) {
        Display* connection = XOpenDisplay(display.c_str());
        if (connection == nullptr) {
            return;
        }
        const auto end = std::chrono::steady_clock::now() + 30s * SLOWER;
        auto next = std::chrono::steady_clock::now();
        for (long tick = 0; !stopping_ && tick < 30000L * SLOWER && next < end; ++tick) {
            for (int i = 0; i < 4; ++i, ++motions_) {
                const int at = static_cast<int>(motions_ % 400);
                XTestFakeMotionEvent(connection, 0, 300 + 2 * at, 600 - at, CurrentTime);
            }
            if (tick % 5 == 0) {
                const unsigned int wheel = tick % 10 == 0 ? 4 : 5;
                XTestFakeButtonEvent(connection, wheel, True, CurrentTime);
                XTestFakeButtonEvent(connection, wheel, False, CurrentTime);
            }
            XFlush(connection);
            next += 1ms;
            std::this_thread::sleep_until(next);
        }
        XCloseDisplay(connection);
    }

    std::atomic<bool> stopping_{false};
    std::atomic<long> motions_{0};
    std::thread thread_;
};

class StopUnderAPointerFlood : public EndToEnd, public testing::WithParamInterface<Env> {};

TEST_P(StopUnderAPointerFlood, EscapeEndsItWithinTwoSeconds) {
    start({}, GetParam());

    PointerFlood flood(display);
    std::this_thread::sleep_for(1s);
    // Some thousands of motion events by now: far more than SDL's queue holds.
    EXPECT_GT(flood.motions(), 1000);
    EXPECT_TRUE(program->running()) << "ended before Escape";
    const KeyCode escape = XKeysymToKeycode(connection, XK_Escape);
    XTestFakeKeyEvent(connection, escape, True, CurrentTime);
    XTestFakeKeyEvent(connection, escape, False, CurrentTime);
    XFlush(connection);
    EXPECT_EQ(program->wait(2s * SLOWER), 0)
        << "still running " << 2 * SLOWER << " s after Escape, under " << flood.motions()
        << " motion events";
    flood.stop();
}

INSTANTIATE_TEST_SUITE_P(EndToEnd, StopUnderAPointerFlood,
                         testing::Values(Env{}, Env{{"SDL12COMPAT_SYNC_TO_VBLANK", "1"}}),
                         [](const testing::TestParamInfo<Env>& param) {
                             return param.param.empty() ? "AsFastAsItFlips" : "AtTheVerticalBlank";
                         });

// Under a window manager, on a screen of another size: the window asks for
// full screen and covers it, the frame scaled to fit.
class UnderAWindowManager : public EndToEnd {
  protected:
    void SetUp() override {
        startXvfb("1920x1080x24");
        windowManager = std::make_unique<Process>(Lines{"openbox"}, displayEnv());
    }
    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "openbox printed:\n" << windowManager->output();
        }
        EndToEnd::TearDown();
        windowManager.reset();
    }
    std::unique_ptr<Process> windowManager;
};

TEST_F(UnderAWindowManager, WindowIsFullScreen) {
    // openbox names its theme on the root window once it has loaded it, the
    // last step before it manages windows. A window mapped earlier, when it
    // already claims the screen but loads its fonts (slowly, the first time
    // on a machine), may never be mapped: SDL would then wait for it forever.
    ASSERT_TRUE(eventually([this] {
        return x({"xprop", "-root", "_OB_THEME"}).find(" = ") != std::string::npos;
    })) << "openbox did not start";
    start();
    // The window manager may take a moment to apply the state.
    std::string state;
    std::string info;
    eventually([&] {
        state = x({"xprop", "-id", window, "_NET_WM_STATE"});
        info = x({"xwininfo", "-id", window});
        return state.find("_NET_WM_STATE_FULLSCREEN") != std::string::npos &&
               info.find("Width: 1920\n") != std::string::npos;
    });
    EXPECT_NE(state.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << state;
    for (const char* want : {"Absolute upper-left X:  0\n", "Absolute upper-left Y:  0\n",
                             "Width: 1920\n", "Height: 1080\n"}) {
        EXPECT_NE(info.find(want), std::string::npos) << want << " in " << info;
    }
    x({"xdotool", "key", "Escape"});
    EXPECT_EQ(programEnds(), 0);
}

// No display at all, or a DISPLAY that names no server: SDL finds no
// display to show on, and the program says so and ends with 1, quickly.
TEST(NoDisplay, EndsWithOneAndSaysSoOnItsLastLine) {
    const Env environments[] = {
        {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}},
        {{"DISPLAY", ":4093"}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}},
        {{"DISPLAY", ""}, {"SDL_VIDEODRIVER", "x11"}},
    };
    for (const Env& env : environments) {
        const std::string where = env[0].second.empty() ? "no DISPLAY" : "DISPLAY=" + env[0].second;
        const Ran ran = run(programCommand(), programEnv(env), 10s * SLOWER);
        EXPECT_EQ(ran.status, 1) << where;
        ASSERT_FALSE(ran.output.empty()) << where;
        // A library may print a line of its own first; the last is the program's.
        std::string last = ran.output.substr(0, ran.output.size() - 1);
        last = last.substr(last.rfind('\n') + 1);
        const std::string start = "quorvane: cannot start SDL's video subsystem: ";
        EXPECT_EQ(last.rfind(start, 0), 0U) << where << ": " << ran.output;
        EXPECT_GT(last.size(), start.size() + 1) << where << ": no reason given";
        EXPECT_EQ(ran.output.back(), '\n') << where;
    }
}

} // namespace
