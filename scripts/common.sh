# Shared by scripts/play and scripts/test: installs missing Debian packages
# and builds the game. Sourced, not run.

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build"

# What building and running the game needs.
GAME_PACKAGES="g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri \
libx11-dev libcanberra-dev libasound2-dev xvfb xauth"

# Installs whichever of the named packages are missing: as root with apt-get,
# otherwise through sudo, otherwise says the one command that is needed.
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
        echo "Missing packages; as root, run: apt-get install -y$missing" >&2
        exit 1
    fi
    echo "Installing:$missing" >&2
    $run_as_root apt-get update -qq >&2 || exit 1
    DEBIAN_FRONTEND=noninteractive $run_as_root apt-get install -y -qq --no-install-recommends \
        $missing >&2 || exit 1
}

# Configures a build folder once (folder, then cmake options), then builds
# what changed; quiet unless something fails.
build_in() {
    folder=$1
    shift
    if [ ! -f "$folder/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$folder" "$@" >/dev/null || exit 1
    fi
    cmake --build "$folder" --parallel "$(nproc)" -- --no-print-directory >/dev/null || {
        cmake --build "$folder" -- --no-print-directory
        exit 1
    }
}

build_game() {
    build_in "$BUILD" -DCMAKE_BUILD_TYPE=Release
}
