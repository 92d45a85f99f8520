"""The demo: one run of the installer under Wine, its exit code and its log."""
import argparse
import shutil
import sys

import installer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log-copy", required=True)
    parser.add_argument("--silent", action="store_true")
    options = parser.parse_args()

    installer.clean()
    args = ["--silent"] if options.silent else []
    result = installer.run(args, timeout=600)
    if installer.log_path().exists():
        shutil.copyfile(installer.log_path(), options.log_copy)
    print("---- installer log ----")
    for line in installer.log_lines():
        print(line)
    print(f"---- installer exit code: {result.code} ----")
    return result.code if result.code is not None else 1


if __name__ == "__main__":
    sys.exit(main())
