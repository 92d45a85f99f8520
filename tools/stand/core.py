"""The stand's HTTP core: server, dispatch to host modules, bodies with
Range support, fault injection and the request record.

Host modules (stand/hosts/*.py) each define `register(stand)` and add their
routes with `stand.route(method, pattern, handler)`. A handler receives an
`Exchange` and answers with `exchange.send(...)`. Modules are discovered at
start, so a new service needs a new file, not an edit here.
"""
import hashlib
import http.server
import importlib
import json
import os
import pathlib
import pkgutil
import re
import select
import socket
import ssl
import threading
import time
import urllib.parse

DEFAULT_LIFETIME = 900  # seconds; the stand never outlives this
_CHUNK = 256 * 1024


# ---------------------------------------------------------------- bodies

class Body:
    """A response body that can be read from any offset (for Range)."""
    size = 0
    path = None  # a file on disk, sent with sendfile when nothing interferes

    def read(self, offset, count):
        raise NotImplementedError


class BytesBody(Body):
    def __init__(self, data):
        self.data = bytes(data)
        self.size = len(self.data)

    def read(self, offset, count):
        return self.data[offset:offset + count]


class FileBody(Body):
    def __init__(self, path):
        self.path = pathlib.Path(path)
        self.size = self.path.stat().st_size

    def read(self, offset, count):
        with open(self.path, "rb") as f:
            f.seek(offset)
            return f.read(count)


class GeneratedBody(Body):
    """Deterministic bytes of any size, computed from the offset, so large
    files need neither memory nor disk. `expected_bytes` gives the same
    content for checks."""
    _PERIOD = 65521  # prime: a shifted copy never matches

    def __init__(self, size, seed=0):
        self.size = int(size)
        self.seed = int(seed)
        block = bytes(((i * 131 + self.seed * 7 + (i >> 8)) & 0xFF) for i in range(self._PERIOD))
        self._double = block + block

    def read(self, offset, count):
        count = max(0, min(count, self.size - offset))
        out = bytearray()
        while len(out) < count:
            start = (offset + len(out)) % self._PERIOD
            take = min(count - len(out), self._PERIOD)
            out += self._double[start:start + take]
        return bytes(out)


def as_body(content):
    if isinstance(content, Body):
        return content
    if isinstance(content, (bytes, bytearray, memoryview)):
        return BytesBody(content)
    if isinstance(content, str):
        return BytesBody(content.encode())
    if isinstance(content, os.PathLike):
        return FileBody(content)
    raise TypeError(f"not a body: {type(content)}")


# ---------------------------------------------------------------- faults

class Fault:
    """One rule of misbehaviour for the requests whose path matches `path`
    (a regular expression matched against the whole path, query excluded).

    status            answer this status code instead of the content
    redirect          answer 302 (or `redirect_status`) with Location = this
                      path or URL (paths are made absolute on the stand)
    drop_after        send this many body bytes, then close the connection
    throttle          body bytes per second
    delay             seconds to wait before answering
    hang              accept the request and never answer (seconds to hold,
                      True for the stand's lifetime); ends when the client
                      goes away
    hang_after        send the headers and this many body bytes, then hold
                      the connection like `hang`
    omit_headers      response headers to leave out (e.g. "Content-Length",
                      then the body ends with the connection)
    headers           response headers to add or replace
    ignore_range      answer a Range request with the whole body and 200
    range_start       answer a Range request from this offset instead
    extra_bytes       send this many bytes beyond the announced length
    malformed_status  send a status line that is not HTTP
    body              replace the body (bytes)
    times             apply to this many matching requests, then retire
    """
    _FIELDS = ("status", "redirect", "redirect_status", "drop_after", "throttle", "delay", "hang", "hang_after",
               "omit_headers", "headers", "ignore_range", "range_start", "extra_bytes",
               "malformed_status", "body")

    def __init__(self, path, method=None, times=None, **kwargs):
        unknown = set(kwargs) - set(self._FIELDS)
        if unknown:
            raise TypeError(f"unknown fault fields: {sorted(unknown)}")
        self.path = path
        self.pattern = re.compile(path)
        self.method = method
        self.times = times
        self.used = 0
        self.status = kwargs.get("status")
        self.redirect = kwargs.get("redirect")
        self.redirect_status = kwargs.get("redirect_status", 302)
        self.drop_after = kwargs.get("drop_after")
        self.throttle = kwargs.get("throttle")
        self.delay = kwargs.get("delay")
        self.hang = kwargs.get("hang")
        self.hang_after = kwargs.get("hang_after")
        self.omit_headers = [h.lower() for h in kwargs.get("omit_headers", ())]
        self.headers = dict(kwargs.get("headers") or {})
        self.ignore_range = bool(kwargs.get("ignore_range", False))
        self.range_start = kwargs.get("range_start")
        self.extra_bytes = int(kwargs.get("extra_bytes", 0))
        self.malformed_status = bool(kwargs.get("malformed_status", False))
        body = kwargs.get("body")
        self.body = body.encode() if isinstance(body, str) else body

    def matches(self, method, path):
        if self.times is not None and self.used >= self.times:
            return False
        if self.method and self.method.upper() != method:
            return False
        return self.pattern.fullmatch(path) is not None

    def describe(self):
        blank = _BLANK_FAULT
        parts = {k: getattr(self, k) for k in self._FIELDS if getattr(self, k) != getattr(blank, k)}
        if "body" in parts:
            parts["body"] = len(parts["body"])
        return parts

    @classmethod
    def from_json(cls, d):
        d = dict(d)
        return cls(d.pop("path"), method=d.pop("method", None), times=d.pop("times", None), **d)


def merge_faults(faults):
    """The rules that apply to one request, later ones overriding earlier."""
    if not faults:
        return None
    merged = Fault(".*")
    for f in faults:
        for k in Fault._FIELDS:
            v = getattr(f, k)
            if v != getattr(_BLANK_FAULT, k):
                setattr(merged, k, v)
    return merged


_BLANK_FAULT = Fault(".*")


# ---------------------------------------------------------------- exchange

class Aborted(Exception):
    """The client went away or a fault cut the connection."""


class Exchange:
    """One request and the means to answer it."""

    def __init__(self, stand, handler, body):
        self.stand = stand
        self._handler = handler
        self.method = handler.command
        split = urllib.parse.urlsplit(handler.path)
        self.path = split.path
        self.query = split.query
        self.params = dict(urllib.parse.parse_qsl(split.query, keep_blank_values=True))
        self.headers = handler.headers
        self.body = body
        self.fault = None
        self.note = {}  # host modules add decoded details to the record here
        self.status = None
        self.bytes_sent = 0
        self.answered = False
        self.entry = None  # the record entry, while the exchange runs

    def header(self, name, default=None):
        return self.headers.get(name, default)

    def absolute_url(self, target):
        if "://" in target:
            return target
        return self.stand.base_url + target

    # -- answering

    def send(self, content=b"", status=200, headers=None, content_type="application/octet-stream",
             ranges=True):
        """Answers with `content` (bytes, str, a path or a Body), honouring
        Range (when `ranges`) and the faults of this request."""
        fault = self.fault
        body = as_body(fault.body if fault and fault.body is not None else content)
        out_headers = {"Content-Type": content_type}
        out_headers.update(headers or {})
        offset, length = 0, body.size
        range_header = self.header("Range")
        if ranges:
            out_headers.setdefault("Accept-Ranges", "bytes")
        if ranges and range_header and status == 200 and not (fault and fault.ignore_range):
            parsed = parse_range(range_header, body.size)
            if parsed is None:
                self.note["range"] = range_header
                return self._write(416, {"Content-Range": f"bytes */{body.size}"}, BytesBody(b""), 0, 0)
            start, end = parsed
            if fault and fault.range_start is not None:
                start = min(int(fault.range_start), body.size)
            offset, length = start, end - start + 1 if end >= start else 0
            status = 206
            out_headers["Content-Range"] = f"bytes {start}-{start + length - 1}/{body.size}"
            self.note["range"] = range_header
        return self._write(status, out_headers, body, offset, length)

    def send_text(self, text, status=200, headers=None):
        return self.send(text.encode(), status, headers, "text/plain; charset=utf-8", ranges=False)

    def _write(self, status, headers, body, offset, length):
        h = self._handler
        fault = self.fault
        self.answered = True
        self.status = status
        headers = dict(headers)
        headers["Content-Length"] = str(length)
        if fault:
            headers.update(fault.headers)
            for name in list(headers):
                if name.lower() in fault.omit_headers:
                    del headers[name]
        close = not any(n.lower() == "content-length" for n in headers) or (fault and (
            fault.drop_after is not None or fault.extra_bytes or fault.malformed_status))
        if close:
            headers["Connection"] = "close"
        reason = http.server.BaseHTTPRequestHandler.responses.get(status, ("Status",))[0]
        lines = [f"HTTP/1.1 {status} {reason}"]
        if fault and fault.malformed_status:
            lines = ["HTTQ/9 OK maybe"]
        lines.append("Server: kelmor-stand")
        lines += [f"{k}: {v}" for k, v in headers.items()]
        self._raw(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
        limit = length
        if fault and fault.drop_after is not None:
            limit = min(length, int(fault.drop_after))
        if fault and fault.hang_after is not None:
            limit = min(limit, int(fault.hang_after))
        if self.method != "HEAD":
            self._send_body(body, offset, limit)
            if fault and fault.hang_after is not None:
                self.hold(None)
            if fault and fault.extra_bytes and limit == length:
                self._raw(b"X" * fault.extra_bytes)
        if close or limit < length:
            h.close_connection = True
            if limit < length:
                self.note["dropped_at"] = limit
                try:
                    h.connection.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                raise Aborted()

    def _raw(self, data):
        try:
            self._handler.wfile.write(data)
            self._handler.wfile.flush()
        except (ConnectionError, OSError) as e:
            raise Aborted() from e

    def _send_body(self, body, offset, length):
        fault = self.fault
        rate = fault.throttle if fault and fault.throttle else None
        end = offset + length
        pos = offset
        if body.path is not None and rate is None and not isinstance(self._handler.connection, ssl.SSLSocket):
            with open(body.path, "rb") as f:
                try:
                    while pos < end:
                        sent = self._handler.connection.sendfile(f, pos, end - pos)
                        if not sent:
                            raise Aborted()
                        pos += sent
                        self.bytes_sent = pos - offset
                except (ConnectionError, OSError) as e:
                    raise Aborted() from e
            return
        chunk = _CHUNK if rate is None else max(1, min(_CHUNK, int(rate) // 20))
        started = time.monotonic()
        while pos < end:
            if self.stand.stopping.is_set():
                raise Aborted()
            data = body.read(pos, min(chunk, end - pos))
            if not data:
                break
            self._raw(data)
            pos += len(data)
            self.bytes_sent = pos - offset
            if rate:
                due = started + (pos - offset) / float(rate)
                pause = due - time.monotonic()
                if pause > 0:
                    self.stand.stopping.wait(pause)

    def hold(self, seconds):
        """Keeps the connection open without answering until `seconds` pass
        (None: the stand's lifetime), the client leaves or the stand stops."""
        conn = self._handler.connection
        deadline = None if seconds in (None, True) else time.monotonic() + float(seconds)
        self.note["hang"] = True
        if self.entry is not None:
            self.entry["hang"] = True
        while not self.stand.stopping.is_set():
            if deadline is not None and time.monotonic() >= deadline:
                break
            try:
                readable, _, _ = select.select([conn], [], [], 0.1)
                if readable:
                    if not conn.recv(65536, socket.MSG_PEEK):
                        self.note["client_left"] = True
                        break
                    conn.recv(65536)
            except (OSError, ValueError):
                break
        self._handler.close_connection = True
        raise Aborted()


def parse_range(header, size):
    """(start, end) inclusive for a single "bytes=" range, None when it
    cannot be satisfied."""
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header)
    if not m or (not m.group(1) and not m.group(2)):
        return None
    if m.group(1):
        start = int(m.group(1))
        end = int(m.group(2)) if m.group(2) else size - 1
    else:
        start = max(0, size - int(m.group(2)))
        end = size - 1
    if start >= size or end < start:
        return None
    return start, min(end, size - 1)


# ---------------------------------------------------------------- server

def _read_chunked(rfile):
    out = bytearray()
    raw = 0
    while True:
        line = rfile.readline(65537)
        raw += len(line)
        if not line:
            raise Aborted()
        size = int(line.split(b";")[0].strip() or b"0", 16)
        if size == 0:
            while True:  # trailers
                t = rfile.readline(65537)
                raw += len(t)
                if t in (b"\r\n", b"\n", b""):
                    return bytes(out), raw
        data = rfile.read(size)
        out += data
        raw += len(data) + len(rfile.readline(3))


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "kelmor-stand"

    def log_message(self, fmt, *args):
        pass

    def _serve(self):
        stand = self.server.stand
        seq = stand._next_seq()
        received = time.time()
        body, raw = b"", 0
        chunked = "chunked" in (self.headers.get("Transfer-Encoding") or "").lower()
        try:
            if chunked:
                body, raw = _read_chunked(self.rfile)
            else:
                length = (self.headers.get("Content-Length") or "").strip()
                if length.isdigit() and int(length) > 0:
                    body = self.rfile.read(int(length))
                    raw = len(body)
        except (Aborted, ValueError, OSError):
            self.close_connection = True
            ex = Exchange(stand, self, body)
            ex.note["bad_body"] = True
            stand._open_record(ex, seq, received, chunked, raw)
            stand._close_record(ex)
            return
        ex = Exchange(stand, self, body)
        stand._open_record(ex, seq, received, chunked, raw)
        try:
            stand._dispatch(ex)
        except Aborted:
            self.close_connection = True
            ex.note.setdefault("aborted", True)
        except Exception as e:  # a broken handler must not take the stand down
            ex.note["handler_error"] = repr(e)
            if not ex.answered:
                try:
                    ex.fault = None
                    ex.send_text("stand handler error\n", 500)
                except Aborted:
                    pass
            self.close_connection = True
        finally:
            stand._close_record(ex)

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = do_OPTIONS = _serve


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


class Stand:
    """The local service stand.

        with Stand(port=18120, record_path="requests.jsonl") as stand:
            stand.fault("/browser/.*", status=404)
            ...
            stand.requests()   # what arrived, in order
    """

    def __init__(self, port=0, record_path=None, lifetime=DEFAULT_LIFETIME, host_name="localhost",
                 tls=None, hosts=None):
        self.requested_port = int(port)
        self.record_path = pathlib.Path(record_path) if record_path else None
        self.lifetime = lifetime
        self.host_name = host_name
        self.tls = tls  # (certfile, keyfile) to serve HTTPS
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._seq = 0
        self._records = []
        self._faults = []
        self._routes = []
        self.content = {}  # exact path -> Body, served before any route
        self.settings = {}  # host modules keep their adjustable values here
        self._server = None
        self._thread = None
        self._timer = None
        self._record_file = None
        for module in (hosts if hosts is not None else discover_host_modules()):
            module.register(self)
        self.route(None, r"/_stand/.*", _control)

    # -- set-up by host modules and tests

    def route(self, method, pattern, handler):
        """Adds a handler for paths that fully match `pattern`. Later routes
        are tried first, so a test can shadow a module's route."""
        self._routes.insert(0, (method.upper() if method else None, re.compile(pattern), handler))

    def put(self, path, content):
        """Serves `content` (bytes, str, a path or a Body) at exactly `path`."""
        self.content[path] = as_body(content)

    def fault(self, path, method=None, times=None, **kwargs):
        f = Fault(path, method=method, times=times, **kwargs)
        with self._lock:
            self._faults.append(f)
        return f

    def redirect_chain(self, first, hops, status=302):
        """first -> hops[0] -> ... -> hops[-1]; the last hop is served as is."""
        chain = [first] + list(hops)
        for src, dst in zip(chain, chain[1:]):
            self.fault(re.escape(src), redirect=dst, redirect_status=status)

    def clear_faults(self):
        with self._lock:
            self._faults.clear()

    def reset(self):
        """Forgets faults, content and records (between tests)."""
        with self._lock:
            self._faults.clear()
            self._records.clear()
        self.content.clear()

    # -- the record

    def requests(self, path=None, settle=2.0):
        """Recorded requests in arrival order; `path` filters by a regular
        expression searched in the path. Requests still being answered are
        waited for (up to `settle` seconds), except those held by a hang."""
        rx = re.compile(path) if path else None
        end = time.monotonic() + settle
        while True:
            with self._lock:
                out = [dict(r) for r in sorted(self._records, key=lambda r: r["seq"])
                       if rx is None or rx.search(r["path"])]
            busy = [r for r in out if not r["done"] and not r.get("hang")]
            if not busy or time.monotonic() >= end:
                return out
            time.sleep(0.02)

    def wait_for_requests(self, path, count=1, timeout=30.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            found = self.requests(path)
            if len(found) >= count:
                return found
            time.sleep(0.05)
        return self.requests(path)

    @staticmethod
    def read_record(path):
        lines = pathlib.Path(path).read_text().splitlines()
        return sorted((json.loads(line) for line in lines if line.strip()), key=lambda r: r["seq"])

    # -- running

    @property
    def port(self):
        return self._server.server_address[1] if self._server else self.requested_port

    @property
    def base_url(self):
        scheme = "https" if self.tls else "http"
        return f"{scheme}://{self.host_name}:{self.port}"

    def start(self):
        self._server = _Server(("127.0.0.1", self.requested_port), _Handler)
        self._server.stand = self
        if self.tls:
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(*self.tls)
            self._server.socket = ctx.wrap_socket(self._server.socket, server_side=True)
        if self.record_path:
            self.record_path.parent.mkdir(parents=True, exist_ok=True)
            self._record_file = open(self.record_path, "a", encoding="utf-8")
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1},
                                        name="stand", daemon=True)
        self._thread.start()
        if self.lifetime:
            self._timer = threading.Timer(self.lifetime, self.stop)
            self._timer.daemon = True
            self._timer.start()
        return self

    def stop(self):
        if self.stopping.is_set():
            return
        self.stopping.set()
        if self._timer and threading.current_thread() is not self._timer:
            self._timer.cancel()
        if self._server:
            self._server.shutdown()
            self._server.server_close()
        # Let exchanges cut short by the stop reach the record file.
        end = time.monotonic() + 1.0
        while time.monotonic() < end:
            with self._lock:
                if all(r["done"] for r in self._records):
                    break
            time.sleep(0.02)
        with self._lock:
            if self._record_file:
                self._record_file.close()
                self._record_file = None

    def wait(self):
        """Blocks until the stand has stopped (lifetime, or stop())."""
        while not self.stopping.wait(0.5):
            pass
        if self._thread:
            self._thread.join(5)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- internals

    def _next_seq(self):
        with self._lock:
            self._seq += 1
            return self._seq

    def _faults_for(self, method, path):
        with self._lock:
            found = [f for f in self._faults if f.matches(method, path)]
            for f in found:
                f.used += 1
        return merge_faults(found)

    def _dispatch(self, ex):
        if not ex.path.startswith("/_stand/"):
            ex.fault = self._faults_for(ex.method, ex.path)
        f = ex.fault
        if f:
            ex.note["fault"] = f.describe()
            if f.delay:
                self.stopping.wait(float(f.delay))
            if f.hang:
                ex.hold(f.hang)
            if f.redirect:
                ex.send(b"", f.redirect_status, {"Location": ex.absolute_url(f.redirect)}, "text/plain",
                        ranges=False)
                return
            if f.status and f.status != 200:
                ex.send(f"stand: status {f.status}\n".encode(), f.status, None, "text/plain", ranges=False)
                return
        body = self.content.get(ex.path)
        if body is not None and ex.method in ("GET", "HEAD"):
            ex.send(body)
            return
        for method, pattern, handler in list(self._routes):
            if method and method != ex.method:
                continue
            if pattern.fullmatch(ex.path):
                handler(ex)
                if not ex.answered:
                    ex.send_text("ok\n")
                return
        ex.send_text("stand: nothing here\n", 404)

    def _open_record(self, ex, seq, received, chunked, raw_size):
        h = ex._handler
        entry = {
            "seq": seq,
            "time": round(received, 6),
            "method": ex.method,
            "path": ex.path,
            "query": ex.query,
            "target": h.path,
            "headers": {k: v for k, v in h.headers.items()} if h.headers else {},
            "body_size": len(ex.body),
            "body_sha256": hashlib.sha256(ex.body).hexdigest(),
            "chunked": chunked,
            "raw_body_size": raw_size,
            "tls": isinstance(h.connection, ssl.SSLSocket),
            "status": None,
            "bytes_sent": 0,
            "done": False,
        }
        ex.entry = entry
        with self._lock:
            self._records.append(entry)

    def _close_record(self, ex):
        entry = ex.entry
        with self._lock:
            entry.update(ex.note)
            entry["status"] = ex.status
            entry["bytes_sent"] = ex.bytes_sent
            entry["done"] = True
            if self._record_file:
                self._record_file.write(json.dumps(entry, sort_keys=True) + "\n")
                self._record_file.flush()


def _control(ex):
    """/_stand/faults (POST a JSON rule or list), /_stand/reset (POST),
    /_stand/requests (GET): control for a stand started from the command
    line."""
    stand = ex.stand
    if ex.path == "/_stand/faults" and ex.method == "POST":
        rules = json.loads(ex.body or b"[]")
        for rule in rules if isinstance(rules, list) else [rules]:
            f = Fault.from_json(rule)
            with stand._lock:
                stand._faults.append(f)
        ex.send_text("ok\n")
    elif ex.path == "/_stand/reset" and ex.method == "POST":
        stand.reset()
        ex.send_text("ok\n")
    elif ex.path == "/_stand/requests":
        ex.send(json.dumps(stand.requests()).encode(), content_type="application/json", ranges=False)
    else:
        ex.send_text("unknown control\n", 404)


def discover_host_modules():
    """Every module of the stand.hosts package, in name order."""
    package = importlib.import_module(__package__ + ".hosts")
    names = sorted(m.name for m in pkgutil.iter_modules(package.__path__) if not m.name.startswith("_"))
    return [importlib.import_module(f"{package.__name__}.{n}") for n in names]
