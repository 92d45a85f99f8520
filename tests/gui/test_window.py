"""The installer window under Xvfb and Wine, driven with xdotool: both
screens in both looks at scale 1 and 2 in English and Russian (screenshots
in build/screens with pixel probes), the Install click, setup's progress
messages, closing, the skipped first screen, the keyboard and what a screen
reader reads.

These runs use the test controller (KELMOR_TEST_WINDOW_CONTROLLER): the
window's calls to the controller become log lines, and setup's messages are
posted by window_probe.exe as setup would post them."""
import threading
import time

import pytest

import installer
import kelmor_wine as w
import window_driver as d

CONTROLLER = {"KELMOR_TEST_WINDOW_CONTROLLER": "0"}

# (look, brand switch, window size at scale 1, close button's top-left)
LOOKS = {
    "facetune": ([], (802, 430), (767, 11), 20),
    "origin": (["--brand-name=classic"], (728, 400), (698, 18), 12),
}
LANGUAGES = {"en": "", "ru": "&lang=ru"}
CLOSE_NAME = {"en": "Close", "ru": "Закрыть"}


@pytest.fixture(autouse=True)
def clean():
    installer.clean()
    yield
    # A failed test must not leave its window to the next one (it would hold
    # the single-instance mutex: 600).
    w.kill_all()


def start(extra=(), params="", env=None):
    args = list(extra)
    if params:
        args.append("--distr-info-params=" + params.lstrip("&"))
    run = d.Run(args, env=dict(CONTROLLER, **(env or {})))
    window = d.find_window()
    return run, window


def controller_log(fragment):
    return any("TestWindowController" in line and fragment in line for line in installer.log_lines())


def close_by_setup(run, window):
    window.post("kelmor.lite.close_window")
    result = run.wait()
    assert not window.is_window()
    return result


def box_of(control, origin_shift=(0, 0)):
    left, top, right, bottom = control["rect"]
    return (left, top, right, bottom)


@pytest.mark.parametrize("scale", [1, 2])
@pytest.mark.parametrize("language", ["en", "ru"])
@pytest.mark.parametrize("look", ["facetune", "origin"])
def test_both_screens_look_right(look, language, scale):
    switches, size, close_at, close_size = LOOKS[look]
    run, window = start(switches + [f"--force-device-scale-factor={scale}"], LANGUAGES[language])
    tag = f"{look}_{language}_{scale}x"

    # First screen: size, close button, checkbox frames, texts.
    assert window.size == (size[0] * scale, size[1] * scale)
    close = window.control(d.CLOSE)
    assert close["rect"][:2] == [close_at[0] * scale, close_at[1] * scale]
    assert close["rect"][2] - close["rect"][0] == close_size * scale
    image = d.wait_painted(window)
    image = window.screenshot(f"first_{tag}.png")
    assert image.size == window.size
    background = image.getpixel((size[0] * scale // 2, 3 * scale))
    for box_id in (d.DEFAULT, d.SENDSTAT):
        box = window.control(box_id)
        assert box, f"checkbox {box_id} is shown"
        left, top = box["rect"][:2]
        frame = (left, top, left + 16 * scale, top + 16 * scale)
        # The box sprite is drawn: its frame differs from the background.
        assert d.count_differing(image, frame, background) > 20 * scale
        # Text right of the box.
        text = (left + 20 * scale, top, min(box["rect"][2], left + 200 * scale), box["rect"][3])
        assert d.distinct_colours(image, text) > 3
    title = window.control(d.TITLE)
    assert d.distinct_colours(image, tuple(title["rect"])) > 3
    for piece in [c for c in window.controls()["controls"] if c["id"] in (d.LICENCE_TEXT, d.LICENCE_LINK)]:
        assert d.distinct_colours(image, tuple(piece["rect"])) > 2
    assert window.acc(d.CLOSE)["name"] == CLOSE_NAME[language]
    assert window.acc(d.CLOSE)["role"] == 43

    # Install: the progress screen.
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    assert window.control(d.INSTALL) is None
    window.post("kelmor.lite.set_install_progress", 5)
    assert w.wait_for(lambda: window.acc(d.PROGRESS)["value"] == "75%", 10, 0.2)
    image = d.wait_painted(window)
    image = window.screenshot(f"progress_{tag}.png")
    assert image.size == window.size
    bar = window.control(d.PROGRESS)
    assert bar["rect"][3] - bar["rect"][1] >= 4 * scale
    text = window.control(d.PROGRESS_TEXT)
    assert text and d.distinct_colours(image, tuple(text["rect"])) > 2

    result = close_by_setup(run, window)
    assert result.code == 0


def test_install_progress_and_close_through_setup_messages():
    run, window = start()
    assert controller_log("StartAsync")
    assert not controller_log("AllowInstall")
    assert window.acc(d.CLOSE)["name"] == "Close"
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    assert w.wait_for(lambda: controller_log("AllowInstall"), 10)
    assert controller_log("RecordClickTime")
    assert controller_log("window event clicked_button=install")
    assert controller_log("SetMakeDefault 1")
    assert controller_log("SetSendStatistics 1")
    # The progress bar's value after each step, as a screen reader reads it.
    steps = [("kelmor.lite.set_install_progress", 5, "75%"),
             ("kelmor.lite.set_install_progress", 6, "75%"),  # no change
             ("kelmor.lite.set_install_progress", 7, "79%"),
             ("kelmor.lite.set_import_progress", 0, "80%"),
             ("kelmor.lite.set_import_progress", 50, "90%"),
             ("kelmor.lite.set_import_progress", 100, "100%")]
    for name, wparam, expected in steps:
        window.post(name, wparam)
        assert w.wait_for(lambda: window.acc(d.PROGRESS)["value"] == expected, 10, 0.1), (name, wparam)
        assert window.acc(d.PROGRESS)["role"] == 48
    # The progress text of the redesigned look carries the phase.
    assert window.control(d.PROGRESS_TEXT)["text"] == "Almost done...100%"
    assert installer.log_has("--> Installer > MainWindow::OnInstallProgress: 79")
    assert installer.log_has("--> Installer > MainWindow::OnImportProgress: 50")
    result = close_by_setup(run, window)
    assert result.code == 0
    assert installer.log_has("--> Installer > MainWindow::OnCloseWindow")
    assert controller_log("Stop")
    assert installer.log_has("Installer exit with code: 0")


def test_skipped_first_screen_needs_no_click():
    run, window = start(params="first=1&def=1&stat=2")
    assert window.wait_control(d.PROGRESS)
    assert window.control(d.INSTALL) is None
    assert w.wait_for(lambda: controller_log("AllowInstall"), 10)
    assert not controller_log("RecordClickTime")
    assert controller_log("SetMakeDefault 1")
    assert controller_log("SetSendStatistics 0")
    window.post("kelmor.lite.set_install_progress", 7)
    assert w.wait_for(lambda: window.acc(d.PROGRESS)["value"] == "79%", 10, 0.2)
    assert close_by_setup(run, window).code == 0


def test_closing_the_first_screen_is_a_cancelled_run():
    run, window = start()
    window.click(d.CLOSE)
    result = run.wait()
    assert result.code == 500
    assert controller_log("window event clicked_button=close")
    assert installer.log_has("User cancelled installation.")
    assert installer.log_has("Installer exit with code: 500")


def test_checkboxes_toggle_and_their_choice_reaches_the_controller():
    run, window = start()
    window.click(d.DEFAULT, dx=8, dy=8)
    assert w.wait_for(lambda: controller_log("window event chosen_checkbox=default"), 10)
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    assert w.wait_for(lambda: controller_log("SetMakeDefault 0"), 10)
    assert controller_log("install clicked default=0 sendstat=1")
    assert close_by_setup(run, window).code == 0


def test_arrow_keys_move_the_focus_between_install_and_the_licence_link():
    run, window = start()
    assert w.wait_for(lambda: d.probe("focus", window.hwnd).get("id") == d.INSTALL, 10, 0.2)
    d.xdotool("key", "Left")
    assert w.wait_for(lambda: d.probe("focus", window.hwnd).get("id") == d.LICENCE_LINK, 10, 0.2)
    d.xdotool("key", "Right")
    assert w.wait_for(lambda: d.probe("focus", window.hwnd).get("id") == d.INSTALL, 10, 0.2)
    # Enter presses the focused Install button.
    d.xdotool("key", "Return")
    assert window.wait_control(d.PROGRESS)
    assert close_by_setup(run, window).code == 0


def test_dragging_the_background_moves_the_window():
    run, window = start()
    x, y = window.rect[0] + 300, window.rect[1] + 40
    d.xdotool("mousemove", str(x), str(y))
    d.xdotool("mousedown", "1")
    for step in range(1, 6):
        d.xdotool("mousemove", str(x + 10 * step), str(y + 6 * step))
        time.sleep(0.05)
    # The last position again once the window has caught up, so a motion
    # event coalesced on a loaded machine does not shorten the drag.
    time.sleep(0.3)
    d.xdotool("mousemove", str(x + 50), str(y + 30))
    time.sleep(0.3)
    d.xdotool("mouseup", "1")
    moved = d.find_window()
    assert (moved.rect[0] - window.rect[0], moved.rect[1] - window.rect[1]) == (50, 30)
    assert close_by_setup(run, window).code == 0


def test_controller_progress_download_share_and_close_from_its_thread():
    steps = "0;download=0.5;sleep=1500;progress=40;sleep=1500;close"
    run, window = start(env={"KELMOR_TEST_WINDOW_CONTROLLER": steps})
    watched = {}
    watcher = threading.Thread(target=lambda: watched.update(d.probe("watch", window.hwnd, d.PROGRESS, 30000)))
    watcher.start()
    window.click(d.INSTALL)
    result = run.wait()
    watcher.join(60)
    assert result.code == 0
    assert watched["window_gone"]
    seen = watched["values"]
    # The download's half is 22 % (5 to 40), setup's start 40 %.
    assert "22%" in seen and "40%" in seen and seen.index("22%") < seen.index("40%")


def test_an_error_shows_its_dialog_and_keeps_the_result():
    run, window = start(env={"KELMOR_TEST_WINDOW_CONTROLLER": "401;error=2"})
    window.click(d.INSTALL)
    # Error kind 2: "download and run manually", the window hidden under it.
    dialog = d.find_window("Something went wrong", timeout=30)
    assert dialog.control(d.INSTALL)["text"] == "Download"
    assert not window.controls()["visible"]
    dialog.click(CANCEL_SECOND)
    result = run.wait()
    assert result.code == 401
    assert installer.log_has("Error dialog for error kind 2 ended with 212")
    assert not installer.log_has("Opening ")


def test_an_error_before_install_waits_for_the_click():
    run, window = start(env={"KELMOR_TEST_WINDOW_CONTROLLER": "402;error_at_start=6"})
    time.sleep(1.5)
    # Still on the first screen.
    assert window.control(d.INSTALL) is not None
    assert not installer.log_has("Error dialog for error kind")
    window.click(d.INSTALL)
    # Error kind 6: the folder is locked; its button opens the feedback page.
    dialog = d.find_window("The folder with the new browser version is locked", timeout=30)
    dialog.click(d.INSTALL)
    result = run.wait()
    assert result.code == 402
    assert installer.log_has("Error dialog for error kind 6 ended with 1")
    assert installer.log_has("Opening ") and installer.log_has("/feedback/?from=installer")
    opened = w.wait_for_opened_addresses(1)
    assert len(opened) == 1 and opened[0].endswith("/browser.kelmor.ru/feedback/?from=installer"), opened
    # The progress screen was never switched on.
    assert not controller_log("AllowInstall")


RESUME_TITLE = "Installation not complete. Resume?"
CANCEL_SECOND = 212


def test_cancel_button_asks_to_resume_and_resume_goes_on():
    run, window = start(params="cancel=1")
    window.click(d.INSTALL)
    assert window.wait_control(d.CANCEL)
    window.click(d.CANCEL)
    # The default brand keeps the classic dialogs: "Resume" / "Cancel".
    resume = d.find_window(RESUME_TITLE, timeout=30)
    assert resume.control(d.INSTALL)["text"] == "Resume"
    # Centred on the installer window.
    centre = lambda r: ((r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
    assert all(abs(a - b) <= 1 for a, b in zip(centre(resume.rect), centre(window.rect)))
    resume.click(d.INSTALL)
    assert w.wait_for(lambda: installer.log_has("Resume dialog ended with 1"), 10)
    assert window.is_window() and not controller_log("CountCancel")
    # The same dialog again; its Cancel ends the installation.
    window.click(d.CANCEL)
    resume = d.find_window(RESUME_TITLE, timeout=30)
    resume.click(CANCEL_SECOND)
    result = run.wait()
    assert result.code == 500
    assert installer.log_has("Resume dialog ended with 212")
    assert controller_log("CountCancel")


def test_closing_during_installation_asks_to_resume():
    run, window = start()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    window.click(d.CLOSE)
    resume = d.find_window(RESUME_TITLE, timeout=30)
    resume.click(CANCEL_SECOND)
    result = run.wait()
    assert result.code == 500
    assert controller_log("CountCancel")
    assert controller_log("window event clicked_button=cancel")


STATE_SYSTEM_CHECKED = 0x10
ROLE_CHECK_BOX = 44


THEME_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager"


@pytest.fixture
def classic_mode():
    """Visual styles off for the programs started meanwhile, as in the
    classic and high-contrast modes of Windows."""
    before = w.reg_query(THEME_KEY, "ThemeActive", view=64)
    w.reg_add(THEME_KEY, "ThemeActive", "0", view=64)
    yield
    if before is None:
        w.reg_delete_value(THEME_KEY, "ThemeActive", view=64)
    else:
        w.reg_add(THEME_KEY, "ThemeActive", before, view=64)


@pytest.mark.parametrize("look", ["redesigned", "origin"])
def test_owner_drawn_checkboxes_read_as_checkboxes_with_their_state(look, classic_mode):
    # Without visual styles the checkboxes are owner-drawn buttons.
    extra = ["--brand-name=classic"] if look == "origin" else []
    run, window = start(extra)
    d.wait_painted(window)
    for box_id in (d.DEFAULT, d.SENDSTAT):
        acc = window.acc(box_id)
        assert acc["role"] == ROLE_CHECK_BOX, (box_id, acc)
        assert acc["name"] == window.control(box_id)["text"].replace("&", ""), (box_id, acc)
        # A click flips the state that a screen reader reads.
        checked = bool(acc["state"] & STATE_SYSTEM_CHECKED)
        window.click(box_id, dx=8)
        assert w.wait_for(lambda: bool(window.acc(box_id)["state"] & STATE_SYSTEM_CHECKED) != checked, 10, 0.2)
        window.click(box_id, dx=8)
        assert w.wait_for(lambda: bool(window.acc(box_id)["state"] & STATE_SYSTEM_CHECKED) == checked, 10, 0.2)
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    # The progress bar gives its value.
    window.post("kelmor.lite.set_install_progress", 5)
    assert w.wait_for(lambda: window.acc(d.PROGRESS)["value"] == "75%", 10, 0.2)
    close_by_setup(run, window)


def press_alt_f4(window):
    w.wait_for(lambda: d.probe("focus", window.hwnd).get("active"), 5, 0.2)
    d.xdotool("key", "alt+F4")


def test_alt_f4_during_installation_asks_to_resume_and_resume_goes_on():
    run, window = start()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    press_alt_f4(window)
    resume = d.find_window(RESUME_TITLE, timeout=30)
    resume.click(d.INSTALL)
    assert w.wait_for(lambda: installer.log_has("Resume dialog ended with 1"), 10)
    assert window.is_window() and not controller_log("CountCancel")
    # Asked again, the stop ends the window as a cancelled installation.
    press_alt_f4(window)
    resume = d.find_window(RESUME_TITLE, timeout=30)
    resume.click(CANCEL_SECOND)
    result = run.wait()
    assert result.code == 500
    assert installer.log_has("Resume dialog ended with 212")
    assert controller_log("CountCancel")
    assert controller_log("window event clicked_button=cancel")


def test_alt_f4_on_the_first_screen_closes_without_a_question():
    run, window = start()
    d.wait_painted(window)
    press_alt_f4(window)
    result = run.wait()
    assert not installer.log_has("Resume dialog ended")
    assert not controller_log("CountCancel")
    assert result.code is not None


def test_setup_closing_the_window_ends_an_open_resume_dialog():
    run, window = start()
    window.click(d.INSTALL)
    assert window.wait_control(d.PROGRESS)
    window.click(d.CLOSE)
    d.find_window(RESUME_TITLE, timeout=30)
    window.post("kelmor.lite.close_window")
    result = run.wait()
    assert result.code == 0
    assert installer.log_has("Resume dialog ended with 1")
    assert not controller_log("CountCancel")
