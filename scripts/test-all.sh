#!/usr/bin/env bash
# Builds and runs every test twice: in a normal build, then with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/install-deps.sh" clang-format

echo "== format check =="
(cd "$repo" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror)

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

run_suite() {
    local dir="$1"
    shift
    cmake -S "$repo" -B "$dir" "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== normal build =="
run_suite "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
run_suite "$repo/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKADEX_SANITIZE=ON
