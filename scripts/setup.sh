# Sourced by the run and test commands: installs what is missing and builds into a folder.
# Usage: setup_packages PACKAGE...; build_project DIR [CMAKE ARGS...]

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages: what the viewer alone needs to build; what kalderino-shot adds, which draws
# with no display through EGL and Mesa's software renderer; and what the rest of the project
# adds (the importer, the manual pages, the tests and the benchmarks).
VIEWER_PACKAGES="g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libgl-dev"
SHOT_PACKAGES="libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev"
ALL_PACKAGES="$VIEWER_PACKAGES $SHOT_PACKAGES libassimp-dev libseccomp-dev libmeshoptimizer-dev pandoc
libgtest-dev libbenchmark-dev"

# The CMake options of a build of the viewer alone.
VIEWER_ONLY="-DVIEWER_IMPORT=OFF -DVIEWER_SHOT=OFF -DVIEWER_MAN=OFF -DVIEWER_TESTS=OFF
-DVIEWER_BENCH=OFF"

setup_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

build_project() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null &&
        cmake --build "$dir" -j"$(nproc)" -- --no-print-directory >/dev/null
}
