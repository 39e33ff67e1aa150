"""What the module's tests share: the bundled examples and the tracer they are held against."""

import os
import pathlib
import subprocess

import pytest

EXAMPLES = pathlib.Path(os.environ.get("LUMI_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))
TRACER = os.environ.get("LUMI_TRACER", "lumirastra-trace")


def run_tracer(*args, cwd=None):
    """lumirastra-trace with these arguments; its completed process (output as text)."""
    return subprocess.run([TRACER, *map(str, args)], cwd=cwd, capture_output=True, text=True,
                          check=False)


@pytest.fixture(scope="session")
def examples():
    """Every bundled example scheme."""
    return sorted(EXAMPLES.glob("*.ops"))
