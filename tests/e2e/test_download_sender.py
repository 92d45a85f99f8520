"""The fire-and-forget request sender under Wine against the stand."""
import download_tool as tool


def paths(stand):
    return [r["path"] for r in stand.requests("/installstats/")]


def test_requests_go_out_once_each_in_order(stand):
    urls = [stand.base_url + f"/installstats/send/n={i}" for i in range(5)]
    run = tool.run("send", *urls)
    assert run.code == 0 and run["queued"] is True
    stand.wait_for_requests("/installstats/", 5)
    assert paths(stand) == [f"/installstats/send/n={i}" for i in range(5)]
    for req in stand.requests("/installstats/"):
        assert req["headers"]["User-Agent"] == "Kelmor.Browser installer"
        assert req["headers"]["Accept"].startswith("*/*")
    assert not any("SendUrl" in line for line in run.log_lines)  # abandoning is not an error


def test_a_host_that_never_answers_holds_only_the_worker(stand):
    stand.fault("/installstats/.*", hang=True)
    urls = [stand.base_url + f"/installstats/send/n={i}" for i in range(4)]
    run = tool.run("send", *urls, "--then-exit", timeout=60)
    assert not run.timed_out and run.code == 0
    texts = run.log_texts()
    queued = [i for i, t in enumerate(texts) if t.startswith("INFO: Queued ")]
    assert len(queued) == 4
    # The caller queued everything and went on to destroy the sender while
    # the first request was still waiting for its answer.
    destroying = texts.index(next(t for t in texts if t.startswith("INFO: Destroying the sender")))
    assert max(queued) < destroying
    assert any(t.startswith("INFO: Sender destroyed") for t in texts)
    # Destruction waited for the request in flight only; the queued ones
    # were dropped. On a loaded machine the worker may not have reached the
    # host with the first one before the destruction closed its session.
    assert paths(stand) in ([], ["/installstats/send/n=0"])


def test_an_unreachable_host_is_logged_and_not_retried(stand):
    url = f"http://localhost:{stand.port + 1}/installstats/send/x"
    run = tool.run("send", url)
    assert run.code == 0
    text = "\n".join(run.log_texts())
    # The system error's text ends with a line break, so the tag follows on
    # the next line.
    assert text.count(f"WARNING: Failed to open {url} - 12029") == 1
    assert "(SendUrl:" in text.split(f"Failed to open {url}")[1].split("WARNING")[0]
    assert stand.requests() == []


def test_a_missing_library_is_caught_in_the_worker(stand):
    url = stand.base_url + "/installstats/send/x"
    run = tool.run("send", url, env={"WINEDLLOVERRIDES": "mscoree,mshtml=;wininet="})
    assert run.code == 0
    assert run.log_has(f"WARNING: An attempt to open url {url} generated an exception {0xC06D007E}")
    assert run.log_has("INFO: Sender destroyed")
