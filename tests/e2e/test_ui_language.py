"""The interface language of a Wine run decides the texts the installer
shows: the processor notice (a system message box with strings 480, 481 and
483) is read back from the X window that Wine creates for it."""
import os
import shutil
import subprocess
import threading

import pytest

import installer
import kelmor_wine as w

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY") or not shutil.which("xdotool"),
                                reason="needs an X display and xdotool")


def window_ids(title):
    proc = subprocess.run(["xdotool", "search", "--name", title], capture_output=True, timeout=10)
    return proc.stdout.decode().split()


def run_until_notice(locale, caption, timeout=60):
    """Runs the installer in window mode without SSE3 under `locale`, waits
    for the notice called `caption`, confirms it and returns the run."""
    outcome = {}

    def run():
        outcome["result"] = installer.run([], timeout=timeout,
                                          env={"KELMOR_TEST_CPU": "no-sse3", "LC_ALL": locale,
                                               "LANG": locale})

    thread = threading.Thread(target=run)
    thread.start()
    found = w.wait_for(lambda: window_ids(caption), timeout)
    ids = window_ids(caption)
    for window in ids:
        subprocess.run(["xdotool", "windowactivate", "--sync", window], timeout=10)
        subprocess.run(["xdotool", "key", "--window", window, "Return"], timeout=10)
    thread.join(timeout + 30)
    return found, outcome.get("result")


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()
    yield


@pytest.mark.parametrize("locale,caption", [
    ("ru_RU.UTF-8", "Установка Kelmor\u00a0Browser"),
    ("tr_TR.UTF-8", "Kelmor\u00a0Browser Yüklemesi"),
    ("en_US.UTF-8", "Kelmor\u00a0Browser Installation"),
])
def test_processor_notice_speaks_the_interface_language(locale, caption):
    found, result = run_until_notice(locale, caption)
    assert found, f"no window called {caption!r}"
    assert result is not None and result.code == 404
