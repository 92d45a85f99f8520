"""Installation statistics under Wine against the stand: the event URLs, the
order the stand sees them in, the parameters left for setup in the
registry, "launched", and the summary request."""
import pytest

import download_tool as tool
import kelmor_wine as w

KEY = r"HKCU\Software\Kelmor\KelmorBrowser"


@pytest.fixture(autouse=True)
def clean_registry():
    for name in ("install_stat", "InstallerSuccessLaunchCmdLine", "kpv", "pv"):
        w.reg_delete_value(KEY, name)
    yield
    for name in ("install_stat", "InstallerSuccessLaunchCmdLine", "kpv", "pv"):
        w.reg_delete_value(KEY, name)


def run_script(lines, **kwargs):
    path, win = tool.win_path("stats_script.txt")
    path.write_text("\n".join("\t".join(str(x) for x in line) for line in lines) + "\n", encoding="utf-8")
    return tool.run("stats", win, **kwargs)


def events(stand):
    return [r for r in stand.requests("^/installstats/")]


def vars_of(record):
    return dict(record["stat"]["vars"])


def test_event_urls_carry_the_path_and_the_escaped_list(stand):
    run = run_script([
        ["new", 0, "", "{0A1B-2C3D}"],
        ["param", 1, "part-ner=x,y"],
        ["event", "action=custom", "odd-key=a b/c?d#e", "partner_id=from event"],
        ["flush", 20000],
    ])
    assert run.code == 0 and run["flushed"] is True
    (rec,) = events(stand)
    assert rec["path"].startswith("/installstats/send/dtype=stred/pid=457/cid=72992/path=extended_stat/vars=-")
    assert rec["path"].endswith("/*") and rec["query"] == ""
    v = vars_of(rec)
    assert v["brand_id"] == "unknown"  # no brand set
    assert v["old_style"] == "0"
    assert v["partner_id"] == "part_ner_x_y"  # the persistent parameter wins over the event's
    assert v["odd_key"] == "a b/c?d#e"  # escaped on the wire, whole after unescaping
    assert v["ui"] == "0A1B_2C3D"
    assert v["installer_type"] == "lite" and v["launched"] == "false"
    assert list(v) == sorted(v)
    # The raw list: "-" "=" "," inside values never reach the wire.
    raw = rec["path"].split("/vars=")[1][:-2]
    assert all(entry.count("=") == 1 and entry.startswith("-") for entry in raw.split(","))
    assert run.log_has("INFO: InstallStatSender::Send:")


def test_the_stand_records_a_run_of_events_in_order(stand):
    run = run_script([
        ["new", 0, "", "{U}"],
        ["param", 0, "brand1"],
        ["started", 125, 1600, 1000],
        ["download_started"],
        ["attempt", 0, "internet_read-12002", 1, 5000, 10000, "http://h/a.arc?from_installer=true",
         "http://mirror.example/a.arc", 1, 0],
        ["attempt_error", 1, "internet_read-12002"],
        ["attempt", 1, "", 2, 10000, 10000, "http://h/a.arc?from_installer=true", "", 0, 0],
        ["attempt", 1, "", 3, 10000, 10000, "http://h/a.arc", "", 0, 1],  # cancelled: not sent
        ["download_finished", 1, 42500000],
        ["button", 1, 1],
        ["clicked_link", "license"],
        ["lock_error"],
        ["verification_error"],
        ["setup_launched", 0],
        ["setup_exited", 1, 0, 7, 3000000],
        ["chosen_checkbox", "default"],
        ["flush", 30000],
    ])
    assert run.code == 0 and run["flushed"] is True
    recs = events(stand)
    got = [(vars_of(r).get("action"), vars_of(r).get("stage") or vars_of(r).get("status")
            or vars_of(r).get("clicked_link") or vars_of(r).get("chosen_checkbox")) for r in recs]
    assert got == [
        ("installer_started", None), ("download", "started"), ("download_attempt", "failed"),
        ("download", "error"), ("download_attempt", "success"), ("download", "finished"),
        ("install_browser_button_clicked", None), (None, "license"), ("setup_arc_lock", "error"),
        ("verification", "error"), ("setup", "setup_exe_launched"), ("setup", "setup_exe_exited"),
        (None, "default"),
    ]
    v = [vars_of(r) for r in recs]
    assert all(x["brand_id"] == "brand1" for x in v)
    assert v[0]["dpi"] == "125" and v[0]["resolution"] == "1600x1000"
    assert v[2]["error"] == "internet_read_12002" and v[2]["redirect"] == "mirror.example"
    assert v[2]["x64"] == "1" and v[2]["downloaded_size"] == "5000" and v[2]["total_size"] == "10000"
    assert v[3]["error"] == "attempt_1_internet_read_12002"
    assert v[5]["download_time"] == "42"
    assert v[6]["checkbox_default"] == "1" and v[6]["checkbox_sendstat"] == "1"
    assert recs[7]["stat"]["cid"] == "72696" and recs[7]["stat"]["path"] == "rorodaviz_reinstall_dialog"
    assert v[7]["dialog_window"] == "liteinstall"
    assert recs[8]["stat"]["cid"] == "72992"
    assert v[10]["uac"] in ("100", "0")
    assert v[11]["error"] == "7" and v[11]["setup_time"] == "3"
    assert all(r["headers"]["User-Agent"] == "Kelmor.Browser installer" for r in recs)


def test_parameters_are_left_for_setup_and_removed_at_the_end(stand):
    w.reg_add(KEY, "install_stat", "stale_key\nstale value\nbrand_id\nold brand\n")
    w.reg_add(KEY, "kpv", "1.2.3.4")
    run = run_script([
        ["new", 0, "stale_key\\nstale value\\nbrand_id\\nold brand\\n", "{U}"],
        ["param", 7, "normal"],
        ["get", 6],
        ["save"],
        ["sleep", 10],
    ])
    assert run.code == 0 and run["saved"] is True
    assert run["gets"] == {"6": "1.2.3.4"}  # old_ver from "kpv"
    # Saved while the sender lived, removed when it was destroyed.
    assert ("Stored HKEY_CURRENT_USER\\Software\\Kelmor\\KelmorBrowser\\install_stat = "
            "brand_id\nold brand\ninstall_type\nnormal\n" in "\n".join(run.log_lines))
    assert w.reg_query(KEY, "install_stat") is None
    texts = "\n".join(run.log_lines)
    for pair in ("stale_key\nstale value\n", "old_ver\n1.2.3.4\n", "launched\nfalse\n", "ui\nU\n"):
        assert pair in texts


def test_launched_is_true_while_the_setup_event_exists(stand):
    w.reg_add(KEY, "InstallerSuccessLaunchCmdLine", '"C:\\Kelmor\\Setup.exe"')
    run = run_script([
        ["hold_event", "Global\\c:!kelmor!setup.exe"],
        ["new", 0, "", "{U}"],
        ["event", "action=probe"],
        ["flush", 20000],
    ])
    assert vars_of(events(stand)[0])["launched"] == "true"
    stand.reset()
    w.reg_add(KEY, "InstallerSuccessLaunchCmdLine", "ab")  # two characters
    run = run_script([["hold_event", "Global\\ab"], ["new", 0, "", "{U}"], ["event", "action=probe"],
                      ["flush", 20000]])
    assert run.code == 0
    assert vars_of(events(stand)[0])["launched"] == "false"


def test_summary_request_reaches_the_statistics_host(stand):
    run = run_script([
        ["new", 0, "", "{AB-CD}"],
        ["finished", 1, 0, 95700000, 40200000, 0],
    ])
    assert run["finished_result"] is True
    (rec,) = stand.requests("^/get/browser/install")
    assert rec["query"] == "ui=AB-CD&result=success&time=95&download_time=40"
    assert rec["headers"]["User-Agent"] == "Kelmor.Browser lite installer"
    assert run.log_has("INFO: Attempt to download module: " + stand.base_url + "/get/browser/install?ui=AB-CD")


def test_summary_failure_is_logged_with_the_error_code(stand):
    stand.fault("/get/browser/install", status=500)
    run = run_script([["new", 0, "", "{U}"], ["finished", 0, 1, 1000000, 0, 0]])
    assert run["finished_result"] is False
    (rec,) = stand.requests("^/get/browser/install")
    assert rec["query"] == "ui=U&result=cancelled&time=1"
    assert run.log_has("WARNING: Cannot report installation status: final_query_info-500-")
    assert run.log_has("(ReportInstallationFinished:")
