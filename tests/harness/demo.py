"""The demo: one whole installation under Wine against the local service
stand. The stand serves the signed test setup program as the browser's
setup archive; the installer downloads it, verifies it, runs it and exits
with its result. With the window, Install is clicked as a person would
(xdotool under the session's Xvfb) and screenshots go to build/screens."""
import argparse
import json
import pathlib
import shutil
import sys

import installer
import kelmor_wine as w

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "gui"))
import stand  # noqa: E402

# What the test setup program does: report its stages and the import to the
# window, start a stand-in browser and leave it running for a while.
SETUP_SWITCHES = ["--fake-stages=5,6,7", "--fake-import=0,25,50,75,100", "--fake-delay-ms=300",
                  "--fake-browser-window-ms=4000"]


def run_with_window():
    import window_driver as d
    run = d.Run(SETUP_SWITCHES, exe=installer.EXE, timeout=600)
    window = d.find_window()
    d.wait_painted(window)
    window.screenshot("demo_first_screen.png")
    window.click(d.INSTALL)
    if window.wait_control(d.PROGRESS):
        d.wait_painted(window, timeout=3)
        window.screenshot("demo_progress_screen.png")
    return run.wait(timeout=600)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log-copy", required=True)
    parser.add_argument("--silent", action="store_true")
    options = parser.parse_args()

    installer.clean()
    record = pathlib.Path(options.log_copy).with_name("stand-requests.jsonl")
    record.unlink(missing_ok=True)
    report = w.temp_dir() / "fake_setup_report.json"
    with stand.running(record_path=record, lifetime=900) as services:
        services.settings["setup_archive"] = (w.BUILD / "test-archives" / "good.arc").read_bytes()
        if options.silent:
            result = installer.run(["--silent", "--send-statistics"] + SETUP_SWITCHES, timeout=600)
        else:
            result = run_with_window()
        requests = services.requests()
    if installer.log_path().exists():
        shutil.copyfile(installer.log_path(), options.log_copy)
    print("---- installer log (last lines) ----")
    for line in installer.log_lines()[-40:]:
        print(line)
    print(f"---- service stand: {len(requests)} requests (record: {record}) ----")
    for r in requests:
        print(f"{r['method']} {r['target'][:160]} -> {r['status']}")
    if report.exists():
        data = json.loads(report.read_text())
        print("---- test setup program ----")
        print("command line:", data.get("command_line"))
        print("exit code:", data.get("exit_code"))
    print(f"---- installer exit code: {result.code} ----")
    return result.code if result.code is not None else 1


if __name__ == "__main__":
    sys.exit(main())
