# Shared by scripts/play, scripts/test and scripts/bench: installs missing
# Debian packages and builds the game. Sourced, not run.

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"

# What configuring and building need: the game, its tools and its tests.
BUILD_PACKAGES="g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libx11-dev libxtst-dev \
libxdamage-dev libcanberra-dev libasound2-dev libspeechd-dev libgtest-dev libboost-dev libssl-dev \
libsqlite3-dev libpq-dev"
# What the game needs to run: Mesa's drivers, and the sound server's plug-in
# that plays its sound as a named event of the desktop's sound theme.
RUN_PACKAGES="libgl1-mesa-dri libcanberra-pulse"
# A virtual X server, for the demo, the tests and the benchmark.
XVFB_PACKAGES="xvfb xauth"

# Installs whichever of the named packages are missing: as root with apt-get,
# otherwise through sudo, otherwise says the one line to run as root. What
# apt-get prints goes to a log, shown only when the install fails.
ensure_packages() {
    missing=""
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing="$missing $package"
        fi
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        run_as_root=""
    elif command -v sudo >/dev/null 2>&1; then
        run_as_root="sudo"
    else
        echo "Missing packages; as root, run: apt-get update && apt-get install -y$missing" >&2
        exit 1
    fi
    echo "Installing:$missing" >&2
    log=$(mktemp /tmp/kaveto-install.XXXXXX)
    if ! { $run_as_root apt-get update &&
        $run_as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends $missing; } >"$log" 2>&1; then
        cat "$log" >&2
        echo "Installing the packages failed; the log above is kept in $log" >&2
        exit 1
    fi
    rm -f "$log"
}

# Configures a build folder (folder, then cmake options) until a configure
# has finished, then builds what changed (only $TARGET where it is set);
# quiet unless something fails.
build_in() {
    folder=$1
    shift
    # A failed configure leaves a cache but no Makefile: configure again.
    if [ ! -f "$folder/Makefile" ]; then
        if ! said=$(cmake -S "$ROOT" -B "$folder" "$@" 2>&1); then
            printf '%s\n' "$said" >&2
            rm -f "$folder/CMakeCache.txt"
            exit 1
        fi
    fi
    cmake --build "$folder" --parallel "$(nproc)" ${TARGET:+--target "$TARGET"} \
        -- --no-print-directory >/dev/null 2>&1 || {
        cmake --build "$folder" ${TARGET:+--target "$TARGET"} -- --no-print-directory
        exit 1
    }
}

build_game() {
    build_in "$BUILD" -DCMAKE_BUILD_TYPE=Release
}
