"""Module signature verification of the signed test archives under Wine,
through tools/verify_tool (the installer's own verification code)."""
import json
import pathlib

import pytest

import kelmor_wine as w

ARCHIVES = w.BUILD / "test-archives"
TOOL = w.BIN / "verify_tool.exe"
CATALOGUE = json.loads((ARCHIVES / "archives.json").read_text())


def verify(name, *extra, winver="win10", env=None, tmp_path):
    w.set_windows_version(TOOL.name, winver)
    log = tmp_path / f"{name}.{winver}.log"
    log.unlink(missing_ok=True)
    result = w.run(TOOL, [f"--path={w.to_windows(ARCHIVES / (name + '.arc'))}",
                          f"--log={w.to_windows(log)}", *extra], timeout=60, env=env)
    assert not result.timed_out
    texts = [line.split(" ", 3)[-1] for line in log.read_text(errors="replace").splitlines()] \
        if log.exists() else []
    return result.code, texts


def has(texts, fragment):
    return any(fragment in t for t in texts)


# The line each refused archive must leave, on Windows 10.
REFUSAL_LINES = {
    "tampered": "Can not find any trusted certificates. ",
    "unsigned": "Can not find any trusted certificates. ",
    "untrusted_signer": "Can not find sertificate in trusted list. ",
    "foreign_root": "Signer chain is not trusted. ",
    "forged_serials": "Signer chain is not trusted. ",
    "unknown_key": "WARNING: Verify error (GetTrustJsonFromModule:",
    "key_index_10": "WARNING: Cannot find key (GetTrustJsonFromModule:",
    "signature_dat_2_bytes": "WARNING: Cannot find resource SIGNATURE_DAT (GetTrustJsonFromModule:",
    "pubkey_mismatch": "Public key is not match. ",
    "sha256_fails_sha1_passes": "SHA256 verification failed. ",
}


@pytest.mark.parametrize("name", sorted(CATALOGUE))
def test_each_archive_on_windows10(name, tmp_path):
    code, texts = verify(name, tmp_path=tmp_path)
    path = w.to_windows(ARCHIVES / (name + ".arc"))
    assert has(texts, "INFO: Verifying " + path), texts
    if CATALOGUE[name]["verifies"]:
        assert code == 0, texts
        expected = ("File successfully verified with sha256. " if
                    CATALOGUE[name]["signatures"][0]["digest"] == "sha256"
                    else "File successfully verified. ")
        assert has(texts, expected + path), texts
    else:
        assert code == 1, texts
        assert has(texts, REFUSAL_LINES[name]), texts
        assert has(texts, "Module verification failed: " + path)
        # No extended check on Windows 10.
        assert not has(texts, "Start additional sha256 verification."), texts


def test_every_refused_variant_is_covered():
    refused = {n for n, d in CATALOGUE.items() if not d["verifies"]}
    assert refused == set(REFUSAL_LINES)


def test_extended_check_before_windows10(tmp_path):
    # A changed byte fails the hash-only check too.
    code, texts = verify("tampered", winver="win7", tmp_path=tmp_path)
    assert code == 1
    assert has(texts, "Start additional sha256 verification. ")
    assert has(texts, " Error code: -2146869232"), texts
    assert has(texts, "Extended verification failed. ")
    # An unknown authority is accepted by the hash-only check; the trusted
    # list, signed with a built-in key, still names the signer.
    code, texts = verify("foreign_root", winver="win7", tmp_path=tmp_path)
    assert code == 0, texts
    assert has(texts, "Extended verification success. ")
    # A signer outside the list stays refused.
    code, texts = verify("untrusted_signer", winver="win7", tmp_path=tmp_path)
    assert code == 1


def test_win7update_feature_bounds_and_switch(tmp_path):
    # Wine's Windows 7 is 6.1.7601: a bound that is not lower forbids the check.
    bound = {"KELMOR_TEST_FEATURES": "win7update:win7-version=6.1.7601"}
    code, texts = verify("foreign_root", winver="win7", env=bound, tmp_path=tmp_path)
    assert code == 1 and not has(texts, "Start additional"), texts
    lower = {"KELMOR_TEST_FEATURES": "win7update:win7-version=6.1.7600,crypt-version=1.0"}
    code, texts = verify("foreign_root", winver="win7", env=lower, tmp_path=tmp_path)
    assert code == 0, texts
    off = {"KELMOR_TEST_FEATURES": "-win7update"}
    code, texts = verify("foreign_root", winver="win7", env=off, tmp_path=tmp_path)
    assert code == 1 and not has(texts, "Start additional"), texts


def test_verify_signer_parameter(tmp_path):
    env = {"KELMOR_TEST_FEATURES": "win7update:verify_signer=true"}
    code, texts = verify("good", winver="win7", env=env, tmp_path=tmp_path)
    assert code == 0, texts
    assert has(texts, "Trying to verify the signer of file ")
    assert has(texts, "Signer verified")
    # Not on Windows 10, where the extended check is never allowed.
    code, texts = verify("good", winver="win10", env=env, tmp_path=tmp_path)
    assert code == 0 and not has(texts, "Trying to verify the signer"), texts


def test_locked_archive_and_modes(tmp_path):
    # The installation holds the archive open (read and execute, sharing
    # reading only) while it verifies it.
    code, texts = verify("good", "--lock", tmp_path=tmp_path)
    assert code == 0, texts
    code, _ = verify("good", "--prevents-net-usage", tmp_path=tmp_path)
    assert code == 0
    assert verify("good", "--mode=signer", tmp_path=tmp_path)[0] == 0
    assert verify("unsigned", "--mode=signer", tmp_path=tmp_path)[0] == 3
    out = tmp_path / "trusted.json"
    code, _ = verify("good", "--mode=trust-json", f"--out={w.to_windows(out)}", tmp_path=tmp_path)
    assert code == 0
    assert out.read_bytes() == (ARCHIVES / "resources/standard/trusted.json").read_bytes()


def test_prefix_trusts_the_test_authority():
    marker = w.PREFIX / ".kelmor-test-root"
    assert marker.exists()
    import hashlib
    assert marker.read_text().strip() == hashlib.sha256(
        (w.BUILD / "pki/root.der").read_bytes()).hexdigest()
