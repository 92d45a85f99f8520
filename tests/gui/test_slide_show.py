"""The background slide show under Xvfb and Wine, in the slide_window test
program (the show wired to a 20 ms timer as the progress screen wires it),
against the stand's slide folder. The show's clock moves only when the test
says so (the program's control file), so no test waits ten seconds per
slide; what is on screen is read from the program's paint buffer and from
screenshots of the X display."""
import os
import pathlib
import re
import subprocess
import threading
import time

import pytest

import kelmor_wine as w
import stand as service_stand
from stand.hosts.remote_config import solid_jpeg

EXE = w.BIN / "slide_window.exe"
ARTIFACTS = w.BUILD / "test-artifacts" / "slides"
FOLDER = "/browser/installer/facetune/en/"

BACKGROUND = (40, 90, 200)  # initial picture 0: the window background
FIRST_SLIDE = (230, 120, 30)  # initial picture 1 (or 0 with one initial picture)
GREY = (207, 207, 207)
COLOURS = {2: (200, 30, 30), 3: (30, 160, 60), 4: (120, 40, 160)}


@pytest.fixture
def stand(request):
    record = w.BUILD / "test-artifacts" / "stand" / f"{request.node.name}.jsonl"
    record.unlink(missing_ok=True)
    with service_stand.running(record_path=record, lifetime=600) as s:
        yield s


def slide_jpeg(number, scale=1):
    # Double-resolution pictures for a 728-wide window: 1456 x 536.
    return solid_jpeg(1456, 536, COLOURS[number])


def close_to(rgb, expected, tolerance=14):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, expected))


class SlideWindow:
    """slide_window.exe running in the background for one test."""

    def __init__(self, name, base_url, initial=2, scale=1):
        temp = w.temp_dir()
        temp.mkdir(parents=True, exist_ok=True)
        self.status_path = temp / f"slides_{name}_status.json"
        self.control_path = temp / f"slides_{name}_control.txt"
        self.log_path = temp / f"slides_{name}.log"
        for p in (self.status_path, self.control_path, self.log_path):
            p.unlink(missing_ok=True)
        self.name = name
        self.scale = scale
        args = [f"--status={w.to_windows(self.status_path)}", f"--control={w.to_windows(self.control_path)}",
                f"--log={w.to_windows(self.log_path)}", f"--base-url={base_url}", f"--initial={initial}",
                f"--scale={scale}"]
        self.result = None
        self.thread = threading.Thread(target=self._run, args=(args,), daemon=True)
        self.thread.start()
        self.wait_for(lambda s: s.get("paints", 0) >= 1, "first paint")

    def _run(self, args):
        self.result = w.run(EXE, args, timeout=150)

    def status(self):
        try:
            import json
            return json.loads(self.status_path.read_text())
        except (OSError, ValueError):
            return {}

    def wait_for(self, predicate, what, timeout=60):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            s = self.status()
            if s and predicate(s):
                return s
            if self.result is not None:
                raise AssertionError(f"slide_window ended ({self.result}) while waiting for {what}")
            time.sleep(0.05)
        raise AssertionError(f"timed out waiting for {what}: {self.status()}")

    def advance_to(self, steps):
        """Moves the show's clock on to `steps` periods and returns the
        status once that slide has been painted."""
        self.control_path.write_text(str(steps))
        return self.wait_for(lambda s: s["steps"] == steps and s["painted_counter"] == steps,
                             f"step {steps}")

    def screenshot(self, label):
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        out = ARTIFACTS / f"{self.name}_{label}.png"
        subprocess.run(["import", "-window", "root", str(out)], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        from PIL import Image
        return Image.open(out).convert("RGB")

    def close(self):
        self.control_path.write_text("quit")
        self.thread.join(120)
        assert self.result is not None and not self.result.timed_out, "slide_window did not end"
        assert self.result.code == 0, self.result
        return self.status()

    def log_lines(self):
        if not self.log_path.exists():
            return []
        return self.log_path.read_bytes().decode("utf-8", "replace").split("\n")


@pytest.fixture
def windows():
    opened = []
    yield opened
    for win in opened:
        if win.result is None:
            try:
                win.control_path.write_text("quit")
                win.thread.join(60)
            except OSError:
                pass


def open_window(windows, name, base_url, **kwargs):
    win = SlideWindow(name, base_url, **kwargs)
    windows.append(win)
    return win


def test_two_initial_and_three_served_slides_show_in_order_0_1_2_3_4_1_2(stand, windows):
    stand.settings["slides"] = {n: slide_jpeg(n) for n in (2, 3, 4)}
    win = open_window(windows, "order", stand.base_url + FOLDER)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop")
    assert s["picture_count"] == 5
    assert close_to(s["probe_rgb"], BACKGROUND) and s["counter"] == 0 and not s["has_advanced"]
    fetched = [r["path"] for r in stand.requests("/x2/")]
    assert fetched[:3] == [FOLDER + "x2/02.jpg", FOLDER + "x2/03.jpg", FOLDER + "x2/04.jpg"]
    assert fetched[3:] == [FOLDER + "x2/05.jpg"] * 10  # ten failures in a row end the downloader

    expected = [FIRST_SLIDE, COLOURS[2], COLOURS[3], COLOURS[4], FIRST_SLIDE, COLOURS[2], COLOURS[3],
                COLOURS[4], FIRST_SLIDE, COLOURS[2]]
    shown = []
    for step, colour in enumerate(expected, start=1):
        s = win.advance_to(step)
        shown.append(tuple(s["probe_rgb"]))
        assert close_to(s["probe_rgb"], colour), (step, shown)
        assert s["has_advanced"]
    # A served slide at scale 1: decoded at half size, bottom-aligned.
    s = win.advance_to(11)
    assert s["picture_size"] == [728, 268]
    assert s["destination"] == [0, 800 // 2 - 268, 728, 400]
    image = win.screenshot("step11_slide03")
    assert close_to(image.getpixel((20, 380)), COLOURS[3])
    assert close_to(image.getpixel((20, 100)), GREY)  # the brush above the picture
    s = win.close()
    assert s["exited"] is True


def test_without_network_the_built_in_picture_keeps_showing_and_the_worker_stops(stand, windows):
    # Nothing listens on port 9 of the loopback interface.
    win = open_window(windows, "offline", "http://127.0.0.1:9" + FOLDER, initial=1)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop")
    assert s["picture_count"] == 1
    for step in (1, 2, 3):
        s = win.advance_to(step)
        assert close_to(s["probe_rgb"], FIRST_SLIDE)
    image = win.screenshot("offline_step3")
    assert close_to(image.getpixel((20, 380)), FIRST_SLIDE)
    win.close()


def test_a_missing_slide_folder_gives_ten_requests_and_no_more(stand, windows):
    stand.settings["slides"] = {}
    win = open_window(windows, "missing", stand.base_url + FOLDER, initial=1)
    win.wait_for(lambda s: not s["worker_running"], "the downloader to stop")
    time.sleep(1.0)
    assert [r["status"] for r in stand.requests("/x2/")] == [404] * 10
    win.close()


def test_a_slide_that_takes_longer_than_five_seconds_counts_as_a_failure(stand, windows):
    stand.settings["slides"] = {n: slide_jpeg(n) for n in (2, 3)}
    size = len(stand.settings["slides"][2])
    # The first answer for 02.jpg would take about 20 s.
    stand.fault(re.escape(FOLDER + "x2/02.jpg"), throttle=max(1, size // 20), times=1)
    win = open_window(windows, "slow", stand.base_url + FOLDER, initial=1)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop", timeout=90)
    assert s["picture_count"] == 3
    first, second = stand.requests(FOLDER + "x2/02.jpg", settle=10)[:2]
    assert first["bytes_sent"] < size and first["done"]  # given up on mid-body
    assert second["bytes_sent"] == size
    s = win.advance_to(1)
    assert close_to(s["probe_rgb"], COLOURS[2])
    win.close()


def test_a_corrupt_jpeg_is_logged_and_skipped(stand, windows):
    stand.settings["slides"] = {2: b"\xff\xd8\xff\xe0\x00\x10JFIF corrupt" + b"\x00" * 300, 3: slide_jpeg(3)}
    win = open_window(windows, "corrupt", stand.base_url + FOLDER, initial=1)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop")
    assert s["picture_count"] == 1
    win.close()
    url = stand.base_url + FOLDER + "x2/02.jpg"
    # The line ends with the system error text, then the function name.
    text = "\n".join(win.log_lines())
    found = re.findall(r"ERROR: Failed to load a background slide bitmap from data downloaded from "
                       + re.escape(url) + r" - [^()]*\(DownloadSlide:", text)
    assert len(found) == 10, text


def test_the_window_keeps_repainting_while_every_slide_request_hangs(stand, windows):
    stand.fault(r"/browser/installer/.*\.jpg", hang=True)
    win = open_window(windows, "hang", stand.base_url + FOLDER, initial=2)
    stand.wait_for_requests("/x2/02.jpg", 1, timeout=30)
    before = win.status()
    for step, colour in ((1, FIRST_SLIDE), (2, FIRST_SLIDE)):
        s = win.advance_to(step)
        assert close_to(s["probe_rgb"], colour)
    # The timer kept running while the downloader waited on the network.
    s = win.wait_for(lambda s: s["ticks"] > before.get("ticks", 0) + 25, "timer ticks")
    hanging = stand.requests("/x2/", settle=0)
    assert hanging and not hanging[-1]["done"]
    image = win.screenshot("hang_step2")
    assert close_to(image.getpixel((20, 380)), FIRST_SLIDE)
    s = win.close()  # ends the hanging fetch and joins the downloader
    assert s["exited"] is True


def test_at_scale_two_a_served_slide_shows_at_its_natural_size(stand, windows):
    stand.settings["slides"] = {2: slide_jpeg(2)}
    win = open_window(windows, "scale2", stand.base_url + FOLDER, initial=1, scale=2)
    win.wait_for(lambda s: not s["worker_running"], "the downloader to stop")
    s = win.advance_to(1)
    assert s["picture_size"] == [1456, 536]
    assert s["destination"] == [0, 800 - 536, 1456, 800]
    assert close_to(s["probe_rgb"], COLOURS[2])
    image = win.screenshot("scale2_step1")
    assert close_to(image.getpixel((20, 780)), COLOURS[2])
    assert close_to(image.getpixel((20, 200)), GREY)
    win.close()


SLIDE_CAP = 2 << 20  # kMaxSlideBytes
MAX_PICTURES = 12  # kMaxSlidePictures
PAUSE_S = 0.5  # kSlideFetchPauseMs


def test_a_slide_without_length_is_refused_at_its_cap_and_asked_for_again(stand, windows):
    from stand import GeneratedBody

    stand.settings["slides"] = {3: slide_jpeg(3)}
    jpeg = slide_jpeg(2)
    endless_given = threading.Event()  # the first answer for 02.jpg never ends

    def slide_02(ex):
        if endless_given.is_set():
            ex.send(jpeg, content_type="image/jpeg")
            return
        endless_given.set()
        ex.send(GeneratedBody(1 << 40, seed=4), content_type="image/jpeg")

    stand.route("GET", re.escape(FOLDER + "x2/02.jpg"), slide_02)
    stand.fault(re.escape(FOLDER + "x2/02.jpg"), omit_headers=["Content-Length"], times=1)
    win = open_window(windows, "endless", stand.base_url + FOLDER)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop", timeout=90)
    assert s["picture_count"] == 4  # the two built-in ones, 02 on its second request, and 03
    first, second = stand.requests(FOLDER + "x2/02.jpg", settle=10)[:2]
    assert first["done"] and SLIDE_CAP <= first["bytes_sent"] < SLIDE_CAP + (16 << 20), first
    assert second["bytes_sent"] == len(jpeg)
    url = stand.base_url + FOLDER + "x2/02.jpg"
    assert any(f"WARNING: Refused {url}: the body grew past " in line and
               f"above the cap of {SLIDE_CAP} bytes (Download:" in line for line in win.log_lines())
    s = win.advance_to(2)
    assert close_to(s["probe_rgb"], COLOURS[2])
    win.close()


def test_the_downloader_fetches_twelve_pictures_at_most_and_paces_its_requests(stand, windows):
    # Without a "slides" setting the stand serves a small picture for every number.
    win = open_window(windows, "limit", stand.base_url + FOLDER)
    s = win.wait_for(lambda s: not s["worker_running"], "the downloader to stop", timeout=90)
    assert s["picture_count"] == 2 + MAX_PICTURES
    requests = stand.requests("/x2/", settle=10)
    assert [r["path"] for r in requests] == [FOLDER + f"x2/{n:02d}.jpg" for n in range(2, 2 + MAX_PICTURES)]
    gaps = [b["time"] - a["time"] for a, b in zip(requests, requests[1:])]
    assert min(gaps) >= PAUSE_S - 0.02, gaps  # a wait may end one timer tick early
    assert any("Background slides: 12 pictures fetched, no more downloads" in line
               for line in win.log_lines())
    win.close()
