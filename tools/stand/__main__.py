"""python3 tools/stand [options]: runs the stand until its lifetime ends or
it is interrupted."""
import argparse
import json
import pathlib
import signal
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))

from stand import DEFAULT_LIFETIME, Fault, Stand, stand_port  # noqa: E402


def main():
    p = argparse.ArgumentParser(prog="stand", description=__doc__)
    p.add_argument("--port", type=int, default=None, help="default: KELMOR_STAND_PORT or the build's")
    p.add_argument("--record", help="append a JSON line per request to this file")
    p.add_argument("--lifetime", type=float, default=DEFAULT_LIFETIME, help="seconds until the stand stops")
    p.add_argument("--setup-archive", help="file served as the setup archive")
    p.add_argument("--serve", action="append", default=[], metavar="URLPATH=FILE",
                   help="serve FILE at exactly URLPATH")
    p.add_argument("--faults", help="JSON file with a list of fault rules")
    p.add_argument("--tls-cert")
    p.add_argument("--tls-key")
    a = p.parse_args()

    tls = (a.tls_cert, a.tls_key) if a.tls_cert else None
    stand = Stand(port=stand_port() if a.port is None else a.port, record_path=a.record, lifetime=a.lifetime,
                  tls=tls)
    if a.setup_archive:
        stand.settings["setup_archive"] = pathlib.Path(a.setup_archive)
    for item in a.serve:
        url_path, _, file = item.partition("=")
        stand.put(url_path, pathlib.Path(file))
    if a.faults:
        for rule in json.loads(pathlib.Path(a.faults).read_text()):
            f = Fault.from_json(rule)
            stand._faults.append(f)
    stand.start()
    print(f"stand: listening on {stand.base_url} (127.0.0.1), stops after {a.lifetime:g} s", flush=True)
    signal.signal(signal.SIGTERM, lambda *_: stand.stop())
    try:
        stand.wait()
    except KeyboardInterrupt:
        stand.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
