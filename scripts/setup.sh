#!/usr/bin/env bash
# Installs what the editor needs to build (Debian 12, apt-get) and builds it.
#
#   scripts/setup.sh              build everything into build/ (Ninja, RelWithDebInfo): the programs,
#                                 the tests, the benchmarks and the fuzz replays
#   scripts/setup.sh --programs   build only the editor and tavrin-level into build/
#   scripts/setup.sh --headless   also install a virtual X server and screenshot tools
#   scripts/setup.sh --sanitize   build into build-asan/ with AddressSanitizer and UBSan
#   scripts/setup.sh --thread     build the tests of the code that starts threads into build-tsan/ with
#                                 ThreadSanitizer
#
# Packages are installed only when missing, so a second run goes straight to the build. Installing needs
# root, or sudo for a normal user.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

BUILD_PACKAGES=(cmake g++ ninja-build qt6-base-dev libxkbcommon-dev scdoc)
# git: the merge driver test runs a real repository.
TEST_PACKAGES=(git)
# cpack -G DEB reads the executable with file and finds its library dependencies with dpkg-shlibdeps.
PACKAGING_PACKAGES=(file dpkg-dev)
HEADLESS_PACKAGES=(xvfb xauth xdotool imagemagick x11-apps)

usage() {
    sed -n '2,13s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
}

headless=0
programs=0
sanitize=0
thread=0
while (($# > 0)); do
    case $1 in
        --headless) headless=1 ;;
        --programs) programs=1 ;;
        --sanitize) sanitize=1 ;;
        --thread) thread=1 ;;
        -h | --help)
            usage
            exit 0
            ;;
        *)
            echo "setup.sh: unknown option '$1'" >&2
            usage >&2
            exit 2
            ;;
    esac
    shift
done

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

install_missing() {
    local packages=("$@") missing=() package
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "setup.sh: dpkg-query not found; not a Debian system? Install ${packages[*]} yourself." >&2
        return 0
    fi
    for package in "${packages[@]}"; do
        is_installed "$package" || missing+=("$package")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi

    local sudo=()
    if (($(id -u) != 0)); then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "setup.sh: missing packages: ${missing[*]}" >&2
            echo "setup.sh: installing them needs root or sudo; run this script as root." >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "setup.sh: installing ${missing[*]}" >&2
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

packages=("${BUILD_PACKAGES[@]}")
if ((!programs)); then
    packages+=("${TEST_PACKAGES[@]}" "${PACKAGING_PACKAGES[@]}")
fi
if ((headless)); then
    packages+=("${HEADLESS_PACKAGES[@]}")
fi
install_missing "${packages[@]}"

# The configurations are the presets of CMakePresets.json: default (build/), asan (build-asan/), tsan
# (build-tsan/).
preset=default
build_preset=default
if ((sanitize)); then
    preset=asan
    build_preset=asan
fi
if ((programs)); then
    # What scripts/run.sh starts; the tests and benchmarks are left to scripts/test.sh.
    build_preset=programs
fi
if ((thread)); then
    preset=tsan
    build_preset=tsan
fi

cd "$ROOT"
cmake --preset "$preset"
cmake --build --preset "$build_preset"
