"""The installer's dialogs under Xvfb and Wine: every kind of both looks
shown by dialog_window.exe (one program start per kind), with a screenshot
in build/screens, the texts read through window_probe, pixel probes of the
panel, the corners and the buttons, and one button clicked per kind with
its end code (1 main, 212 second, 213 close). The main buttons' pages are
checked in the log ("Opening <address>") and, where the prefix records the
shell's "open", in its record too."""
import os
import re
import shutil

import pytest

import installer
import kelmor_wine as w
import window_driver as d

DIALOG_EXE = w.BIN / "dialog_window.exe"
MAIN, TITLE, SECOND, CLOSE = 1, 107, 212, 213
TEXT = -1
WHITE = (255, 255, 255)
YELLOW = (255, 210, 31)
SITE = f"http://localhost:{os.environ.get('KELMOR_STAND_PORT', '18080')}/site"


def string_table(language_id=1033):
    table = {}
    source = w.SOURCE / "resources" / "strings" / f"strings_{language_id}.rc"
    for line in source.read_text(encoding="utf-8").splitlines():
        m = re.match(r'\s*(\d+)\s+"(.*)"\s*$', line)
        if m:
            table[int(m.group(1))] = m.group(2).replace('\\n', "\n").replace('\\"', '"').replace("\\\\", "\\")
    return table


S = string_table()


def text(string_id):
    return S.get(string_id, "") if string_id else ""


# Redesigned kinds: title, text, main, second, main style, the button the
# test clicks and the page the main button opens.
REDESIGNED = {
    0: (455, 456, 500, 0, "secondary", CLOSE, None),
    1: (472, 473, 500, 0, "secondary", MAIN, None),
    2: (476, 477, 501, 0, "primary", MAIN, SITE + "/kelmor.ru/support/browser/about/install.xml"),
    3: (498, 499, 500, 0, "secondary", CLOSE, None),
    4: (492, 493, 508, 509, "primary", MAIN, None),
    5: (441, 442, 500, 0, "secondary", MAIN, None),
    6: (432, 452, 507, 503, "primary", MAIN, SITE + "/browser.kelmor.ru/download?full=1&code=lite_install_failed"),
    7: (421, 422, 502, 503, "primary", SECOND, None),
    8: (444, 445, 504, 0, "primary", MAIN, SITE + "/browser.kelmor.ru/?from=installer"),
    9: (447, 0, 505, 0, "primary", MAIN, None),
    10: (449, 450, 506, 0, "primary", MAIN, SITE + "/browser.kelmor.ru/feedback/?from=installer"),
    11: (437, 438, 506, 0, "primary", CLOSE, None),
    12: (434, 435, 506, 0, "primary", MAIN, SITE + "/browser.kelmor.ru/feedback/?from=installer"),
}

# Classic kinds: title, text, main, second, the button clicked, the page.
CLASSIC = {
    "newer": (453, 454, 460, 0, MAIN, None),
    "corporate-newer": (496, 497, 460, 0, "Escape", None),
    "corporate-exists": (490, 491, 494, 495, SECOND, None),
    "resume": (418, 0, 419, 420, SECOND, None),
    "unsupported": (474, 475, 478, 479, MAIN, SITE + "/kelmor.ru/support/browser/about/install.xml"),
    "disk": (470, 471, 460, 0, MAIN, None),
}

END_CODE = {MAIN: 1, SECOND: 212, CLOSE: 213, "Escape": 213}


@pytest.fixture(autouse=True)
def clean():
    installer.clean()
    if hasattr(w, "clear_opened_addresses"):
        w.clear_opened_addresses()
    yield


def caption(title):
    return title.replace("\r", " ").replace("\n", " ")


def show(args, title, winver="win10"):
    run = d.Run(args, exe=DIALOG_EXE, timeout=90, winver=winver)
    window = d.find_window(caption(title), timeout=40)
    return run, window


def controls_by_id(window):
    return {c["id"]: c for c in window.controls()["controls"]}


def shot(window, name, margin=8):
    """The window with its shadow, saved to build/screens; returns the image
    and the window's own box inside it (the pointer away, so no button is
    hot)."""
    d.xdotool("mousemove", "0", "0")
    d.wait_painted(window)
    left, top, right, bottom = window.rect
    image = d.grab_screen().crop((left - margin, top - margin, right + margin, bottom + margin))
    d.SCREENS.mkdir(parents=True, exist_ok=True)
    image.save(d.SCREENS / name)
    return image, (margin, margin, margin + right - left, margin + bottom - top)


def shadow_of(window):
    """The rectangle of the dialog's layered shadow window."""
    shadows = [o for o in d.probe("owned", window.hwnd)["windows"] if o["layered"] and o["class"].lower() == "static"]
    assert len(shadows) == 1, shadows
    return shadows[0]["rect"]


def grown(rect, left, top, right, bottom):
    return [rect[0] - left, rect[1] - top, rect[2] + right, rect[3] + bottom]


def near(pixel, colour, tolerance=24):
    return max(abs(a - b) for a, b in zip(pixel, colour)) <= tolerance


def press(window, button):
    if button == "Escape":
        # A click on the background makes the dialog the active window.
        x, y = window.rect[0] + 5, (window.rect[1] + window.rect[3]) // 2
        d.xdotool("mousemove", str(x), str(y))
        d.xdotool("click", "1")
        w.wait_for(lambda: d.probe("focus", window.hwnd).get("active"), 5, 0.2)
        d.xdotool("key", "Escape")
    else:
        window.click(button)


def assert_opened(page):
    if not page:
        assert not installer.log_has("Opening ")
        return
    assert installer.log_has("Opening " + page)
    if hasattr(w, "wait_for_opened_addresses"):
        assert page in w.wait_for_opened_addresses(1)


@pytest.mark.parametrize("kind", sorted(REDESIGNED))
def test_redesigned_dialog(kind, request):
    if kind == 9:
        request.getfixturevalue("installed_browser")
    title_id, text_id, main_id, second_id, style, button, page = REDESIGNED[kind]
    run, window = show(["--look=redesigned", f"--kind={kind}"], text(title_id))
    assert installer.log_has("rounded corners")
    controls = controls_by_id(window)
    expected_text = text(text_id)
    if kind == 12:
        expected_text += "\r\n" + w.to_windows(installer.log_path())
    assert controls[TITLE]["text"] == text(title_id)
    assert controls[TEXT]["text"] == expected_text
    assert controls[TEXT]["visible"] == bool(expected_text)
    assert controls[MAIN]["text"] == text(main_id) and controls[MAIN]["visible"]
    assert controls[SECOND]["visible"] == bool(second_id)
    if second_id:
        assert controls[SECOND]["text"] == text(second_id)
    assert controls[CLOSE]["visible"]
    assert window.acc(CLOSE)["name"] == "Close"

    # Layout: the button row ends 40 from the right edge, the close button
    # sits 10 from the top-right corner, the title at the margins.
    width, height = window.size
    last = controls[SECOND] if second_id else controls[MAIN]
    assert last["rect"][2] == width - 40
    assert controls[CLOSE]["rect"] == [width - 30, 10, width - 10, 30]
    assert controls[TITLE]["rect"][:2] == [30, 30]
    main_rect = controls[MAIN]["rect"]
    if second_id:
        assert controls[SECOND]["rect"][0] - main_rect[2] == 10
    assert main_rect[3] + 30 == height

    image, box = shot(window, f"dialog_redesigned_kind{kind}.png")
    assert shadow_of(window) == grown(window.rect, 8, 8, 8, 8)
    x0, y0, x1, y1 = box
    # White panel left of the texts; the rounded corner shows what lies
    # behind the window (the shadow), not the panel.
    assert near(image.getpixel((x0 + 10, (y0 + y1) // 2)), WHITE, 4)
    assert not near(image.getpixel((x0, y0)), WHITE, 40)
    assert not near(image.getpixel((x1 - 1, y1 - 1)), WHITE, 40)
    # The shadow darkens the black screen around the window only slightly:
    # it is there (not the panel) and the middle of a button has its fill.
    mx = (main_rect[0] + main_rect[2]) // 2 + x0
    my = main_rect[1] + 3 + y0
    fill = image.getpixel((mx, my))
    if style == "primary":
        assert near(fill, YELLOW, 30), fill
    else:
        assert near(fill, (240, 240, 242), 12), fill
    assert d.distinct_colours(image, tuple(v + o for v, o in zip(controls[TITLE]["rect"], (x0, y0, x0, y0)))) > 2

    press(window, button)
    result = run.wait()
    assert result.code == END_CODE[button]
    assert_opened(page if button == MAIN else None)
    if kind == 9:
        # The stand-in browser (the test setup program) writes its report
        # into the temporary folder once it runs.
        line = next(line for line in installer.log_lines() if "Starting the installed browser " in line)
        assert "\\Kelmor\\KelmorBrowser\\Application\\browser.exe" in line, line
        assert w.wait_for(lambda: (w.temp_dir() / "fake_setup_report.json").exists(), 30)


@pytest.fixture
def installed_browser():
    """A stand-in browser.exe in the browser's application folder under the
    system's own Program Files, where setup installs it (the test setup
    program: it reports that it ran). A 32-bit installer is shown
    "Program Files (x86)" by the shell and must still find it there."""
    folder = w.native_program_files() / "Kelmor" / "KelmorBrowser" / "Application"
    folder.mkdir(parents=True, exist_ok=True)
    browser = folder / "browser.exe"
    shutil.copyfile(w.BIN / "fake_setup.exe", browser)
    yield browser
    browser.unlink(missing_ok=True)


def test_redesigned_dialog_before_windows_8_has_square_corners():
    run, window = show(["--look=redesigned", "--kind=7"], text(421), winver="win7")
    # Wine draws the layered shadow's soft pixels opaque, so the corners look
    # alike on screen; the choice is read from the log.
    shot(window, "dialog_redesigned_kind7_win7.png")
    assert installer.log_has("Dialog on Windows 6.1, square corners")
    window.click(CLOSE)
    assert run.wait().code == 213


def test_redesigned_dialog_at_scale_2():
    run, window = show(["--look=redesigned", "--kind=6", "--force-device-scale-factor=2"], text(432))
    controls = controls_by_id(window)
    width, height = window.size
    assert controls[CLOSE]["rect"] == [width - 60, 20, width - 20, 60]
    assert controls[TITLE]["rect"][:2] == [60, 60]
    assert controls[SECOND]["rect"][2] == width - 80
    shot(window, "dialog_redesigned_kind6_scale2.png", margin=16)
    assert shadow_of(window) == grown(window.rect, 16, 16, 16, 16)
    window.click(SECOND)
    assert run.wait().code == 212


@pytest.mark.parametrize("name", sorted(CLASSIC))
def test_classic_dialog(name):
    title_id, text_id, main_id, second_id, button, page = CLASSIC[name]
    run, window = show(["--look=classic", f"--kind={name}"], text(title_id))
    controls = controls_by_id(window)
    assert controls[TITLE]["text"] == text(title_id)
    assert controls[MAIN]["text"] == text(main_id) and controls[MAIN]["visible"]
    assert controls[SECOND]["visible"] == bool(second_id)
    assert not controls[CLOSE]["visible"]
    if name != "unsupported":
        assert controls[TEXT]["text"] == text(text_id)

    width, height = window.size
    # Picture 104 (410 x 186) without its shadow margins; the unsupported-
    # system notice is shorter.
    assert (width, height) == ((397, 134) if name == "unsupported" else (397, 174))
    main_rect = controls[MAIN]["rect"]
    assert main_rect[3] == height - 20 and main_rect[2] - main_rect[0] == 120
    if name == "resume":
        assert controls[SECOND]["rect"][2] == width - 30
    else:
        assert main_rect[0] == 40
    if second_id:
        assert controls[SECOND]["rect"][0] - main_rect[2] == 10
    title_rect = controls[TITLE]["rect"]
    assert title_rect[:2] == [40, 20 if controls[TEXT]["visible"] else 30]
    assert title_rect[3] <= main_rect[1]
    if name == "unsupported":
        # Its title wraps to two lines at (40, 30) and is not cut off above
        # the buttons.
        assert title_rect[3] - title_rect[1] >= 2 * 16

    image, (x0, y0, x1, y1) = shot(window, f"dialog_classic_{name.replace('-', '_')}.png")
    assert shadow_of(window) == grown(window.rect, 7, 4, 6, 8)
    assert near(image.getpixel((x0 + 10, (y0 + y1) // 2)), WHITE, 4)
    assert near(image.getpixel(((x0 + x1) // 2, y0 + 1)), YELLOW, 30)
    # The shadow below the window is darker than the panel and not black
    # everywhere: the layered shadow window shows the picture's margin.
    below = [image.getpixel((x, y1 + 3)) for x in range(x0 + 20, x1 - 20, 10)]
    assert all(not near(p, WHITE, 40) for p in below)
    fill = image.getpixel(((main_rect[0] + main_rect[2]) // 2 + x0, main_rect[1] + 4 + y0))
    assert near(fill, YELLOW, 30), fill

    press(window, button)
    result = run.wait()
    assert result.code == END_CODE[button]
    assert_opened(page if button == MAIN else None)


def test_error_chooser_code_4_offers_the_browser_site():
    run, window = show(["--code=4"], text(444))
    assert window.control(MAIN)["text"] == "Go to site"
    window.click(MAIN)
    assert run.wait().code == 1
    assert_opened(SITE + "/browser.kelmor.ru/?from=installer")


def test_error_chooser_code_1_without_download_button_shows_the_log_path():
    run, window = show(["--code=1", "--disable-error-dialog-download-button", "--brand-id=tr"], text(434))
    body = controls_by_id(window)[TEXT]["text"]
    assert body.endswith("\r\n" + w.to_windows(installer.log_path()))
    window.click(CLOSE)
    assert run.wait().code == 213


def test_error_chooser_has_no_dialog_for_code_0():
    assert w.run(DIALOG_EXE, ["--code=0"], timeout=60).code == 4


def test_invalid_kind_gives_empty_texts():
    run, window = show(["--look=redesigned", "--kind=13"], text(400))
    controls = controls_by_id(window)
    assert controls[TITLE]["text"] == "" and controls[TEXT]["text"] == "" and controls[MAIN]["text"] == ""
    assert not controls[SECOND]["visible"]
    window.click(CLOSE)
    assert run.wait().code == 213


def test_dragging_a_dialog_moves_it():
    run, window = show(["--look=redesigned", "--kind=5"], text(441))
    x, y = window.rect[0] + 15, window.rect[1] + 15
    d.xdotool("mousemove", str(x), str(y))
    d.xdotool("mousedown", "1")
    for step in range(1, 5):
        d.xdotool("mousemove", str(x + 10 * step), str(y + 5 * step))
    def arrived():
        # A loaded machine may drop the last motion: it is given again (one
        # pixel off and back, as the X server ignores a move to where the
        # pointer is) until the dialog has followed it.
        d.xdotool("mousemove", str(x + 39), str(y + 20))
        d.xdotool("mousemove", str(x + 40), str(y + 20))
        return d.find_window(caption(text(441))).rect[:2] == [window.rect[0] + 40, window.rect[1] + 20]
    assert w.wait_for(arrived, 20, 0.3)
    d.xdotool("mouseup", "1")
    moved = d.find_window(caption(text(441)))
    assert (moved.rect[0] - window.rect[0], moved.rect[1] - window.rect[1]) == (40, 20)
    # The shadow followed.
    assert shadow_of(moved) == grown(moved.rect, 8, 8, 8, 8)
    moved.click(MAIN)
    assert run.wait().code == 1


def test_full_disk_in_window_mode_shows_the_classic_notice_and_gives_403():
    run = d.Run([], env={"KELMOR_TEST_FREE_DISK_BYTES": "1000"}, timeout=90)
    window = d.find_window(caption(text(470)), timeout=40)
    assert window.size == (397, 174)
    assert window.control(MAIN)["text"] == "OK"
    shot(window, "dialog_classic_disk_installer.png")
    window.click(MAIN)
    result = run.wait()
    assert result.code == 403
    assert installer.log_has("Installer exit with code: 403")
    assert installer.log_has("Not-enough-disk-space dialog ended with 1")


def test_classic_dialog_at_scale_2():
    run, window = show(["--look=classic", "--kind=resume", "--force-device-scale-factor=2"], text(418))
    controls = controls_by_id(window)
    assert window.size == (820 - 14 - 12, 372 - 8 - 16)
    second = controls[SECOND]["rect"]
    assert second[2] == 794 - 60 and second[2] - second[0] == 240 and second[3] == 348 - 40
    image, (x0, y0, x1, y1) = shot(window, "dialog_classic_resume_scale2.png", margin=16)
    assert near(image.getpixel(((x0 + x1) // 2, y0 + 3)), YELLOW, 30)
    window.click(MAIN)
    assert run.wait().code == 1


def test_redesigned_dialog_in_russian():
    russian = string_table(1049)
    run, window = show(["--look=redesigned", "--kind=7", "--lang=ru"], russian[421])
    controls = controls_by_id(window)
    assert controls[MAIN]["text"] == russian[502] and controls[SECOND]["text"] == russian[503]
    assert window.acc(CLOSE)["name"] == "Закрыть"
    shot(window, "dialog_redesigned_kind7_ru.png")
    window.click(CLOSE)
    assert run.wait().code == 213
