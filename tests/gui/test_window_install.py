"""A whole installation through the window with the real controller: the
stand serves the signed test setup program, a person clicks Install, the
setup program's stage and import messages move the progress bar, and the
window closes once the browser it started is up."""
import re

import pytest

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


def close_by_button(window):
    window.click(d.CLOSE)


def close_by_alt_f4(window):
    w.wait_for(lambda: d.probe("focus", window.hwnd).get("active"), 5, 0.2)
    d.xdotool("key", "alt+F4")


@pytest.mark.parametrize("close", [close_by_button, close_by_alt_f4], ids=["close_button", "alt_f4"])
def test_stopping_in_the_resume_dialog_cancels_the_installation(stand, close):
    w.kill_all()
    installer.clean()
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    # Setup takes its time, so the user closes the window while it runs.
    run = d.Run(["--fake-stages=6,7", "--fake-delay-ms=4000", "--send-statistics"], exe=installer.EXE)
    window = d.find_window()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    close(window)
    # The default brand asks with the classic resume dialog.
    resume = d.find_window("Installation not complete. Resume?", timeout=30)
    resume.screenshot("install_resume_dialog.png" if close is close_by_button else "install_resume_dialog_alt_f4.png")
    resume.click(212)
    result = run.wait(timeout=180)
    assert result.code == 500
    assert installer.log_has("Resume dialog ended with 212")
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


SLIDE_COLOURS = {2: (200, 30, 30), 3: (30, 160, 60), 4: (120, 40, 160)}


def share_close_to(image, box, colour, tolerance=24):
    """The share of the box's pixels within `tolerance` of `colour`."""
    left, top, right, bottom = box
    return 1 - d.count_differing(image, box, colour, tolerance) / ((right - left) * (bottom - top))


def nearly_equal(image, other, box):
    """Fewer than 2 % of the box's pixels differ noticeably."""
    differing = sum(1 for a, b in zip(image.crop(box).getdata(), other.crop(box).getdata())
                    if max(abs(x - y) for x, y in zip(a, b)) > 24)
    return differing < 0.02 * (box[2] - box[0]) * (box[3] - box[1])


def start_on_slides(stand, slides):
    """The real installer on its progress screen at once (the first screen
    is skipped: two built-in pictures, the window background and the first
    slide), with `slides` served from the slide folder and the show's clock
    in the test's hand. Returns the run and the clock file."""
    w.kill_all()
    installer.clean()
    clock = w.temp_dir() / "slide_clock.txt"
    clock.write_text("0")
    stand.settings["setup_archive"] = ARCHIVE.read_bytes()
    stand.settings["slides"] = slides
    run = d.Run(["--distr-info-params=first=1&def=1&stat=1", "--fake-delay-ms=120000"], exe=installer.EXE,
                env={"KELMOR_TEST_SLIDE_CLOCK_FILE": w.to_windows(clock)})
    return run, clock


def test_the_progress_screen_shows_the_served_slides_in_order(stand):
    from stand.hosts.remote_config import solid_jpeg
    # Double-resolution pictures of the slide folder, as the download network has them.
    run, clock = start_on_slides(stand, {n: solid_jpeg(1456, 536, c) for n, c in SLIDE_COLOURS.items()})
    try:
        window = d.find_window()
        assert window.wait_control(d.PROGRESS)
        fetched = stand.wait_for_requests(r"/0[234]\.jpg$", 3)
        assert [r["path"].rsplit("/", 1)[1] for r in fetched][:3] == ["02.jpg", "03.jpg", "04.jpg"]
        assert installer.log_has("Slides from " + stand.base_url + "/browser/installer/")
        width, height = window.size
        # Where a served slide lies (728 x 268 at scale 1, bottom-aligned),
        # left of and above the progress screen's controls.
        box = (10, height - 250, 300, height - 120)
        shots = {}
        for step in range(1, 8):
            clock.write_text(str(step))
            assert w.wait_for(lambda: installer.log_has(f"Slide {step} on show"), 30), step
            d.wait_painted(window)
            shots[step] = window.screenshot(f"product_slide_step{step}.png")
        # 0, 1, 2, 3, 4, 1, 2, ...: the window background is not shown again.
        for step, number in ((2, 2), (3, 3), (4, 4), (6, 2), (7, 3)):
            assert share_close_to(shots[step], box, SLIDE_COLOURS[number]) > 0.9, step
        # Step 5 is the first slide again, as at step 1, and it is no served one.
        assert nearly_equal(shots[1], shots[5], box)
        assert all(share_close_to(shots[5], box, c) < 0.5 for c in SLIDE_COLOURS.values())
    finally:
        w.kill_all()


def test_without_served_slides_the_built_in_picture_stays_and_the_worker_stops(stand):
    run, clock = start_on_slides(stand, {})
    try:
        window = d.find_window()
        assert window.wait_control(d.PROGRESS)
        assert w.wait_for(lambda: installer.log_has("failures in a row, no more downloads"), 120)
        assert len(stand.requests(r"/browser/installer/.*\.jpg$")) == 10
        clock.write_text("1")
        assert w.wait_for(lambda: installer.log_has("Slide 1 on show"), 30)
        first = window.screenshot("product_slide_builtin_1.png")
        clock.write_text("2")
        assert w.wait_for(lambda: installer.log_has("Slide 2 on show"), 30)
        d.wait_painted(window)
        again = window.screenshot("product_slide_builtin_2.png")
        width, height = window.size
        assert nearly_equal(first, again, (10, height - 250, 300, height - 120))
        assert len(stand.requests(r"/browser/installer/.*\.jpg$")) == 10
    finally:
        w.kill_all()
