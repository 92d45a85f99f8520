"""Module verification cost under Wine: the whole check of the good archive
(trusted list and every signature) against a run of the same tool that
only starts and exits, measured in the same run."""
import statistics
import sys
import time

import kelmor_wine as w

TOOL = w.BIN / "verify_tool.exe"
ARCHIVE = w.BUILD / "test-archives" / "good.arc"


def timed(args, rounds=5):
    samples = []
    for _ in range(rounds):
        start = time.monotonic()
        w.run(TOOL, args, timeout=60)
        samples.append(time.monotonic() - start)
    return statistics.median(samples)


def main():
    if not ARCHIVE.exists():
        return 0
    w.set_windows_version(TOOL.name, "win10")
    baseline = timed(["--mode=none", f"--path={w.to_windows(ARCHIVE)}"])
    verify = timed([f"--path={w.to_windows(ARCHIVE)}"])
    print(f"verify_module_ms: {verify * 1000:.0f}")
    print(f"verify_module_over_start_ratio: {verify / baseline:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
