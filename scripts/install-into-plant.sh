#!/usr/bin/env bash
# Builds the program and installs it into a plant: the program into the plant's Kadex folder and, where that
# folder has no language file yet, the shipped one beside it. Nothing else of the plant is touched.
# Usage: scripts/install-into-plant.sh <plant>
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "Usage: $0 <plant>   (the plant's root folder, which holds parameter/ and Kadex/)" >&2
    exit 2
fi
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
plant="$(cd "$1" 2>/dev/null && pwd)" || { echo "No such folder: $1" >&2; exit 1; }
# Folder names are found without regard to letter case, as the program finds its files.
module="$(find "$plant" -mindepth 1 -maxdepth 1 -type d -iname kadex -print -quit)"
if [ -z "$module" ]; then
    echo "$plant is no plant with the Kadex module: it has no Kadex folder." >&2
    exit 1
fi

"$repo/scripts/install-deps.sh"
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$repo/build" -j "$(nproc)" --target Kadex_Config

echo "Installing into $module"
cmake --install "$repo/build" --prefix "$module"
echo "Installed: $("$module/Kadex_Config" --version)"
echo "Check with: $module/Kadex_Config --list"
