"""Time from process start to the first painted installer window, against a
minimal dialog program under the same Wine in the same run (median of
several alternating runs). Prints first_paint_vs_minimal: R."""
import pathlib
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


if __name__ == "__main__":
    main()
