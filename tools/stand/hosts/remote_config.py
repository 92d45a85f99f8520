"""Remote configuration and background slides, beyond the defaults of the
api and download modules (registered after them, so these routes win).

Seeds: "/content/get/experiments/browser.proto" (variations) and "/ab/get"
(A/B testing) answer with "variations_seed_body" / "abt_seed_body" when set,
else the api module's "seed_body", and the headers "X-Seed-Signature",
"Last-Modified" and "X-Country" from "seed_signature",
"seed_last_modified" and "seed_country" (None leaves a header out).

Slides: any ".../x2/NN.jpg" under "/browser/installer/". With the setting
"slides" = {number: bytes} only those numbers are served (others get 404);
without it every number gets the download module's small picture.
`solid_jpeg(width, height, rgb)` makes a one-colour picture for tests.

Withholding any of them is a fault rule (status, hang, throttle,
omit_headers) on its path.
"""
import io
import re

from stand.hosts import api, download

_SLIDE = re.compile(r"/browser/installer/.*x2/(\d{2,})\.jpg")


def solid_jpeg(width, height, rgb, quality=95):
    """A baseline JPEG of one colour (needs Pillow)."""
    from PIL import Image  # only the tests that make pictures need it

    out = io.BytesIO()
    Image.new("RGB", (int(width), int(height)), tuple(rgb)).save(out, "JPEG", quality=quality)
    return out.getvalue()


def register(stand):
    def seed(ex):
        ex.note["service"] = "seed"
        settings = ex.stand.settings
        kind = "abt" if ex.path == "/ab/get" else "variations"
        ex.note["seed_kind"] = kind
        body = settings.get(f"{kind}_seed_body")
        if body is None:
            body = settings["seed_body"]
        headers = {}
        for header, key in (("X-Seed-Signature", "seed_signature"), ("Last-Modified", "seed_last_modified"),
                            ("X-Country", "seed_country")):
            if settings.get(key) is not None:
                headers[header] = settings[key]
        ex.send(body, headers=headers)

    def slide(ex):
        ex.note["service"] = "slides"
        number = int(_SLIDE.fullmatch(ex.path).group(1))
        ex.note["slide"] = number
        served = ex.stand.settings.get("slides")
        if served is None:
            ex.send(download.SLIDE_JPEG, content_type="image/jpeg")
            return
        if number not in served:
            ex.send_text("stand: no such slide\n", 404)
            return
        ex.send(served[number], content_type="image/jpeg")

    stand.route("GET", api.SEED_PATHS, seed)
    stand.route("GET", _SLIDE.pattern, slide)
