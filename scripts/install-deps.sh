#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build (with Debian's build flags, dpkg-dev), test and
# demonstrate Llamora; with --package, also those that check the Debian package.
set -euo pipefail
packages=(
    cmake g++ make dpkg-dev
    qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6sql6-sqlite qt6-translations-l10n
    libsqlite3-dev libxcb1-dev sqlite3 fonts-liberation xvfb xauth x11-utils imagemagick trayer
    pkg-config libre-dev sip-tester libssl-dev openssl
    qt6-charts-dev libqt6opengl6-dev poppler-utils python3
    postgresql-15 libqt6sql6-psql
    libpq-dev
)
if [ "${1:-}" = --package ]; then
    packages+=(file lintian passwd util-linux procps)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
