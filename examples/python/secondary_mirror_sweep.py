#!/usr/bin/python3
"""Moves the secondary (flat) mirror of the Newtonian telescope along the primary's axis, traces
each position and plots the RMS spot diameter at the best focus against the position.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/secondary_mirror_sweep.py [PLOT.png]
        [--scheduler tcp://HOST:8786]

Without --scheduler the positions are traced on this machine's cores; with it, on the workers
of that Dask cluster (which need the lumirastra package)."""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")  # a file, no display
import matplotlib.pyplot as plt

import lumirastra

SCHEME = pathlib.Path(__file__).resolve().parents[1] / "newton-telescope.ops"
MIRROR, XO = 3, 5          # element 3, the flat mirror; slot 5, its Xo
PLANE = 4                  # the focal plane
POSITIONS = [290.0 + 0.5 * i for i in range(41)]
# A denser beam than the file's 21 x 21 rays, and a finer focus search (0.1 instead of 1).
BEAM = {(1, 8): 201, (1, 9): 201, (PLANE, 10): 0.1}


def main():
    """Sweeps, plots, and prints where the plot went."""
    args = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    args.add_argument("plot", nargs="?", default="secondary-mirror-sweep.png")
    args.add_argument("--scheduler", help="a Dask scheduler's address, tcp://HOST:PORT")
    options = args.parse_args()

    client = None
    if options.scheduler:
        from distributed import Client
        client = Client(options.scheduler)
    scheme = lumirastra.Scheme.read(str(SCHEME))
    variants = [{**BEAM, (MIRROR, XO): x} for x in POSITIONS]
    results = lumirastra.sweep(scheme, variants, client=client)

    traced = [(x, r.best_focus[PLANE]) for x, r in zip(POSITIONS, results)
              if isinstance(r, lumirastra.Result) and r.best_focus[PLANE].rms is not None]
    figure, diameter = plt.subplots(figsize=(8, 4.5), dpi=100)
    diameter.plot([x for x, _ in traced], [2 * b.rms for _, b in traced], "o-", color="tab:blue")
    diameter.set_xlabel("Xo of the flat mirror (scheme units)")
    diameter.set_ylabel("RMS spot diameter at best focus", color="tab:blue")
    shift = diameter.twinx()
    shift.plot([x for x, _ in traced], [b.d for _, b in traced], "s--", color="tab:orange", ms=3)
    shift.set_ylabel("best focus shift d", color="tab:orange")
    rays = next((r.rays for r in results if isinstance(r, lumirastra.Result)), 0)
    diameter.set_title(f"Newtonian telescope, {rays} rays per position")
    diameter.grid(True, alpha=0.3)
    figure.tight_layout()
    figure.savefig(options.plot)
    refused = len(results) - len(traced)
    print(f"{options.plot}: {len(traced)} positions" + (f", {refused} refused" if refused else ""))


if __name__ == "__main__":
    main()
