"""The test prefix's stand-in browser: an http or https address that a
program opens with the shell's "open" verb starts no browser; the recorder
(tests/programs/open_recorder_main.cc, registered by tests/harness/wine-prefix)
appends it to a file that kelmor_wine.opened_addresses() reads."""
import kelmor_wine as w

SHELL_OPEN = w.BIN / "shell_open.exe"


def test_opened_addresses_are_recorded_and_cleared():
    w.ensure_prefix()
    w.clear_opened_addresses()
    assert w.opened_addresses() == []
    addresses = ["http://localhost:1/first/page?lang=ru&stat=1",
                 "https://kelmor.example/licence#section%202"]
    result = w.run(SHELL_OPEN, addresses, timeout=60)
    assert result.code == 0
    # Each address starts a recorder of its own, and the shell does not wait
    # for it: two opened at once may be written in either order.
    assert sorted(w.wait_for_opened_addresses(2)) == sorted(addresses)

    # One opened later is appended after them.
    assert w.run(SHELL_OPEN, ["http://localhost:1/third"], timeout=60).code == 0
    got = w.wait_for_opened_addresses(3)
    assert sorted(got[:2]) == sorted(addresses) and got[2:] == ["http://localhost:1/third"], got

    w.clear_opened_addresses()
    assert w.opened_addresses() == []


def test_the_http_and_https_open_commands_run_the_recorder():
    w.ensure_prefix()
    for protocol in ("http", "https"):
        shown = w.wine_tool(["reg", "query", f"HKCR\\{protocol}\\shell\\open\\command", "/ve"])
        assert "open_recorder.exe" in shown and "winebrowser" not in shown, shown
