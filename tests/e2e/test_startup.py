"""Start-up sequence of the real installer under Wine: switches, single
instance, processor and disk checks, exit codes."""
import re
import shutil
import time

import pytest

import installer
import kelmor_wine as w


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()
    yield


def test_silent_switch_spellings_are_one_switch():
    for spelling in ("/SILENT", "--silent", "-Silent"):
        installer.clean()
        result = installer.run([spelling])
        assert result.code == installer.NO_STAND_RESULT, spelling
        assert installer.log_has("Installing in silent mode."), spelling


def test_log_records_the_start_and_the_exit_code():
    result = installer.run(["--silent"])
    texts = installer.log_texts()
    assert texts[0] == "INFO: -------------------------------------- Start install. (wWinMain:" + texts[0].split(":")[-1]
    assert any(t.startswith("INFO: Runned in secure environment. (wWinMain:") for t in texts)
    assert any(t.startswith(f"INFO: Installer process id: {result.pid} (wWinMain:") for t in texts)
    assert any(t.startswith("INFO: Temporary path is: C:\\users\\") for t in texts)
    assert any(t.startswith("INFO: Installer exit with code: 401 (wWinMain:") for t in texts)


def test_second_instance_exits_600_and_names_the_first():
    first = w.start(installer.EXE, ["--silent"], env={"KELMOR_TEST_HOLD_AFTER_MUTEX_MS": "8000"})
    try:
        assert w.wait_for(lambda: installer.log_has("Installer process id: "), 30)
        first_pid = re.search(r"Installer process id: (\d+)", "\n".join(installer.log_lines())).group(1)
        second = installer.run(["--silent"])
        assert second.code == 600
        assert installer.log_has("Another installer instance is already running.")
        assert installer.log_has(f"Master installer process id: {first_pid} (wWinMain:")
        # The probe switch is answered before the mutex is looked at.
        probe = installer.run(["--check-the-interface"])
        assert probe.code in (700, 701)
        assert installer.log_has("Handled non install cmd line option by win10 default browser helper, ret code: "
                                 f"{probe.code}")
    finally:
        first.wait(timeout=60)


def test_cleanup_ends_only_the_installers_this_test_started():
    # Unit tests run installer children beside the e2e tests; cleaning up
    # after a test must not end those.
    hold = {"KELMOR_TEST_HOLD_AFTER_MUTEX_MS": "60000"}
    foreign = w.start(installer.EXE, ["--silent"], env=dict(hold, **{w.OWNER_VARIABLE: "another test"}))
    try:
        assert w.wait_for(lambda: installer.log_has("Installer process id: "), 30)
        w.kill_all()
        assert foreign.poll() is None
    finally:
        foreign.kill()
        foreign.wait(timeout=60)
    installer.clean()
    own = w.start(installer.EXE, ["--silent"], env=hold)
    try:
        assert w.wait_for(lambda: installer.log_has("Installer process id: "), 30)
        w.kill_all()
        assert own.wait(timeout=30) is not None
    finally:
        own.kill()


def test_processor_without_sse3_gives_404():
    result = installer.run(["--silent"], env={"KELMOR_TEST_CPU": "no-sse3"})
    assert result.code == 404
    assert installer.log_has("ERROR: CPU is not supported - ")
    assert not installer.log_has("Installing in silent mode.")


def test_full_disk_in_silent_mode_goes_on():
    result = installer.run(["--silent"], env={"KELMOR_TEST_FREE_DISK_BYTES": "1000"})
    assert installer.log_has("There is not enough disk space to install browser")
    assert installer.log_has("Installing in silent mode.")
    assert result.code == installer.NO_STAND_RESULT


# Window mode with a full disk shows the not-enough-disk-space notice first;
# tests/gui/test_dialogs.py presses its OK and checks the 403.


def test_exactly_enough_space_passes():
    installer.run(["--silent"], env={"KELMOR_TEST_FREE_DISK_BYTES": str(629145600)})
    assert not installer.log_has("There is not enough disk space")


def test_non_numeric_parent_process_id_is_logged():
    result = installer.run(["--run-as-admin", "--parent-installer-process-id=12ab", "--setup-cmd-line=x.exe"])
    assert result.code == -1
    assert installer.log_has("ERROR: Suspicious process id=12ab (ExecuteAsAdmin:")
    assert installer.log_has("ERROR: The elevated instance has no valid token of its run (ExecuteAsAdmin:")


@pytest.mark.parametrize("token", ["", "0123", "0123456789abcdef0123456789ABCDEF", "g" * 32])
def test_elevated_instance_without_a_valid_token_runs_nothing(token):
    args = ["--run-as-admin", "--parent-installer-process-id=4", "--setup-cmd-line=x.exe"]
    if token:
        args.append(f"--elevation-token={token}")
    result = installer.run(args)
    assert result.code == -1
    assert installer.log_has("The elevated instance has no valid token of its run")


def test_elevated_instance_whose_events_do_not_exist_runs_nothing():
    # A well-formed token of no run: nobody made its events.
    result = installer.run(["--run-as-admin", "--parent-installer-process-id=4", "--setup-cmd-line=x.exe",
                            "--elevation-token=" + "0123456789abcdef" * 2])
    assert result.code == -1
    assert installer.log_has("The elevated instance cannot reach its parent's events")
    assert not installer.log_has("unexpectedly synced")


def test_overlong_command_line_is_handled():
    long_value = "b" * 30000
    result = installer.run(["--silent", f"--brand-name={long_value}"])
    assert result.code == installer.NO_STAND_RESULT
    assert installer.log_has("Installer exit with code: 401")


def test_malformed_command_line_is_handled():
    result = installer.run(raw_args='--silent "unterminated \\" -- / -=x --=')
    assert result.code == installer.NO_STAND_RESULT
    assert installer.log_has("Installing in silent mode.")


def test_unwritable_log_folder_does_not_stop_the_installer():
    blocker = w.temp_dir() / "blocker"
    blocker.write_text("a file where the log folder would be")
    bad = w.to_windows(blocker) + "\\sub"
    result = installer.run(["--silent"], windows_env={"TEMP": bad, "TMP": bad})
    # The archive file cannot be made there either: setup never runs.
    assert result.code == 400
    assert not installer.log_path().exists()


def test_without_safe_dll_search_a_protected_copy_runs_the_installation():
    result = installer.run(["--silent"], env={"KELMOR_TEST_NO_SAFE_DLL_SEARCH": "1"})
    assert result.code == installer.NO_STAND_RESULT  # the copy's exit code
    lines = installer.log_lines()
    parent = [l for l in lines if f" {result.pid:02d}:" in l]
    copies = [l for l in lines if f" {result.pid:02d}:" not in l]
    # The first process only opened its log; the copy did the work.
    assert len(parent) == 1 and "Start install." in parent[0]
    assert any("Runned in secure environment." in l for l in copies)
    assert any("Installer exit with code: 401" in l for l in copies)
    # The copy and its folder are gone afterwards.
    assert not [p for p in w.temp_dir().iterdir() if p.is_dir()]


def test_dll_beside_the_executable_without_safe_search_exits_minus_200():
    folder = w.temp_dir() / "with_dll"
    folder.mkdir()
    exe = folder / "lite_installer.exe"
    exe.write_bytes(installer.EXE.read_bytes())
    # Any DLL counts. (Not one named like a system library: under Wine the
    # system libraries themselves would then pick it up.)
    (folder / "payload.dll").write_bytes(b"MZ not really a dll")
    result = installer.run(["--spawned_in_protected_dir", "--silent"], exe=exe,
                           env={"KELMOR_TEST_NO_SAFE_DLL_SEARCH": "1"})
    assert result.code == -200
    assert installer.log_lines()[-1].split(" ", 3)[3].startswith(
        "INFO: Exiting, DLL files found in working directory (wWinMain:")


PLANTED_MARKER = "planted_dll_loaded.txt"
# System DLLs the installer loads itself (the crash handler's dbghelp, the
# brand packages' cabinet) or through its delay-load table.
PLANTED_NAMES = ["dbghelp.dll", "cabinet.dll", "version.dll", "wininet.dll", "msimg32.dll"]


@pytest.fixture
def planted_folder():
    """A folder holding a copy of the installer and, beside it, the
    recording DLL under system DLLs' names; Wine is told to prefer a
    program's own copy of those DLLs, as Windows takes one from the
    program's folder when the search order allows it."""
    folder = w.drive_c() / "planted"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    shutil.copyfile(installer.EXE, folder / "lite_installer.exe")
    for name in PLANTED_NAMES:
        shutil.copyfile(w.BIN / "planted_dll.dll", folder / name)
    marker = w.drive_c() / PLANTED_MARKER
    marker.unlink(missing_ok=True)
    overrides = ",".join(n[:-4] for n in PLANTED_NAMES) + "=n,b;mscoree,mshtml="
    yield folder, marker, {"WINEDLLOVERRIDES": overrides}
    marker.unlink(missing_ok=True)
    shutil.rmtree(folder, ignore_errors=True)


def test_the_planted_dll_records_a_load(planted_folder):
    # The recorder works: loaded on purpose, it writes its mark.
    folder, marker, env = planted_folder
    w.wine_tool(["rundll32.exe", w.to_windows(folder / "dbghelp.dll") + ",PlantedEntry"], env=env,
                check=False)
    assert w.wait_for(marker.exists, 30)


@pytest.mark.parametrize("fallback", [False, True], ids=["hardened", "fallback"])
def test_a_dll_planted_beside_the_installer_is_never_loaded(planted_folder, fallback):
    folder, marker, env = planted_folder
    if fallback:
        # No SetDefaultDllDirectories: the protected copy runs the
        # installation, and the first process only waits for it.
        env["KELMOR_TEST_NO_SAFE_DLL_SEARCH"] = "1"
    result = installer.run(["--silent"], env=env, exe=folder / "lite_installer.exe")
    assert result.code == installer.NO_STAND_RESULT, installer.log_lines()[-10:]
    assert installer.log_has("Installer exit with code: 401")
    assert not marker.exists(), marker.read_text(encoding="utf-16-le", errors="replace")
