#!/usr/bin/env bash
# Builds the sample plant's databases in a plant folder from the SQL texts kept in examples/plant/Kadex:
#   <plant>/Kadex/Kadex_Source.mdb   the module source database (template), from Kadex_Source.sql
#   <plant>/Kadex/Kadex.mdb          the module database with the plant's values, from Kadex_old.sql
# The .mdb files are SQLite 3 databases; existing ones are replaced.
set -euo pipefail

plant="${1:?usage: build-databases.sh <plant-folder>}"
sql="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/plant/Kadex"

if ! command -v sqlite3 >/dev/null; then
    echo "build-databases.sh: the sqlite3 command is needed (apt-get install sqlite3)" >&2
    exit 1
fi

mkdir -p "$plant/Kadex"
build() {
    local target="$plant/Kadex/$2"
    rm -f "$target" "$target-journal"
    sqlite3 -bail "$target" < "$sql/$1"
}
build Kadex_Source.sql Kadex_Source.mdb
build Kadex_old.sql Kadex.mdb
