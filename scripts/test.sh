#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: an optimised build, whose
# Debian package is then made and checked, and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer where any finding fails the run. Then the tests that run threads
# (the desktop program's, the sweep pool's, whole traces side by side) run once more under
# ThreadSanitizer. Last, clang, which the fuzz target needs, builds the tracing library.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-packages.sh"
jobs="$(nproc)"

run_suite() {
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== optimised build"
run_suite "$root/build" -DCMAKE_BUILD_TYPE=Release
echo "== the Debian package of the optimised build"
"$root/scripts/check-package.sh" "$root/build"
echo "== sanitized build (AddressSanitizer, UndefinedBehaviorSanitizer)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DLUMIRASTRA_SANITIZE=ON \
  -DLUMIRASTRA_BENCH=OFF
echo "== desktop, sweep pool and side-by-side trace tests under ThreadSanitizer"
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMIRASTRA_TSAN=ON -DLUMIRASTRA_BENCH=OFF >/dev/null
cmake --build "$root/build-tsan" -j "$jobs" --target test_desktop test_tracing test_batch_trace
TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/desktop/tsan.supp" \
  ctest --test-dir "$root/build-tsan" -R 'Desktop|Editor|SweepPool|BatchTrace' --output-on-failure
echo "== the tracing library under clang, the fuzz target's compiler"
cmake -S "$root" -B "$root/build-clang" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ -DLUMIRASTRA_TESTS=OFF -DLUMIRASTRA_BENCH=OFF \
  -DLUMIRASTRA_DESKTOP=OFF -DLUMIRASTRA_PYTHON=OFF >/dev/null
cmake --build "$root/build-clang" -j "$jobs" --target lumi_tracing
