"""Crash capture and report upload of the real installer under Wine: a
crash requested through the test build's hook leaves a minidump whose
information stream holds the report parameters and crash keys, and the
dump is uploaded to the crash-report host as one chunked, gzip-encoded
multipart POST."""
import getpass
import re
import uuid

import pytest

import crash_receiver
import installer
import kelmor_wine as w
import minidump

ACCESS_VIOLATION = 0xC0000005
REPORT_ID = "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"
ZERO_UID = "00000000-0000-0000-0000-000000000000"
BUILT_IN = {"uid", "report_id", "ver", "plat", "prod", "gzip_enabled", "ptype"}


def stand_port():
    cache = w.BUILD / "CMakeCache.txt"
    for line in cache.read_text(errors="replace").splitlines():
        if line.startswith("KELMOR_STAND_PORT:"):
            return int(line.split("=", 1)[1])
    return 18080


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


@pytest.fixture
def host():
    with crash_receiver.CrashReceiver(stand_port()) as receiver:
        yield receiver


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


def test_crash_uploads_one_gzip_multipart_post_and_deletes_the_dump(host):
    result = crash()
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert installer.log_has("Crashing on request: access-violation")

    assert len(host.requests) == 1
    request = host.requests[0]
    assert request.path == "/submit"
    assert request.query == {"product": ["Kelmor"], "version": ["23.11.3.935"]}
    assert request.chunked and request.complete
    assert request.header("Content-Encoding") == "gzip"
    assert re.fullmatch(r"multipart/form-data; boundary=---MultipartBoundary-[0-9A-Za-z]{32}---",
                        request.header("Content-Type"))
    assert request.header("User-Agent").startswith("Crashpad/0.8.0 WinHTTP/")

    form = request.form()
    files = request.files()
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
    assert info["report_id"] == REPORT_ID
    assert info["client_id"] == annotations["uid"]
    assert [k for k, _ in info["annotations"]] == sorted(annotations)
    assert dumps() == []


def test_host_answering_500_keeps_the_dump_it_was_sent(host):
    host.status = 500
    result = crash()
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert installer.log_has("ERROR: HTTP status 500 (ExecuteSynchronously:")
    [dump] = dumps()
    assert dump.name == REPORT_ID + ".dmp"
    check_annotations(minidump.annotations(dump), uid=user_id_text())
    # What the host got is the file that stayed behind, byte for byte.
    assert len(host.requests) == 1
    assert host.requests[0].files()["upload_file_minidump"]["data"] == dump.read_bytes()


def test_dump_reader_prints_the_annotations(host):
    host.status = 500
    crash()
    [dump] = dumps()
    out = w.SOURCE / "tests/harness/minidump.py"
    import subprocess
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
    [request] = host.requests
    assert request.form()["uid"] == ZERO_UID
    assert request.files()["upload_file_minidump"]["filename"] == ZERO_UID + ".dmp"
    info = minidump.read_information(request.files()["upload_file_minidump"]["data"])
    assert info["client_id"] == ZERO_UID
    # The lines of the handler's set-up follow the start line.
    texts = installer.log_texts()
    assert texts[0].startswith("INFO: -------------------------------------- Start install.")


def test_an_existing_dump_file_stops_the_dump_and_the_upload(host):
    existing = w.temp_dir() / (REPORT_ID + ".dmp")
    existing.write_bytes(b"not ours")
    result = crash()
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    assert host.requests == []
    assert existing.read_bytes() == b"not ours"
    assert dumps() == [existing]


def test_a_crash_on_another_thread_is_reported_too(host):
    result = crash(kind="thread", report_id=None)
    assert result.code & 0xFFFFFFFF == ACCESS_VIOLATION
    [request] = host.requests
    annotations = dict(minidump.read_information(request.files()["upload_file_minidump"]["data"])["annotations"])
    assert annotations["ptype"] == "installer"
    assert uuid.UUID(annotations["report_id"])
    assert dumps() == []


def test_a_run_without_a_crash_writes_no_dump(host):
    result = installer.run(["--silent"])
    assert not result.timed_out
    assert result.code & 0xFFFFFFFF != ACCESS_VIOLATION
    assert dumps() == []
    assert host.requests == []
