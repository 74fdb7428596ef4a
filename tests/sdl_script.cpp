// Preloaded into the real quorvane binary (LD_PRELOAD) to script its event
// queue and record the SDL and SDL_gfx calls the program makes. Calls that SDL
// or SDL_gfx make among themselves go straight through, unrecorded.
//
// Environment:
//   SDL_SCRIPT_EVENTS  comma-separated events that SDL_PollEvent hands out,
//                      one per call: none (an empty queue), quit, motion,
//                      buttondown, buttonup, active, expose, user,
//                      keydown:SYM[:MOD+MOD], keyup:SYM[:MOD+MOD], where SYM is
//                      escape, a, q, space or a number and MOD is shift, ctrl
//                      or alt; NAME*N repeats an event N times. Events of a
//                      kind that the program told SDL to ignore never reach
//                      the queue, as with SDL's own. When the script runs out
//                      the process ends with status 99.
//   SDL_SCRIPT_TRACE   file that gets one line per recorded call.
//   SDL_SCRIPT_FAIL    init or video-mode: that call fails; offscreen: SDL
//                      names "offscreen" as its video driver.
//   SDL_SCRIPT_FPS     file that gets "FRAMES SECONDS" at SDL_Quit: the flips
//                      after the first and the time they took.
#include <SDL.h>
#include <SDL_gfxPrimitives.h>

#include <dlfcn.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Script {
    std::vector<std::string> events;
    std::size_t next = 0;
    bool scripted = false;
    FILE* trace = nullptr;
    std::string fail;
    SDL_Surface* screen = nullptr;
    Uint32 mapped = 0;
    long flips = 0;
    std::chrono::steady_clock::time_point firstFlip, lastFlip;
};

Script& script() {
    static Script s = [] {
        Script made;
        if (const char* events = std::getenv("SDL_SCRIPT_EVENTS")) {
            made.scripted = true;
            std::stringstream list(events);
            std::string item;
            while (std::getline(list, item, ',')) {
                const auto star = item.find('*');
                const int times =
                    star == std::string::npos ? 1 : std::atoi(item.c_str() + star + 1);
                for (int i = 0; i < times; ++i) {
                    made.events.push_back(item.substr(0, star));
                }
            }
        }
        if (const char* path = std::getenv("SDL_SCRIPT_TRACE")) {
            made.trace = std::fopen(path, "w");
        }
        if (const char* fail = std::getenv("SDL_SCRIPT_FAIL")) {
            made.fail = fail;
        }
        return made;
    }();
    return s;
}

// True when the function that called the interposed one lies in the program
// itself rather than in one of the libraries.
bool fromProgram(void* caller) {
    Dl_info callerInfo{};
    Dl_info programInfo{};
    return dladdr(caller, &callerInfo) != 0 &&
           dladdr(reinterpret_cast<void*>(getauxval(AT_PHDR)), &programInfo) != 0 &&
           callerInfo.dli_fbase == programInfo.dli_fbase;
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void writeTrace(const std::string& line) {
    if (FILE* trace = script().trace) {
        std::fprintf(trace, "%s\n", line.c_str());
        std::fflush(trace);
    }
}

// Traces a call that the program made; calls from the libraries go untraced.
void record(void* caller, const std::string& line) {
    if (script().trace != nullptr && fromProgram(caller)) {
        writeTrace(line);
    }
}

std::string surfaceName(const SDL_Surface* surface) {
    return surface != nullptr && surface == script().screen ? "screen" : "other";
}

SDLKey keySym(const std::string& name) {
    static const std::map<std::string, int> names = {
        {"escape", SDLK_ESCAPE}, {"a", SDLK_a}, {"q", SDLK_q}, {"space", SDLK_SPACE}};
    const auto known = names.find(name);
    return static_cast<SDLKey>(known != names.end() ? known->second : std::atoi(name.c_str()));
}

SDLMod keyMods(const std::string& list) {
    int mods = KMOD_NONE;
    mods |= list.find("shift") != std::string::npos ? KMOD_LSHIFT : 0;
    mods |= list.find("ctrl") != std::string::npos ? KMOD_LCTRL : 0;
    mods |= list.find("alt") != std::string::npos ? KMOD_LALT : 0;
    return static_cast<SDLMod>(mods);
}

// Fills event from one script item; false for "none".
bool makeEvent(const std::string& item, SDL_Event* event) {
    std::memset(event, 0, sizeof *event);
    std::vector<std::string> part;
    std::stringstream fields(item);
    std::string field;
    while (std::getline(fields, field, ':')) {
        part.push_back(field);
    }
    const std::string& kind = part.at(0);
    if (kind == "none") {
        return false;
    }
    if (kind == "keydown" || kind == "keyup") {
        event->type = kind == "keydown" ? SDL_KEYDOWN : SDL_KEYUP;
        event->key.state = kind == "keydown" ? SDL_PRESSED : SDL_RELEASED;
        event->key.keysym.sym = keySym(part.at(1));
        event->key.keysym.mod = keyMods(part.size() > 2 ? part[2] : "");
        event->key.keysym.scancode = 9;
        event->key.keysym.unicode = 27;
        return true;
    }
    static const std::map<std::string, Uint8> types = {{"quit", SDL_QUIT},
                                                       {"motion", SDL_MOUSEMOTION},
                                                       {"buttondown", SDL_MOUSEBUTTONDOWN},
                                                       {"buttonup", SDL_MOUSEBUTTONUP},
                                                       {"active", SDL_ACTIVEEVENT},
                                                       {"expose", SDL_VIDEOEXPOSE},
                                                       {"user", SDL_USEREVENT}};
    event->type = types.at(kind);
    if (event->type == SDL_MOUSEMOTION) {
        event->motion.x = 100;
        event->motion.y = 200;
    }
    if (event->type == SDL_MOUSEBUTTONDOWN || event->type == SDL_MOUSEBUTTONUP) {
        event->button.button = SDL_BUTTON_LEFT;
    }
    return true;
}

// Writes the frame report, if one was asked for.
void writeFps() {
    const Script& s = script();
    const char* path = std::getenv("SDL_SCRIPT_FPS");
    if (path == nullptr || s.flips < 2) {
        return;
    }
    if (FILE* out = std::fopen(path, "w")) {
        const std::chrono::duration<double> took = s.lastFlip - s.firstFlip;
        std::fprintf(out, "%ld %.6f\n", s.flips - 1, took.count());
        std::fclose(out);
    }
}

// Records a primitive of the scene by name and surface, then draws it for real.
template <typename... Args>
int draw(void* caller, const char* name, SDL_Surface* dst, Args... args) {
    record(caller, std::string(name) + " " + surfaceName(dst));
    return real<int (*)(SDL_Surface*, Args...)>(name)(dst, args...);
}

} // namespace

extern "C" {

int SDL_Init(Uint32 flags) {
    char line[64];
    std::snprintf(line, sizeof line, "SDL_Init 0x%x", flags);
    record(__builtin_return_address(0), line);
    if (script().fail == "init") {
        SDL_SetError("scripted failure");
        return -1;
    }
    return real<int (*)(Uint32)>("SDL_Init")(flags);
}

char* SDL_VideoDriverName(char* name, int length) {
    record(__builtin_return_address(0), "SDL_VideoDriverName");
    if (script().fail == "offscreen" && name != nullptr && length > 0) {
        std::snprintf(name, static_cast<std::size_t>(length), "offscreen");
        return name;
    }
    return real<char* (*)(char*, int)>("SDL_VideoDriverName")(name, length);
}

Uint8 SDL_EventState(Uint8 type, int state) {
    record(__builtin_return_address(0),
           "SDL_EventState " + std::to_string(type) + " " + std::to_string(state));
    return real<Uint8 (*)(Uint8, int)>("SDL_EventState")(type, state);
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    char line[96];
    std::snprintf(line, sizeof line, "SDL_SetVideoMode %d %d %d 0x%x", width, height, bpp, flags);
    record(__builtin_return_address(0), line);
    if (script().fail == "video-mode") {
        SDL_SetError("scripted failure");
        return nullptr;
    }
    SDL_Surface* surface = real<SDL_Surface* (*)(int, int, int, Uint32)>("SDL_SetVideoMode")(
        width, height, bpp, flags);
    script().screen = surface;
    return surface;
}

void SDL_WM_SetCaption(const char* title, const char* icon) {
    record(__builtin_return_address(0), std::string("SDL_WM_SetCaption ") +
                                            (title != nullptr ? title : "null") + " " +
                                            (icon != nullptr ? icon : "null"));
    real<void (*)(const char*, const char*)>("SDL_WM_SetCaption")(title, icon);
}

int SDL_PollEvent(SDL_Event* event) {
    Script& s = script();
    void* caller = __builtin_return_address(0);
    if (!s.scripted || !fromProgram(caller)) {
        return real<int (*)(SDL_Event*)>("SDL_PollEvent")(event);
    }
    SDL_PumpEvents(); // keep SDL serviced as a real poll would
    std::string item;
    bool taken = false;
    do {
        if (s.next == s.events.size()) {
            writeTrace("script exhausted");
            _exit(99);
        }
        item = s.events[s.next++];
        taken = makeEvent(item, event);
    } while (taken && SDL_EventState(event->type, SDL_QUERY) == SDL_IGNORE);
    writeTrace("SDL_PollEvent " + (taken ? item : std::string("empty")));
    return taken ? 1 : 0;
}

Uint32 SDL_MapRGB(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b) {
    const Uint32 pixel = real<Uint32 (*)(const SDL_PixelFormat*, Uint8, Uint8, Uint8)>(
        "SDL_MapRGB")(format, r, g, b);
    if (fromProgram(__builtin_return_address(0))) {
        Script& s = script();
        s.mapped = pixel;
        const bool screenFormat = s.screen != nullptr && format == s.screen->format;
        writeTrace(std::string("SDL_MapRGB ") + (screenFormat ? "screen" : "other") + " " +
                   std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b));
    }
    return pixel;
}

int SDL_FillRect(SDL_Surface* dst, SDL_Rect* rect, Uint32 color) {
    record(__builtin_return_address(0),
           "SDL_FillRect " + surfaceName(dst) + (rect == nullptr ? " whole" : " part") +
               (color == script().mapped ? " mapped" : " " + std::to_string(color)));
    return real<int (*)(SDL_Surface*, SDL_Rect*, Uint32)>("SDL_FillRect")(dst, rect, color);
}

Uint8 SDL_GetMouseState(int* x, int* y) {
    record(__builtin_return_address(0), "SDL_GetMouseState");
    return real<Uint8 (*)(int*, int*)>("SDL_GetMouseState")(x, y);
}

int SDL_Flip(SDL_Surface* screen) {
    void* caller = __builtin_return_address(0);
    record(caller, "SDL_Flip " + surfaceName(screen));
    const int result = real<int (*)(SDL_Surface*)>("SDL_Flip")(screen);
    Script& s = script();
    s.lastFlip = std::chrono::steady_clock::now();
    if (s.flips++ == 0) {
        s.firstFlip = s.lastFlip;
    }
    return result;
}

void SDL_Quit() {
    record(__builtin_return_address(0), "SDL_Quit");
    writeFps();
    real<void (*)()>("SDL_Quit")();
}

int pixelRGBA(SDL_Surface* dst, Sint16 x, Sint16 y, Uint8 r, Uint8 g, Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "pixelRGBA", dst, x, y, r, g, b, a);
}

int lineRGBA(SDL_Surface* dst, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Uint8 r, Uint8 g,
             Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "lineRGBA", dst, x1, y1, x2, y2, r, g, b, a);
}

int rectangleRGBA(SDL_Surface* dst, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Uint8 r, Uint8 g,
                  Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "rectangleRGBA", dst, x1, y1, x2, y2, r, g, b, a);
}

int boxRGBA(SDL_Surface* dst, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Uint8 r, Uint8 g, Uint8 b,
            Uint8 a) {
    return draw(__builtin_return_address(0), "boxRGBA", dst, x1, y1, x2, y2, r, g, b, a);
}

int trigonRGBA(SDL_Surface* dst, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Sint16 x3, Sint16 y3,
               Uint8 r, Uint8 g, Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "trigonRGBA", dst, x1, y1, x2, y2, x3, y3, r, g, b, a);
}

int filledTrigonRGBA(SDL_Surface* dst, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Sint16 x3,
                     Sint16 y3, Uint8 r, Uint8 g, Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "filledTrigonRGBA", dst, x1, y1, x2, y2, x3, y3, r, g,
                b, a);
}

int ellipseRGBA(SDL_Surface* dst, Sint16 x, Sint16 y, Sint16 rx, Sint16 ry, Uint8 r, Uint8 g,
                Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "ellipseRGBA", dst, x, y, rx, ry, r, g, b, a);
}

int filledEllipseRGBA(SDL_Surface* dst, Sint16 x, Sint16 y, Sint16 rx, Sint16 ry, Uint8 r, Uint8 g,
                      Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "filledEllipseRGBA", dst, x, y, rx, ry, r, g, b, a);
}

int polygonRGBA(SDL_Surface* dst, const Sint16* vx, const Sint16* vy, int n, Uint8 r, Uint8 g,
                Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "polygonRGBA", dst, vx, vy, n, r, g, b, a);
}

int filledPolygonRGBA(SDL_Surface* dst, const Sint16* vx, const Sint16* vy, int n, Uint8 r, Uint8 g,
                      Uint8 b, Uint8 a) {
    return draw(__builtin_return_address(0), "filledPolygonRGBA", dst, vx, vy, n, r, g, b, a);
}

} // extern "C"
