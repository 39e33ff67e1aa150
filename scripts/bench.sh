#!/usr/bin/env bash
# Installs what is missing, builds the optimised tree and measures it:
#   1. every element kind's sweep on the rays of the reference workloads (bench/workloads), with and
#      without drawing, in ns per ray and against the bare sweep over the same rays;
#   2. the flat-element benchmarks of a parallel and a fan beam;
#   3. a change traced again in a running program, the telescope with a million and 100,000 rays;
#   4. each workload end to end through lumirastra-trace: whole-process time and peak memory.
# Extra arguments go to the benchmark programs (for example --benchmark_filter=grating).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target lumi_element_bench lumi_bench lumi_retrace_bench \
  lumirastra-trace

echo "== element sweeps (ns/ray per ray record, per shift for a focal plane; x_bare = ratio)"
"$root/build/bench/lumi_element_bench" "$@"
echo "== flat elements"
"$root/build/bench/lumi_bench" "$@"
echo "== a change traced again in a running program (windows open, bundle allocated)"
"$root/build/bench/lumi_retrace_bench" "$@"
echo "== workloads end to end"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
printf '%-18s %10s %12s\n' workload seconds "peak MB"
for scheme in "$root"/bench/workloads/*.ops; do
  name="$(basename "$scheme" .ops)"
  /usr/bin/time -f '%e %M' -o "$out/time" \
    "$root/build/apps/lumirastra-trace/lumirastra-trace" --out "$out/$name" "$scheme" >/dev/null
  read -r seconds kilobytes < "$out/time"
  printf '%-18s %10s %12d\n' "$name" "$seconds" "$((kilobytes / 1024))"
done
