# Shared by the scripts in this folder; source it, do not run it.

# What building needs, and what testing needs on top. "a|b" takes the first
# that the distribution has: sdl12-compat where it exists, classic SDL 1.2 on
# older releases.
BUILD_PACKAGES=(g++ make cmake pkg-config "libsdl1.2-compat-dev|libsdl1.2-dev" libsdl-gfx1.2-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev libx11-dev libxtst-dev xvfb xdotool x11-apps x11-utils
               openbox imagemagick valgrind clang-format clang-tidy cppcheck)

installed() {
    [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]
}

# Installs those of the given packages that are missing; silent when none is.
ensure_packages() {
    local wanted=() missing=() choice alt
    for choice in "$@"; do
        local have= alts=()
        IFS='|' read -r -a alts <<<"$choice"
        for alt in "${alts[@]}"; do installed "$alt" && have=1; done
        [ -n "$have" ] || wanted+=("$choice")
    done
    [ ${#wanted[@]} -gt 0 ] || return 0

    if ! command -v apt-get >/dev/null; then
        echo "$0: no apt-get here; install by hand the equivalents of: ${wanted[*]}" >&2
        echo "$0: (a C++17 compiler, make, cmake, pkg-config, SDL 1.2 or sdl12-compat and SDL_gfx 2.0 development files)" >&2
        exit 1
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "$0: not root and no sudo; install: ${wanted[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    local log
    log=$(mktemp)
    "${sudo[@]}" apt-get update -qq >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; exit 1; }
    for choice in "${wanted[@]}"; do
        IFS='|' read -r -a alts <<<"$choice"
        for alt in "${alts[@]}"; do
            if apt-cache show "$alt" >/dev/null 2>&1; then missing+=("$alt"); continue 2; fi
        done
        missing+=("${alts[0]}")  # let apt-get say that it has none of them
    done
    echo "$0: installing ${missing[*]}"
    if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
}

# Starts Xvfb on a display number nobody uses, at the program's screen size,
# and sets XVFB_PID and DISPLAY. The caller ends it, and the program started
# on it, with stop_xvfb.
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number=
    read -r -t 10 number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || { echo "$0: Xvfb did not start" >&2; stop_xvfb; exit 1; }
    export DISPLAY=":$number"
}

# Starts a command (the program) on the Xvfb and waits for its window; sets
# PROGRAM_PID. wait_program waits for its end and gives its exit status.
start_program() {
    "$@" &
    PROGRAM_PID=$!
    timeout 20 xdotool search --sync --name '^Quorvane$' >/dev/null
}

wait_program() {
    local status=0
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=
    return "$status"
}

stop_xvfb() {
    [ -z "${PROGRAM_PID:-}" ] || kill "$PROGRAM_PID" 2>/dev/null || true
    [ -z "${XVFB_PID:-}" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; } || true
}
