#!/usr/bin/python3
"""Sweep benchmark: 200 variants of the telescope workload with 316 x 316 rays (99,856), the flat
mirror moved a little in each, traced on this machine's threads and on a two-worker Dask
LocalCluster (one thread each). Prints variants per second for each and the cluster's overhead
per variant: the wall time it adds over the local sweep, per variant, with as many workers as
the local sweep has threads; measured besides on 200 variants of one ray each, where the tracing
costs next to nothing and the difference is the cluster's own (sending the text, scheduling the
task, sending the result back).

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_bench.py [VARIANTS]
"""

import os
import pathlib
import sys
import time

import distributed

import lumirastra

WORKLOAD = pathlib.Path(__file__).resolve().parent / "workloads" / "telescope.ops"


def timed(run):
    """The result of run() and the wall time it took."""
    start = time.perf_counter()
    result = run()
    return result, time.perf_counter() - start


def main():
    """Runs both sweeps once and prints their figures."""
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    scheme = lumirastra.Scheme.read(str(WORKLOAD))
    variants = [{(1, 8): 316, (1, 9): 316, (3, 5): 299.0 + 2.0 * i / n} for i in range(n)]
    one_ray = [{**v, (1, 8): 1, (1, 9): 1} for v in variants]
    local, t_local = timed(lambda: lumirastra.sweep(scheme, variants))
    _, t_local_one = timed(lambda: lumirastra.sweep(scheme, one_ray))
    (cluster, client), t_start = timed(lambda: _start_cluster())
    with cluster, client:
        remote, t_cluster = timed(lambda: lumirastra.sweep(scheme, variants, client=client))
        _, t_cluster_one = timed(lambda: lumirastra.sweep(scheme, one_ray, client=client))
    assert all(a.log == b.log for a, b in zip(local, remote)), "the cluster's results differ"
    print(f"{n} variants of {local[0].rays} rays, {os.cpu_count()} cores")
    print(f"local ({os.cpu_count()} threads):  {t_local:7.2f} s  {n / t_local:6.2f} variants/s")
    print(f"LocalCluster (2 workers): {t_cluster:7.2f} s  {n / t_cluster:6.2f} variants/s"
          f"  (start-up {t_start:.2f} s, not counted)")
    print(f"cluster overhead: {1000 * (t_cluster - t_local) / n:.1f} ms of wall time per variant")
    print(f"one ray per variant: local {1000 * t_local_one / n:.2f} ms, LocalCluster"
          f" {1000 * t_cluster_one / n:.2f} ms of wall time per variant: overhead"
          f" {1000 * (t_cluster_one - t_local_one) / n:.2f} ms")


def _start_cluster():
    """A two-worker LocalCluster, one thread per worker, and its client."""
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       dashboard_address=None)
    return cluster, distributed.Client(cluster)


if __name__ == "__main__":
    main()
