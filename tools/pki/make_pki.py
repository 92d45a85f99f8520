#!/usr/bin/env python3
"""Generates the test signing material of a build with openssl.

    make_pki.py OUT_DIR

Writes into OUT_DIR (replacing what was there):
  root.key, root.crt, root.der     the test authority (trusted in the Wine
                                   prefix through install_test_root.exe)
  codesign_sha256.{key,crt}        code signing, certificate signed with
                                   sha256WithRSAEncryption by the root
  codesign_sha1.{key,crt}          code signing, certificate signed with
                                   sha1WithRSAEncryption by the root
  outsider.{key,crt}               code signing, issued by the root but never
                                   put on a trusted list
  foreign_root.{key,crt}           an authority that no prefix trusts
  foreign_signer.{key,crt}         code signing, issued by foreign_root
  forged_root.{key,crt}            a self-made authority with the root's name
                                   and serial number, trusted by nobody
  forged_signer.{key,crt}          code signing, issued by forged_root, with
                                   the name and serial number of
                                   codesign_sha256
  localhost.{key,crt}              TLS server certificate for "localhost"
  localhost_expired.{key,crt}      the same, issued by the root, expired in 2021
  other_host.{key,crt}             TLS server certificate for "other.example"
                                   only, issued by the root
  localhost_foreign.{key,crt}      TLS server certificate for "localhost"
                                   issued by foreign_root
  keys/key0..key9.pem              RSA-1024 key pairs of the built-in table
  keys/key0..key9.spki.b64         their public keys: Base64 of the DER
                                   SubjectPublicKeyInfo (216 characters)
  keys/unknown.pem                 an RSA-1024 key that is not in the table
  serials.json                     the serial number of every certificate
  .complete                        written last

Nothing here is a secret of any product: the private keys exist only in the
build folder and are never committed.
"""
import base64
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

# Fixed serial numbers: positive, first byte below 0x80, so their DER
# INTEGER has no sign byte and the identifier bytes are exactly these.
SERIALS = {
    "root": "1B2C3D4E5F607182",
    "codesign_sha256": "2A3B4C5D6E7F8091",
    "codesign_sha1": "3A4B5C6D7E8F9012",
    "outsider": "4A5B6C7D8E9FA023",
    "foreign_root": "5A6B7C8D9EAFB034",
    "foreign_signer": "6A7B8C9DAEBFC045",
    "localhost": "7A8B9CADBECFD056",
    "localhost_expired": "7B8C9DAEBFC0D167",
    "other_host": "7C8D9EAFB0C1D278",
    "localhost_foreign": "7D8E9FA0B1C2D389",
}
DAYS = "7300"
KEY_COUNT = 10


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def write(path, text):
    pathlib.Path(path).write_text(text)


# Certificates that copy another one's serial number.
SERIAL_OF = {"forged_root": "root", "forged_signer": "codesign_sha256"}


def serial(name):
    return SERIALS[SERIAL_OF.get(name, name)]


def make_authority(work, name, subject):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key",
            "-out", f"{name}.crt", "-subj", subject, "-days", DAYS, "-sha256",
            "-set_serial", "0x" + serial(name),
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign,digitalSignature",
            "-addext", "subjectKeyIdentifier=hash", cwd=work)


def make_leaf(work, name, subject, issuer, digest, extensions):
    ext = work / f"{name}.ext"
    write(ext, extensions)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out",
            f"{name}.csr", "-subj", subject, cwd=work)
    openssl("x509", "-req", "-in", f"{name}.csr", "-CA", f"{issuer}.crt", "-CAkey",
            f"{issuer}.key", "-set_serial", "0x" + serial(name), f"-{digest}", "-days", DAYS,
            "-extfile", ext.name, "-out", f"{name}.crt", cwd=work)
    (work / f"{name}.csr").unlink()
    ext.unlink()


CODE_SIGNING = ("basicConstraints=critical,CA:FALSE\n"
                "keyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n"
                "authorityKeyIdentifier=keyid\n")
SERVER = ("basicConstraints=critical,CA:FALSE\n"
          "keyUsage=critical,digitalSignature,keyEncipherment\n"
          "extendedKeyUsage=serverAuth\n"
          "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
          "authorityKeyIdentifier=keyid\n")


def server_extensions(host):
    return SERVER.replace("DNS:localhost,IP:127.0.0.1", f"DNS:{host}")


# `openssl x509 -req` cannot date a certificate in the past; `openssl ca` can.
CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = ca_index.txt
new_certs_dir = .
serial = ca_serial.txt
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
organizationName = optional
"""


def make_expired_leaf(work, name, subject, issuer, extensions):
    write(work / "ca.cnf", CA_CONFIG)
    write(work / "ca_index.txt", "")
    write(work / "ca_serial.txt", SERIALS[name] + "\n")
    ext = work / f"{name}.ext"
    write(ext, extensions)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out",
            f"{name}.csr", "-subj", subject, cwd=work)
    openssl("ca", "-batch", "-config", "ca.cnf", "-cert", f"{issuer}.crt", "-keyfile",
            f"{issuer}.key", "-in", f"{name}.csr", "-out", f"{name}.crt", "-notext",
            "-startdate", "20200101000000Z", "-enddate", "20210101000000Z",
            "-extfile", ext.name, cwd=work)
    for leftover in ["ca.cnf", "ca_serial.txt", "ca_serial.txt.old", "ca_index.txt",
                     "ca_index.txt.attr", "ca_index.txt.old", f"{name}.csr", ext.name,
                     f"{SERIALS[name]}.pem"]:
        (work / leftover).unlink(missing_ok=True)


def make_rsa1024(work, path):
    openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-out", path,
            cwd=work)


def spki_base64(work, key_path):
    der = subprocess.run(["openssl", "pkey", "-in", key_path, "-pubout", "-outform", "DER"],
                         cwd=work, check=True, capture_output=True).stdout
    if len(der) != 162:
        raise RuntimeError(f"{key_path}: SubjectPublicKeyInfo of {len(der)} bytes")
    return base64.b64encode(der).decode()


def generate(out):
    work = pathlib.Path(tempfile.mkdtemp(prefix=".pki-", dir=out.parent))
    try:
        make_authority(work, "root", "/O=Kelmor Test/CN=Kelmor Test Root Authority")
        make_leaf(work, "codesign_sha256", "/O=Kelmor Test/CN=Kelmor Test Code Signing SHA256",
                  "root", "sha256", CODE_SIGNING)
        make_leaf(work, "codesign_sha1", "/O=Kelmor Test/CN=Kelmor Test Code Signing SHA1",
                  "root", "sha1", CODE_SIGNING)
        make_leaf(work, "outsider", "/O=Kelmor Test/CN=Kelmor Test Outsider", "root", "sha256",
                  CODE_SIGNING)
        make_authority(work, "foreign_root", "/O=Foreign Test/CN=Foreign Test Root")
        make_leaf(work, "foreign_signer", "/O=Foreign Test/CN=Foreign Test Code Signing",
                  "foreign_root", "sha256", CODE_SIGNING)
        make_authority(work, "forged_root", "/O=Kelmor Test/CN=Kelmor Test Root Authority")
        make_leaf(work, "forged_signer", "/O=Kelmor Test/CN=Kelmor Test Code Signing SHA256",
                  "forged_root", "sha256", CODE_SIGNING)
        make_leaf(work, "localhost", "/O=Kelmor Test/CN=localhost", "root", "sha256", SERVER)
        make_expired_leaf(work, "localhost_expired", "/O=Kelmor Test/CN=localhost", "root",
                          server_extensions("localhost"))
        make_leaf(work, "other_host", "/O=Kelmor Test/CN=other.example", "root", "sha256",
                  server_extensions("other.example"))
        make_leaf(work, "localhost_foreign", "/O=Foreign Test/CN=localhost", "foreign_root",
                  "sha256", server_extensions("localhost"))
        openssl("x509", "-in", "root.crt", "-outform", "DER", "-out", "root.der", cwd=work)
        keys = work / "keys"
        keys.mkdir()
        for i in range(KEY_COUNT):
            make_rsa1024(work, f"keys/key{i}.pem")
            write(keys / f"key{i}.spki.b64", spki_base64(work, f"keys/key{i}.pem") + "\n")
        make_rsa1024(work, "keys/unknown.pem")
        write(work / "serials.json", json.dumps(SERIALS, indent=2) + "\n")
        for key in work.rglob("*.key"):
            key.chmod(0o600)
        for key in keys.glob("*.pem"):
            key.chmod(0o600)
        write(work / ".complete", "ok\n")
        if out.exists():
            shutil.rmtree(out)
        os.replace(work, out)
    finally:
        if work.exists():
            shutil.rmtree(work, ignore_errors=True)


def main():
    out = pathlib.Path(sys.argv[1]).resolve()
    out.parent.mkdir(parents=True, exist_ok=True)
    try:
        generate(out)
    except subprocess.CalledProcessError as e:
        sys.stderr.write(f"make_pki: {' '.join(e.cmd)}: {e.stderr.decode(errors='replace')}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
