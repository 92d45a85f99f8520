"""The installer tag under Wine: signed installers tagged by tools/tag in
both carriers still verify (WinVerifyTrust), and the installer started from
them writes the "distrib_info" dump and the "DistribInfoParams" value holding
exactly the tag's parameters. Hostile certificate tables yield an empty tag
with the logged reason."""
import json
import pathlib
import shutil
import struct
import subprocess
import sys

import pytest

import installer
import kelmor_wine as w

sys.path.insert(0, str(w.SOURCE / "tools" / "tag"))
import kelmor_tag  # noqa: E402

TOOL = w.SOURCE / "tools" / "tag" / "kelmor_tag.py"
SIGNED = w.BUILD / "config-signing" / "lite_installer_signed.exe"
WORK = w.BUILD / "e2e-config"
PARAMS = "banerid=7&lang=ru&kelmoruid=%7Babc%7D&def=1&stat=2&flag"


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    yield


def tool(*args):
    with open(WORK / "tool.out", "w+b") as out:
        code = subprocess.run([sys.executable, str(TOOL), *map(str, args)], stdout=out, stderr=out,
                              timeout=60).returncode
        out.seek(0)
        return code, out.read().decode()


def verify_trust(path):
    """The HRESULT of WinVerifyTrust on `path`."""
    result = w.run(w.BIN / "wintrust_check.exe", [w.to_windows(path)], timeout=60)
    assert not result.timed_out
    return result.code & 0xFFFFFFFF


def host_verify(path):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", str(SIGNED.parent / "root.pem"),
                           "-in", str(path)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60).returncode


def run_installer(exe, args=()):
    result = installer.run(["--silent", *args], exe=exe)
    assert result.code == installer.NO_STAND_RESULT, (result, installer.log_texts())
    return result


def dump():
    path = w.temp_dir() / "distrib_info"
    return json.loads(path.read_text()) if path.exists() else None


def stored_params():
    return w.reg_query(installer.PRODUCT_KEY, "DistribInfoParams")


def expected_map(raw):
    out = {}
    for pair in raw.split("&"):
        key, _, value = pair.partition("=")
        out[key] = value
    return out


def tagged(carrier, tag=PARAMS, source=SIGNED, **kw):
    out = WORK / f"tagged_{carrier}.exe"
    out.write_bytes(kelmor_tag.write_tag(source.read_bytes(), tag.encode(), carrier, **kw))
    return out


def test_signed_installer_without_tag():
    assert verify_trust(SIGNED) == 0
    exe = WORK / "signed.exe"
    shutil.copyfile(SIGNED, exe)
    run_installer(exe)
    # A signed file without dummy certificates is no error.
    assert not installer.log_has("certificate table")
    assert dump() is None
    assert stored_params() is None


@pytest.mark.parametrize("carrier,piece_size", [("cert", None), ("cert", 9), ("kect", None)])
def test_tagged_installer_verifies_and_carries_its_parameters(carrier, piece_size):
    code, out = tool("write", "--carrier", carrier, "--tag", PARAMS,
                     *(["--piece-size", piece_size] if piece_size else []), SIGNED, WORK / "t.exe")
    assert code == 0, out
    exe = WORK / "t.exe"
    assert verify_trust(exe) == 0
    assert host_verify(exe) == 0
    assert tool("read", exe) == (0, f"{carrier}: {PARAMS}\n")
    if piece_size:
        pieces = kelmor_tag.SignedData(kelmor_tag.Image(exe.read_bytes()).pkcs7).certificates
        assert sum(kelmor_tag.dummy_piece(c) is not None for c in pieces) == -(-len(PARAMS) // 9)

    run_installer(exe)
    assert dump() == expected_map(PARAMS)
    assert stored_params() == PARAMS
    assert installer.log_has("Default language: ru")  # the "lang" parameter
    assert not installer.log_has("certificate table")
    # The dump is pretty printed, one member a line, keys in order.
    text = (w.temp_dir() / "distrib_info").read_text()
    assert text.splitlines()[1] == '   "banerid": "7",'


def test_command_line_parameters_win_over_the_tag():
    exe = tagged("cert")
    run_installer(exe, ["--distr-info-params=x=1&lang=tr"])
    assert dump() == {"x": "1", "lang": "tr"}
    assert stored_params() == "x=1&lang=tr"
    assert installer.log_has("Default language: tr")


def test_rewriting_replaces_the_tag_in_either_carrier():
    first = tagged("cert", "a=1")
    assert tool("write", "--carrier", "kect", "--tag", "b=2", first, WORK / "second.exe")[0] == 0
    second = WORK / "second.exe"
    assert tool("read", second) == (0, "kect: b=2\n")
    assert verify_trust(second) == 0
    run_installer(second)
    assert dump() == {"b": "2"}
    # And back: the block goes, the certificate comes.
    assert tool("write", "--tag", "c=3", second, WORK / "third.exe")[0] == 0
    assert kelmor_tag.Image((WORK / "third.exe").read_bytes()).appended_tag() is None
    assert tool("read", WORK / "third.exe") == (0, "cert: c=3\n")
    # Removing gives back the signed file byte for byte.
    assert tool("remove", WORK / "third.exe", WORK / "clean.exe")[0] == 0
    assert (WORK / "clean.exe").read_bytes() == SIGNED.read_bytes()


def test_tool_refuses_what_it_cannot_do():
    code, out = tool("write", "--tag", "a=1", installer.EXE, WORK / "x.exe")
    assert code == 1 and "the file is not signed" in out
    (WORK / "text.exe").write_bytes(b"just text")
    code, out = tool("write", "--tag", "a=1", WORK / "text.exe", WORK / "x.exe")
    assert code == 1 and "not a Windows executable" in out
    code, out = tool("write", "--carrier", "kect", "--tag", "a" * 70000, SIGNED, WORK / "x.exe")
    assert code == 1 and "at most 65535 bytes" in out
    code, out = tool("write", "--tag", "", SIGNED, WORK / "x.exe")
    assert code == 1 and "empty" in out
    # Data after the certificate table cannot be kept in place.
    (WORK / "overlay.exe").write_bytes(SIGNED.read_bytes() + b"overlay")
    code, out = tool("write", "--tag", "a=1", WORK / "overlay.exe", WORK / "x.exe")
    assert code == 1 and "not at the end of the file" in out
    assert not (WORK / "x.exe").exists()
    assert tool("read", SIGNED) == (0, "no tag\n")


def rewrite(data, pkcs7, block=b""):
    return kelmor_tag.Image(data).rebuilt(pkcs7, block)


def hostile(name, data):
    path = WORK / name
    path.write_bytes(data)
    run_installer(path)
    return path


def test_certificate_table_outside_the_file():
    data = bytearray(tagged("kect").read_bytes())
    image = kelmor_tag.Image(bytes(data))
    struct.pack_into("<I", data, image.entry, len(data) + 4096)
    path = hostile("outside.exe", bytes(data))
    assert installer.log_has(f"ERROR: Failed to find certificate table in {w.to_windows(path)} - ")
    assert dump() is None and stored_params() is None


def test_der_lengths_that_overflow_or_run_past_their_parent():
    signed = SIGNED.read_bytes()
    image = kelmor_tag.Image(signed)
    certs = kelmor_tag.SignedData(image.pkcs7)
    for name, bogus in (("past_parent.exe", b"\x30\x10short"),
                        ("overflow.exe", b"\x30\x84\xff\xff\xff\xf0"),
                        ("five_bytes.exe", b"\x30\x85\x01\x01\x01\x01\x01")):
        installer.clean()
        certs.certificates = certs.certificates[:1] + [kelmor_tag.dummy_certificate(b"early=1"), bogus]
        path = hostile(name, rewrite(signed, certs.encode()))
        assert installer.log_has(f"ERROR: Invalid ASN1 format of certificate table in {w.to_windows(path)} - "), name
        # Earlier pieces do not count once the set is broken.
        assert dump() is None and stored_params() is None, name


def test_piece_longer_than_its_octet_string_is_empty_others_count():
    signed = SIGNED.read_bytes()
    certs = kelmor_tag.SignedData(kelmor_tag.Image(signed).pkcs7)
    bad = kelmor_tag.dummy_certificate(b"xyz").replace(b"\x00\x03xyz", b"\x00\x09xyz")
    certs.certificates += [kelmor_tag.dummy_certificate(b"a=1&"), bad, kelmor_tag.dummy_certificate(b"b=2")]
    path = hostile("long_piece.exe", rewrite(signed, certs.encode()))
    assert verify_trust(path) == 0
    assert dump() == {"a": "1", "b": "2"}
    assert stored_params() == "a=1&b=2"


def test_appended_block_running_past_the_file():
    signed = SIGNED.read_bytes()
    pkcs7 = kelmor_tag.Image(signed).pkcs7
    # The length says 100 bytes; the file ends after 5 (and its padding).
    data = rewrite(signed, pkcs7, b"Kect" + struct.pack(">H", 100) + b"a=1&b")
    assert len(data) < data.rfind(b"Kect") + 6 + 100
    hostile("long_block.exe", data)
    assert dump() is None and stored_params() is None
    # An empty block is an empty tag.
    installer.clean()
    hostile("empty_block.exe", rewrite(signed, pkcs7, b"Kect\x00\x00"))
    assert dump() is None and stored_params() is None
