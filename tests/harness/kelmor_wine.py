"""Driving Windows programs of the build under its Wine prefix.

Every call is bounded in time. Exit codes are read through run_and_wait.exe,
because a Unix exit status keeps only 8 bits of a Windows exit code.
"""
import getpass
import os
import pathlib
import shutil
import signal
import subprocess
import tempfile
import time

BUILD = pathlib.Path(os.environ.get("KELMOR_BUILD_DIR", pathlib.Path(__file__).resolve().parents[2] / "build"))
SOURCE = pathlib.Path(os.environ.get("KELMOR_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BIN = BUILD / "bin"
PREFIX = pathlib.Path(os.environ.get("WINEPREFIX", BUILD / "wineprefix"))


def _loader():
    if os.environ.get("KELMOR_WINE"):
        return os.environ["KELMOR_WINE"]
    try:
        subprocess.run(["/usr/lib/wine/wine", "--version"], check=True, capture_output=True, timeout=30)
        return "/usr/lib/wine/wine"
    except (OSError, subprocess.SubprocessError):
        return "/usr/lib/wine/wine64"


LOADER = _loader()
OWNER_VARIABLE = "KELMOR_HARNESS_OWNER"
OWNER = str(os.getpid())


def wine_env(extra=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(PREFIX), WINEARCH="win64", WINEDEBUG=env.get("WINEDEBUG", "-all"),
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if LOADER.endswith("wine64"):
        env["WINELOADER"] = LOADER
    # Test hooks of an earlier test must not leak into the next one.
    for key in list(env):
        if key.startswith("KELMOR_TEST_"):
            del env[key]
    # Without a stand every download fails at once; the 15-second pauses
    # between the six attempts would only slow such runs down. Tests of the
    # pauses give their own value.
    env["KELMOR_TEST_DOWNLOAD_PAUSE_MS"] = "0"
    # Marks the programs this test process starts (their children inherit
    # it), so kill_all() never reaches programs another test started.
    env[OWNER_VARIABLE] = OWNER
    if extra:
        env.update(extra)
    return env


def _test_root_trusted():
    """True when the build has no test authority or the prefix trusts it."""
    cert = PREFIX.parent / "pki" / "root.der"
    if not cert.exists() or not (BIN / "install_test_root.exe").exists():
        return True
    marker = PREFIX / ".kelmor-test-root"
    import hashlib
    return marker.exists() and marker.read_text().strip() == hashlib.sha256(cert.read_bytes()).hexdigest()


def _open_recorder_command():
    """The "open" command of http and https that tests/harness/wine-prefix
    registers (the same text it keeps in its marker)."""
    tool = (BIN / "open_recorder.exe").resolve()
    return f'"Z:{str(tool).replace("/", chr(92))}" "C:\\opened_addresses.txt" "%1"'


def _open_recorder_registered():
    """True when the build has no recorder or the prefix runs it for http
    and https addresses."""
    if not (BIN / "open_recorder.exe").exists():
        return True
    marker = PREFIX / ".kelmor-open-recorder"
    return marker.exists() and marker.read_text().strip() == _open_recorder_command()


def ensure_prefix():
    if (PREFIX / ".kelmor-ready").exists() and _test_root_trusted() and _open_recorder_registered():
        return
    code, _, err = _run_captured([str(SOURCE / "tests/harness/wine-prefix"), "ensure"], wine_env(), 300)
    if code != 0:
        raise RuntimeError("wine prefix: " + err.decode(errors="replace"))


def drive_c():
    return PREFIX / "drive_c"


def user_dir():
    return drive_c() / "users" / getpass.getuser()


def temp_dir():
    return user_dir() / "Temp"


def appdata_dir():
    return user_dir() / "AppData" / "Roaming"


def native_program_files():
    """The system's own Program Files folder (the 64-bit one on 64-bit
    Windows, whichever view a program of the build sees), as the platform
    records it, as a Unix path."""
    value = reg_query(r"HKLM\Software\Microsoft\Windows\CurrentVersion", "ProgramW6432Dir", view=64)
    if not value:
        value = reg_query(r"HKLM\Software\Microsoft\Windows\CurrentVersion", "ProgramFilesDir", view=64)
    return to_unix(value)


def opened_addresses_file():
    """Where open_recorder.exe, the prefix's stand-in browser, appends every
    http or https address that a program opened through the shell."""
    return drive_c() / "opened_addresses.txt"


def opened_addresses():
    """The addresses opened through the shell since the last clear, in the
    order the recorders wrote them (addresses opened at the same moment may
    come in either order)."""
    try:
        text = opened_addresses_file().read_text(encoding="utf-8")
    except FileNotFoundError:
        return []
    return [line for line in text.split("\n") if line]


def clear_opened_addresses():
    opened_addresses_file().unlink(missing_ok=True)


def wait_for_opened_addresses(count, timeout=30):
    """The opened addresses once there are at least `count` of them (the
    shell starts the recorder and returns; the line follows a moment later),
    or what there is after `timeout` seconds."""
    wait_for(lambda: len(opened_addresses()) >= count, timeout)
    return opened_addresses()


def to_windows(path):
    """Unix path to the Windows path Wine sees (drive Z: is /)."""
    path = pathlib.Path(path).resolve()
    try:
        rel = path.relative_to(drive_c().resolve())
        return "C:\\" + str(rel).replace("/", "\\")
    except ValueError:
        return "Z:" + str(path).replace("/", "\\")


def to_unix(win_path):
    p = win_path.replace("\\", "/")
    if p[1:3] in (":/",) and p[0].upper() == "C":
        return drive_c() / p[3:]
    if p[0].upper() == "Z" and p[1] == ":":
        return pathlib.Path(p[2:])
    raise ValueError(win_path)


def _run_captured(argv, env, timeout):
    """Runs to the end of the process itself. Output goes through files, not
    pipes: Wine's helper processes inherit the descriptors and would keep a
    pipe open long after the program ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.run(argv, env=env, stdout=out, stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        return proc.returncode, out.read(), err.read()


class RunResult:
    def __init__(self, code, pid, timed_out, stdout, stderr):
        self.code = code
        self.pid = pid
        self.timed_out = timed_out
        self.stdout = stdout
        self.stderr = stderr

    def __repr__(self):
        return f"RunResult(code={self.code}, pid={self.pid}, timed_out={self.timed_out})"


def quote(arg):
    if arg and not any(c in arg for c in ' \t"\\'):
        return arg
    out, backslashes = '"', 0
    for c in arg:
        if c == "\\":
            backslashes += 1
            continue
        out += "\\" * (backslashes * 2 + 1 if c == '"' else backslashes)
        backslashes = 0
        out += c
    return out + "\\" * (backslashes * 2) + '"'


def run(program, args=(), timeout=120, env=None, raw_args=None, windows_env=None):
    """Runs a Windows program to its end and returns its full exit code.
    `windows_env` sets variables inside Windows (TEMP and TMP among them)."""
    ensure_prefix()
    program = pathlib.Path(program)
    with tempfile.TemporaryDirectory() as tmp:
        result_file = pathlib.Path(tmp) / "result.txt"
        command = quote(to_windows(program))
        tail = raw_args if raw_args is not None else " ".join(quote(a) for a in args)
        if tail:
            command += " " + tail
        argv = [LOADER, str(BIN / "run_and_wait.exe"), to_windows(result_file), str(int(timeout * 1000))]
        argv += [f"{k}={v}" for k, v in (windows_env or {}).items()] + ["--", command]
        _, stdout, stderr = _run_captured(argv, wine_env(env), timeout + 60)
        text = result_file.read_text() if result_file.exists() else "missing"
        if text.startswith("timeout"):
            return RunResult(None, int(text.split()[1]), True, stdout, stderr)
        try:
            code, pid = (int(x) for x in text.split())
        except ValueError:
            raise RuntimeError(f"run_and_wait: {text}: {stderr.decode(errors='replace')}")
        return RunResult(code, pid, False, stdout, stderr)


def start(program, args=(), env=None):
    """Starts a Windows program in the background; returns the Popen."""
    ensure_prefix()
    command = [LOADER, str(program)] + list(args)
    return subprocess.Popen(command, env=wine_env(env), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wine_tool(args, timeout=60, check=True, env=None, attempts=1):
    """Runs one of Wine's own programs; with `check`, a failure raises after
    `attempts` runs (Wine's reg.exe now and then ends with 1 and no message
    while the wineserver is busy with another prefix process)."""
    for attempt in range(attempts):
        code, stdout, stderr = _run_captured([LOADER] + list(args), wine_env(env), timeout)
        if code == 0 or not check:
            break
        if attempt + 1 < attempts:
            time.sleep(0.5)
    if check and code != 0:
        raise RuntimeError(f"{args}: {code} {stdout.decode(errors='replace')} {stderr.decode(errors='replace')}")
    return stdout.decode("utf-8", errors="replace")


def reg_add(key, name, value, kind="REG_SZ", view=32, env=None):
    """`env` matters for locale settings: Wine rewrites the International
    keys whenever a process starts under another LC_ALL than the last one."""
    wine_tool(["reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f", f"/reg:{view}"], env=env, attempts=3)


def reg_delete_value(key, name, view=32):
    wine_tool(["reg", "delete", key, "/v", name, "/f", f"/reg:{view}"], check=False)


def reg_delete_key(key, view=32):
    wine_tool(["reg", "delete", key, "/f", f"/reg:{view}"], check=False)


def reg_query(key, name, view=32):
    """The value's data as text, or None when it is absent."""
    code, stdout, _ = _run_captured([LOADER, "reg", "query", key, "/v", name, f"/reg:{view}"], wine_env(), 60)
    if code != 0:
        return None
    for line in stdout.decode("utf-8", errors="replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return None


def set_windows_version(exe_name, version):
    """win7, win81 or win10 for one program (Wine's per-application setting)."""
    reg_add(f"HKCU\\Software\\Wine\\AppDefaults\\{exe_name}", "Version", version)


def _owned_installers():
    """Pids of installer processes started from this test process."""
    return list(owned_installer_processes())


def owned_installer_processes():
    """The installer processes started from this test process (an elevated
    instance among them): Unix pid to command line (arguments joined by
    blanks)."""
    names = (b"lite_installer.exe", b"lite_installer_gui.exe", b"lite_installer_branded.exe")
    marker = f"{OWNER_VARIABLE}={OWNER}".encode()
    found = {}
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes()
            environ = (entry / "environ").read_bytes()
        except OSError:
            continue
        # A Windows program's first argument is its own path; run_and_wait
        # names the installer only further on and is left to end by itself.
        program = cmdline.split(b"\0")[0].replace(b"\\", b"/").rsplit(b"/", 1)[-1].lower()
        if program in names and marker in environ.split(b"\0"):
            found[int(entry.name)] = b" ".join(cmdline.rstrip(b"\0").split(b"\0")).decode(errors="replace")
    return found


def kill_all():
    """Ends the installer programs this test process started, and their
    children, but keeps the wineserver. Programs other tests run beside it
    (a unit test's child among them) carry another owner and stay."""
    for pid in _owned_installers():
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    wait_for(lambda: not _owned_installers(), 10)


def wait_for(predicate, timeout, interval=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(interval)
    return predicate()
