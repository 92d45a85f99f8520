"""The test setup program that installer tests download and run: its exit
code, its report, and the stand-in browser window."""
import json
import shutil

import pytest

import kelmor_wine as w

KEY = r"HKCU\Software\Kelmor\KelmorBrowser"


@pytest.fixture
def setup_arc(tmp_path):
    # The signed archive, under the name the installer gives it.
    path = tmp_path / "browser-setup.arc"
    shutil.copyfile(w.BUILD / "test-archives" / "good.arc", path)
    return path


def run_setup(setup_arc, tmp_path, *args):
    report = tmp_path / "report.json"
    report.unlink(missing_ok=True)
    result = w.run(setup_arc, [*args, f"--fake-report={w.to_windows(report)}"], timeout=60)
    assert not result.timed_out
    return result.code, json.loads(report.read_text(encoding="utf-8"))


@pytest.mark.parametrize("code", [0, 3, 7, 8, 4294967295])
def test_exit_code(setup_arc, tmp_path, code):
    got, report = run_setup(setup_arc, tmp_path, f"--fake-exit-code={code}")
    assert got % 2**32 == code  # the harness reads exit codes as signed 32-bit
    assert report["exit_code"] == code


def test_report_holds_command_line_registry_and_files(setup_arc, tmp_path):
    w.reg_delete_key(KEY)
    w.reg_add(KEY, "lang", "ru")
    w.reg_add(KEY, "InstallerData", r"C:\x\master_preferences")
    prefs = tmp_path / "master_preferences"
    prefs.write_text('{"distribution": {"make_default": true}}\n', encoding="utf-8")
    icon = tmp_path / "website.ico"
    icon.write_bytes(b"\x00\x00\x01\x00" + bytes(range(60)))
    try:
        code, report = run_setup(
            setup_arc, tmp_path, "--verbose-logging", "--brand-name=kelmor",
            f"--installerdata={w.to_windows(prefs)}",
            f"--kelmor-website-icon-file={w.to_windows(icon)}",
            f"--clids-file={w.to_windows(tmp_path / 'missing.xml')}", "--source=lite")
    finally:
        w.reg_delete_key(KEY)
    assert code == 0
    assert report["arguments"][1:4] == ["--verbose-logging", "--brand-name=kelmor",
                                        f"--installerdata={w.to_windows(prefs)}"]
    assert report["switches"]["source"] == "lite"
    assert report["switches"]["verbose-logging"] == ""
    assert report["registry"] == {"lang": "ru", "InstallerData": r"C:\x\master_preferences"}
    files = report["files"]
    assert files["installerdata"]["text"] == prefs.read_text()
    assert files["installerdata"]["size"] == prefs.stat().st_size
    assert "text" not in files["kelmor-website-icon-file"]  # binary: Base64 only
    assert files["kelmor-website-icon-file"]["size"] == 64
    assert files["clids-file"] == {"path": w.to_windows(tmp_path / "missing.xml"), "exists": False}
    assert report["progress_window"] == {"handle": 0, "is_window": False}


def test_messages_need_a_progress_window(setup_arc, tmp_path):
    code, report = run_setup(setup_arc, tmp_path, "--fake-stages=5,7", "--fake-import=80,100",
                             "--fake-post=kelmor.lite.close_window")
    assert code == 0
    assert [(m["name"], m["wparam"], m["ok"]) for m in report["messages"]] == [
        ("kelmor.lite.set_install_progress", 5, False),
        ("kelmor.lite.set_install_progress", 7, False),
        ("kelmor.lite.set_import_progress", 80, False),
        ("kelmor.lite.set_import_progress", 100, False),
        ("kelmor.lite.close_window", 0, False),
    ]


def test_browser_window_and_launch_value(setup_arc, tmp_path):
    w.reg_delete_key(KEY)
    try:
        code, report = run_setup(setup_arc, tmp_path, "--fake-browser-window-ms=1000",
                                 r'--fake-launch-cmdline="C:\Program Files\Kelmor\browser.exe"')
        assert code == 0
        assert report["browser_window"]["seen"] is True
        assert w.reg_query(KEY, "InstallerSuccessLaunchCmdLine") == \
            r'"C:\Program Files\Kelmor\browser.exe"'
    finally:
        w.reg_delete_key(KEY)
