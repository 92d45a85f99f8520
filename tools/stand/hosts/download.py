"""The download network: setup archives, the old-systems archive, slides,
and generated files of any size for tests and benchmarks.

Settings (stand.settings): "setup_archive" and "old_systems_archive" (bytes,
a path or a Body) replace the generated defaults.
"""
import base64

from stand.core import GeneratedBody, as_body

# A 16x16 baseline JPEG, so slides decode without any image library.
SLIDE_JPEG = base64.b64decode(
    "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAYEBQYFBAYGBQYHBwYIChAKCgkJChQODwwQFxQYGBcUFhYaHSUfGhsjHBYWICwgIyYnKSop"
    "GR8tMC0oMCUoKSj/2wBDAQcHBwoIChMKChMoGhYaKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgo"
    "KCj/wAARCAAQABADASIAAhEBAxEB/8QAHwAAAQUBAQEBAQEAAAAAAAAAAAECAwQFBgcICQoL/8QAtRAAAgEDAwIEAwUFBAQAAAF9AQID"
    "AAQRBRIhMUEGE1FhByJxFDKBkaEII0KxwRVS0fAkM2JyggkKFhcYGRolJicoKSo0NTY3ODk6Q0RFRkdISUpTVFVWV1hZWmNkZWZnaGlq"
    "c3R1dnd4eXqDhIWGh4iJipKTlJWWl5iZmqKjpKWmp6ipqrKztLW2t7i5usLDxMXGx8jJytLT1NXW19jZ2uHi4+Tl5ufo6erx8vP09fb3"
    "+Pn6/8QAHwEAAwEBAQEBAQEBAQAAAAAAAAECAwQFBgcICQoL/8QAtREAAgECBAQDBAcFBAQAAQJ3AAECAxEEBSExBhJBUQdhcRMiMoEI"
    "FEKRobHBCSMzUvAVYnLRChYkNOEl8RcYGRomJygpKjU2Nzg5OkNERUZHSElKU1RVVldYWVpjZGVmZ2hpanN0dXZ3eHl6goOEhYaHiImK"
    "kpOUlZaXmJmaoqOkpaanqKmqsrO0tba3uLm6wsPExcbHyMnK0tPU1dbX2Nna4uPk5ebn6Onq8vP09fb3+Pn6/9oADAMBAAIRAxEAPwDA"
    "ooor70+JP//Z")

DEFAULT_SETUP = GeneratedBody(1 << 20, seed=1)
DEFAULT_OLD_SYSTEMS = GeneratedBody(1 << 19, seed=2)


def _setting(stand, name, default):
    value = stand.settings.get(name)
    return default if value is None else as_body(value)


def register(stand):
    def setup_archive(ex):
        ex.note["service"] = "download"
        ex.send(_setting(ex.stand, "setup_archive", DEFAULT_SETUP))

    def old_systems_archive(ex):
        ex.note["service"] = "download"
        ex.send(_setting(ex.stand, "old_systems_archive", DEFAULT_OLD_SYSTEMS))

    def slide(ex):
        ex.note["service"] = "slides"
        ex.send(SLIDE_JPEG, content_type="image/jpeg")

    def generated(ex):
        # /gen/<size>[/<seed>][/<any name>]
        parts = ex.path.split("/")
        size = int(parts[2])
        seed = int(parts[3]) if len(parts) > 3 and parts[3].isdigit() else 0
        ex.note["service"] = "generated"
        ex.send(GeneratedBody(size, seed))

    stand.route("GET", r"/browser/.*\.arc", setup_archive)
    stand.route("HEAD", r"/browser/.*\.arc", setup_archive)
    stand.route("GET", r"/browser-partners/_xp_builds/browser-setup\.arc", old_systems_archive)
    stand.route("GET", r"/browser/installer/.*/\d\d\.jpg", slide)
    stand.route(None, r"/gen/\d+(/.*)?", generated)
