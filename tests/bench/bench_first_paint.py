"""Time from process start to the first painted installer window, against a
minimal dialog program under the same Wine in the same run (median of
several alternating runs). Prints first_paint_vs_minimal: R."""
import pathlib
import re
import statistics
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "harness"))
import installer  # noqa: E402
import kelmor_wine as w  # noqa: E402

ROUNDS = 7


def first_paint_ms(program, args=(), env=None):
    with tempfile.TemporaryDirectory() as tmp:
        out = pathlib.Path(tmp) / "ms.txt"
        command = [w.quote(w.to_windows(program))] + list(args)
        result = w.run(w.BIN / "paint_timer.exe", [w.to_windows(out), "60000"] + command, timeout=120, env=env)
        text = out.read_text() if out.exists() else "missing"
        if result.code != 0:
            raise RuntimeError(f"paint_timer {program.name}: {result} {text}")
        return float(text)


# Start-up steps, each ending at the first log line that holds its marker
# (the log of the last run); the first step runs from the process start to
# the log's first line.
STEPS = [
    ("hardening_and_log", "Start install."),
    ("ui_libraries", "Lite installer mode."),
    ("brand_and_distribution", "No existing Chrome system install found."),
    ("fonts", "font(s) added"),
    ("window_and_controller", "StartAsync"),
    ("first_screen_controls", "Checkboxes: visual styles"),
    ("first_paint", "First paint"),
]


def line_ms(line):
    m = re.match(r"\S+ (\d\d):(\d\d):(\d\d)\.(\d{3}) ", line)
    if not m:
        return None
    h, mi, s, ms = (int(g) for g in m.groups())
    return ((h * 60 + mi) * 60 + s) * 1000 + ms


def breakdown(total_ms):
    """The figures of the last run's start-up, from its log's timestamps."""
    lines = installer.log_lines()
    starts = [i for i, line in enumerate(lines) if "Start install." in line]
    if not starts:
        return {}
    run = lines[starts[-1]:]
    marks = {}
    for name, marker in STEPS[1:]:
        found = [line_ms(line) for line in run if marker in line and line_ms(line) is not None]
        if found:
            marks[name] = found[-1] if name == "fonts" else found[0]
    start = line_ms(run[0])
    out = {}
    previous = start
    for name, _ in STEPS[1:]:
        if name not in marks:
            return out
        out[name] = max(0, marks[name] - previous)
        previous = marks[name]
    out = {"hardening_and_log": max(0.0, total_ms - (previous - start)), **out}
    return out


def main():
    installer.clean()
    env = {"KELMOR_TEST_WINDOW_CONTROLLER": "0"}
    # One run of each first, so that neither pays for a cold cache.
    first_paint_ms(w.BIN / "minimal_dialog.exe")
    first_paint_ms(installer.EXE, env=env)
    minimal, window = [], []
    for _ in range(ROUNDS):
        minimal.append(first_paint_ms(w.BIN / "minimal_dialog.exe"))
        window.append(first_paint_ms(installer.EXE, env=env))
    m, i = statistics.median(minimal), statistics.median(window)
    print(f"first_paint_ms: {i:.1f}")
    print(f"minimal_dialog_first_paint_ms: {m:.1f}")
    print(f"first_paint_vs_minimal: {i / m:.2f}")
    # One more run of the installer alone, for its start-up breakdown.
    installer.clean()
    last = first_paint_ms(installer.EXE, env=env)
    for name, ms in breakdown(last).items():
        print(f"startup_{name}_ms: {ms:.0f}")


if __name__ == "__main__":
    main()
