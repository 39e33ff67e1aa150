"""Sweeps: a variant refused in its place, and the same results on a two-worker Dask
LocalCluster as on this machine's threads."""

import distributed  # Debian's python3-distributed: missing, it fails the tests rather than skip them
import pytest

import lumirastra
from conftest import EXAMPLES


def variants():
    """Eight positions of the telescope's flat mirror, the third of them refused (its diameter
    must be positive), with a smaller beam so the cluster's share of the time shows."""
    vs = [{(3, 5): 296.0 + i, (1, 8): 40, (1, 9): 40} for i in range(8)]
    vs[2][(2, 3)] = -1.0
    return vs


def test_cluster_sweep_equals_local_sweep():
    scheme = lumirastra.Scheme.read(str(EXAMPLES / "newton-telescope.ops"))
    local = lumirastra.sweep(scheme, variants())
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            remote = lumirastra.sweep(scheme, variants(), client=client)
            # The workers' processes did the tracing: they loaded the module.
            loaded = client.run(lambda: "lumirastra._core" in __import__("sys").modules)
            assert len(loaded) == 2 and all(loaded.values())
    assert len(local) == len(remote) == 8
    assert isinstance(local[2], lumirastra.SchemeError)
    assert str(local[2]) == str(remote[2])
    for i, (a, b) in enumerate(zip(local, remote)):
        if i == 2:
            continue
        one = lumirastra.trace(scheme.with_changes(variants()[i]))
        assert a.log == b.log == one.log
        assert a.focus[4].tobytes() == b.focus[4].tobytes() == one.focus[4].tobytes()
    assert len({r.best_focus[4] for i, r in enumerate(local) if i != 2}) > 1
