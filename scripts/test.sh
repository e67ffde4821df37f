#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest. Exits with CTest's status.
#
#   scripts/test.sh              tests of the ordinary build in build/
#   scripts/test.sh --sanitize   the same tests built with AddressSanitizer and UBSan in build-asan/
#   scripts/test.sh --thread     the tests of the code that starts threads, built with ThreadSanitizer in
#                                build-tsan/
#
# The tests run on Qt's offscreen platform and need no display.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

usage() {
    sed -n '2,9s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
}

sanitize=0
thread=0
while (($# > 0)); do
    case $1 in
        --sanitize) sanitize=1 ;;
        --thread) thread=1 ;;
        -h | --help)
            usage
            exit 0
            ;;
        *)
            echo "test.sh: unknown option '$1'" >&2
            usage >&2
            exit 2
            ;;
    esac
    shift
done

if ((thread)); then
    bash scripts/setup.sh --thread
    # Qt starts the tool's process the vfork way, so the sanitizer's note of a fork in the child lands in
    # the tests' own memory and would stop the next thread they start.
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 die_after_fork=0}
    exec ctest --preset tsan
elif ((sanitize)); then
    bash scripts/setup.sh --sanitize
    preset=asan
    # Leak checking is off by default: Qt and the font libraries keep caches until exit, which LeakSanitizer
    # reports. Set ASAN_OPTIONS yourself to turn it on.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
else
    bash scripts/setup.sh
    preset=default
fi

exec ctest --preset "$preset"
