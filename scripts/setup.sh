# Sourced by the run and test commands: installs what is missing and builds into a folder.
# Usage: setup_packages PACKAGE...; build_project DIR [CMAKE ARGS...]

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages every build needs; the callers add their own.
# libegl-dev, libegl-mesa0 and libgl1-mesa-dri draw kalderino-shot's pictures with no display.
BASE_PACKAGES="g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libgl-dev libgtest-dev
libbenchmark-dev libassimp-dev libmeshoptimizer-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
libpng-dev"

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
