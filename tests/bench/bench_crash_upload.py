"""Peak memory of the crash-report upload for a 1 MiB and a 64 MiB dump.

The dump is streamed (4 KiB compression input, 32 KiB chunks), so the peak
must not grow with the dump's size. crash_upload.exe uploads a file through
the installer's SendReport to a local receiver that reads and discards the
chunked body, and reports the process's peak working set and peak private
bytes. The growth is the larger of the two differences between the runs.

Prints: crash_upload_peak_working_set_mib_{1,64}mib,
crash_upload_peak_private_mib_{1,64}mib, crash_upload_memory_growth_mib.
"""
import http.server
import os
import threading

import kelmor_wine as w

MIB = 1 << 20


class Sink(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    received = []

    def log_message(self, *args):
        pass

    def do_POST(self):
        total = 0
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip(), 16)
                if size == 0:
                    self.rfile.readline()
                    break
                while size:
                    got = len(self.rfile.read(min(size, 1 << 16)))
                    if not got:
                        return
                    size -= got
                    total += got
                self.rfile.readline()
        Sink.received.append(total)
        self.send_response(200)
        self.send_header("Content-Length", "3")
        self.end_headers()
        self.wfile.write(b"ok\n")


def upload(size_mib, base):
    dump = w.temp_dir() / f"bench_{size_mib}mib.dmp"
    result = w.temp_dir() / f"bench_{size_mib}mib.txt"
    with open(dump, "wb") as f:
        # Incompressible content: the gzip output is as large as the dump.
        for _ in range(size_mib):
            f.write(os.urandom(MIB))
    result.unlink(missing_ok=True)
    run = w.run(w.BIN / "crash_upload.exe", [w.to_windows(result), w.to_windows(dump), base, "uid=bench",
                                            "prod=Kelmor", "ver=23.11.3.935"], timeout=600)
    dump.unlink(missing_ok=True)
    if run.timed_out or not result.exists():
        raise SystemExit(f"crash_upload did not finish for {size_mib} MiB: {run}")
    fields = dict(item.split("=") for item in result.read_text().split())
    result.unlink(missing_ok=True)
    if fields["result"] != "1":
        raise SystemExit(f"upload of {size_mib} MiB failed")
    return int(fields["peak_working_set"]) / MIB, int(fields["peak_private"]) / MIB


def main():
    w.ensure_prefix()
    w.temp_dir().mkdir(parents=True, exist_ok=True)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Sink)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://localhost:{server.server_address[1]}"
    try:
        small = upload(1, base)
        large = upload(64, base)
    finally:
        server.shutdown()
    if len(Sink.received) != 2 or Sink.received[1] < 64 * MIB:
        raise SystemExit(f"receiver saw {Sink.received}")
    print(f"crash_upload_peak_working_set_mib_1mib: {small[0]:.2f}")
    print(f"crash_upload_peak_working_set_mib_64mib: {large[0]:.2f}")
    print(f"crash_upload_peak_private_mib_1mib: {small[1]:.2f}")
    print(f"crash_upload_peak_private_mib_64mib: {large[1]:.2f}")
    print(f"crash_upload_memory_growth_mib: {max(large[0] - small[0], large[1] - small[1]):.2f}")


if __name__ == "__main__":
    main()
