"""The remote configuration tasks under Wine against the stand, driven by
the remote_tasks test program (the tasks as the controller starts them):
which tasks the distribution parameters queue, the requests they make, the
four-key seed files, the failures they log, and destruction while a
download crawls."""
import base64
import hashlib
import json
import re
import time

import pytest

import kelmor_wine as w

EXE = w.BIN / "remote_tasks.exe"
SEED_KEYS = {"variations_seed_base64", "variations_seed_signature", "variations_last_modified_time",
             "variations_country"}
VARIATIONS = "/content/get/experiments/browser.proto"
ABT = "/ab/get"


class TasksRun:
    def __init__(self, result, report, log_lines):
        self.result = result
        self.report = report or {}
        self.log_lines = log_lines

    def __getitem__(self, key):
        return self.report[key]

    def log_has(self, fragment):
        return any(fragment in line for line in self.log_lines)

    def seed(self, field):
        state = self.report["before_destruction"][field]
        assert state["exists"], (field, self.report)
        return json.loads(state["text"])


def run_tasks(*args, release_file=None, started_file=None, timeout=120):
    temp = w.temp_dir()
    temp.mkdir(parents=True, exist_ok=True)
    report = temp / "remote_tasks_report.json"
    log = temp / "remote_tasks.log"
    report.unlink(missing_ok=True)
    log.unlink(missing_ok=True)
    args = [str(a) for a in args] + ["--report", w.to_windows(report), "--log", w.to_windows(log)]
    if release_file:
        args += ["--release-file", w.to_windows(release_file), "--started-file", w.to_windows(started_file)]
    # The program takes "--name=value".
    argv = []
    for a in args:
        if argv and argv[-1].startswith("--") and "=" not in argv[-1] and not a.startswith("--"):
            argv[-1] += "=" + a
        else:
            argv.append(a)
    result = w.run(EXE, argv, timeout=timeout)
    assert not result.timed_out, "remote_tasks did not end"
    assert result.code == 0, result
    data = json.loads(report.read_text(encoding="utf-8")) if report.exists() else None
    lines = log.read_bytes().decode("utf-8", "replace").split("\n") if log.exists() else []
    return TasksRun(result, data, lines)


def seed_requests(stand, path):
    return [r for r in stand.requests() if r["path"] == path]


@pytest.fixture
def seeds(stand):
    stand.settings["variations_seed_body"] = b"VARIATIONS\x00\xff\x10 seed from the stand"
    stand.settings["abt_seed_body"] = b"ABT\x01\x02 seed from the stand!"
    return stand


def test_without_parameters_both_seeds_are_fetched_and_saved_as_four_key_json(seeds):
    run = run_tasks("--brand-id", "ru", "--partner-id", "p42")
    assert run["task_count"] == 2 and run["finished"] is True
    assert run["webntp_path"] == run["server_config_path"] == run["wallpapers_path"] == ""
    for field, body in (("variations_path", seeds.settings["variations_seed_body"]),
                        ("abt_path", seeds.settings["abt_seed_body"])):
        saved = run.seed(field)
        assert set(saved) == SEED_KEYS
        assert base64.b64decode(saved["variations_seed_base64"], validate=True) == body
        assert saved["variations_seed_signature"] == seeds.settings["seed_signature"]
        assert saved["variations_last_modified_time"] == seeds.settings["seed_last_modified"]
        assert saved["variations_country"] == seeds.settings["seed_country"]
        assert run.log_has(f"INFO: Variations are saved in {run[field]} (DownloadAndSaveVariations:")
    # The files are the installer's: gone once the tasks are destroyed.
    assert not run["after_destruction"]["variations_path"]["exists"]
    assert not run["after_destruction"]["abt_path"]["exists"]

    for path in (VARIATIONS, ABT):
        (req,) = seed_requests(seeds, path)
        m = re.fullmatch(r"brand=ru&partner=p42&uid=([0-9A-Fa-f-]{36})&version=23\.11\.3\.935", req["query"])
        assert m, req["query"]
        assert req["headers"]["User-Agent"] == "Kelmor.Browser lite installer"
    assert [r["path"] for r in seeds.requests()] == [VARIATIONS, ABT]  # in table order

    line = run["setup_command_line"]
    assert f'--variations-update-path={run["variations_path"]}' in line.replace('"', "")
    assert f'--abt-update-path={run["abt_path"]}' in line.replace('"', "")
    assert "server-config-bundle-path" not in line


def test_vup_0_queues_no_variations_task(seeds):
    run = run_tasks("--distr", "vup=0")
    assert run["task_count"] == 1
    assert run["variations_path"] == ""
    assert run.seed("abt_path")["variations_seed_base64"]
    assert [r["path"] for r in seeds.requests()] == [ABT]
    assert "variations-update-path" not in run["setup_command_line"]


def test_server_config_with_empty_brand_and_partner_has_no_query(stand):
    run = run_tasks("--brand-id=", "--partner-id=", "--distr", "vup=0&abtup=0&scup=1")
    assert run["task_count"] == 1
    (req,) = stand.requests("/configs/")
    assert req["path"] == "/configs/all_zip"
    assert req["query"] == "" and req["target"] == "/configs/all_zip"
    state = run["before_destruction"]["server_config_path"]
    assert state["exists"] and state["sha256"] == hashlib.sha256(stand.settings["config_zip"]).hexdigest()
    assert not run["after_destruction"]["server_config_path"]["exists"]
    assert "--server-config-bundle-path=" in run["setup_command_line"]


def test_server_config_query_carries_both_ids(stand):
    run_tasks("--brand-id", "ru", "--partner-id", "p42", "--distr", "vup=0&abtup=0&scup=1")
    (req,) = stand.requests("/configs/")
    assert req["query"] == "brandID=ru&partnerID=p42"


def test_seed_without_signature_writes_nothing_and_logs_the_line(seeds):
    seeds.settings["seed_signature"] = None
    run = run_tasks("--distr", "abtup=0")
    assert len(seed_requests(seeds, VARIATIONS)) == 1
    assert run["variations_path"] != ""
    assert not run["before_destruction"]["variations_path"]["exists"]
    assert run.log_has("ERROR: Failed to get variations seed signature (DownloadAndSaveVariations:")
    assert not run.log_has("Variations are saved")
    # Setup is handed the path anyway.
    assert "--variations-update-path=" in run["setup_command_line"]


def test_variations_url_with_a_query_gets_the_parameters_after_an_ampersand(seeds):
    url = seeds.base_url + VARIATIONS + "?channel=beta"
    run = run_tasks("--variations-url", url, "--brand-id", "ua", "--partner-id=", "--distr", "abtup=0")
    (req,) = seed_requests(seeds, VARIATIONS)
    assert re.fullmatch(r"channel=beta&brand=ua&uid=[0-9A-Fa-f-]{36}&version=23\.11\.3\.935", req["query"])
    assert run.seed("variations_path")["variations_seed_signature"]


def test_failed_seed_download_is_logged_with_the_error_code(seeds):
    seeds.fault(re.escape(ABT), status=503)
    run = run_tasks("--distr", "vup=0")
    assert run.log_has("ERROR: Failed to download variations seed: final_query_info-503-0 "
                       "(DownloadAndSaveVariations:")
    assert not run["before_destruction"]["abt_path"]["exists"]


def test_wallpaper_bundle_url_is_the_brand_url_and_the_pwexp_value_and_the_file_is_left_to_setup(stand):
    stand.settings["wallpapers"] = b"PK\x03\x04 wallpapers" + bytes(range(256)) * 40
    run = run_tasks("--wallpapers-url", stand.base_url + "/wallpapers/set-", "--distr",
                    "vup=0&abtup=0&pwexp=autumn7")
    (req,) = stand.requests("/wallpapers/")
    assert req["path"] == "/wallpapers/set-autumn7"
    after = run["after_destruction"]["wallpapers_path"]
    assert after["exists"] and after["sha256"] == hashlib.sha256(stand.settings["wallpapers"]).hexdigest()
    assert "--preloaded-wallpaper-bundle-path=" in run["setup_command_line"]
    w.to_unix(run["wallpapers_path"]).unlink()


def test_failed_bundles_are_logged_under_the_file_name_tag(stand):
    stand.fault("/configs/all_zip", status=404)
    stand.fault("/wallpapers/.*", status=500)
    run = run_tasks("--wallpapers-url", stand.base_url + "/wallpapers/", "--distr",
                    "vup=0&abtup=0&scup=1&pwexp=x")
    assert run.log_has("ERROR: Failed to download server config bundle: final_query_info-404-0 "
                       "(async_install_tasks:")
    assert run.log_has("ERROR: Failed to download wallpaper bundle: final_query_info-500-0 "
                       "(async_install_tasks:")
    assert not run["after_destruction"]["server_config_path"]["exists"]
    assert not run["after_destruction"]["wallpapers_path"]["exists"]


def temp_leftovers():
    return sorted(p.name for p in w.temp_dir().glob("dl*.tmp"))


@pytest.mark.parametrize("what", ["seed", "bundle"])
def test_closing_while_a_download_crawls_ends_the_worker_and_leaves_no_files(stand, what):
    size = 300000
    if what == "seed":
        stand.settings["variations_seed_body"] = bytes(range(256)) * (size // 256)
        path, distr, field = VARIATIONS, "abtup=0", "variations_path"
    else:
        stand.settings["config_zip"] = bytes(range(256)) * (size // 256)
        path, distr, field = "/configs/all_zip", "vup=0&abtup=0&scup=1", "server_config_path"
    # About 100 bytes a second: the whole body would take most of an hour.
    stand.fault(re.escape(path), throttle=100)
    before = temp_leftovers()
    started = w.temp_dir() / "remote_tasks_started"
    release = w.temp_dir() / "remote_tasks_release"
    for f in (started, release):
        f.unlink(missing_ok=True)

    import threading

    def release_when_crawling():
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            found = [r for r in stand.requests(settle=0) if r["path"] == path and r["bytes_sent"] >= 0]
            if found and started.exists():
                time.sleep(1.0)  # a few hundred bytes in
                break
            time.sleep(0.05)
        release.write_text("go")

    helper = threading.Thread(target=release_when_crawling, daemon=True)
    helper.start()
    run = run_tasks("--distr", distr, release_file=release, started_file=started, timeout=90)
    helper.join(5)
    assert run["released"] is True
    assert run["finished_before_release"] is False
    assert not run["after_destruction"][field]["exists"]
    assert not run["before_destruction"][field]["exists"]  # nothing complete was ever written
    assert temp_leftovers() == before

    (req,) = [r for r in stand.requests(settle=10) if r["path"] == path]
    assert req["done"] and req["bytes_sent"] < size  # the client went away mid-body
    if what == "seed":
        assert run.log_has("ERROR: Failed to download variations seed: internet_read-12017")
    else:
        assert run.log_has("ERROR: Failed to download server config bundle: internet_read-12017")


def test_a_redirected_seed_is_followed_and_saved_with_the_final_answers_headers(seeds):
    seeds.redirect_chain("/moved/seed", ["/moved/again", VARIATIONS])
    run = run_tasks("--variations-url", seeds.base_url + "/moved/seed", "--distr", "abtup=0")
    saved = run.seed("variations_path")
    assert base64.b64decode(saved["variations_seed_base64"]) == seeds.settings["variations_seed_body"]
    assert saved["variations_seed_signature"] == seeds.settings["seed_signature"]
    assert [r["path"] for r in seeds.requests()] == ["/moved/seed", "/moved/again", VARIATIONS]
    assert seeds.requests("/moved/seed")[0]["query"].startswith("brand=")


def test_a_redirect_loop_ends_as_a_failed_download(seeds):
    seeds.fault("/loop", redirect="/loop")
    run = run_tasks("--variations-url", seeds.base_url + "/loop", "--distr", "abtup=0")
    assert run.log_has("ERROR: Failed to download variations seed: internet_open_url-12156")
    assert len(seeds.requests("/loop")) == 11  # the first request and ten redirects
    assert not run["before_destruction"]["variations_path"]["exists"]


def test_a_seed_cut_short_is_not_saved(seeds):
    seeds.settings["variations_seed_body"] = bytes(range(256)) * 200
    seeds.fault(re.escape(VARIATIONS), drop_after=10000)
    run = run_tasks("--distr", "abtup=0")
    assert run.log_has("ERROR: Failed to download variations seed: internet_read-")
    assert not run["before_destruction"]["variations_path"]["exists"]
