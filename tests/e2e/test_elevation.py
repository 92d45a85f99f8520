"""The elevated road under Wine: a silent installation whose distribution asks
for elevation at once ("uac=1") starts a second instance of the installer with
"runas" (Wine runs it without a prompt), writes the parameter block, releases
the instance, and the instance runs the test setup program with the block's
switches. Also the roads where the instance is stopped, loses its parent,
never ends (hook KELMOR_TEST_ELEVATED_HANG) or sees setup fail, and the
refused prompt."""
import json
import os
import signal
import threading

import pytest

import installer
import kelmor_wine as w

ARCHIVES = w.BUILD / "test-archives"
FAST = {"KELMOR_TEST_DOWNLOAD_PAUSE_MS": "50"}
UAC = "--distr-info-params=uac=1"


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()


def report():
    return json.loads((w.temp_dir() / "fake_setup_report.json").read_text())


def run_elevated(stand, args=(), archive="good.arc", env=None, timeout=300):
    stand.settings["setup_archive"] = (ARCHIVES / archive).read_bytes()
    all_env = dict(FAST)
    all_env.update(env or {})
    return installer.run(["--silent", UAC] + list(args), env=all_env, timeout=timeout)


def lines_with(fragment):
    return [line for line in installer.log_lines() if fragment in line]


def pid_of(fragment):
    """The process id of the first log line holding `fragment`."""
    (line, *_) = lines_with(fragment)
    return int(line.split(" ")[2].split(":")[0])


def test_setup_runs_in_the_released_elevated_instance(stand):
    result = run_elevated(stand, args=["--fake-exit-code=0", "--send-statistics", "--disablekepin"])
    # A setup run that succeeded in the elevated instance gives 0, not the
    # initial "setup never ran" result.
    assert result.code == 0, installer.log_lines()[-20:]
    assert installer.log_has("Installer exit with code: 0")
    parent = pid_of("Installer process id: ")
    instance = pid_of("Start installer as admin")
    assert parent != instance
    assert pid_of("Started waiting the elevated installer has finished its work.") == parent
    assert pid_of("The elevated installer has finished, success=1") == parent
    assert pid_of("Run: ") == instance
    assert lines_with("INFO: RunModule results: success=1 error_code=0 (ExecuteAsAdmin:")
    # The parent wrote the block before it released the instance, which read
    # it after the release.
    texts = installer.log_texts()
    order = [next(i for i, t in enumerate(texts) if f in t) for f in
             ("Verification succeeded: ", "Started waiting the elevated installer",
              "Run: ", "Setup process exit with code: ", "The elevated installer has finished")]
    assert order == sorted(order)

    got = report()
    switches = got["switches"]
    # The block's switches on top of the command line the parent gave.
    assert got["program"].lower().endswith(".tmp")
    assert pathlike_name(got["program"]) != "fake_browser_arc"
    assert switches["source"] == "lite"
    assert switches["progress-window"] == "0"
    assert "histogram-download-time" in switches and switches["histogram-download-time"].isdigit()
    assert switches["install-start-time-no-uac"].isdigit()
    assert switches["installerdata"].lower().endswith("master_preferences")
    assert switches["clids-file"].lower().endswith("clids.xml")
    assert "send-statistics" in switches
    assert "disablekepin" in switches
    assert "make-browser-default-after-import" not in switches
    for own in ("run-as-admin", "parent-installer-process-id", "setup-cmd-line"):
        assert own not in switches, own
    assert "disable-uac" not in switches
    # The archive is gone once the parent is done.
    assert [p.name for p in w.temp_dir().glob("kb*.tmp")] == []


def pathlike_name(path):
    return path.replace("/", "\\").rsplit("\\", 1)[-1]


def test_setup_exiting_7_fails_both_sides_with_error_kind_5(stand):
    result = run_elevated(stand, args=["--fake-exit-code=7"])
    assert result.code == 400
    assert lines_with("INFO: RunModule results: success=0 error_code=7 (ExecuteAsAdmin:")
    assert installer.log_has("The elevated installer has finished, success=0")
    assert installer.log_has("ERROR: The elevated run failed, exit code -1, error kind 5 (InstallBrowser:")
    assert report()["exit_code"] == 7


def test_setup_exiting_3_is_success_on_both_sides(stand):
    result = run_elevated(stand, args=["--fake-exit-code=3"])
    # Setup's own code stays in the elevated instance; the parent reports success.
    assert result.code == 0
    assert lines_with("RunModule results: success=1 error_code=3")
    assert installer.log_has("The elevated installer has finished, success=1")


def test_a_failed_download_stops_the_waiting_instance(stand):
    stand.fault(r"/browser/.*\.arc", status=500)
    result = run_elevated(stand)
    assert result.code == 401
    # Never released: the runner's end signals the stop event.
    assert installer.log_has(
        "ERROR: Installer started as admin has been unexpectedly synced, wr=1 (ExecuteAsAdmin:")
    assert pid_of("Installer started as admin has been unexpectedly synced") != \
        pid_of("Installer process id: ")
    assert not installer.log_has("Run: ")
    assert not installer.log_has("The elevated installer hangs")


def test_a_refused_archive_stops_the_waiting_instance(stand):
    result = run_elevated(stand, archive="tampered.arc")
    assert result.code == 402
    assert installer.log_has("Installer started as admin has been unexpectedly synced, wr=1")
    assert not installer.log_has("Run: ")


def test_refused_prompt_runs_setup_unelevated_with_disable_uac(stand):
    result = run_elevated(stand, args=["--fake-exit-code=0", "--send-statistics"],
                          env={"KELMOR_TEST_UAC_REFUSED": "1"})
    assert result.code == 0
    assert installer.log_has("INFO: Declined running the installer as admin")
    assert not installer.log_has("Start installer as admin")
    assert "disable-uac" in report()["switches"]
    clicks = [r for r in stand.requests("^/installstats/")
              if dict(r["stat"]["vars"]).get("clicked_button") == "uac_declined"]
    assert clicks


def test_plain_silent_run_is_not_elevated(stand):
    stand.settings["setup_archive"] = (ARCHIVES / "good.arc").read_bytes()
    result = installer.run(["--silent", "--fake-exit-code=0"], env=FAST)
    assert result.code == 0
    assert not installer.log_has("Start installer as admin")


HANG_LINE = "ERROR: The elevated installer hangs and must be forcibly terminated."


def test_an_instance_that_does_not_end_is_terminated_after_the_grace(stand):
    # The instance wakes on the stop event of the failed download and then
    # never ends; the parent gives it the (shortened) grace period.
    stand.fault(r"/browser/.*\.arc", status=500)
    result = run_elevated(stand, env={"KELMOR_TEST_ELEVATED_HANG": "1",
                                      "KELMOR_TEST_ELEVATED_GRACE_MS": "1500"})
    assert result.code == 401
    assert pid_of(HANG_LINE) == pid_of("Installer process id: ")
    assert pid_of("Start installer as admin") != pid_of("Installer process id: ")
    assert not installer.log_has("unexpectedly synced")
    texts = installer.log_texts()
    assert texts.index(next(t for t in texts if HANG_LINE[len("ERROR: "):] in t)) < \
        texts.index(next(t for t in texts if "Installer exit with code: 401" in t))
    # Terminated: no installer of this test is left.
    assert w.wait_for(lambda: not w.owned_installer_processes(), 30), w.owned_installer_processes()


def test_an_instance_that_ends_in_time_is_not_terminated(stand):
    stand.fault(r"/browser/.*\.arc", status=500)
    result = run_elevated(stand, env={"KELMOR_TEST_ELEVATED_GRACE_MS": "20000"})
    assert result.code == 401
    assert installer.log_has("Installer started as admin has been unexpectedly synced, wr=1")
    assert not installer.log_has(HANG_LINE)


def test_the_instance_gives_up_with_wr_2_when_its_parent_dies(stand):
    stand.settings["setup_archive"] = (ARCHIVES / "good.arc").read_bytes()
    # The parent is held in the archive download while it is ended.
    stand.fault(r"/browser/.*\.arc", hang=True)
    outcome = {}
    parent_run = threading.Thread(
        target=lambda: outcome.update(result=installer.run(["--silent", UAC], env=FAST, timeout=200)),
        daemon=True)
    parent_run.start()
    assert w.wait_for(lambda: stand.requests(r"/browser/.*\.arc", settle=0), 90)
    assert w.wait_for(lambda: lines_with("Start installer as admin"), 30)
    processes = w.owned_installer_processes()
    parents = [pid for pid, line in processes.items() if "run-as-admin" not in line]
    instances = [pid for pid, line in processes.items() if "run-as-admin" in line]
    assert len(parents) == 1 and len(instances) == 1, processes
    os.kill(parents[0], signal.SIGKILL)

    assert w.wait_for(lambda: instances[0] not in w.owned_installer_processes(), 60)
    parent_run.join(60)
    assert installer.log_has(
        "ERROR: Installer started as admin has been unexpectedly synced, wr=2 (ExecuteAsAdmin:")
    assert pid_of("unexpectedly synced, wr=2") == pid_of("Start installer as admin")
    assert not installer.log_has("Run: ")
    assert not (w.temp_dir() / "fake_setup_report.json").exists()
    # The stand still holds the parent's archive request: the parent died
    # inside the download, before any release.
    archive = stand.requests(r"/browser/.*\.arc", settle=0)
    assert archive and all(r.get("hang") for r in archive), archive
