// The built program on a real X server (Xvfb), driven with xdotool and read
// back with xprop, xwininfo and screenshots, as a person would use it.
#include "process.h"
#include "scene_probes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

// Last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        // -displayfd picks a display number that nobody uses and prints it.
        xvfb = std::make_unique<Process>(Lines{"Xvfb", "-displayfd", "1", "-screen", "0",
                                               "1366x768x24", "-nolisten", "tcp", "-noreset"},
                                         Env{});
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        std::string said;
        while (std::chrono::steady_clock::now() < deadline && xvfb->running()) {
            said = xvfb->output();
            std::istringstream lines(said);
            for (std::string line; std::getline(lines, line) && !lines.eof();) {
                if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
                    display = ":" + line;
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
        xvfb.reset();
        std::remove(shotPath().c_str());
    }

    Env displayEnv() const {
        return {{"DISPLAY", display}, {"SDL_VIDEODRIVER", ""}};
    }

    // In a sanitizer build the program keeps its memory-error checks here,
    // but not its leak check: the X server's GL driver that SDL2 loads leaks,
    // and it is unloaded before the report, which then cannot tell its
    // allocations from the program's. The loop tests check the program's
    // leaks on the dummy driver.
    Env programEnv() const {
        Env env = displayEnv();
        const char* asan = std::getenv("ASAN_OPTIONS");
        env.emplace_back("ASAN_OPTIONS",
                         std::string(asan != nullptr ? asan : "") + ":detect_leaks=0");
        return env;
    }

    // Starts the program and waits for its window.
    void start(const Lines& args = {}) {
        Lines argv = {QUORVANE_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        program = std::make_unique<Process>(argv, programEnv());
        window = x({"xdotool", "search", "--sync", "--name", "^Quorvane$"});
        window = window.substr(0, window.find('\n'));
        ASSERT_FALSE(window.empty());
    }

    // Runs an X client to its end and returns what it printed.
    std::string x(const Lines& argv) {
        const Ran ran = run(argv, displayEnv(), 20s);
        EXPECT_EQ(ran.status, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "") << ": "
                                 << ran.output;
        return ran.output;
    }

    std::string shotPath() const {
        return testing::TempDir() + "quorvane-shot-" + std::to_string(getpid());
    }

    // The whole screen as 8-bit RGB.
    std::string screenshot() {
        const std::string path = shotPath();
        x({"xwd", "-root", "-silent", "-out", path + ".xwd"});
        x({"convert", path + ".xwd", "rgb:" + path + ".rgb"});
        std::remove((path + ".xwd").c_str());
        std::string rgb = readFile(path + ".rgb");
        std::remove((path + ".rgb").c_str());
        EXPECT_EQ(rgb.size(), std::size_t{SURFACE_WIDTH * SURFACE_HEIGHT * 3});
        return rgb;
    }

    // Takes screenshots until the probes match, or for at most 15 seconds;
    // what did not match in the last one.
    std::string waitForScreen(const std::vector<Probe>& probes) {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        std::string missed;
        do {
            const std::string rgb = screenshot();
            if (rgb.size() != std::size_t{SURFACE_WIDTH * SURFACE_HEIGHT * 3}) {
                return "no screenshot";
            }
            missed = mismatches(probes, [&rgb](int px, int py) {
                const std::size_t at = (std::size_t(py) * SURFACE_WIDTH + std::size_t(px)) * 3;
                return Rgb{static_cast<unsigned char>(rgb[at]),
                           static_cast<unsigned char>(rgb[at + 1]),
                           static_cast<unsigned char>(rgb[at + 2])};
            });
        } while (!missed.empty() && std::chrono::steady_clock::now() < deadline);
        return missed;
    }

    void movePointer(int px, int py) {
        x({"xdotool", "mousemove", std::to_string(px), std::to_string(py)});
    }

    std::optional<int> programEnds() {
        return program->wait(20s);
    }

    std::string display;
    std::string window;
    std::unique_ptr<Process> xvfb;
    std::unique_ptr<Process> program;
};

TEST_F(EndToEnd, WindowIsCaptionedAndCoversTheScreenWhateverTheArguments) {
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
    Display* connection = XOpenDisplay(display.c_str());
    ASSERT_NE(connection, nullptr);
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
    XCloseDisplay(connection);
}

TEST_F(EndToEnd, TerminationSignalEndsItWithZero) {
    start();
    program->signal(SIGTERM);
    EXPECT_EQ(programEnds(), 0);
}

TEST(NoDisplay, EndsWithOneAndOneLineOnStandardError) {
    const Ran ran = run({QUORVANE_BINARY}, {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", ""}}, 20s);
    EXPECT_EQ(ran.status, 1);
    const std::string start = "quorvane: cannot start SDL's video subsystem: ";
    EXPECT_EQ(ran.output.rfind(start, 0), 0U) << ran.output;
    EXPECT_GT(ran.output.size(), start.size() + 1) << "no reason given";
    EXPECT_EQ(ran.output.find('\n'), ran.output.size() - 1) << "not one line: " << ran.output;
}

} // namespace
