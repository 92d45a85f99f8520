"""Crash capture and report upload of the real installer under Wine: a
crash requested through the test build's hook leaves a minidump whose
information stream holds the report parameters and crash keys, and the
dump is uploaded to the crash-report host as one chunked, gzip-encoded
multipart POST."""
import getpass
import gzip
import re
import subprocess
import uuid

import pytest

import installer
import kelmor_wine as w
import minidump

ACCESS_VIOLATION = 0xC0000005
REPORT_ID = "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"
ZERO_UID = "00000000-0000-0000-0000-000000000000"
BUILT_IN = {"uid", "report_id", "ver", "plat", "prod", "gzip_enabled", "ptype"}


@pytest.fixture(scope="module", autouse=True)
def crashes_end_quietly():
    """A crashing GUI program must end instead of asking whether to debug it
    (prefixes made before the harness set this had Auto 0)."""
    w.ensure_prefix()
    for view in (32, 64):
        w.reg_add(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug", "Auto", "1", view=view)


@pytest.fixture(autouse=True)
def fresh(crashes_end_quietly):
    installer.clean()
    yield


class CrashHost:
    """What the stand's crash-report host received: the record of each
    POST to /submit and the decoded upload (query parameters and parts)."""

    def __init__(self, stand):
        self.stand = stand

    def records(self):
        return self.stand.requests("^/submit$")

    def uploads(self):
        return self.stand.settings["crash_uploads"]

    def fail_with(self, status):
        """Decode every upload as the host does, then answer `status`."""
        from stand.hosts import crash as crash_host

        def submit(ex):
            body = ex.body
            if "gzip" in (ex.header("Content-Encoding") or "").lower():
                body = gzip.decompress(body)
            self.uploads().append({"params": dict(ex.params),
                                   "parts": crash_host.parse_multipart(ex.header("Content-Type"), body)})
            ex.send_text("failing on purpose\n", status)

        self.stand.route("POST", r"/submit", submit)


def form_of(upload):
    return {p["name"]: p["data"].decode("utf-8") for p in upload["parts"] if p["filename"] is None}


def files_of(upload):
    return {p["name"]: p for p in upload["parts"] if p["filename"] is not None}


@pytest.fixture
def host(stand):
    return CrashHost(stand)


def crash(kind="access-violation", report_id=REPORT_ID, args=("--silent",)):
    env = {"KELMOR_TEST_CRASH": kind}
    if report_id:
        env["KELMOR_TEST_CRASH_REPORT_ID"] = report_id
    result = installer.run(list(args), env=env, timeout=180)
    assert not result.timed_out
    return result


def dumps():
    return sorted(w.temp_dir().glob("*.dmp"))


def user_id_text():
    path = w.appdata_dir() / "Kelmor" / "ui"
    return path.read_text().strip("{}") if path.exists() else None


def check_annotations(annotations, uid=None):
    assert BUILT_IN <= set(annotations), annotations
    assert annotations["report_id"] == REPORT_ID
    assert annotations["ver"] == "23.11.3.935"
    assert annotations["plat"] == "Win32"
    assert annotations["prod"] == "Kelmor"
    assert annotations["gzip_enabled"] == "true"
    assert annotations["ptype"] == "installer"
    if uid is not None:
        assert annotations["uid"] == uid
    assert re.fullmatch(r"[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}", annotations["uid"])


DISTRIBUTION = "--distr-info-params=partner_id=p42&lang=ru"


def check_crash_keys(annotations):
    """The keys the start-up sequence sets after the distribution and the
    brand record are built: every distribution parameter, the brand's id and
    name, and the interface language (here the distribution's "lang")."""
    assert annotations["partner_id"] == "p42"
    assert annotations["lang"] == "ru"
    assert annotations["default_language"] == "ru"
    assert annotations["brand_id"]
    assert annotations["brand_name"]
    assert set(annotations) == BUILT_IN | {"partner_id", "lang", "brand_id", "brand_name", "default_language"}


def test_crash_uploads_one_gzip_multipart_post_and_deletes_the_dump(host):
    result = crash(args=("--silent", DISTRIBUTION))
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert installer.log_has("Crashing on request: access-violation")

    [record] = host.records()
    assert record["method"] == "POST"
    assert record["query"] == "product=Kelmor&version=23.11.3.935"
    assert record["chunked"] and record["status"] == 200 and not record.get("bad_body")
    assert record.get("gzip") is True
    headers = record["headers"]
    assert headers["Content-Encoding"] == "gzip"
    assert headers["Transfer-Encoding"] == "chunked"
    assert re.fullmatch(r"multipart/form-data; boundary=---MultipartBoundary-[0-9A-Za-z]{32}---",
                        headers["Content-Type"])
    assert headers["User-Agent"].startswith("Crashpad/0.8.0 WinHTTP/")

    [upload] = host.uploads()
    form = form_of(upload)
    files = files_of(upload)
    assert set(files) == {"upload_file_minidump"}
    attachment = files["upload_file_minidump"]
    assert attachment["content_type"] == "application/octet-stream"
    assert attachment["filename"] == form["uid"] + ".dmp"

    # The attached dump, read through its stream directory, carries exactly
    # the report parameters that came as form fields.
    info = minidump.read_information(attachment["data"])
    annotations = dict(info["annotations"])
    assert annotations == form
    check_annotations(annotations, uid=user_id_text())
    check_crash_keys(annotations)
    assert info["report_id"] == REPORT_ID
    assert info["client_id"] == annotations["uid"]
    assert [k for k, _ in info["annotations"]] == sorted(annotations)
    assert dumps() == []


def test_host_answering_500_keeps_the_dump_it_was_sent(host):
    host.fail_with(500)
    result = crash(args=("--silent", DISTRIBUTION))
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert installer.log_has("ERROR: HTTP status 500 (ExecuteSynchronously:")
    [dump] = dumps()
    assert dump.name == REPORT_ID + ".dmp"
    check_annotations(minidump.annotations(dump), uid=user_id_text())
    check_crash_keys(minidump.annotations(dump))
    # What the host got is the file that stayed behind, byte for byte.
    [upload] = host.uploads()
    assert files_of(upload)["upload_file_minidump"]["data"] == dump.read_bytes()
    assert [r["status"] for r in host.records()] == [500]


@pytest.mark.parametrize("announced", [True, False])
def test_a_50_mib_answer_of_the_crash_host_is_refused_at_its_cap(host, announced):
    from stand import GeneratedBody

    def submit(ex):
        ex.note["service"] = "crash"
        ex.send(GeneratedBody(50 << 20, seed=5), content_type="text/plain", ranges=False)

    host.stand.route("POST", r"/submit", submit)
    if not announced:
        host.stand.fault("/submit", omit_headers=["Content-Length"])
    result = crash()
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    url = f"{host.stand.base_url}/submit?"
    tail = (": Content-Length 52428800 is above the cap of 65536 bytes (ReadResponse:" if announced
            else " bytes, above the cap of 65536 bytes (ReadResponse:")
    refusals = [line for line in installer.log_lines() if f"ERROR: Refused {url}" in line]
    # The installer sent the report once and refused its one answer.
    assert len(refusals) == 1 and tail in refusals[0], installer.log_lines()[-10:]
    # The host once recorded two POSTs of this run on a loaded machine while
    # the installer sent one; whatever repeated it, every answer must have
    # been cut at the cap.
    records = host.records()
    assert records, "the crash host got no report"
    for record in records:
        assert record["done"] and record["status"] == 200, records
        print(f"crash answer announced={announced}: bytes_sent {record['bytes_sent']}")
        if not announced:
            # Read up to the cap, then dropped: the rest never left the stand.
            assert record["bytes_sent"] < 16 << 20, record["bytes_sent"]
    # The answer did not confirm the report: the dump stays for a later try.
    [dump] = dumps()
    assert dump.name == REPORT_ID + ".dmp"


def upload_with_crash_upload_tool(host, name):
    """Sends a 1 MiB dump through SendReport in the crash_upload tool; its
    result and its peak working set (bytes)."""
    dump = w.temp_dir() / f"{name}.dmp"
    out = w.temp_dir() / f"{name}.txt"
    dump.write_bytes(bytes(range(256)) * 4096)
    out.unlink(missing_ok=True)
    run = w.run(w.BIN / "crash_upload.exe", [w.to_windows(out), w.to_windows(dump), host.stand.base_url,
                                            "uid=bounds", "prod=Kelmor", "ver=23.11.3.935"], timeout=120)
    assert not run.timed_out and out.exists(), run
    fields = dict(item.split("=") for item in out.read_text().split())
    dump.unlink(missing_ok=True)
    return fields["result"] == "1", int(fields["peak_working_set"])


def test_memory_stays_flat_while_a_50_mib_answer_is_refused(host):
    ordinary, ordinary_peak = upload_with_crash_upload_tool(host, "ordinary_answer")
    assert ordinary

    from stand import GeneratedBody

    def submit(ex):
        ex.send(GeneratedBody(50 << 20, seed=6), content_type="text/plain", ranges=False)

    host.stand.route("POST", r"/submit", submit)
    host.stand.fault("/submit", omit_headers=["Content-Length"])
    uploaded, peak = upload_with_crash_upload_tool(host, "endless_answer")
    assert not uploaded
    record = host.records()[-1]
    assert record["done"] and record["bytes_sent"] < 16 << 20, record["bytes_sent"]
    # Far below the 50 MiB that reading the answer whole would add.
    assert peak - ordinary_peak < 8 << 20, (peak, ordinary_peak)
    print(f"crash answer: peak {peak} ordinary {ordinary_peak} bytes_sent {record['bytes_sent']}")


def test_dump_reader_prints_the_annotations(host):
    host.fail_with(500)
    crash()
    [dump] = dumps()
    out = w.SOURCE / "tests/harness/minidump.py"
    printed = subprocess.run(["python3", str(out), str(dump)], capture_output=True, text=True, timeout=30)
    assert printed.returncode == 0
    lines = printed.stdout.splitlines()
    assert f"report_id={REPORT_ID}" in lines
    assert "ptype=installer" in lines
    assert lines == sorted(lines)


def test_missing_user_id_gives_the_zero_uid(host):
    # The id was created once (the marker says so) and its file is gone.
    marker = "UICreated_" + getpass.getuser()
    w.reg_add(r"HKCU\Software\AppDataLow\Kelmor", marker, 1, kind="REG_DWORD")
    w.reg_add(r"HKCU\Software\AppDataLow\Kelmor", marker, 1, kind="REG_DWORD", view=64)
    (w.appdata_dir() / "Kelmor" / "ui").unlink(missing_ok=True)
    try:
        crash()
    finally:
        w.reg_delete_key(r"HKCU\Software\AppDataLow\Kelmor")
        w.reg_delete_key(r"HKCU\Software\AppDataLow\Kelmor", view=64)
    assert installer.log_has("ERROR: uid not found, use empty (Impl:")
    [upload] = host.uploads()
    assert form_of(upload)["uid"] == ZERO_UID
    assert files_of(upload)["upload_file_minidump"]["filename"] == ZERO_UID + ".dmp"
    info = minidump.read_information(files_of(upload)["upload_file_minidump"]["data"])
    assert info["client_id"] == ZERO_UID
    # The lines of the handler's set-up follow the start line.
    texts = installer.log_texts()
    assert texts[0].startswith("INFO: -------------------------------------- Start install.")


def test_an_existing_dump_file_stops_the_dump_and_the_upload(host):
    existing = w.temp_dir() / (REPORT_ID + ".dmp")
    existing.write_bytes(b"not ours")
    result = crash()
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert host.records() == []
    assert existing.read_bytes() == b"not ours"
    assert dumps() == [existing]


def test_a_crash_on_another_thread_is_reported_too(host):
    result = crash(kind="thread", report_id=None)
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    [upload] = host.uploads()
    annotations = dict(minidump.read_information(files_of(upload)["upload_file_minidump"]["data"])["annotations"])
    assert annotations["ptype"] == "installer"
    assert uuid.UUID(annotations["report_id"])
    assert dumps() == []


def test_a_run_without_a_crash_writes_no_dump(host):
    result = installer.run(["--silent"])
    assert not result.timed_out
    assert result.code & 0xFFFFFFFF != ACCESS_VIOLATION
    assert dumps() == []
    assert host.records() == []
