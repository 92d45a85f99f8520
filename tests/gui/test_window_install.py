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
