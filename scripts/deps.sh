# Sourced by the scripts: installs the Debian packages the build and the
# tests need when any is missing (non-interactive; one apt-get update
# first). Installing needs root or sudo.
#
# What each package is for, and the programs of it that scripts/ and the
# tests call:
#   cmake ninja-build g++       the build (cmake, ctest, ninja, g++)
#   clang libclang-rt-14-dev    the fuzz targets: clang++, libFuzzer and the
#                               sanitizers' runtime
#   libgtest-dev libbenchmark-dev                   the tests, the benchmarks
#   libglfw3-dev libopenal-dev libstb-dev libx11-dev  the program and the
#                               end-to-end tests (Xlib)
#   xvfb                        Xvfb: the private X server (scripts/with-xvfb)
#   xdotool                     xdotool: the end-to-end tests, scripts/screenshot
#   imagemagick                 convert, import: scripts/screenshot,
#                               tools/contact_sheet.sh, the drawing program's
#                               end-to-end test
#   vorbis-tools                oggenc: the Ogg reader's test input, the Ogg
#                               fuzz target's seeds
# Everything else they call comes with every Debian system: bash, sh,
# coreutils (date, mktemp, nproc, ...), grep, sed, awk (mawk), findutils,
# util-linux (setsid), dpkg-query.
velmora_packages="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  libglfw3-dev libopenal-dev libstb-dev libx11-dev xvfb xdotool imagemagick vorbis-tools"

velmora_install_deps() {
    local missing=""
    for p in $velmora_packages; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages:$missing; installing them needs root or sudo, and sudo is not installed (run as root, or install them yourself)"
            return 1
        fi
        sudo="sudo"
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q || return 1
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends $missing || return 1
}

# velmora_require WHO PROGRAM...: true when every PROGRAM is on the PATH;
# otherwise says once, as WHO, which are missing, and fails.
velmora_require() {
    local who=$1 p missing=""
    shift
    for p in "$@"; do
        command -v "$p" >/dev/null 2>&1 || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "$who: missing program(s):$missing (scripts/test and scripts/play install the packages listed in scripts/deps.sh)" >&2
    return 1
}
