#!/usr/bin/env bash
# Installs, idempotently, the Debian packages the project builds and runs with.
# Runs `apt-get update` once and installs only what is missing.
# The broker package would start a system-wide broker; the project's scripts and tests start their
# own brokers on free ports, so none is left running: services are not started during the install
# (a policy-rc.d for its duration) and, where systemd runs, mosquitto's service is disabled and stopped.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc-dev unixodbc odbcinst libsqliteodbc libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool
  python3 python3-paho-mqtt
  mosquitto libmosquitto-dev mosquitto-clients faketime openssl
  doxygen qt6-l10n-tools qt6-tools-dev clang-format
  qt6-httpserver-dev qt6-websockets-dev libsodium-dev liblz4-dev
  chromium
  lintian
)
# The web desk's page is built with npm; a machine that has node from elsewhere keeps it.
command -v node >/dev/null || PACKAGES+=(nodejs npm)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  policy=/usr/sbin/policy-rc.d
  own_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod 755 "$policy"
    own_policy=1
  fi
  trap '[ "$own_policy" -eq 1 ] && $SUDO rm -f "$policy"' EXIT
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ -d /run/systemd/system ] && command -v systemctl >/dev/null &&
   systemctl list-unit-files mosquitto.service >/dev/null 2>&1; then
  $SUDO systemctl disable --now mosquitto.service >/dev/null 2>&1 || true
fi
# The page's pinned packages (web/package-lock.json), installed again only when the lock changed.
WEB="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/web"
if [ ! "$WEB/node_modules/.package-lock.json" -nt "$WEB/package-lock.json" ]; then
  npm ci --prefix "$WEB" --no-audit --no-fund --loglevel=error
fi
