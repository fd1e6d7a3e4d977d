#!/usr/bin/env bash
# Builds the INI fuzz target with clang in build-fuzz and runs it.
# Usage: fuzz/run.sh [seconds]   (default 180)
# New inputs go to build-fuzz/corpus-ini (the checked-in seeds in fuzz/corpus/ini stay as they are); a crashing
# input is saved in fuzz/artifacts/.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-180}"
build="$repo/build-fuzz"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKADEX_BUILD_FUZZ=ON -DKADEX_BUILD_TESTS=OFF
cmake --build "$build" --target kadex_ini_fuzz -j 2

mkdir -p "$build/corpus-ini" "$repo/fuzz/artifacts"
exec "$build/bin/kadex_ini_fuzz" "$build/corpus-ini" "$repo/fuzz/corpus/ini" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$repo/fuzz/artifacts/"
