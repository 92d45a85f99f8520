import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "harness"))

from stand_fixture import stand  # noqa: E402,F401


import pytest  # noqa: E402

import download_tool  # noqa: E402


@pytest.fixture
def out_file():
    """The download tool's target file in the Wine temporary folder, gone
    before and after the test: (Unix path, Windows path)."""
    path, win = download_tool.win_path("download_target.bin")
    path.unlink(missing_ok=True)
    yield path, win
    path.unlink(missing_ok=True)
