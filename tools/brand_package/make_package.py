#!/usr/bin/env python3
"""Makes a brand or partner package: a cabinet (MS-ZIP) holding one file,
"brand_config" or "partner_config", whose first line is "//" and the
172-character Base64 form of a 128-byte RSA signature of the document, and
whose rest is the JSON document itself.

  make_package.py --entry brand_config --key signing_key.pem SOURCE OUT.cab

SOURCE is a JSON document, or a ready package (.cab), which is copied as it
is. A document that already begins with a "//" line keeps its own signature
line. The key is an RSA-1024 private key (PEM); the signature is SHA-1 over
the document's bytes.
"""
import argparse
import base64
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

ENTRIES = ("brand_config", "partner_config")
# Fixed file time inside the cabinet, so that a build is reproducible.
FILE_TIME = 1356998400  # 2013-01-01 00:00:00 UTC


def fail(message):
    print(f"make_package: {message}", file=sys.stderr)
    sys.exit(1)


def signature_line(document, key):
    with tempfile.NamedTemporaryFile() as data:
        data.write(document)
        data.flush()
        result = subprocess.run(["openssl", "dgst", "-sha1", "-sign", str(key), data.name],
                                capture_output=True, timeout=60)
    if result.returncode != 0:
        fail(f"openssl could not sign with {key}: {result.stderr.decode(errors='replace').strip()}")
    if len(result.stdout) != 128:
        fail(f"{key} is not an RSA-1024 key (signature of {len(result.stdout)} bytes, need 128)")
    line = base64.b64encode(result.stdout)
    assert len(line) == 172
    return b"//" + line + b"\n"


def package_text(source, key):
    text = source.read_bytes()
    if text.startswith(b"//"):
        first, _, document = text.partition(b"\n")
        if len(first) != 2 + 172:
            fail(f"{source}: the first line must be // and a 172-character signature")
        prefix = first + b"\n"
    else:
        document = text
        prefix = None
    try:
        value = json.loads(document.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        fail(f"{source}: not a JSON document: {e}")
    if not isinstance(value, dict):
        fail(f"{source}: the document must be a JSON object")
    if prefix is None:
        if key is None:
            fail(f"{source}: --key is needed to sign a document without a signature line")
        prefix = signature_line(document, key)
    return prefix + document


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--entry", required=True, choices=ENTRIES)
    parser.add_argument("--key", type=pathlib.Path, help="RSA-1024 private key (PEM)")
    parser.add_argument("source", type=pathlib.Path)
    parser.add_argument("output", type=pathlib.Path)
    args = parser.parse_args()

    if not args.source.is_file():
        fail(f"{args.source}: no such file")
    args.output.parent.mkdir(parents=True, exist_ok=True)
    if args.source.suffix.lower() == ".cab":
        if args.source.read_bytes()[:4] != b"MSCF":
            fail(f"{args.source}: not a cabinet")
        shutil.copyfile(args.source, args.output)
        return
    text = package_text(args.source, args.key)
    with tempfile.TemporaryDirectory() as tmp:
        entry = pathlib.Path(tmp) / args.entry
        entry.write_bytes(text)
        os.utime(entry, (FILE_TIME, FILE_TIME))
        out = pathlib.Path(tmp) / "package.cab"
        result = subprocess.run(["gcab", "-c", "-n", "-z", str(out), str(entry)],
                                capture_output=True, timeout=60)
        if result.returncode != 0:
            fail(f"gcab: {result.stderr.decode(errors='replace').strip()}")
        shutil.copyfile(out, args.output)


if __name__ == "__main__":
    main()
