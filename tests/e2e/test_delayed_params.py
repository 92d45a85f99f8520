"""The parameter block lives in an image section shared by every process of
the installer executable: a second process reads what the first wrote."""
import json
import time

import installer
import kelmor_wine as w


def test_block_written_in_one_process_is_read_in_another():
    installer.clean()
    archive = "C:\\users\\Public\\kb12AB.tmp"
    writer = w.start(installer.EXE, [], env={"KELMOR_TEST_DELAYED_PARAMS_WRITE": archive,
                                             "KELMOR_TEST_DELAYED_PARAMS_HOLD_MS": "15000"})
    try:
        assert w.wait_for(lambda: installer.log_has("Start install."), 30)
        time.sleep(1)  # the block is written right after the first log line
        out = w.temp_dir() / "block.json"
        result = installer.run([], env={"KELMOR_TEST_DELAYED_PARAMS_DUMP": w.to_windows(out)})
        assert result.code == 0
        block = json.loads(out.read_text())
    finally:
        writer.wait(timeout=60)
    assert block == {
        "browser_arc_path": archive,
        "clids_file_path": archive + ".clids",
        "kelmor_website_icon_file_path": archive + ".ico",
        "installer_data_path": archive + ".prefs",
        "brand_package_path": archive + ".brand",
        "partner_package_path": archive + ".partner",
        "partner_package_override_path": "",
        "histogram_download_time": "12",
        "histogram_full_time": "987654321",
        "send_statistics": 1,
        "make_default": 0,
        "install_kepin": 1,
        "error_kind": 5,
    }


def test_copy_at_another_path_does_not_share_the_block():
    installer.clean()
    other = w.temp_dir() / "copy_of_installer.exe"
    other.write_bytes(installer.EXE.read_bytes())
    writer = w.start(installer.EXE, [], env={"KELMOR_TEST_DELAYED_PARAMS_WRITE": "C:\\x.tmp",
                                             "KELMOR_TEST_DELAYED_PARAMS_HOLD_MS": "10000"})
    try:
        assert w.wait_for(lambda: installer.log_has("Start install."), 30)
        time.sleep(1)
        out = w.temp_dir() / "block.json"
        result = w.run(other, [], env={"KELMOR_TEST_DELAYED_PARAMS_DUMP": w.to_windows(out)})
        assert result.code == 0
        assert json.loads(out.read_text())["browser_arc_path"] == ""
    finally:
        writer.wait(timeout=60)
