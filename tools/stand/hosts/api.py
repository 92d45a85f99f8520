"""The browser API host: variations and A/B-testing seeds, the server
configuration bundle, wallpaper bundles and the statistics events.

Settings: "seed_body" (bytes), "seed_signature", "seed_last_modified",
"seed_country" (None leaves the header out), "config_zip" (bytes),
"wallpapers" (bytes).
"""
import io
import json
import urllib.parse
import zipfile

SEED_PATHS = r"/content/get/experiments/browser\.proto|/ab/get"


def _config_zip():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("config.json", json.dumps({"stand": True, "features": {}}))
    return out.getvalue()


def parse_stat_path(path):
    """/installstats/send/dtype=stred/pid=457/cid=C/path=P/vars=-k=v,-k2=v2/*
    -> {"cid": C, "path": P, "vars": [[k, v], ...]} with unescaped texts."""
    out = {}
    rest = path[len("/installstats/send/"):]
    vars_at = rest.find("/vars=")
    head = rest if vars_at < 0 else rest[:vars_at]
    for seg in head.split("/"):
        key, sep, value = seg.partition("=")
        if sep:
            out[key] = value
    if vars_at >= 0:
        text = rest[vars_at + len("/vars="):]
        out["terminated"] = text.endswith("/*")
        if text.endswith("/*"):
            text = text[:-2]
        pairs = []
        for entry in text.split(","):
            if not entry.startswith("-"):
                pairs.append([None, urllib.parse.unquote(entry)])
                continue
            key, _, value = entry[1:].partition("=")
            pairs.append([urllib.parse.unquote(key), urllib.parse.unquote(value)])
        out["vars"] = pairs
    return out


def register(stand):
    s = stand.settings
    s.setdefault("seed_body", b"KELMOR-SEED\x00\x01\x02 stand seed body")
    s.setdefault("seed_signature", "c3RhbmQtc2VlZC1zaWduYXR1cmU=")
    s.setdefault("seed_last_modified", "Mon, 06 Nov 2023 10:00:00 GMT")
    s.setdefault("seed_country", "ru")
    s.setdefault("config_zip", _config_zip())
    s.setdefault("wallpapers", b"PK\x05\x06" + b"\x00" * 18)

    def seed(ex):
        ex.note["service"] = "seed"
        headers = {}
        for header, key in (("X-Seed-Signature", "seed_signature"), ("Last-Modified", "seed_last_modified"),
                            ("X-Country", "seed_country")):
            if ex.stand.settings.get(key) is not None:
                headers[header] = ex.stand.settings[key]
        ex.send(ex.stand.settings["seed_body"], headers=headers)

    def config(ex):
        ex.note["service"] = "config"
        ex.send(ex.stand.settings["config_zip"], content_type="application/zip")

    def wallpapers(ex):
        ex.note["service"] = "wallpapers"
        ex.send(ex.stand.settings["wallpapers"], content_type="application/zip")

    def stat_event(ex):
        ex.note["service"] = "stat_event"
        ex.note["stat"] = parse_stat_path(ex.path)
        ex.send_text("ok\n")

    stand.route("GET", SEED_PATHS, seed)
    stand.route("GET", r"/configs/all_zip", config)
    stand.route("GET", r"/wallpapers/.*", wallpapers)
    stand.route("GET", r"/installstats/send/.*", stat_event)
