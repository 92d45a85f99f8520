"""The peak resident memory of the installer processes that this test
process runs, read from Linux's /proc/<pid>/status ("VmHWM", the high-water
mark of the resident set, which only grows) while they run."""
import threading

import kelmor_wine as w


def high_water_kib(pid):
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


class PeakMemory:
    """with PeakMemory() as peak: <run the installer>; then peak.kib is the
    largest high-water mark seen among this test's installer processes."""

    def __init__(self, interval=0.02):
        self._interval = interval
        self._lock = threading.Lock()
        self._kib = 0
        self._done = threading.Event()
        self._thread = threading.Thread(target=self._sample, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._done.set()
        self._thread.join(10)

    @property
    def kib(self):
        with self._lock:
            return self._kib

    def _sample(self):
        while not self._done.is_set():
            for pid in w.owned_installer_processes():
                kib = high_water_kib(pid)
                with self._lock:
                    self._kib = max(self._kib, kib)
            self._done.wait(self._interval)
