"""How quickly the remote configuration tasks let go when the installer
closes: the time their destruction takes while a seed download crawls at
100 bytes a second, against the destruction of the same tasks after they
have finished, measured in the same run (remote_tasks test program, stand
on the build's port)."""
import json
import re
import statistics
import threading
import time

import kelmor_wine as w
import stand as service_stand

EXE = w.BIN / "remote_tasks.exe"
VARIATIONS = "/content/get/experiments/browser.proto"


def run(args):
    temp = w.temp_dir()
    temp.mkdir(parents=True, exist_ok=True)
    report = temp / "bench_remote_report.json"
    report.unlink(missing_ok=True)
    argv = [f"--report={w.to_windows(report)}", f"--log={w.to_windows(temp / 'bench_remote.log')}"] + args
    w.run(EXE, argv, timeout=120)
    return json.loads(report.read_text())


def crawl_once(stand):
    started = w.temp_dir() / "bench_remote_started"
    release = w.temp_dir() / "bench_remote_release"
    for f in (started, release):
        f.unlink(missing_ok=True)

    def release_when_crawling():
        end = time.monotonic() + 60
        while time.monotonic() < end:
            if started.exists() and stand.requests(VARIATIONS, settle=0):
                time.sleep(0.5)
                break
            time.sleep(0.05)
        release.write_text("go")

    helper = threading.Thread(target=release_when_crawling, daemon=True)
    helper.start()
    report = run(["--distr=abtup=0", f"--release-file={w.to_windows(release)}",
                  f"--started-file={w.to_windows(started)}"])
    helper.join(5)
    return report["destruction_ms"]


def main():
    with service_stand.running(lifetime=600) as stand:
        stand.settings["variations_seed_body"] = bytes(300000)
        idle = [run(["--distr=abtup=0"])["destruction_ms"] for _ in range(3)]
        stand.fault(re.escape(VARIATIONS), throttle=100)
        crawling = [crawl_once(stand) for _ in range(3)]
    idle_ms = max(statistics.median(idle), 1)
    crawl_ms = statistics.median(crawling)
    print(f"remote_tasks_stop_during_crawl_ms: {crawl_ms}")
    print(f"remote_tasks_stop_idle_ms: {statistics.median(idle)}")
    print(f"remote_tasks_stop_crawl_vs_idle: {crawl_ms / idle_ms:.2f}")


if __name__ == "__main__":
    main()
