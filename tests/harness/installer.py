"""The installer under test: runs, its log, its registry values, cleaning."""
import pathlib
import shutil

import kelmor_wine as w

EXE = w.BIN / "lite_installer.exe"
PRODUCT_KEY = r"HKCU\Software\Kelmor\KelmorBrowser"


def log_path():
    return w.temp_dir() / "lite_installer.log"


def log_lines():
    path = log_path()
    if not path.exists():
        return []
    return path.read_bytes().decode("utf-8", errors="replace").split("\n")[:-1]


def log_texts():
    """The text of every log line: severity name, ': ' and text with its tag."""
    out = []
    for line in log_lines():
        parts = line.split(" ", 3)
        out.append(parts[3] if len(parts) == 4 else line)
    return out


def log_has(fragment):
    return any(fragment in line for line in log_lines())


def clean():
    """Forgets everything an earlier run left: installer processes still
    running (a crash report of an earlier test must not reach this test's
    stand), log, temp files, registry values, addresses opened through the
    shell."""
    w.ensure_prefix()
    w.kill_all()
    w.clear_opened_addresses()
    temp = w.temp_dir()
    if temp.exists():
        for child in temp.iterdir():
            if child.is_dir():
                shutil.rmtree(child, ignore_errors=True)
            else:
                child.unlink(missing_ok=True)
    temp.mkdir(parents=True, exist_ok=True)
    w.reg_delete_key(PRODUCT_KEY)
    w.reg_delete_key(PRODUCT_KEY, view=64)


# A silent run without the stand: the setup archive cannot be downloaded.
NO_STAND_RESULT = 401


def run(args=(), env=None, timeout=120, winver="win10", exe=EXE, raw_args=None, windows_env=None):
    w.set_windows_version(pathlib.Path(exe).name, winver)
    return w.run(exe, args, timeout=timeout, env=env, raw_args=raw_args, windows_env=windows_env)
