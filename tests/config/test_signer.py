#!/usr/bin/env python3
"""Signs test installers with a throw-away authority made in the build
folder (never committed): a root certificate and a code-signing leaf.

  test_signer.py sign DIR IN OUT   make the material in DIR once, then sign IN
                                   into OUT (Authenticode, SHA-256)
"""
import fcntl
import pathlib
import subprocess
import sys


def run(*args):
    result = subprocess.run(list(args), capture_output=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"test_signer: {' '.join(args)}: {result.stderr.decode(errors='replace')}")


def ensure(d):
    d.mkdir(parents=True, exist_ok=True)
    with open(d / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        make(d)


def make(d):
    done = d / ".complete"
    if done.exists():
        return
    (d / "root.cnf").write_text(
        "[req]\ndistinguished_name=dn\n[dn]\n"
        "[root]\nbasicConstraints=critical,CA:true\nkeyUsage=critical,keyCertSign,cRLSign\n"
        "subjectKeyIdentifier=hash\n"
        "[leaf]\nbasicConstraints=CA:false\nkeyUsage=critical,digitalSignature\n"
        "extendedKeyUsage=codeSigning\nauthorityKeyIdentifier=keyid\n")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3650",
        "-subj", "/CN=Kelmor Test Tag Root", "-keyout", str(d / "root.key"), "-out", str(d / "root.pem"),
        "-config", str(d / "root.cnf"), "-extensions", "root")
    run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-subj", "/CN=Kelmor Test Tag Signer",
        "-keyout", str(d / "signer.key"), "-out", str(d / "signer.csr"), "-config", str(d / "root.cnf"))
    run("openssl", "x509", "-req", "-in", str(d / "signer.csr"), "-CA", str(d / "root.pem"),
        "-CAkey", str(d / "root.key"), "-CAcreateserial", "-days", "3650", "-sha256",
        "-extfile", str(d / "root.cnf"), "-extensions", "leaf", "-out", str(d / "signer.pem"))
    (d / "chain.pem").write_bytes((d / "signer.pem").read_bytes() + (d / "root.pem").read_bytes())
    done.touch()


def main():
    if len(sys.argv) != 5 or sys.argv[1] != "sign":
        sys.exit(__doc__)
    d, src, out = (pathlib.Path(a) for a in sys.argv[2:])
    ensure(d)
    out.unlink(missing_ok=True)
    run("osslsigncode", "sign", "-certs", str(d / "chain.pem"), "-key", str(d / "signer.key"),
        "-h", "sha256", "-n", "Kelmor Browser installer", "-in", str(src), "-out", str(out))


if __name__ == "__main__":
    main()
