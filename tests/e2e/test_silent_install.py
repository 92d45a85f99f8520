"""A silent installation from end to end under Wine: the stand serves the
setup archive (the signed test setup program), the installer downloads,
verifies and runs it, and exits with the controller's result."""
import hashlib
import json
import re

import pytest

import installer
import kelmor_wine as w

ARCHIVES = w.BUILD / "test-archives"
FAST_RETRIES = {"KELMOR_TEST_DOWNLOAD_PAUSE_MS": "50"}


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()


def report_path():
    return w.temp_dir() / "fake_setup_report.json"


def run_silent(stand, archive="good.arc", args=(), env=None, timeout=300):
    stand.settings["setup_archive"] = (ARCHIVES / archive).read_bytes()
    all_env = dict(FAST_RETRIES)
    all_env.update(env or {})
    return installer.run(["--silent"] + list(args), env=all_env, timeout=timeout)


def archive_files_left():
    return [p.name for p in w.temp_dir().glob("kb*.tmp")]


def test_setup_exiting_0_gives_0_and_gets_its_parameters(stand):
    result = run_silent(stand, args=["--fake-exit-code=0", "--send-statistics"])
    assert result.code == 0, installer.log_lines()[-15:]
    report = json.loads(report_path().read_text())
    switches = report["switches"]
    assert switches["source"] == "lite"
    assert "verbose-logging" in switches
    assert switches["progress-window"] == "0"
    assert "send-statistics" in switches
    assert "make-browser-default-after-import" not in switches
    assert "installerdata" in switches and "clids-file" in switches
    registry = report["registry"]
    for name in ("lang", "InstallerData", "ClidsFile", "AbtConfigResourceFile", "brand"):
        assert name in registry, name
    # After success the published values are gone but "lang" and the A/B file stay.
    assert w.reg_query(installer.PRODUCT_KEY, "InstallerData") is None
    assert w.reg_query(installer.PRODUCT_KEY, "lang") is not None
    assert w.reg_query(installer.PRODUCT_KEY, "AbtConfigResourceFile") is not None
    assert installer.log_has("Verification succeeded: ")
    assert installer.log_has("Installer exit with code: 0")
    assert archive_files_left() == []
    assert stand.requests(r"/browser/.*\.arc")


def test_setup_gets_the_distributions_data_files_byte_for_byte(stand):
    result = run_silent(stand, args=["--fake-exit-code=0"])
    assert result.code == 0, installer.log_lines()[-15:]
    assert not installer.log_has("Failed to extract resource")
    files = json.loads(report_path().read_text())["files"]
    distribution = w.SOURCE / "distribution" / "default"
    for switch, name in (("installerdata", "master_preferences"), ("clids-file", "clids.xml"),
                         ("abt-config-resource-file", "abt_config.json")):
        expected = (distribution / name).read_bytes()
        assert expected, name
        assert files[switch]["exists"], (switch, files[switch])
        assert files[switch]["size"] == len(expected), switch
        assert files[switch]["sha256"] == hashlib.sha256(expected).hexdigest(), switch


def test_setup_exit_codes_become_the_result(stand):
    assert run_silent(stand, args=["--fake-exit-code=3"]).code == 3
    installer.clean()
    result = run_silent(stand, args=["--fake-exit-code=7"])
    assert result.code == 7
    assert installer.log_has("Setup process exit with code: SUCCESS_EXIT_CODE(0); error: 7")
    assert installer.log_has("Installation failed, error kind 5")
    assert archive_files_left() == []


def test_setup_of_another_machine_type_gives_400_with_error_kind_4(stand):
    # A 64-bit setup on a 32-bit system: Windows refuses to start it with
    # ERROR_EXE_MACHINE_TYPE_MISMATCH (216).
    result = run_silent(stand, env={"KELMOR_TEST_CREATE_PROCESS_ERROR": "216"})
    assert result.code == 400
    assert installer.log_has("Create process failed.")
    assert installer.log_has("Installation failed, error kind 4")
    assert not report_path().exists()
    assert archive_files_left() == []
    # Any other start failure is the generic kind.
    installer.clean()
    result = run_silent(stand, env={"KELMOR_TEST_CREATE_PROCESS_ERROR": "193"})
    assert result.code == 400
    assert installer.log_has("Installation failed, error kind 1")


@pytest.mark.parametrize("archive", ["tampered.arc", "unsigned.arc", "untrusted_signer.arc",
                                     "unknown_key.arc", "key_index_10.arc",
                                     "signature_dat_2_bytes.arc", "pubkey_mismatch.arc"])
def test_refused_archives_give_402(stand, archive):
    result = run_silent(stand, archive=archive)
    assert result.code == 402
    assert installer.log_has("Module verification failed: ")
    assert not report_path().exists()
    assert archive_files_left() == []


def test_copied_serial_numbers_without_a_pinned_key_give_402_before_windows_10(stand):
    # Before Windows 10 a failed chain is checked again by the file's hash
    # alone; serial numbers are public, so an entry without a key must not
    # accept a self-made chain that copies them.
    stand.settings["setup_archive"] = (ARCHIVES / "forged_serials.arc").read_bytes()
    result = installer.run(["--silent"], env=FAST_RETRIES, winver="win7", timeout=300)
    assert result.code == 402, installer.log_lines()[-15:]
    assert installer.log_has("Start additional sha256 verification.")
    assert installer.log_has("The signer's chain was not checked and its trusted list entry pins no key.")
    assert not installer.log_has("File successfully verified")
    assert not report_path().exists()
    # The genuine signer of that entry still passes: its chain is checked.
    installer.clean()
    stand.settings["setup_archive"] = (ARCHIVES / "good_no_pub_key.arc").read_bytes()
    result = installer.run(["--silent", "--fake-exit-code=0"], env=FAST_RETRIES, winver="win7", timeout=300)
    assert result.code == 0, installer.log_lines()[-15:]


def test_setup_exit_code_of_an_error_class_is_a_failed_installation(stand):
    # Class 0x6C (PATH_STRING_OVERFLOW) with detail 5.
    result = run_silent(stand, args=[f"--fake-exit-code={0x6C000005}", "--send-statistics"])
    assert result.code & 0xFFFFFFFF == 0x6C000005
    assert installer.log_has("Setup failed: its exit code is of an error class")
    assert installer.log_has("Installation failed, error kind 1")
    assert not installer.log_has("Installer exit with code: 0")
    exited = [dict(r["stat"]["vars"]) for r in stand.requests("^/installstats/")
              if dict(r["stat"]["vars"]).get("stage") == "setup_exe_exited"]
    assert [v.get("error") for v in exited] == [str(0x6C000005)], exited
    [summary] = stand.requests("^/get/browser/install")
    assert "result=failed" in summary["query"], summary["query"]


def test_every_url_failing_gives_401_after_six_attempts(stand):
    stand.fault(r"/browser/.*\.arc", status=500)
    result = run_silent(stand)
    assert result.code == 401
    # The addresses are listed one log line each, every line in the log's
    # format (time, ids, severity, text, function).
    listed = [line for line in installer.log_lines() if "Download url " in line]
    assert listed and all(re.match(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \d+:\d+ INFO: Download url \d+: http",
                                   line) for line in listed), listed
    assert installer.log_has(f"Selected download urls: {len(listed)}")
    assert not [line for line in installer.log_lines() if line.startswith("http")]
    assert len(stand.requests(r"/browser/.*\.arc")) == 6
    assert installer.log_has("Max download attempts failed (6)")
    assert archive_files_left() == []


def test_failure_at_half_resumes_and_at_five_percent_restarts(stand):
    size = len((ARCHIVES / "good.arc").read_bytes())
    stand.fault(r"/browser/.*\.arc", times=1, drop_after=size // 2)
    assert run_silent(stand, args=["--fake-exit-code=0"]).code == 0
    later = stand.requests(r"/browser/.*\.arc")[1:]
    # The download client opens the address once more before it asks for the
    # rest with a Range header (the file pointer cannot move on plain HTTP).
    assert [r["headers"].get("Range") for r in later if "Range" in r["headers"]] == [f"bytes={size // 2}-"]
    assert installer.log_has(f"Resuming at {size // 2}: bytes {size // 2}-{size - 1}/{size}")

    installer.clean()
    stand.reset()
    stand.fault(r"/browser/.*\.arc", times=1, drop_after=size // 20)
    assert run_silent(stand, args=["--fake-exit-code=0"]).code == 0
    assert not [r for r in stand.requests(r"/browser/.*\.arc") if "Range" in r["headers"]]
    assert not installer.log_has("Resuming at")
