"""A whole installation through the window with the real controller: the
stand serves the signed test setup program, a person clicks Install, the
setup program's stage and import messages move the progress bar, and the
window closes once the browser it started is up."""
import re

import installer
import kelmor_wine as w
import window_driver as d

ARCHIVE = w.BUILD / "test-archives" / "good.arc"
SETUP_SWITCHES = ["--fake-stages=6,7", "--fake-import=0,50,100", "--fake-delay-ms=200",
                  "--fake-browser-window-ms=3000"]


def progress_lines():
    out = []
    for line in installer.log_lines():
        m = re.search(r"MainWindow::On(Install|Import)Progress: (\d+)", line)
        if m:
            out.append((m.group(1), int(m.group(2))))
    return out


def test_install_click_runs_setup_and_the_window_follows_it(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run(SETUP_SWITCHES + ["--send-statistics"], exe=installer.EXE)
    window = d.find_window()
    d.wait_painted(window)
    window.screenshot("install_first_screen.png")
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    result = run.wait(timeout=180)

    assert result.code == 0, installer.log_lines()[-20:]
    assert not window.is_window()
    # The setup program's messages reach the window in the order it posted them.
    lines = progress_lines()
    assert [kind for kind, _ in lines] == ["Install", "Install", "Import", "Import", "Import"], lines
    assert [value for kind, value in lines if kind == "Import"] == [0, 50, 100], lines
    assert installer.log_has("Verification succeeded: ")
    assert installer.log_has("Installer exit with code: 0")
    # The Install press reached the statistics with the checkbox states.
    clicks = [r["target"] for r in stand.requests("/installstats/")
              if "action=install_browser_button_clicked" in r["target"]]
    assert len(clicks) == 1, [r["target"] for r in stand.requests("/installstats/")]
    assert "checkbox_default=1" in clicks[0] and "checkbox_sendstat=1" in clicks[0]


def test_skipped_first_screen_installs_without_a_click(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run(SETUP_SWITCHES + ["--distr-info-params=first=1&def=1&stat=1"], exe=installer.EXE)
    window = d.find_window()
    assert window.wait_control(d.PROGRESS)
    assert window.control(d.INSTALL) is None
    result = run.wait(timeout=180)
    assert result.code == 0, installer.log_lines()[-20:]
    assert ("Import", 100) in progress_lines()


def test_stopping_in_the_resume_dialog_cancels_the_installation(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    # Setup takes its time, so the user closes the window while it runs.
    run = d.Run(["--fake-stages=6,7", "--fake-delay-ms=4000", "--send-statistics"], exe=installer.EXE)
    window = d.find_window()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    window.click(d.CLOSE)
    # The default brand asks with the classic resume dialog.
    resume = d.find_window("Installation not complete. Resume?", timeout=30)
    resume.screenshot("install_resume_dialog.png")
    resume.click(212)
    result = run.wait(timeout=180)
    assert result.code == 500
    assert installer.log_has("Resume dialog ended with 212")
    assert installer.log_has("User cancelled installation.")
    assert w.wait_for(lambda: any(dict(r["stat"]["vars"]).get("clicked_button") == "cancel"
                                  for r in stand.requests("^/installstats/")), 20)


def test_stopping_after_alt_f4_cancels_the_installation(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run(["--fake-stages=6,7", "--fake-delay-ms=4000", "--send-statistics"], exe=installer.EXE)
    window = d.find_window()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    w.wait_for(lambda: d.probe("focus", window.hwnd).get("active"), 5, 0.2)
    d.xdotool("key", "alt+F4")
    resume = d.find_window("Installation not complete. Resume?", timeout=30)
    resume.click(212)
    result = run.wait(timeout=180)
    assert result.code == 500
    assert installer.log_has("User cancelled installation.")
    assert w.wait_for(lambda: any(dict(r["stat"]["vars"]).get("clicked_button") == "cancel"
                                  for r in stand.requests("^/installstats/")), 20)
    [summary] = stand.wait_for_requests("^/get/browser/install")
    assert "result=cancelled" in summary["query"], summary["query"]


def test_setup_asks_for_the_newer_version_notice(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    run = d.Run(["--fake-post=kelmor.higher_version_exist", "--fake-delay-ms=300"], exe=installer.EXE)
    window = d.find_window()
    window.click(d.INSTALL)
    notice = d.find_window("You already have a newer version of the browser installed on your computer", timeout=60)
    assert notice.control(1)["text"] == "OK"
    notice.click(1)
    result = run.wait(timeout=180)
    assert installer.log_has("Notice dialog of kind 0 ended with 1")
    assert result.code is not None


def test_setup_exit_code_of_an_error_class_shows_the_error_dialog(stand):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    # Class 0x6C (PATH_STRING_OVERFLOW), detail 5: a failure, although
    # neither 7 nor 8.
    run = d.Run([f"--fake-exit-code={0x6C000005}", "--send-statistics"], exe=installer.EXE)
    window = d.find_window()
    window.click(d.INSTALL)
    # Error kind 1, the generic one: "Something went wrong".
    dialog = d.find_window("Something went wrong", timeout=120)
    assert installer.log_has("Setup failed: its exit code is of an error class")
    dialog.click(212)
    result = run.wait(timeout=180)
    # The window runs setup through the elevated instance (Wine grants it),
    # which keeps setup's own code: the window reports that setup never
    # succeeded.
    assert result.code == 400
    assert installer.log_has("Error dialog for error kind 1 ended with 212")
    assert installer.log_has("Installation failed, error kind 1")
