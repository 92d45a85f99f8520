"""The demo: one run of the installer under Wine, its exit code and its log."""
import argparse
import pathlib
import shutil
import sys

import installer

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import stand  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log-copy", required=True)
    parser.add_argument("--silent", action="store_true")
    options = parser.parse_args()

    installer.clean()
    args = ["--silent"] if options.silent else []
    # The remote services are the local stand; its record goes beside the log.
    record = pathlib.Path(options.log_copy).with_name("stand-requests.jsonl")
    record.unlink(missing_ok=True)
    with stand.running(record_path=record, lifetime=900) as services:
        result = installer.run(args, timeout=600)
        requests = services.requests()
    if installer.log_path().exists():
        shutil.copyfile(installer.log_path(), options.log_copy)
    print("---- installer log ----")
    for line in installer.log_lines():
        print(line)
    print(f"---- service stand: {len(requests)} requests (record: {record}) ----")
    for r in requests:
        print(f"{r['method']} {r['target']} -> {r['status']}")
    print(f"---- installer exit code: {result.code} ----")
    return result.code if result.code is not None else 1


if __name__ == "__main__":
    sys.exit(main())
