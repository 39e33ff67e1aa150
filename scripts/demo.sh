#!/usr/bin/env bash
# Installs what is missing, builds, and traces the default example scheme into out/demo.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target lumirastra-trace
mkdir -p "$root/out/demo"
"$root/build/apps/lumirastra-trace/lumirastra-trace" --out "$root/out/demo" \
  "$root/examples/${1:-newton-telescope.ops}"
echo "Log and window images: $root/out/demo"
ls "$root/out/demo"
