"""The download client under Wine against the service stand: status check,
lengths, redirects, resume, stop, the whole-file driver, bad servers and
the lazy loading of WinINet."""

import download_tool as tool
from stand import GeneratedBody

CHUNK = 32768
FAILED_TO_LOAD = 0xC06D007E


def content(size, seed):
    return GeneratedBody(size, seed).read(0, size)



def test_404_gives_final_query_info_and_the_status(stand):
    stand.fault("/gen/404", status=404)
    url = stand.base_url + "/gen/404"
    run = tool.run("finalize", url)
    assert run["opened"] is True
    assert run["result"] is False
    assert run["status"] == 404
    assert run["error"].startswith("final_query_info-404-")
    assert run["error"].split("-")[2].isdigit()
    assert run["chunks"] == 0 and run["bytes_written"] == 0
    assert f"ERROR: Unsuccessful download: {url} (FinalizeDownload:" in "\n".join(run.log_texts())


def test_request_carries_the_agent_and_accept_headers(stand, out_file):
    run = tool.run("progress", stand.base_url + "/gen/1000/3", "--out", out_file[1])
    assert run["result"] is True
    assert out_file[0].read_bytes() == content(1000, 3)
    (req,) = stand.requests("/gen/1000/3")
    assert req["headers"]["User-Agent"] == "Kelmor.Browser lite installer"
    assert req["headers"]["Accept"] == "*/*"
    assert "Range" not in req["headers"]


def test_progress_and_estimates_of_a_sized_download(stand, out_file):
    size = 10 * CHUNK + 123
    run = tool.run("progress", stand.base_url + f"/gen/{size}/4", "--out", out_file[1])
    assert run["result"] is True and run["error"] == ""
    assert run["content_length"] == size and run["bytes_written"] == size
    progress = run["progress"]
    assert progress[0] == 0.0 and progress[-1] == 1.0
    assert progress == sorted(progress)
    assert all(0.0 < p < 1.0 for p in progress[1:-2])
    assert run["estimates"] == [[-1, 0], [0, 2]]  # no estimate within a minute
    assert out_file[0].read_bytes() == content(size, 4)


def test_body_without_content_length_completes_without_fractions_or_estimates(stand, out_file):
    size = 7 * CHUNK
    stand.fault("/gen/.*", omit_headers=["Content-Length"])
    run = tool.run("progress", stand.base_url + f"/gen/{size}/5", "--out", out_file[1])
    assert run["result"] is True
    assert run["content_length"] == 0
    assert run["progress"] == [0.0, 1.0]  # only the start and the end
    assert run["estimates"] == [[-1, 0], [0, 2]]
    assert out_file[0].read_bytes() == content(size, 5)


def test_two_redirects_leave_the_second_target_in_the_redirect_output(stand, out_file):
    stand.redirect_chain("/first", ["/second", "/gen/5000/6"])
    run = tool.run("progress", stand.base_url + "/first", "--out", out_file[1])
    assert run["result"] is True
    assert run["redirect"] == stand.base_url + "/gen/5000/6"
    assert [r["path"] for r in stand.requests()] == ["/first", "/second", "/gen/5000/6"]
    assert out_file[0].read_bytes() == content(5000, 6)


def test_a_sink_holding_n_bytes_resumes_at_n(stand, out_file):
    size, held = 300000, 100000
    full = content(size, 7)
    out_file[0].write_bytes(full[:held])
    url = stand.base_url + f"/gen/{size}/7"
    run = tool.run("progress", url, "--out", out_file[1], "--resume")
    assert run["initial_bytes"] == held
    assert run["result"] is True, run.report
    assert run["resets"] == 0
    assert out_file[0].read_bytes() == full
    # The resumed part of the file counts: fractions cover the whole file.
    assert run["content_length"] == size
    assert run["progress"][0] > held / size and run["progress"][-1] == 1.0
    assert [-1, 0] not in run["estimates"]  # a resumed download sends no start
    ranged = [r for r in stand.requests("/gen/") if "Range" in r["headers"]]
    assert len(ranged) == 1
    assert ranged[0]["headers"]["Range"] == f"bytes={held}-"
    assert ranged[0]["status"] == 206 and ranged[0]["bytes_sent"] == size - held
    assert run.log_has(f"Resuming at {held}: bytes {held}-{size - 1}/{size}")


def test_a_server_that_ignores_the_range_empties_the_sink_and_starts_over(stand, out_file):
    size = 200000
    full = content(size, 8)
    out_file[0].write_bytes(b"\xee" * 50000)  # bytes that must not survive
    stand.fault("/gen/.*", ignore_range=True)
    run = tool.run("progress", stand.base_url + f"/gen/{size}/8", "--out", out_file[1], "--resume")
    assert run["result"] is True
    assert run["resets"] == 1
    assert out_file[0].read_bytes() == full
    assert run["progress"][0] == 0.0  # started from zero, so the start is reported
    assert run.log_has("Server ignored the range request, starting over")


def test_a_range_answer_from_another_offset_is_refused_and_empties_the_sink(stand, out_file):
    size = 200000
    out_file[0].write_bytes(content(size, 9)[:60000])
    stand.fault("/gen/.*", range_start=1000)
    run = tool.run("progress", stand.base_url + f"/gen/{size}/9", "--out", out_file[1], "--resume")
    assert run["result"] is False
    assert run["error"].startswith("internet_set_file_pointer-")
    assert run["resets"] == 1 and out_file[0].stat().st_size == 0
    assert run["full_progress_count"] == 0


def test_a_stop_during_the_transfer_ends_within_one_read_without_completion(stand, out_file):
    stand.fault("/gen/.*", throttle=4 * 1024 * 1024)
    stop_at = 5 * CHUNK + 100
    run = tool.run("progress", stand.base_url + "/gen/20000000/10", "--out", out_file[1],
                   "--stop-at", stop_at)
    assert run["stopped"] is True
    assert run["result"] is False
    assert stop_at <= run["bytes_written"] < stop_at + CHUNK
    assert run["full_progress_count"] == 0
    assert all(phase != 2 for _, phase in run["estimates"])
    assert run.log_has("WARNING: Download stopped: ")


def test_plain_download_logs_the_attempt_and_empties_the_sink_first(stand, out_file):
    out_file[0].write_bytes(b"stale partial content")
    url = stand.base_url + "/gen/4000/11"
    run = tool.run("plain", url, "--out", out_file[1], "--resume")
    assert run["result"] is True
    assert run["resets"] == 1
    assert out_file[0].read_bytes() == content(4000, 11)
    assert f"INFO: Attempt to download module: {url} (Download:" in "\n".join(run.log_texts())
    assert all("Range" not in r["headers"] for r in stand.requests())


class TestWholeFile:
    def test_success_moves_the_body_over_the_destination(self, stand, out_file):
        out_file[0].write_bytes(b"old content")
        run = tool.run("file", stand.base_url + "/gen/100000/12", out_file[1])
        assert run["result"] is True
        assert out_file[0].read_bytes() == content(100000, 12)
        assert not list(out_file[0].parent.glob("dl*.tmp"))

    def test_a_stopped_transfer_never_replaces_the_destination(self, stand, out_file):
        out_file[0].write_bytes(b"old content")
        stand.fault("/gen/.*", throttle=2 * 1024 * 1024)
        run = tool.run("file", stand.base_url + "/gen/20000000/13", out_file[1], "--stop-at", 3 * CHUNK)
        assert run["stopped"] is True
        assert run["result"] is False
        assert out_file[0].read_bytes() == b"old content"
        assert not list(out_file[0].parent.glob("dl*.tmp"))

    def test_a_failed_transfer_leaves_the_destination_alone(self, stand, out_file):
        out_file[0].write_bytes(b"old content")
        stand.fault("/gen/.*", status=500)
        run = tool.run("file", stand.base_url + "/gen/1000/14", out_file[1])
        assert run["result"] is False
        assert run["error"].startswith("final_query_info-500-")
        assert out_file[0].read_bytes() == b"old content"

    def test_string_download_and_custom_headers(self, stand):
        # Far longer than the first query buffer (the name's length + 1); Wine cuts
        # header lines at 4095 bytes, so stay below that.
        long_value = "S" * 3000
        stand.fault("/gen/.*", headers={"X-Seed-Signature": long_value, "X-Country": "ru"})
        run = tool.run("string", stand.base_url + "/gen/3000/15", "--header", "X-Seed-Signature",
                       "--header", "X-Country", "--header", "X-Absent")
        assert run["result"] is True
        assert bytes.fromhex(run["body_hex"]) == content(3000, 15)
        assert run["headers"] == {"X-Seed-Signature": long_value, "X-Country": "ru", "X-Absent": ""}

    def test_string_download_failure_leaves_the_output_untouched(self, stand):
        stand.fault("/gen/.*", status=404)
        run = tool.run("string", stand.base_url + "/gen/3000/16")
        assert run["result"] is False
        assert run["body_size"] == len("untouched")


class TestBadServers:
    def test_more_bytes_than_content_length_gives_exactly_the_announced_bytes(self, stand, out_file):
        stand.fault("/gen/.*", extra_bytes=5000)
        run = tool.run("progress", stand.base_url + "/gen/1000/20", "--out", out_file[1])
        assert run["result"] is True
        assert out_file[0].read_bytes() == content(1000, 20)

    def test_a_truncated_body_fails(self, stand, out_file):
        stand.fault("/gen/.*", drop_after=50000)
        run = tool.run("progress", stand.base_url + "/gen/100000/21", "--out", out_file[1])
        assert run["result"] is False
        assert run["error"].startswith("internet_read-")
        assert run["bytes_written"] == 50000
        assert run["full_progress_count"] == 0
        assert run.log_has("Body ended after 50000 of 100000 bytes")

    def test_a_redirect_loop_fails(self, stand, out_file):
        stand.fault("/loop-a", redirect="/loop-b")
        stand.fault("/loop-b", redirect="/loop-a")
        run = tool.run("progress", stand.base_url + "/loop-a", "--out", out_file[1], timeout=60)
        assert not run.timed_out
        assert run["result"] is False
        assert run["error"] == "internet_open_url-12156"
        assert len(stand.requests("/loop-")) == 11  # the first request and ten redirects
        assert run.log_has("Too many redirects for ")

    def test_a_malformed_status_line_fails(self, stand, out_file):
        stand.fault("/gen/.*", malformed_status=True)
        run = tool.run("progress", stand.base_url + "/gen/500/22", "--out", out_file[1], timeout=60)
        assert not run.timed_out
        assert run["result"] is False
        assert run["error"] == "internet_open_url-12152"
        assert run["bytes_written"] == 0

    def test_a_server_that_never_answers_ends_at_the_receive_timeout(self, stand, out_file):
        stand.fault("/gen/.*", hang=True)
        run = tool.run("progress", stand.base_url + "/gen/500/23", "--out", out_file[1], timeout=60,
                       env={"KELMOR_TEST_RECEIVE_TIMEOUT_MS": "1500"})
        assert not run.timed_out
        assert run["result"] is False
        assert run["error"].startswith("internet_open_url-")

    def test_a_transfer_that_stalls_ends_at_the_receive_timeout(self, stand, out_file):
        stand.fault("/gen/.*", hang_after=40000)
        run = tool.run("progress", stand.base_url + "/gen/100000/24", "--out", out_file[1], timeout=60,
                       env={"KELMOR_TEST_RECEIVE_TIMEOUT_MS": "1500"})
        assert not run.timed_out
        assert run["result"] is False
        assert run["error"].startswith("internet_read-")
        assert run["bytes_written"] < 100000


def test_a_fresh_download_is_not_copied_into_the_wininet_cache(stand, out_file):
    import kelmor_wine as w
    cache = w.user_dir() / "AppData" / "Local" / "Microsoft" / "Windows" / "INetCache"
    size = 3 * 1024 * 1024

    def big_cached():
        return {p for p in cache.rglob("*") if p.is_file() and p.stat().st_size >= size} if cache.exists() else set()

    before = big_cached()
    run = tool.run("progress", stand.base_url + f"/gen/{size}/31", "--out", out_file[1])
    assert run["result"] is True
    assert big_cached() == before


class TestLibrary:
    def test_wininet_is_loaded_on_first_use(self, stand, out_file):
        idle = tool.run("lock", out_file[1])
        assert idle["wininet_loaded"] is False
        busy = tool.run("progress", stand.base_url + "/gen/10/1", "--out", out_file[1])
        assert busy["wininet_loaded"] is True

    def test_a_library_that_fails_to_load_is_reported_with_its_names(self, stand, out_file):
        url = stand.base_url + "/gen/10/1"
        run = tool.run("progress", url, "--out", out_file[1],
                       env={"WINEDLLOVERRIDES": "mscoree,mshtml=;wininet="})
        assert run.code == 0  # caught, no crash
        assert run["result"] is False
        assert run["exception_code"] == FAILED_TO_LOAD
        assert run["dll_name"].lower() == "wininet.dll"
        assert run["proc_name"] == "InternetOpenW"
        assert (f"WARNING: An attempt to open url {url} generated an exception {FAILED_TO_LOAD} (OpenDownload:"
                in "\n".join(run.log_texts()))
        assert stand.requests() == []


def test_lock_for_execution_keeps_writers_out(out_file):
    run = tool.run("lock", out_file[1])
    assert run["valid_before_open"] is False and run["locked_unopened"] is False
    assert run["opened"] is True and run["written"] is True
    assert run["readable_while_writing"] is True
    assert run["locked"] is True
    assert run["writable_after_lock"] is False
    assert run["readable_after_lock"] is True
    assert run["lock_handle_reads"] is True and run["content"] == "MZ-locked"
