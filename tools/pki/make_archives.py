#!/usr/bin/env python3
"""Signs the test setup archives of a build.

    make_archives.py PKI_DIR PROGRAMS_DIR OUT_DIR

PROGRAMS_DIR holds fake_setup_<set>.exe, the test setup program built with
each resource set of make_trust_resources.py. OUT_DIR gets one
<name>.arc per entry of ARCHIVES (Authenticode signatures made with
osslsigncode), plus archives.json describing them.
"""
import json
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile

ISSUER = {"codesign_sha256": "root", "codesign_sha1": "root", "outsider": "root",
          "foreign_signer": "foreign_root", "forged_signer": "forged_root"}

SHA256 = ("codesign_sha256", "sha256")
SHA1 = ("codesign_sha1", "sha1")

# name: (resource set, signatures in order (the first is the primary, each
# further one nested), change after signing, verdict, what it shows)
ARCHIVES = {
    "good": ("standard", [SHA256, SHA1], None, True,
             "SHA-256 primary signature with a nested SHA-1 one, both signers listed"),
    "good_sha256_only": ("standard", [SHA256], None, True, "one SHA-256 signature"),
    "good_sha1_only": ("standard", [SHA1], None, True,
                       "one SHA-1 signature (passes through the SHA-1 road)"),
    "good_no_pub_key": ("no_pub_key", [SHA256], None, True,
                        "the signer's list entry has no pub_key"),
    "tampered": ("standard", [SHA256, SHA1], "tamper", False,
                 "a code byte changed after signing"),
    "unsigned": ("standard", [], None, False, "no Authenticode signature"),
    "untrusted_signer": ("standard", [("outsider", "sha256")], None, False,
                         "signed by a certificate of the test authority that is not listed"),
    "foreign_root": ("standard", [("foreign_signer", "sha256")], None, False,
                     "listed signer whose authority is not in the Root store"),
    "forged_serials": ("no_pub_key", [("forged_signer", "sha256")], None, False,
                       "a self-made chain copying the listed signer's serial numbers, against a "
                       "list entry that pins no key"),
    "unknown_key": ("unknown_key", [SHA256, SHA1], None, False,
                    "trusted list signed with a key outside the built-in table"),
    "key_index_10": ("key_index_10", [SHA256, SHA1], None, False,
                     "SIGNATURE_DAT names key slot 10"),
    "signature_dat_2_bytes": ("signature_dat_2_bytes", [SHA256, SHA1], None, False,
                              "SIGNATURE_DAT holds only the key slot"),
    "pubkey_mismatch": ("pubkey_mismatch", [SHA256], None, False,
                        "the list pins another public key for the signer"),
    "sha256_fails_sha1_passes": ("sha1_signer_only", [SHA256, SHA1], None, False,
                                 "SHA-256 primary signer not listed, nested SHA-1 signer listed"),
}

def pe_offsets(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional_size
    return pe, table, sections


def tamper(path):
    """Flips one byte inside the first section's raw data."""
    data = bytearray(path.read_bytes())
    _, table, _ = pe_offsets(data)
    raw_size, raw_pointer = struct.unpack_from("<II", data, table + 16)
    if raw_size < 0x200:
        raise ValueError("first section too small")
    data[raw_pointer + 0x100] ^= 0xFF
    path.write_bytes(data)


def sign(pki, source, target, signer, digest, nested):
    args = ["osslsigncode", "sign", "-certs", str(pki / f"{signer}.crt"),
            "-key", str(pki / f"{signer}.key"), "-ac", str(pki / f"{ISSUER[signer]}.crt"),
            "-h", digest, "-n", "Kelmor Browser setup", "-in", str(source), "-out", str(target)]
    if nested:
        args.insert(2, "-nest")
    result = subprocess.run(args, capture_output=True)
    if result.returncode != 0:
        raise RuntimeError(f"osslsigncode: {' '.join(args)}\n{result.stdout.decode()}"
                           f"{result.stderr.decode()}")


def build(pki, programs, out, name, recipe, work):
    resource_set, signatures, after, _, _ = recipe
    current = work / f"{name}.0"
    shutil.copyfile(programs / f"fake_setup_{resource_set}.exe", current)
    for i, (signer, digest) in enumerate(signatures):
        nxt = work / f"{name}.{i + 1}"
        sign(pki, current, nxt, signer, digest, nested=i > 0)
        current = nxt
    if after == "tamper":
        tamper(current)
    shutil.copyfile(current, out / f"{name}.arc")


def main():
    pki, programs, out = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=out) as tmp:
        for name, recipe in ARCHIVES.items():
            build(pki, programs, out, name, recipe, pathlib.Path(tmp))
    description = {name: {"resource_set": r[0],
                          "signatures": [{"signer": s, "digest": d} for s, d in r[1]],
                          "verifies": r[3], "shows": r[4]}
                   for name, r in ARCHIVES.items()}
    (out / "archives.json").write_text(json.dumps(description, indent=2) + "\n")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, ValueError, OSError) as e:
        sys.stderr.write(f"make_archives: {e}\n")
        sys.exit(1)
