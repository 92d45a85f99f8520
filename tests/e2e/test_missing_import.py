"""A system library or function missing at first use: reported, then the
process ends without returning into the failing call."""
import subprocess
import time

import pytest

import installer
import kelmor_wine as w

MODULE_NOT_FOUND = 0xC06D007E - (1 << 32)
PROC_NOT_FOUND = 0xC06D007F - (1 << 32)


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()


def test_missing_library_in_silent_mode_ends_without_a_box():
    result = installer.run(["--silent"], env={"KELMOR_TEST_CALL_MISSING_IMPORT": "dll"}, timeout=60)
    assert result.code == MODULE_NOT_FOUND
    assert installer.log_has("ERROR: Windows dll is not found: kelmor_absent.dll (ReportAndEnd:")
    assert not installer.log_has("Lite installer mode.")


def _find_window(name):
    proc = subprocess.run(["xdotool", "search", "--name", name], capture_output=True, timeout=10)
    return proc.stdout.split()


def test_missing_function_with_window_shows_a_box():
    proc = w.start(installer.EXE, [], env={"KELMOR_TEST_CALL_MISSING_IMPORT": "function"})
    try:
        assert w.wait_for(lambda: _find_window("Kelmor Browser installer"), 30), "no message box"
        assert installer.log_has(
            "ERROR: Function KelmorNoSuchFunction not found in Windows dll version.dll (ReportAndEnd:")
        for window in _find_window("Kelmor Browser installer"):
            subprocess.run(["xdotool", "key", "--window", window, "Return"], timeout=10)
        proc.wait(timeout=30)
    finally:
        if proc.poll() is None:
            proc.kill()
    assert not installer.log_has("Lite installer mode.")
