"""Schemes changed from Python: the same checks and messages as the tracer, nothing changed by a
refused change, and traces on several threads that give what they give one after another."""

from concurrent.futures import ThreadPoolExecutor

import pytest

import lumirastra
from conftest import EXAMPLES, run_tracer

TELESCOPE = EXAMPLES / "newton-telescope.ops"


@pytest.fixture
def telescope(tmp_path):
    """A copy of the telescope example and the scheme read from it."""
    path = tmp_path / "telescope.ops"
    path.write_bytes(TELESCOPE.read_bytes())
    return path, lumirastra.Scheme.read(str(path))


def test_elements_and_slots_are_the_files(telescope):
    _, scheme = telescope
    assert len(scheme) == 4 and [e.code for e in scheme] == [11, 32, 31, 62]
    mirror = scheme[3]
    assert (mirror.name, mirror.on) == ("плоское зеркало", True)
    assert sorted(mirror.slots) == list(range(1, 8))
    xo = mirror.slots[5]
    assert (xo.name, xo.unit, xo.value) == ("Xo", "ед.", 300.0)
    with pytest.raises(IndexError):
        scheme[0]
    with pytest.raises(IndexError):
        scheme[5]


def test_a_change_traces_as_the_tracers_set(telescope, tmp_path):
    path, scheme = telescope
    scheme[3].set(5, 301.5)
    scheme[1].set(8, 7)
    scheme[3].on = False
    done = run_tracer("--out", tmp_path / "out", "--set", "3.5=301.5", "--set", "1.8=7",
                      "--set", "3.1=-31", path)
    assert done.returncode == 0, done.stderr
    log = (tmp_path / "out" / "диагностика.dat").read_bytes().decode("cp1251")
    assert lumirastra.trace(scheme).log == log
    changed = lumirastra.Scheme.read(str(path)).with_changes(
        {(3, 5): 301.5, (1, 8): 7, (3, 1): -31})
    assert changed.bytes() == scheme.bytes()


def test_a_refused_change_raises_the_tracers_message_and_changes_nothing(telescope):
    path, scheme = telescope
    before = scheme.bytes()
    # The tracer's --set makes the same changes in the same order: (3, 8) exists only once
    # (3, 2) has given element 3 more parameters.
    for changes in ({(2, 3): -5}, {(2, 3): 1e40}, {(3, 8): 1.0, (3, 2): 6}):
        with pytest.raises(lumirastra.SchemeError) as refused:
            scheme.with_changes(changes)
        sets = [a for (k, slot), v in changes.items() for a in ("--set", f"{k}.{slot}={v!r}")]
        done = run_tracer("--check", *sets, path)
        assert done.returncode == 1
        assert done.stderr == f"lumirastra-trace: {refused.value}\n"
    with pytest.raises(lumirastra.SchemeError) as refused:
        scheme[2].set(3, -5)
    assert str(refused.value).endswith("размер должен быть больше нуля")
    assert scheme.bytes() == before
    assert scheme.with_changes({(3, 2): 6, (3, 8): 1.0})[3].slots[8].value == 1.0


def test_bad_input_raises_scheme_error(telescope):
    _, scheme = telescope
    for bad in ("", "not a scheme\n", b"\xff\xfe\x00"):
        with pytest.raises(lumirastra.SchemeError):
            lumirastra.Scheme.parse(bad)
    with pytest.raises(lumirastra.SchemeError):
        scheme.insert(2, 99)
    with pytest.raises(lumirastra.SchemeError):
        scheme[1].set(300, 1.0)
    with pytest.raises(lumirastra.SchemeError):
        scheme.with_changes({(9, 3): 1.0})
    with pytest.raises(lumirastra.SchemeError):
        lumirastra.Scheme.read("/nonexistent/scheme.ops")


def test_insert_and_remove_keep_the_rest_of_the_file(telescope, tmp_path):
    _, scheme = telescope
    before = scheme.bytes()
    scheme.insert(3, 21)
    assert len(scheme) == 5 and scheme[3].code == 21
    assert lumirastra.trace(scheme).counts[3] is not None
    scheme.remove(3)
    assert scheme.bytes() == before
    scheme.save(str(tmp_path / "saved.ops"))
    assert (tmp_path / "saved.ops").read_bytes() == before


def test_threads_give_what_one_after_another_gives(telescope):
    _, scheme = telescope
    variants = [scheme.with_changes({(3, 5): 298.0 + i, (1, 8): 60}) for i in range(4)]
    alone = [lumirastra.trace(v) for v in variants]
    with ThreadPoolExecutor(max_workers=4) as pool:
        together = list(pool.map(lumirastra.trace, variants))
    for a, b in zip(alone, together):
        assert a.log == b.log
        assert a.focus[4].tobytes() == b.focus[4].tobytes()  # to the bit


def test_text_parses_as_the_file_reads(telescope):
    path, scheme = telescope
    text = path.read_bytes().decode("cp1251")
    for parsed in (lumirastra.Scheme.parse(text, str(path)),
                   lumirastra.Scheme.parse(path.read_bytes(), str(path))):
        assert [e.slots[s].value for e in parsed for s in e.slots] == \
               [e.slots[s].value for e in scheme for s in e.slots]
        assert lumirastra.trace(parsed).log == lumirastra.trace(scheme).log
