#!/usr/bin/env python3
"""Seed corpora of the fuzz targets: small executable images carrying tags in
both carriers (built with the distributor tool's own DER code), package
documents, parameter strings, feature lists, command lines and a crash dump."""
import pathlib
import struct
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "tag"))
import kelmor_tag as t  # noqa: E402

SOURCE = pathlib.Path(__file__).resolve().parents[2]


def image(pkcs7, block=b"", pe32_plus=False):
    head = bytearray(512)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 60, 128)
    head[128:132] = b"PE\0\0"
    struct.pack_into("<H", head, 128 + 24, 0x20B if pe32_plus else 0x10B)
    body = pkcs7
    if block:
        body += bytes((-(8 + len(body))) % 8) + block
    body += bytes((-(8 + len(body))) % 8)
    entry = 128 + 24 + (144 if pe32_plus else 128)
    struct.pack_into("<II", head, entry, len(head), len(body) + 8)
    return bytes(head) + struct.pack("<IHH", len(body) + 8, 0x200, 2) + body


def signed_data(certificates):
    oid = t.der(0x06, bytes.fromhex("2A864886F70D010702"))
    inner = (t.der(0x02, b"\x01") + t.der(0x31, b"") + t.der(0x30, t.der(0x06, bytes.fromhex("2A864886F70D010701")))
             + t.der(0xA0, b"".join(certificates)) + t.der(0x31, b""))
    return t.der(0x30, oid + t.der(0xA0, t.der(0x30, inner)))


def crash_dump(annotations):
    """A dump whose information stream is relocated: header, a directory of
    one stream, then the stream with absolute offsets."""
    stream_at = 32 + 12
    dictionary = stream_at + 52
    strings_at = dictionary + 4 + 8 * len(annotations)
    entries, strings = b"", b""
    for key, value in sorted(annotations.items()):
        for text in (key, value):
            entries += struct.pack("<I", strings_at + len(strings))
            strings += struct.pack("<I", len(text)) + text + b"\0"
    body = struct.pack("<I", len(annotations)) + entries + strings
    stream = (struct.pack("<I", 1) + bytes(range(1, 17)) + bytes(range(100, 116))
              + struct.pack("<IIII", len(body), dictionary, 0, 0) + body)
    header = struct.pack("<IIIIIIQ", 0x504D444D, 0xA793, 1, 32, 0, 0, 0)
    return header + struct.pack("<III", 0x43500001, len(stream), stream_at) + stream


def command_line(text):
    return text.encode("utf-16-le")


def main():
    out = pathlib.Path(sys.argv[1])
    seeds = {
        "installer_tag_fuzzer": {
            "two_pieces": image(signed_data([t.dummy_certificate(b"a=1&"), t.dummy_certificate(b"b=2")])),
            "pe32_plus": image(signed_data([t.dummy_certificate(b"x=64")]), pe32_plus=True),
            "kect": image(signed_data([t.dummy_certificate(b"p" * 200)]), b"Kect\x00\x07lang=ru"),
            "no_table": image(b"")[:300],
        },
        "json_fuzzer": {
            "package": (SOURCE / "resources/brand_packages/brand_config.json").read_bytes(),
            "partner": b"//" + b"A" * 172 + b"\n" + (SOURCE / "tests/data/config/partner_config.json").read_bytes(),
            "extended": b'{"a": "x\\v\\x41\\u00e9\tb", /* c */ "n": [1, 2.5e3, -0, true, null]}',
        },
        "base64_fuzzer": {
            "padded": b"Zm9vYg==",
            "unpadded": b"Zm9vYmE",
            "binary": bytes(range(0, 256, 7)),
        },
        "feature_overrides_fuzzer": {
            "example": b"win7update:win7-version=6.0,verify_signer=true;-other",
            "blanks": b" win7update : win7-version = 6.0 , verify_signer=true ; -other ;; third:",
        },
        "command_line_fuzzer": {
            "switches": command_line('--brand-name=ua_uk /SILENT -semi-silent plain "--x=a b"'),
            "quoting": command_line('--path="C:\\a b\\\\" --quote="say \\"hi\\"" --tab="a\tb"'),
        },
        "information_stream_fuzzer": {
            "relocated": crash_dump({b"prod": b"Kelmor", b"ver": b"1.0", b"empty": b""}),
        },
        "distrib_params_fuzzer": {
            "simple": b"a=1&b&c=",
            "full": b"banerid=7&lang=ru&def=1&stat=2&first=1&uac=0&u=a=b%20c&&x",
        },
    }
    for target, files in seeds.items():
        d = out / target
        d.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            (d / name).write_bytes(data)


if __name__ == "__main__":
    main()
