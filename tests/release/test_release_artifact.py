"""The release installer (build/bin/lite_installer.exe) is what ships: a
32-bit Windows GUI program with the production hosts, no test hook, no
stand host or port, and the key table from the committed public keys, none
of the test authority's keys. Its configuration refuses to go on without
that key file."""
import os
import pathlib
import re
import struct
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ["KELMOR_SOURCE_DIR"])
TEST_BUILD = pathlib.Path(os.environ["KELMOR_BUILD_DIR"])
RELEASE_EXE = pathlib.Path(os.environ["KELMOR_RELEASE_INSTALLER"])
RELEASE_BUILD = RELEASE_EXE.parent.parent
STAND_PORT = os.environ.get("KELMOR_STAND_PORT", "18080")


def cache_value(build, name):
    for line in (build / "CMakeCache.txt").read_text(errors="replace").splitlines():
        if line.startswith(name + ":"):
            return line.split("=", 1)[1]
    return None


@pytest.fixture(scope="module")
def image():
    assert RELEASE_EXE.exists(), f"{RELEASE_EXE}: scripts/build makes it"
    return RELEASE_EXE.read_bytes()


@pytest.fixture(scope="module")
def strings(image):
    """The printable runs of four or more characters, ASCII and UTF-16LE."""
    ascii_runs = [m.group().decode() for m in re.finditer(rb"[\x20-\x7e]{4,}", image)]
    wide_runs = [m.group().decode("utf-16-le") for m in re.finditer(rb"(?:[\x20-\x7e]\x00){4,}", image)]
    return ascii_runs + wide_runs


def test_is_a_32_bit_windows_gui_program(image):
    assert image[:2] == b"MZ"
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0"
    machine, = struct.unpack_from("<H", image, pe + 4)
    characteristics, = struct.unpack_from("<H", image, pe + 22)
    optional = pe + 24
    magic, = struct.unpack_from("<H", image, optional)
    subsystem, = struct.unpack_from("<H", image, optional + 68)
    assert machine == 0x14C  # IMAGE_FILE_MACHINE_I386
    assert magic == 0x10B  # PE32
    assert subsystem == 2  # IMAGE_SUBSYSTEM_WINDOWS_GUI
    assert characteristics & 0x2000 == 0  # not a DLL


def test_has_no_test_hook_and_no_stand_host(strings):
    assert not [s for s in strings if "KELMOR_TEST_" in s]
    assert not [s for s in strings if "localhost" in s.lower()]
    port = re.compile(rf"(?<![0-9]){STAND_PORT}(?![0-9])")
    assert not [s for s in strings if port.search(s)]
    # The scan does see production hosts (the compiler builds some of them
    # from immediate values, so not every one is a string of the file).
    hosts = [cache_value(RELEASE_BUILD, name) for name in ("KELMOR_DOWNLOAD_HOST", "KELMOR_API_HOST",
                                                            "KELMOR_STAT_HOST", "KELMOR_CRASH_HOST")]
    assert all(host.startswith("https://") for host in hosts)
    assert any(host in s for host in hosts for s in strings)
    assert not [s for s in strings if "http://" in s and ".example" in s]


def test_key_table_is_the_committed_one_and_holds_no_test_key(image):
    keys_file = pathlib.Path(cache_value(RELEASE_BUILD, "KELMOR_TRUST_KEYS_FILE"))
    release_keys = [line.strip() for line in keys_file.read_text().splitlines()
                    if line.strip() and not line.startswith("#") and line.strip() != "-"]
    assert release_keys
    for key in release_keys:
        assert key.encode() in image
    test_keys = [p.read_text().strip() for p in sorted((TEST_BUILD / "pki" / "keys").glob("key*.spki.b64"))]
    assert len(test_keys) == 10
    for key in test_keys:
        assert key.encode() not in image
    # Neither the test authority nor any of its certificates.
    for cert in (TEST_BUILD / "pki").glob("*.crt"):
        der = subprocess.run(["openssl", "x509", "-in", str(cert), "-outform", "DER"], check=True,
                             capture_output=True).stdout
        assert der[-64:] not in image, cert.name


def test_release_configuration_without_the_key_file_stops(tmp_path):
    result = subprocess.run(
        ["cmake", "-S", str(SOURCE), "-B", str(tmp_path / "release"), "-G", "Ninja",
         f"-DCMAKE_TOOLCHAIN_FILE={SOURCE}/cmake/mingw-i686.cmake", "-DKELMOR_TEST_BUILD=OFF",
         f"-DKELMOR_TRUST_KEYS_FILE={tmp_path}/no_such_keys.txt"],
        capture_output=True, text=True, timeout=300)
    assert result.returncode != 0
    assert "needs the file of the built-in verification keys" in result.stderr
    assert "no_such_keys.txt" in result.stderr


def test_no_code_ignores_certificate_errors():
    """Every HTTPS transfer checks the server's certificate: no source of the
    product sets a flag or option that lets a certificate error pass."""
    ignoring = re.compile(r"INTERNET_FLAG_IGNORE_CERT_|SECURITY_FLAG_IGNORE_|INTERNET_OPTION_SECURITY_FLAGS|"
                          r"WINHTTP_OPTION_SECURITY_FLAGS|SECURITY_FLAG_IGNORE_UNKNOWN_CA")
    found = []
    for folder in ("base", "installer"):
        for path in (SOURCE / folder).rglob("*"):
            if path.suffix in (".cc", ".h") and ignoring.search(path.read_text(errors="replace")):
                found.append(str(path.relative_to(SOURCE)))
    assert found == []
