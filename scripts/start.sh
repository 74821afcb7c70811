#!/usr/bin/env bash
# Builds the program and starts it; until the browser exists it builds and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)"

if [ -x "$build/app/rejstrik" ]; then
  exec "$build/app/rejstrik" "$@"
fi
ctest --test-dir "$build" --output-on-failure --no-tests=error -LE long -j "$(nproc)"
