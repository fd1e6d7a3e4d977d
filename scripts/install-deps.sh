#!/usr/bin/env bash
# Installs, as root with apt-get, whatever the build, the tests and the sample run need and is not there yet.
set -euo pipefail

# fonts-liberation2: the window's captions are measured for the design font's widths, which Liberation Sans has.
packages=(cmake g++ make qt6-base-dev libsqlite3-dev libgtest-dev libgmock-dev sqlite3 fonts-liberation2 "$@")
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Run this as root (or install them with apt-get) and try again." >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
