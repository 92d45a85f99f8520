"""Driving the installer window under Xvfb as a person would: xdotool clicks
and keys, screenshots of the X screen, and window_probe.exe for what a
screen reader or setup sees (controls, accessible names and values, setup's
registered messages). Every call is bounded in time."""
import json
import os
import pathlib
import subprocess
import tempfile
import threading
import time

import installer
import kelmor_wine as w

PROBE = w.BIN / "window_probe.exe"
GUI_EXE = w.BIN / "lite_installer_gui.exe"
# Screenshots land beside the build folders: <source>/build/screens.
SCREENS = w.SOURCE / "build" / "screens"

# Control ids of the window.
INSTALL, TITLE, DEFAULT, SENDSTAT, KEPIN = 1, 107, 109, 110, 112
CANCEL, CLOSE, MINIMIZE, PROGRESS, POLICY = 212, 213, 214, 215, 218
LICENCE_TEXT, LICENCE_LINK, PROGRESS_TEXT = 222, 223, 224


def probe(*args, timeout=60):
    with tempfile.TemporaryDirectory() as tmp:
        out = pathlib.Path(tmp) / "probe.json"
        result = w.run(PROBE, [args[0], w.to_windows(out)] + [str(a) for a in args[1:]], timeout=timeout)
        assert result.code == 0, f"window_probe {args}: {result}"
        return json.loads(out.read_text(encoding="utf-8"))


class Run:
    """One installer run in the background; `result` once it ended."""

    def __init__(self, args, env=None, exe=GUI_EXE, timeout=240, winver="win10"):
        self.result = None
        self.error = None

        def body():
            try:
                self.result = installer.run(args, env=env, timeout=timeout, exe=exe, winver=winver)
            except Exception as e:  # reported by wait()
                self.error = e

        self.thread = threading.Thread(target=body, daemon=True)
        self.thread.start()

    def wait(self, timeout=120):
        self.thread.join(timeout)
        assert not self.thread.is_alive(), "the installer did not end"
        if self.error:
            raise self.error
        return self.result


class Window:
    def __init__(self, info):
        self.hwnd = info["hwnd"]
        self.rect = info["rect"]
        self.origin = info["origin"]

    @property
    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]

    def controls(self):
        return probe("controls", self.hwnd)

    def control(self, control_id, visible_only=True):
        for c in self.controls()["controls"]:
            if c["id"] == control_id and (c["visible"] or not visible_only):
                return c
        return None

    def wait_control(self, control_id, present=True, timeout=20):
        return w.wait_for(lambda: (self.control(control_id) is not None) == present, timeout, 0.2)

    def acc(self, control_id):
        return probe("acc", self.hwnd, control_id)

    def post(self, name, wparam=0):
        return probe("post", self.hwnd, name, wparam)

    def screen_point(self, control_id, dx=None, dy=None):
        c = self.control(control_id)
        assert c, f"no visible control {control_id}"
        left, top, right, bottom = c["rect"]
        x = left + (dx if dx is not None else (right - left) // 2)
        y = top + (dy if dy is not None else (bottom - top) // 2)
        return self.origin[0] + x, self.origin[1] + y

    def click(self, control_id, dx=None, dy=None):
        x, y = self.screen_point(control_id, dx, dy)
        xdotool("mousemove", str(x), str(y))
        time.sleep(0.15)
        xdotool("click", "1")

    def is_window(self):
        return self.controls()["is_window"]

    def screenshot(self, name):
        """The window's pixels as a PIL image, also written to build/screens."""
        image = grab_screen().crop(tuple(self.rect))
        SCREENS.mkdir(parents=True, exist_ok=True)
        image.save(SCREENS / name)
        return image


def find_window(title="Kelmor", timeout=60):
    info = probe("find", title, int(timeout * 1000), timeout=timeout + 60)
    assert info["found"], "the installer window did not appear"
    return Window(info)


def xdotool(*args):
    subprocess.run(["xdotool"] + list(args), timeout=20, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def grab_screen():
    from PIL import Image
    with tempfile.TemporaryDirectory() as tmp:
        path = pathlib.Path(tmp) / "screen.png"
        subprocess.run(["import", "-window", "root", str(path)], timeout=30, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        image = Image.open(path)
        image.load()
        return image.convert("RGB")


def wait_painted(window, timeout=10):
    """Waits until two screenshots in a row are equal (painting finished)."""
    previous = None
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        image = grab_screen().crop(tuple(window.rect))
        if previous is not None and list(image.getdata()) == list(previous.getdata()):
            return image
        previous = image
        time.sleep(0.3)
    return previous


def distinct_colours(image, box):
    return len(set(image.crop(box).getdata()))


def count_differing(image, box, colour, tolerance=24):
    n = 0
    for px in image.crop(box).getdata():
        if max(abs(a - b) for a, b in zip(px, colour)) > tolerance:
            n += 1
    return n
