"""A minimal crash-report receiver for tests: POST /submit on 127.0.0.1,
chunked or plain bodies, gzip and multipart decoded, every request kept.

    with CrashReceiver(port) as receiver:
        receiver.status = 500
        ...
        receiver.requests   # [Received]
"""
import gzip
import http.server
import re
import threading
import urllib.parse


class Received:
    def __init__(self, method, target, headers, raw_body, chunked, complete):
        self.method = method
        self.target = target
        url = urllib.parse.urlsplit(target)
        self.path = url.path
        self.query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        self.headers = headers
        self.raw_body = raw_body
        self.chunked = chunked
        self.complete = complete

    def header(self, name):
        for k, v in self.headers:
            if k.lower() == name.lower():
                return v
        return None

    @property
    def body(self):
        """The body with the content encoding undone."""
        if "gzip" in (self.header("Content-Encoding") or "").lower():
            return gzip.decompress(self.raw_body)
        return self.raw_body

    def parts(self):
        """[{name, filename, content_type, data}] of the multipart body."""
        m = re.match(r'multipart/form-data; boundary=(\S+)$', self.header("Content-Type") or "")
        if not m:
            raise ValueError("not multipart: %r" % self.header("Content-Type"))
        boundary = m.group(1).encode()
        body = self.body
        if not body.endswith(b"--" + boundary + b"--\r\n"):
            raise ValueError("no closing boundary")
        out = []
        for chunk in body.split(b"--" + boundary + b"\r\n")[1:]:
            head, sep, data = chunk.partition(b"\r\n\r\n")
            if not sep:
                raise ValueError("part without a blank line")
            if data.endswith(b"--" + boundary + b"--\r\n"):
                data = data[:-len(boundary) - 6]
            if not data.endswith(b"\r\n"):
                raise ValueError("part without CRLF")
            data = data[:-2]
            lines = head.decode("utf-8", "replace").split("\r\n")
            disposition = lines[0]
            name = re.search(r'; name="([^"]*)"', disposition)
            filename = re.search(r'; filename="([^"]*)"', disposition)
            content_type = next((l.split(": ", 1)[1] for l in lines[1:] if l.startswith("Content-Type: ")), None)
            out.append({"name": name.group(1) if name else None,
                        "filename": filename.group(1) if filename else None,
                        "content_type": content_type, "data": data})
        return out

    def form(self):
        return {p["name"]: p["data"].decode("utf-8") for p in self.parts() if p["filename"] is None}

    def files(self):
        return {p["name"]: p for p in self.parts() if p["filename"] is not None}


def _read_chunked(rfile):
    out = bytearray()
    while True:
        line = rfile.readline(65537)
        if not line:
            return bytes(out), False
        size = int(line.split(b";")[0].strip(), 16)
        if size == 0:
            rfile.readline(65537)
            return bytes(out), True
        data = rfile.read(size)
        if len(data) < size:
            return bytes(out + data), False
        out += data
        rfile.readline(3)


class CrashReceiver:
    def __init__(self, port):
        self.status = 200
        self.requests = []
        self._lock = threading.Lock()
        receiver = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_POST(self):
                chunked = "chunked" in (self.headers.get("Transfer-Encoding") or "").lower()
                if chunked:
                    body, complete = _read_chunked(self.rfile)
                else:
                    length = (self.headers.get("Content-Length") or "0").strip()
                    body = self.rfile.read(int(length)) if length.isdigit() else b""
                    complete = True
                with receiver._lock:
                    receiver.requests.append(Received("POST", self.path, list(self.headers.items()), body,
                                                      chunked, complete))
                if not complete:
                    self.close_connection = True
                    return
                answer = b"report-id\n"
                self.send_response(receiver.status)
                self.send_header("Content-Length", str(len(answer)))
                self.end_headers()
                self.wfile.write(answer)

        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self._server.daemon_threads = True
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(10)
