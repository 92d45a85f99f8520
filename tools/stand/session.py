"""Starting the stand for tests and scripts."""
import contextlib
import os
import pathlib

from .core import DEFAULT_LIFETIME, Stand


def stand_port(build_dir=None):
    """The build's stand port: KELMOR_STAND_PORT, else the build's CMake
    cache, else 18080."""
    if os.environ.get("KELMOR_STAND_PORT"):
        return int(os.environ["KELMOR_STAND_PORT"])
    build = pathlib.Path(build_dir or os.environ.get("KELMOR_BUILD_DIR", ""))
    cache = build / "CMakeCache.txt"
    if build_dir or os.environ.get("KELMOR_BUILD_DIR"):
        if cache.exists():
            for line in cache.read_text(errors="replace").splitlines():
                if line.startswith("KELMOR_STAND_PORT:"):
                    return int(line.split("=", 1)[1])
    return 18080


@contextlib.contextmanager
def running(port=None, record_path=None, lifetime=DEFAULT_LIFETIME, **kwargs):
    """A started stand for the length of the block (a pytest fixture can
    simply `yield from` this or wrap it)."""
    stand = Stand(port=stand_port() if port is None else port, record_path=record_path, lifetime=lifetime,
                  **kwargs)
    stand.start()
    try:
        yield stand
    finally:
        stand.stop()
