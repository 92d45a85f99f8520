"""The installer over HTTPS under Wine: the stand serves TLS with a
certificate of the test authority, which the prefix's machine Root store
trusts, on the host name "localhost". A silent installation then runs
entirely over TLS (the archive with a resume, the statistics, the remote
configuration) and a crash report goes up through WinHTTP. Certificates
that must not be trusted (another authority, expired, another host's) fail
the transfer with a clear log line and the statistics error."""
import pytest

import installer
import kelmor_wine as w
import stand as service_stand

ARCHIVES = w.BUILD / "test-archives"
PKI = w.BUILD / "pki"
REPORT_ID = "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()


def tls_stand(request, cert):
    record = w.BUILD / "test-artifacts" / "stand" / f"{request.node.name}.{cert}.jsonl"
    record.unlink(missing_ok=True)
    return service_stand.running(port=0, record_path=record, lifetime=600,
                                 tls=(str(PKI / f"{cert}.crt"), str(PKI / f"{cert}.key")))


@pytest.fixture
def https_stand(request):
    with tls_stand(request, "localhost") as s:
        yield s


def over(stand):
    """Every host of the test configuration moved to `stand`."""
    return {"KELMOR_TEST_STAND_ORIGIN": stand.base_url, "KELMOR_TEST_DOWNLOAD_PAUSE_MS": "50"}


def test_silent_installation_runs_entirely_over_https(https_stand):
    stand = https_stand
    assert stand.base_url.startswith("https://localhost:")
    archive = (ARCHIVES / "good.arc").read_bytes()
    stand.settings["setup_archive"] = archive
    size = len(archive)
    stand.fault(r"/browser/.*\.arc", times=1, drop_after=size // 2)
    result = installer.run(["--silent", "--send-statistics", "--fake-exit-code=0",
                            "--distr-info-params=scup=1"], env=over(stand), timeout=300)
    assert result.code == 0, installer.log_lines()[-20:]
    assert installer.log_has("Verification succeeded: ")
    assert installer.log_has(f"Resuming at {size // 2}: bytes {size // 2}-{size - 1}/{size}")

    records = stand.requests()
    assert records and all(r["tls"] for r in records)
    archive_requests = stand.requests(r"/browser/.*\.arc")
    assert [r["headers"].get("Range") for r in archive_requests if "Range" in r["headers"]] == \
        [f"bytes={size // 2}-"]
    assert stand.requests("^/installstats/"), [r["path"] for r in records]
    assert stand.requests("^/configs/all_zip"), [r["path"] for r in records]
    assert not installer.log_has(stand.base_url.replace("https:", "http:"))


def test_crash_report_goes_up_through_winhttp_over_https(https_stand):
    w.ensure_prefix()
    for view in (32, 64):
        w.reg_add(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug", "Auto", "1", view=view)
    env = over(https_stand)
    env.update(KELMOR_TEST_CRASH="access-violation", KELMOR_TEST_CRASH_REPORT_ID=REPORT_ID)
    result = installer.run(["--silent"], env=env, timeout=180)
    assert result.code & 0xFFFFFFFF == 0xC0000005
    [record] = https_stand.requests("^/submit$")
    assert record["tls"] and record["status"] == 200 and record["chunked"]
    assert record["headers"]["User-Agent"].startswith("Crashpad/0.8.0 WinHTTP/")
    [upload] = https_stand.settings["crash_uploads"]
    assert any(p["name"] == "upload_file_minidump" for p in upload["parts"])
    assert not list(w.temp_dir().glob("*.dmp"))


# Each refused certificate: the system errors WinINet may report and the
# words of the log line for each. Windows reports an unknown authority as
# ERROR_INTERNET_INVALID_CA (12045); Wine 8 reports the chain's "revocation
# unknown" bit first (ERROR_INTERNET_SEC_CERT_REV_FAILED, 12057), so both
# are accepted there.
REFUSALS = {
    "localhost_foreign": {12045: "not issued by a trusted authority",
                          12057: "could not be checked for revocation"},
    "localhost_expired": {12037: "expired or not yet valid"},
    "other_host": {12038: "issued for another host name"},
}


@pytest.mark.parametrize("cert", sorted(REFUSALS))
def test_untrustworthy_server_certificate_fails_the_download(request, stand, cert):
    """Only the download network serves the refused certificate; the
    statistics go to the trusted stand, which receives the attempts'
    errors."""
    refusals = REFUSALS[cert]
    stand.settings["setup_archive"] = (ARCHIVES / "good.arc").read_bytes()
    with tls_stand(request, cert) as bad:
        bad.settings["setup_archive"] = (ARCHIVES / "good.arc").read_bytes()
        env = {"KELMOR_TEST_ORIGIN_DOWNLOAD": bad.base_url, "KELMOR_TEST_DOWNLOAD_PAUSE_MS": "0"}
        result = installer.run(["--silent", "--send-statistics"], env=env, timeout=300)
        assert result.code == 401, installer.log_lines()[-20:]
        # The connection never got as far as a request.
        assert not bad.requests(r"/browser/")
    [line] = {line.split("OpenDownload")[0].split("TLS: ")[1] for line in installer.log_lines()
              if "TLS: the server certificate of " in line}
    assert line.startswith(f"the server certificate of {bad.base_url}/browser/")
    error = next(code for code in refusals if f"(error {code})" in line)
    assert refusals[error] in line
    assert installer.log_has("Max download attempts failed (6)")
    attempts = [dict(r["stat"]["vars"]) for r in stand.requests("^/installstats/")
                if dict(r["stat"]["vars"]).get("action") == "download_attempt"]
    assert attempts, [r["path"] for r in stand.requests()]
    # The statistics list escapes "-" as "_". Events still queued when the
    # installer ends may be dropped, so not all six need to arrive.
    assert {a["error"] for a in attempts} == {f"internet_open_url_{error}"}, attempts
