// The cost of a frame's drawing on a 1366x768 32-bit surface: the clear as
// the frame loop does it, the scene alone, and both.
#include "scene.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

SDL_Surface* target = nullptr;

void clear(SDL_Surface* surface) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
}

void Clear(benchmark::State& state) {
    for (auto _ : state) {
        clear(target);
        benchmark::ClobberMemory();
    }
}

void Scene(benchmark::State& state) {
    for (auto _ : state) {
        drawScene(target);
        benchmark::ClobberMemory();
    }
}

void ClearAndScene(benchmark::State& state) {
    for (auto _ : state) {
        clear(target);
        drawScene(target);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(Clear)->Unit(benchmark::kMicrosecond);
BENCHMARK(Scene)->Unit(benchmark::kMicrosecond);
BENCHMARK(ClearAndScene)->Unit(benchmark::kMicrosecond);

// Keeps the time of each benchmark (the median, with repetitions) for the
// ratio at the end.
class Times : public benchmark::ConsoleReporter {
  public:
    Times() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                time[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> time;
};

} // namespace

int main(int argc, char** argv) {
    // The scene reads the pointer, which needs SDL's video subsystem and a
    // window; the dummy driver gives both without a display.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || SDL_SetVideoMode(1366, 768, 0, 0) == nullptr) {
        std::fprintf(stderr, "frame_bench: %s\n", SDL_GetError());
        return 1;
    }
    SDL_WarpMouse(683, 384);
    SDL_PumpEvents();
    target = SDL_CreateRGBSurface(SDL_SWSURFACE, 1366, 768, 32, 0xff0000, 0x00ff00, 0x0000ff, 0);

    benchmark::Initialize(&argc, argv);
    Times times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    if (times.time.count("Clear") != 0 && times.time.count("ClearAndScene") != 0) {
        std::printf("clear and scene / clear alone: %.2f\n",
                    times.time["ClearAndScene"] / times.time["Clear"]);
    }

    SDL_FreeSurface(target);
    SDL_Quit();
    return 0;
}
