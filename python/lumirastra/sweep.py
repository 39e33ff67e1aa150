"""Parameter sweeps: many variants of one scheme traced on this machine's cores or on the workers
of a Dask cluster. Each variant's changes are made and checked here; what travels to a worker is
the variant's file text, so a worker needs nothing but this package."""

import os
from concurrent.futures import ThreadPoolExecutor
from typing import Dict, List, Optional, Sequence, Tuple, Union

from . import _core
from .result import Result

Changes = Dict[Tuple[int, int], float]


def _trace_text(text: bytes, label: str, images: bool, hits: bool) -> Union[Result, Exception]:
    """Traces one variant from its file text, on the tracing thread alone: the variants side by
    side keep the cores busy. A refusal is returned, not raised, so the other variants go on."""
    try:
        scheme = _core.Scheme.parse(text, label)
        return Result(_core.trace(scheme, images=images, hits=hits, helpers=0))
    except _core.SchemeError as error:
        return error


def sweep(scheme: "_core.Scheme", variants: Sequence[Changes], client=None,
          images: bool = False, hits: bool = False) -> List[Union[Result, Exception]]:
    """Traces a variant of `scheme` for each item of `variants`, a dict of changes
    {(k, slot): value} (element k, slot number, both from 1 as in the log), and returns their
    Results in the order of `variants`. A variant the program would refuse gives its
    lumirastra.SchemeError in its place; the others go on.

    client   None: the variants run in parallel on this machine's cores (threads, each trace
             without the GIL). A dask.distributed Client: each variant's scheme text is sent to
             the cluster's workers, which need the lumirastra package, and the results gathered.
    images, hits   as for lumirastra.trace (each result then carries them back from its worker).
    """
    results: List[Optional[Union[Result, Exception]]] = [None] * len(variants)
    places, texts = [], []
    for i, changes in enumerate(variants):
        try:
            texts.append(scheme.with_changes(dict(changes)).bytes())
            places.append(i)
        except _core.SchemeError as error:
            results[i] = error
    label = scheme.label
    if client is None:
        with ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            done = list(pool.map(lambda t: _trace_text(t, label, images, hits), texts))
    else:
        futures = client.map(_trace_text, texts, label=label, images=images, hits=hits,
                             pure=False)
        done = client.gather(futures)
    for i, result in zip(places, done):
        results[i] = result
    return results
