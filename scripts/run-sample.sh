#!/usr/bin/env bash
# Builds the program and runs it on a fresh copy of the sample plant in examples/plant.
# The repository's copy is never changed. Arguments are passed to the program (e.g. /EXTERNAL:R4MCFG).
# With a display the window opens; without one, the run is silent and the changes are shown afterwards.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/install-deps.sh"

cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$repo/build" -j "$(nproc)" --target Kadex_Config

plant="${KADEX_SCRATCH:-$(mktemp -d /tmp/kadex-plant.XXXXXX)}"
mkdir -p "$plant"
cp -r "$repo/examples/plant/." "$plant/"
# The plant's save-and-restore folder is an absolute path on a real plant.
sed -i "s|^SaveAndRestore=.*|SaveAndRestore=$plant/SaveAndRestore\r|" "$plant/parameter/r4mconfiguration.ini"
if [ -x "$repo/examples/build-databases.sh" ]; then
    "$repo/examples/build-databases.sh" "$plant"
fi
# The program finds the plant from its own folder: it lives in <plant>/Kadex.
cp "$repo/build/bin/Kadex_Config" "$plant/Kadex/"
export KADEX_SERVICEPACK_LOG="${KADEX_SERVICEPACK_LOG:-$plant/BrolmServicePack.log}"

echo "Sample plant: $plant"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$plant/Kadex/Kadex_Config" "$@"
fi

echo "No display: a silent run (/EXTERNAL:SILENT) on the sample plant."
status=0
"$plant/Kadex/Kadex_Config" /EXTERNAL:SILENT "$@" || status=$?
echo "Exit status: $status"
echo
echo "== What changed in the plant's settings =="
for file in parameter/Program.ini Kadex/Kadex.cfg; do
    diff -u --strip-trailing-cr "$repo/examples/plant/$file" "$plant/$file" || true
done
if [ -f "$plant/Kadex/Kadex.mdb" ] && command -v sqlite3 >/dev/null; then
    echo
    echo "== PRESET_DEFS of the module database (first rows) =="
    sqlite3 -header -column "$plant/Kadex/Kadex.mdb" \
        "SELECT ID, machine_type, var_name, abs_min, abs_max, min, max, pass FROM PRESET_DEFS ORDER BY ID LIMIT 12;" || true
fi
for log in "$plant/R4Mcfglog.txt" "$KADEX_SERVICEPACK_LOG"; do
    if [ -s "$log" ]; then
        echo
        echo "== $log =="
        cat "$log"
    fi
done
exit "$status"
