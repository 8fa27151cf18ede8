#!/usr/bin/env bash
# Installs what the project needs (idempotent), builds the status viewer and runs it on its
# embedded demo site. Without a display it runs offscreen for a few seconds, writes one screenshot
# per workstation and a summary line, and exits. Extra arguments go to the application
# (see `statusviewer --help`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target statusviewer
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/apps/statusviewer/statusviewer --headless --seconds "${SECONDS_TO_RUN:-5}" --out artifacts "$@"
fi
exec ./build/apps/statusviewer/statusviewer "$@"
