"""The service stand itself (no Wine): Range, fault rules, the crash host's
decoding, the record, the bounds on where and how long it listens."""
import gzip
import http.client
import json
import pathlib
import subprocess
import sys
import time
import types

import pytest

import stand as service_stand
from stand import GeneratedBody, Stand


@pytest.fixture
def local(tmp_path):
    with Stand(port=0, record_path=tmp_path / "record.jsonl", lifetime=120) as s:
        yield s


def get(s, path, headers=None, method="GET", body=None):
    conn = http.client.HTTPConnection("127.0.0.1", s.port, timeout=10)
    conn.request(method, path, body=body, headers=headers or {})
    resp = conn.getresponse()
    data = resp.read()
    conn.close()
    return resp, data


def test_listens_only_on_loopback_and_stops_by_itself():
    s = Stand(port=0, lifetime=0.5).start()
    assert s._server.server_address[0] == "127.0.0.1"
    assert s.stopping.wait(30)


def test_ranges(local):
    full = GeneratedBody(5000, 3).read(0, 5000)
    resp, data = get(local, "/gen/5000/3", {"Range": "bytes=1000-"})
    assert resp.status == 206 and resp.headers["Content-Range"] == "bytes 1000-4999/5000"
    assert data == full[1000:]
    resp, data = get(local, "/gen/5000/3", {"Range": "bytes=10-19"})
    assert resp.status == 206 and data == full[10:20]
    resp, _ = get(local, "/gen/5000/3", {"Range": "bytes=6000-"})
    assert resp.status == 416 and resp.headers["Content-Range"] == "bytes */5000"
    local.fault("/gen/.*", ignore_range=True, times=1)
    resp, data = get(local, "/gen/5000/3", {"Range": "bytes=1000-"})
    assert resp.status == 200 and data == full
    resp, _ = get(local, "/gen/5000/3", {"Range": "bytes=1000-"})
    assert resp.status == 206  # the rule retired after one use


def test_fault_rules(local):
    local.fault("/gen/100/1", status=503)
    resp, _ = get(local, "/gen/100/1")
    assert resp.status == 503
    local.fault("/gen/100/2", omit_headers=["Content-Length"], headers={"X-Extra": "1"})
    resp, data = get(local, "/gen/100/2")
    assert resp.getheader("Content-Length") is None and resp.getheader("X-Extra") == "1"
    assert len(data) == 100
    local.fault("/gen/100/3", drop_after=10)
    with pytest.raises(http.client.IncompleteRead):
        get(local, "/gen/100/3")
    local.redirect_chain("/a", ["/b", "/gen/10/4"])
    resp, _ = get(local, "/a")
    assert resp.status == 302 and resp.headers["Location"] == local.base_url + "/b"
    recs = local.requests("/gen/100/3")
    assert recs[0]["dropped_at"] == 10 and recs[0]["bytes_sent"] == 10


def test_crash_host_decodes_chunked_gzip_multipart(local):
    body = (b"--BOUNDARY\r\nContent-Disposition: form-data; name=\"prod\"\r\n\r\nKelmor\r\n"
            b"--BOUNDARY\r\nContent-Disposition: form-data; name=\"upload_file_minidump\"; filename=\"a.dmp\"\r\n"
            b"Content-Type: application/octet-stream\r\n\r\nMDMP\x00\x01\x02\r\n--BOUNDARY--\r\n")
    packed = gzip.compress(body)
    chunked = b"".join(b"%x\r\n%s\r\n" % (len(packed[i:i + 7]), packed[i:i + 7]) for i in range(0, len(packed), 7))
    chunked += b"0\r\n\r\n"
    conn = http.client.HTTPConnection("127.0.0.1", local.port, timeout=10)
    conn.putrequest("POST", "/submit?product=Kelmor&version=1.2&guid=abc")
    conn.putheader("Content-Type", "multipart/form-data; boundary=BOUNDARY")
    conn.putheader("Content-Encoding", "gzip")
    conn.putheader("Transfer-Encoding", "chunked")
    conn.putheader("Content-Length", "")  # as WinHTTP under Wine sends it
    conn.endheaders()
    conn.send(chunked)
    resp = conn.getresponse()
    resp.read()
    assert resp.status == 200
    (rec,) = local.requests("/submit")
    assert rec["chunked"] is True and rec["gzip"] is True
    assert rec["keys"] == {"product": "Kelmor", "version": "1.2", "guid": "abc"}
    assert rec["form"]["prod"]["value"] == "Kelmor"
    assert rec["form"]["upload_file_minidump"]["filename"] == "a.dmp"
    assert rec["form"]["upload_file_minidump"]["size"] == 7
    resp, _ = get(local, "/submit", method="POST", body=b"not multipart", headers={"Content-Type": "text/plain"})
    assert resp.status == 400


def test_seed_headers_and_statistics_events(local):
    resp, data = get(local, "/content/get/experiments/browser.proto?brand=b&partner=p&uid=u&version=1")
    assert resp.status == 200 and resp.headers["X-Seed-Signature"] and resp.headers["X-Country"] == "ru"
    get(local, "/installstats/send/dtype=stred/pid=457/cid=72992/path=extended_stat/vars=-brand_id=unknown,-k=a%20b/*")
    (rec,) = local.requests("/installstats/")
    assert rec["stat"]["cid"] == "72992" and rec["stat"]["path"] == "extended_stat"
    assert rec["stat"]["vars"] == [["brand_id", "unknown"], ["k", "a b"]] and rec["stat"]["terminated"]


def test_record_file_holds_every_request_in_order(local):
    for i in range(3):
        get(local, f"/gen/10/{i}")
    local.stop()
    lines = Stand.read_record(local.record_path)
    assert [r["path"] for r in lines] == ["/gen/10/0", "/gen/10/1", "/gen/10/2"]
    assert all({"method", "query", "headers", "body_sha256", "bytes_sent", "status"} <= set(r) for r in lines)


def test_host_modules_are_discovered_and_others_can_be_added():
    names = [m.__name__.rsplit(".", 1)[1] for m in service_stand.discover_host_modules()]
    assert {"download", "api", "stats", "crash"} <= set(names)
    extra = types.SimpleNamespace(register=lambda st: st.route("GET", r"/extra/.*", lambda ex: ex.send_text("hi")))
    with Stand(port=0, lifetime=60, hosts=service_stand.discover_host_modules() + [extra]) as s:
        resp, data = get(s, "/extra/x")
        assert data == b"hi"


def test_command_line_start(tmp_path):
    record = tmp_path / "cli.jsonl"
    out = tmp_path / "out.txt"
    with open(out, "w") as f:
        proc = subprocess.Popen([sys.executable, str(pathlib.Path(service_stand.__file__).parent), "--port", "0",
                                 "--lifetime", "20", "--record", str(record)], stdout=f, stderr=subprocess.STDOUT)
    try:
        deadline = time.monotonic() + 20
        while "listening on" not in out.read_text() and time.monotonic() < deadline:
            time.sleep(0.05)
        port = int(out.read_text().split("localhost:")[1].split()[0])
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        conn.request("POST", "/_stand/faults", body=json.dumps({"path": "/gen/.*", "status": 404}))
        assert conn.getresponse().read() == b"ok\n"
        conn.request("GET", "/gen/5")
        assert conn.getresponse().status == 404
        conn.close()
    finally:
        proc.terminate()
        proc.wait(30)
    assert [r["path"] for r in Stand.read_record(record)] == ["/_stand/faults", "/gen/5"]
