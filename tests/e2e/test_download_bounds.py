"""The download client's bounds under Wine against the stand (download_tool):
a sink's cap on an announced and on an endless body, the whole-file driver
stopping at its cap, and lengths beyond the 32-bit byte counts, fresh and on
the resume road."""
import re

import download_tool as tool
from stand import GeneratedBody

MIB = 1 << 20
FIVE_GIB = 5 << 30
ENDLESS = 1 << 40
SOCKET_SLACK = 16 * MIB  # what the loopback buffers can hold beyond what was read



def only_record(stand, path):
    (record,) = stand.requests(path, settle=10)
    assert record["done"], record
    return record


def test_a_length_above_the_cap_is_refused_before_the_body(stand):
    url = stand.base_url + "/gen/2000000/1"
    run = tool.run("string", url, "--max-bytes", 1000000)
    assert run["result"] is False
    assert run["error"] == "body_too_large-1"
    assert run["body_size"] == len("untouched")
    assert run.log_has(f"WARNING: Refused {url}: Content-Length 2000000 is above the cap of 1000000 "
                       "bytes (Download:")


def test_a_body_without_length_stops_at_the_cap(stand):
    stand.fault("/gen/.*", omit_headers=["Content-Length"])
    url = stand.base_url + f"/gen/{ENDLESS}/2"
    run = tool.run("string", url, "--max-bytes", 3 * MIB)
    assert run["result"] is False
    assert run["error"] == "body_too_large-2"
    line = next(t for t in run.log_texts() if t.startswith(f"WARNING: Refused {url}: the body grew past"))
    assert f"bytes, above the cap of {3 * MIB} bytes (Download:" in line
    grown = int(re.search(r"grew past (\d+) bytes", line).group(1))
    assert 3 * MIB < grown <= 3 * MIB + 32768
    record = only_record(stand, "/gen/")
    assert 3 * MIB <= record["bytes_sent"] < 3 * MIB + SOCKET_SLACK, record["bytes_sent"]


def test_the_whole_file_driver_stops_at_its_cap_and_leaves_no_file(stand, out_file):
    stand.fault("/gen/.*", omit_headers=["Content-Length"])
    out_file[0].write_bytes(b"old content")
    run = tool.run("file", stand.base_url + f"/gen/{ENDLESS}/3", out_file[1], "--max-bytes", 2 * MIB)
    assert run["result"] is False
    assert run["error"] == "body_too_large-2"
    assert out_file[0].read_bytes() == b"old content"
    assert not list(out_file[0].parent.glob("dl*.tmp"))
    record = only_record(stand, "/gen/")
    assert 2 * MIB <= record["bytes_sent"] < 2 * MIB + SOCKET_SLACK, record["bytes_sent"]


def test_a_length_beyond_4_gib_is_refused_without_a_cap(stand, out_file):
    url = stand.base_url + f"/gen/{FIVE_GIB}/4"
    # Only the announced length matters; the connection ends after a
    # mebibyte, so Wine's close does not read on through five gibibytes.
    stand.fault(f"/gen/{FIVE_GIB}/4", drop_after=1 << 20)
    run = tool.run("progress", url, "--out", out_file[1])
    assert run["result"] is False
    assert run["error"] == "body_too_large-3"
    assert run["bytes_written"] == 0
    assert run.log_has(f"WARNING: Refused {url}: {FIVE_GIB} bytes do not fit the 32-bit byte counts "
                       "(Download:")


def test_a_resume_whose_range_passes_4_gib_is_refused_and_the_held_bytes_dropped(stand, out_file):
    # A 5 GiB file of which the sink already holds the first 100000 bytes.
    stand.put("/big/setup.arc", GeneratedBody(FIVE_GIB, seed=5))
    out_file[0].write_bytes(GeneratedBody(FIVE_GIB, seed=5).read(0, 100000))
    stand.fault("/big/setup.arc", drop_after=1 << 20)
    url = stand.base_url + "/big/setup.arc"
    run = tool.run("progress", url, "--out", out_file[1], "--resume")
    assert run["result"] is False
    assert run["error"] == "body_too_large-3"
    # The range was asked for and answered; its end and total pass 4 GiB.
    ranged = [r for r in stand.requests("/big/", settle=10) if "Range" in r["headers"]]
    assert [(r["headers"]["Range"], r["status"]) for r in ranged] == [("bytes=100000-", 206)]
    assert run.log_has(f"WARNING: Refused {url}: {FIVE_GIB} bytes do not fit the 32-bit byte counts "
                       "(Download:")
    # The held bytes cannot be continued: the sink starts over, nothing wrapped.
    assert run["bytes_written"] == 0
    assert out_file[0].stat().st_size == 0
