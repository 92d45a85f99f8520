"""Download benchmarks against the stand on loopback, in one run:

download_vs_curl: R            throughput of a 256 MiB setup-archive download
                               through the installer's client (download tool
                               under Wine, DownloadWithProgress into a file)
                               over curl's for the same file (goal >= 0.9)
download_memory_growth_mib: M  the client's peak working set for 256 MiB
                               minus that for 16 MiB (goal: within 2 MiB)

For the record, two more ratios show where the time goes under Wine:
WinINet's InternetReadFile alone (no sink, no stop check) with the
client's 32 KiB reads and with 1 MiB reads, against the same curl time.

Each transfer is timed by the client itself (from the open to the final
status check) and by curl's time_total, best of three, so Wine's start-up
does not count. The files are made at run time and deleted afterwards.
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

import download_tool as tool
import kelmor_wine as w
from stand import Stand, stand_port

MIB = 1 << 20
RUNS = 3


def make_file(path, size):
    block = os.urandom(MIB)
    with open(path, "wb") as f:
        for _ in range(size // MIB):
            f.write(block)


def client(url, out_win):
    run = tool.run("progress", url, "--out", out_win, timeout=600)
    if not run.report or not run["result"]:
        raise RuntimeError(f"client download failed: {run.report}")
    return run["elapsed_ms"] / 1000.0, run["peak_working_set"]


def raw_read(url, chunk):
    run = tool.run("rawread", url, chunk, timeout=600)
    if not run.report or run["bytes"] != 256 * MIB:
        raise RuntimeError(f"raw read failed: {run.report}")
    return run["elapsed_ms"] / 1000.0


def curl(url, out):
    with tempfile.TemporaryFile() as err:
        res = subprocess.run(["curl", "-s", "-S", "-o", str(out), "-w", "%{time_total}", url],
                             capture_output=False, stdout=subprocess.PIPE, stderr=err, timeout=600)
    if res.returncode != 0:
        raise RuntimeError("curl failed")
    return float(res.stdout.decode().strip())


def main():
    w.ensure_prefix()
    work = pathlib.Path(tempfile.mkdtemp(prefix="bench-download-", dir=str(w.BUILD)))
    out_path, out_win = tool.win_path("bench_download.bin")
    try:
        big, small = work / "big.arc", work / "small.arc"
        make_file(big, 256 * MIB)
        make_file(small, 16 * MIB)
        with Stand(port=stand_port(), lifetime=1800) as s:
            s.put("/browser/bench/browser-setup.arc", big)
            s.put("/browser/bench-small/browser-setup.arc", small)
            big_url = s.base_url + "/browser/bench/browser-setup.arc?from_installer=true"
            small_url = s.base_url + "/browser/bench-small/browser-setup.arc?from_installer=true"
            client_times, curl_times, big_peaks, small_peaks, raw32, raw1m = [], [], [], [], [], []
            for _ in range(RUNS):
                t, peak = client(big_url, out_win)
                client_times.append(t)
                big_peaks.append(peak)
                curl_times.append(curl(big_url, work / "curl.bin"))
                _, peak = client(small_url, out_win)
                small_peaks.append(peak)
                raw32.append(raw_read(big_url, 32768))
                raw1m.append(raw_read(big_url, MIB))
            if out_path.stat().st_size != 16 * MIB:
                raise RuntimeError("client wrote a wrong size")
        best_client, best_curl = min(client_times), min(curl_times)
        print(f"download_client_mib_per_s: {256 / best_client:.1f}")
        print(f"download_curl_mib_per_s: {256 / best_curl:.1f}")
        print(f"download_vs_curl: {best_curl / best_client:.3f}")
        print(f"download_raw_wininet_32k_reads_vs_curl: {best_curl / min(raw32):.3f}")
        print(f"download_raw_wininet_1m_reads_vs_curl: {best_curl / min(raw1m):.3f}")
        growth = (max(big_peaks) - max(small_peaks)) / MIB
        print(f"download_memory_growth_mib: {growth:.2f}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
        out_path.unlink(missing_ok=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
