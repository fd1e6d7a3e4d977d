#!/usr/bin/env bash
# Builds a fuzz target with clang in build-fuzz and runs it: ini (the INI worker) or report (the report reader).
# Usage: fuzz/run.sh [seconds] [ini|report]   (default 180 ini)
# New inputs go to build-fuzz/corpus-<target> (the checked-in seeds in fuzz/corpus/<target> stay as they are); a
# crashing input is saved in fuzz/artifacts/.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-180}"
target="${2:-ini}"
build="$repo/build-fuzz"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKADEX_BUILD_FUZZ=ON -DKADEX_BUILD_TESTS=OFF
cmake --build "$build" --target "kadex_${target}_fuzz" -j 2

mkdir -p "$build/corpus-$target" "$repo/fuzz/artifacts"
exec "$build/bin/kadex_${target}_fuzz" "$build/corpus-$target" "$repo/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$repo/fuzz/artifacts/"
