"""The window with the elevated road ("uac=1"): the window starts the
elevated instance as it opens, a person clicks Install, the instance runs the
test setup program on the window's behalf, and setup's stage and import
messages reach the first installer's window through the window handle that
the instance handed on; the instance hides the window's Cancel button (its
forwarder only hides it, where the window itself would destroy it). Also the
window closed before the release (the waiting instance gives up with wr=1)
and during the elevated run (the parent's wait ends on its stop event, and
an instance that does not end is terminated after the grace period)."""
import json
import re

import installer
import kelmor_wine as w
import window_driver as d

ARCHIVE = w.BUILD / "test-archives" / "good.arc"
SETUP_SWITCHES = ["--fake-stages=6,7", "--fake-import=0,50,100", "--fake-delay-ms=300",
                  "--fake-browser-window-ms=3000"]
# "cancel=1": the progress screen keeps its Cancel button.
UAC = "--distr-info-params=uac=1&cancel=1"


def pid_of_line(line):
    return int(line.split(" ")[2].split(":")[0])


def pid_of(fragment):
    return next(pid_of_line(line) for line in installer.log_lines() if fragment in line)


def progress_lines():
    """(process id, Install or Import, value) of the window's progress lines."""
    out = []
    for line in installer.log_lines():
        m = re.search(r"MainWindow::On(Install|Import)Progress: (\d+)", line)
        if m:
            out.append((pid_of_line(line), m.group(1), int(m.group(2))))
    return out


def click_install_once_the_instance_waits():
    """The window; the instance was started as it opened and waits for the
    release, which the Install click gives."""
    window = d.find_window()
    assert w.wait_for(lambda: installer.log_has("Start installer as admin"), 60)
    d.wait_painted(window)
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    return window


def test_elevated_setup_reports_its_progress_to_the_parents_window(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run(SETUP_SWITCHES + ["--send-statistics", UAC], exe=installer.EXE)
    try:
        window = click_install_once_the_instance_waits()
        # The instance's forwarder hides Cancel once setup runs; the control
        # is still there.
        assert window.wait_control(d.CANCEL, present=False, timeout=60)
        assert window.control(d.CANCEL, visible_only=False) is not None
        result = run.wait(timeout=180)
    finally:
        w.kill_all()

    assert result.code == 0, installer.log_lines()[-30:]
    parent = pid_of("Installer process id: ")
    instance = pid_of("Start installer as admin")
    assert parent != instance
    assert pid_of("Run: ") == instance
    assert installer.log_has("RunModule results: success=1 error_code=0")
    assert installer.log_has("The elevated installer has finished, success=1")
    # Setup's messages reached the parent's window in the order posted.
    lines = progress_lines()
    assert [(pid, kind) for pid, kind, _ in lines] == \
        [(parent, "Install")] * 2 + [(parent, "Import")] * 3, lines
    assert [value for _, kind, value in lines if kind == "Import"] == [0, 50, 100], lines
    # Setup had the parent's window from the instance.
    report = json.loads((w.temp_dir() / "fake_setup_report.json").read_text())
    assert int(report["switches"]["progress-window"]) == window.hwnd
    assert report["progress_window"]["is_window"] is True
    assert all(m["ok"] for m in report["messages"]), report["messages"]
    assert installer.log_has("Installer exit with code: 0")


HANG_LINE = "The elevated installer hangs and must be forcibly terminated."


def test_closing_the_window_before_release_stops_the_waiting_instance(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run([UAC], exe=installer.EXE)
    try:
        window = d.find_window()
        assert w.wait_for(lambda: installer.log_has("Start installer as admin"), 60)
        d.wait_painted(window)
        window.click(d.CLOSE)
        result = run.wait(timeout=180)
        # The instance ends by itself within the grace period.
        assert w.wait_for(lambda: not w.owned_installer_processes(), 60), w.owned_installer_processes()
    finally:
        w.kill_all()

    assert result.code == 500, installer.log_lines()[-30:]
    line = next(line for line in installer.log_lines() if "unexpectedly synced" in line)
    assert "ERROR: Installer started as admin has been unexpectedly synced, wr=1 (ExecuteAsAdmin:" in line
    assert pid_of_line(line) == pid_of("Start installer as admin") != pid_of("Installer process id: ")
    assert not installer.log_has("Run: ")
    assert not installer.log_has(HANG_LINE)


def test_closing_the_window_during_the_elevated_run_ends_the_wait_and_then_the_instance(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    # The released instance never goes on; the parent's grace is shortened.
    env = {"KELMOR_TEST_ELEVATED_HANG": "1", "KELMOR_TEST_ELEVATED_GRACE_MS": "1500"}
    run = d.Run([UAC], env=env, exe=installer.EXE)
    try:
        window = click_install_once_the_instance_waits()
        assert w.wait_for(
            lambda: installer.log_has("Started waiting the elevated installer has finished its work."), 60)
        # Alt+F4, the system menu's close, asks the resume question first;
        # its Cancel stops the installation.
        d.xdotool("key", "alt+F4")
        d.find_window("Installation not complete. Resume?", timeout=30).click(212)
        result = run.wait(timeout=180)
        assert w.wait_for(lambda: not w.owned_installer_processes(), 30), w.owned_installer_processes()
    finally:
        w.kill_all()

    assert result.code == 500, installer.log_lines()[-30:]
    parent = pid_of("Installer process id: ")
    texts = installer.log_texts()

    def index(fragment):
        return next(i for i, t in enumerate(texts) if fragment in t)

    assert pid_of("The elevated installer was terminated due to stop event.") == parent
    assert pid_of("The elevated installer has finished, success=0") == parent
    assert pid_of(HANG_LINE) == parent
    assert index("The elevated installer was terminated due to stop event.") < index(HANG_LINE) < \
        index("Installer exit with code: 500")
    assert not installer.log_has("Run: ")


def test_the_instances_time_estimate_leaves_the_parents_window_open():
    # The instance's forwarder posts WM_APP + 101 with a time estimate; the
    # window has no use for it and must not take it for one of its own.
    installer.clean()
    run = d.Run([], env={"KELMOR_TEST_WINDOW_CONTROLLER": "0"})
    try:
        window = d.find_window()
        window.click(d.INSTALL)
        assert window.wait_control(d.PROGRESS)
        window.post("0x8065", 300)
        # Posted after it: once this is handled, so was the estimate.
        window.post("kelmor.lite.set_install_progress", 7)
        assert w.wait_for(lambda: installer.log_has("MainWindow::OnInstallProgress: 7"), 30)
        assert window.is_window()
        assert window.control(d.PROGRESS) is not None
        window.post("kelmor.lite.close_window")
        assert run.wait().code == 0
    finally:
        w.kill_all()
