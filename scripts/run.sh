#!/usr/bin/env bash
# Builds the program with its sample volume and starts the browser on it. Arguments go to the
# program (a database number skips the selection window). Safe to run again at any time.
# Without a display the build is still made and the script says how to start the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The program's target builds the sample volume (obsahy/rocnik/) beside the program as well.
cmake --build "$build" -j "$(nproc)" --target rejstrik

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'HELP'
run.sh: there is no display to show the program on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Start it on a virtual X server:   xvfb-run -a bash scripts/run.sh
or point it at an X server:       DISPLAY=:0 bash scripts/run.sh
HELP
  exit 2
fi

exec "$build/app/rejstrik" "$@"
