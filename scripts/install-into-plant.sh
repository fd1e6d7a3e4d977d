#!/usr/bin/env bash
# Checks the plant, builds the program and installs it into the plant: the program (stripped) into the plant's
# Kadex folder and, where that folder has no language file yet, the shipped one beside it. Nothing else of the
# plant is touched.
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

# The files the program needs, found without regard to letter case as the program finds them. A plant without
# its module database is fine: the first update writes it.
missing=()
for file in parameter/Program.ini parameter/r4mconfiguration.ini Kadex/Kadex.cfg Kadex/Kadex_Source.mdb; do
    found="$plant"
    for part in ${file//\// }; do
        found="$(find "$found" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)"
        [ -n "$found" ] || break
    done
    [ -n "$found" ] || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "$plant lacks what the program needs; nothing was installed. Missing:" >&2
    printf '    %s\n' "${missing[@]}" >&2
    case " ${missing[*]} " in
    *.mdb*)
        echo "The template database is built from SQL. For a copy of the sample plant:" >&2
        echo "    $repo/examples/build-databases.sh $plant" >&2
        echo "(it also builds the sample's old Kadex/Kadex.mdb). A plant's own Access database is converted as the" >&2
        echo "README says under \"A template or module database still in Access format\"." >&2
        ;;
    esac
    exit 1
fi

"$repo/scripts/install-deps.sh"
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$repo/build" -j "$(nproc)" --target Kadex_Config

echo "Installing into $module"
# Stripped: the debugging symbols of the build stay in the build folder.
cmake --install "$repo/build" --prefix "$module" --strip
echo "Installed: $("$module/Kadex_Config" --version)"
echo "Check with: $module/Kadex_Config --list"
