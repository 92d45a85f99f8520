"""The distribution kit (tools/distribution/make_distribution) makes a
second distribution from tests/data/distributions/second: its installer is
signed, verifies, carries the folder's tag, and installs against the stand
with the folder's brand, initial preferences and partner identifiers."""
import hashlib
import json
import os
import subprocess

import pytest

import installer
import kelmor_wine as w

SECOND = w.SOURCE / "tests" / "data" / "distributions" / "second"
PKI = w.BUILD / "pki"
KIT_BUILD = w.BUILD / "dist-second"
EXE = KIT_BUILD / "lite_installer_second.exe"


@pytest.fixture(scope="module")
def second_installer():
    env = dict(os.environ, KELMOR_STAND_PORT=os.environ.get("KELMOR_STAND_PORT", "18080"))
    made = subprocess.run(
        [str(w.SOURCE / "tools" / "distribution" / "make_distribution"), str(SECOND), str(EXE),
         "--cert", str(PKI / "codesign_sha256.crt"), "--key", str(PKI / "codesign_sha256.key"),
         "--chain", str(PKI / "root.crt"), "--config", "test", "--build-dir", str(KIT_BUILD),
         "--test-pki", str(PKI)],
        capture_output=True, text=True, timeout=1500, env=env)
    assert made.returncode == 0, made.stdout + made.stderr
    assert f"tag \"{(SECOND / 'tag.txt').read_text().strip()}\"" in made.stdout
    return EXE


def test_the_kits_installer_verifies_and_carries_its_tag(second_installer):
    verified = subprocess.run(["osslsigncode", "verify", "-in", str(second_installer),
                               "-CAfile", str(PKI / "root.crt")], capture_output=True, text=True, timeout=120)
    assert verified.returncode == 0, verified.stdout + verified.stderr
    read = subprocess.run(["python3", str(w.SOURCE / "tools" / "tag" / "kelmor_tag.py"), "read",
                           str(second_installer)], capture_output=True, text=True, timeout=60)
    assert read.stdout.strip() == "cert: banerid=77&partner_id=second77"


def test_the_second_distribution_installs_with_its_own_files(stand, second_installer):
    installer.clean()
    stand.settings["setup_archive"] = (w.BUILD / "test-archives" / "good.arc").read_bytes()
    result = installer.run(["--silent", "--fake-exit-code=0"], exe=second_installer,
                           env={"KELMOR_TEST_DOWNLOAD_PAUSE_MS": "50"}, timeout=300)
    assert result.code == 0, installer.log_lines()[-15:]
    # The installer read its own tag.
    assert installer.log_has("DistribInfoParams = banerid=77&partner_id=second77")
    assert stand.requests(r"^/browser/second/.*\.arc")
    report = json.loads((w.temp_dir() / "fake_setup_report.json").read_text())
    assert report["switches"]["brand-name"] == "second"
    files = report["files"]
    for switch, name in (("installerdata", "master_preferences"), ("clids-file", "clids.xml")):
        expected = (SECOND / name).read_bytes()
        assert files[switch]["sha256"] == hashlib.sha256(expected).hexdigest(), switch
    assert "second77" in files["distr-info-file"]["text"]
