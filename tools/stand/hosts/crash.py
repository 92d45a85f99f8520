"""The crash-report host: POST "/submit" with the keys product, version and
guid in the query, a multipart/form-data body, optionally gzip-compressed
and sent with chunked transfer. The record shows the decoded form; uploaded
files are kept in stand.settings["crash_uploads"] (a list of dicts)."""
import gzip
import hashlib
import re
import uuid


def parse_multipart(content_type, body):
    """[{name, filename, content_type, data}] of a multipart/form-data body;
    None when it is not one."""
    m = re.search(r'boundary="?([^";]+)"?', content_type or "")
    if not m or not content_type.lower().startswith("multipart/form-data"):
        return None
    boundary = b"--" + m.group(1).encode()
    parts = []
    chunks = body.split(boundary)
    if len(chunks) < 2:
        return None
    for chunk in chunks[1:]:
        if chunk.startswith(b"--"):
            break
        if chunk.startswith(b"\r\n"):
            chunk = chunk[2:]
        head, sep, data = chunk.partition(b"\r\n\r\n")
        if not sep:
            return None
        if data.endswith(b"\r\n"):
            data = data[:-2]
        headers = {}
        for line in head.decode("utf-8", "replace").split("\r\n"):
            k, _, v = line.partition(":")
            headers[k.strip().lower()] = v.strip()
        disp = headers.get("content-disposition", "")
        name = re.search(r'\bname="([^"]*)"', disp)
        filename = re.search(r'\bfilename="([^"]*)"', disp)
        parts.append({"name": name.group(1) if name else None,
                      "filename": filename.group(1) if filename else None,
                      "content_type": headers.get("content-type"), "data": data})
    return parts


def register(stand):
    stand.settings.setdefault("crash_uploads", [])

    def submit(ex):
        ex.note["service"] = "crash"
        body = ex.body
        encoding = (ex.header("Content-Encoding") or "").lower()
        if "gzip" in encoding:
            try:
                body = gzip.decompress(body)
                ex.note["gzip"] = True
            except (OSError, EOFError):
                ex.note["gzip_error"] = True
                ex.send_text("bad gzip\n", 400)
                return
        parts = parse_multipart(ex.header("Content-Type"), body)
        if parts is None:
            ex.note["multipart_error"] = True
            ex.send_text("not multipart\n", 400)
            return
        form = {}
        for p in parts:
            entry = {"size": len(p["data"]), "sha256": hashlib.sha256(p["data"]).hexdigest()}
            if p["filename"] is not None:
                entry["filename"] = p["filename"]
            elif len(p["data"]) <= 1024:
                entry["value"] = p["data"].decode("utf-8", "replace")
            form[p["name"]] = entry
        ex.note["form"] = form
        ex.note["keys"] = {k: ex.params.get(k) for k in ("product", "version", "guid")}
        ex.stand.settings["crash_uploads"].append({"params": dict(ex.params), "parts": parts})
        ex.send_text(str(uuid.uuid4()) + "\n")

    stand.route("POST", r"/submit", submit)
