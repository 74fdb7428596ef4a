# Shared by the scripts in this folder; source it, do not run it.

# What the scripts need, each as a shell test that passes when it is there and,
# after "=>", the Debian or Ubuntu dependency that brings it ("a | b" takes the
# first that the distribution has: sdl12-compat where it exists, classic SDL
# 1.2 on older releases).
BUILD_NEEDS=(
    "have c++ => g++"
    "have make => make"
    "have cmake => cmake"
    "have pkg-config => pkg-config"
    "module sdl => libsdl1.2-compat-dev | libsdl1.2-dev"
    "module SDL_gfx => libsdl-gfx1.2-dev"
)
TEST_NEEDS=(
    "module gtest => libgtest-dev"
    "module benchmark => libbenchmark-dev"
    "module x11 => libx11-dev"
    "module xtst => libxtst-dev"
    "have Xvfb => xvfb"
    "have xdotool => xdotool"
    "have xprop => x11-utils"
    "have openbox => openbox"
    "have valgrind => valgrind"
    "have clang-format => clang-format"
    "have clang-tidy => clang-tidy"
    "have cppcheck => cppcheck"
)
PACKAGE_NEEDS=(
    "installed build-essential => build-essential"
    "have dpkg-buildpackage => dpkg-dev"
    "have dh => debhelper"
    "have lintian => lintian"
)
# The validators of the installed data files, and the package build.
DATA_NEEDS=(
    "have desktop-file-validate => desktop-file-utils"
    "have appstreamcli => appstream"
    "have man => man-db"
    "${PACKAGE_NEEDS[@]}"
)
SCREENSHOT_NEEDS=(
    "have Xvfb => xvfb"
    "have xdotool => xdotool"
    "have xwd => x11-apps"
    "imagemagick => imagemagick"
)

have() { command -v "$1" >/dev/null; }
module() { pkg-config --exists "$1" 2>/dev/null; }
imagemagick() { convert -version 2>/dev/null | grep -q ImageMagick; }
installed() { [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]; }

# Runs a command as root: directly when we are, through sudo otherwise.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif have sudo; then
        sudo "$@"
    else
        echo "$0: not root and no sudo to run: $*" >&2
        return 1
    fi
}

# Installs what is missing of the given needs; silent when nothing is.
ensure_needs() {
    local need missing=()
    for need in "$@"; do
        eval "${need% => *}" || missing+=("${need#* => }")
    done
    [ ${#missing[@]} -gt 0 ] || return 0

    if ! have apt-get; then
        echo "$0: no apt-get here; install by hand the equivalents of these Debian packages:" >&2
        printf '  %s\n' "${missing[@]}" >&2
        exit 1
    fi
    local list
    printf -v list '%s, ' "${missing[@]}"
    echo "$0: installing ${list%, }"
    local log
    log=$(mktemp)
    if ! { as_root apt-get update -qq &&
        as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get satisfy -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
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

# Starts a command (the program) on that Xvfb, whatever SDL_VIDEODRIVER the
# caller has, and waits up to 20 s for its window; sets PROGRAM_PID.
start_program() {
    SDL_VIDEODRIVER=x11 "$@" &
    PROGRAM_PID=$!
    local tries=0 status=0
    until xdotool search --name '^Quorvane$' >/dev/null 2>&1; do
        if ! kill -0 "$PROGRAM_PID" 2>/dev/null; then
            wait "$PROGRAM_PID" || status=$?
            PROGRAM_PID=
            echo "$0: the program ended with status $status before its window showed" >&2
            exit 1
        fi
        if [ $((tries += 1)) -gt 200 ]; then
            echo "$0: the program showed no window within 20 s" >&2
            exit 1
        fi
        sleep 0.1
    done
}

# Waits up to 10 s for the program's end and gives its exit status (124 when
# it is still running then; stop_xvfb ends it).
wait_program() {
    local tries=0 status=0
    while kill -0 "$PROGRAM_PID" 2>/dev/null; do
        if [ $((tries += 1)) -gt 100 ]; then
            echo "$0: the program did not end within 10 s" >&2
            return 124
        fi
        sleep 0.1
    done
    wait "$PROGRAM_PID" || status=$?
    PROGRAM_PID=
    return "$status"
}

# Ends the program (SIGTERM, SIGKILL if that has not ended it in 10 s) and
# the Xvfb.
stop_xvfb() {
    if [ -n "${PROGRAM_PID:-}" ]; then
        kill "$PROGRAM_PID" 2>/dev/null || true
        wait_program 2>/dev/null || [ $? -ne 124 ] || kill -KILL "$PROGRAM_PID" 2>/dev/null || true
    fi
    [ -z "${XVFB_PID:-}" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; } || true
}
