"""The `stand` pytest fixture of the e2e and window tests."""
import os
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))

import stand as service_stand  # noqa: E402


@pytest.fixture
def stand(request):
    """The local service stand on the build's port (KELMOR_STAND_PORT), fresh
    for each test. Its JSON-lines record is kept under the build folder."""
    build = pathlib.Path(os.environ.get("KELMOR_BUILD_DIR", pathlib.Path(__file__).resolve().parents[2] / "build"))
    record = build / "test-artifacts" / "stand" / f"{request.node.name}.jsonl"
    record.unlink(missing_ok=True)
    with service_stand.running(record_path=record, lifetime=600) as s:
        yield s
