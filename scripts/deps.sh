# Sourced by scripts/test and scripts/play: installs the Debian packages the
# build needs when any is missing (non-interactive; one apt-get update first).
# Installing needs root or sudo.
velmora_packages="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  libglfw3-dev libopenal-dev libstb-dev xvfb xauth xdotool imagemagick vorbis-tools libx11-dev"

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
