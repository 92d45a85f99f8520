"""Local service stand: the download network, the browser API host, the
statistics host and the crash-report host of the installer, on 127.0.0.1.

    from stand import Stand
    with Stand(port=18120, record_path="requests.jsonl") as s:
        s.fault("/browser/.*", drop_after=100000, times=1)
        ...
        s.requests("/installstats/")

Command line: python3 tools/stand --port 18120 --lifetime 600
"""
from .core import (DEFAULT_LIFETIME, Body, BytesBody, Exchange, Fault, FileBody, GeneratedBody, Stand,
                   as_body, discover_host_modules, parse_range)
from .session import running, stand_port

__all__ = ["Stand", "Fault", "Exchange", "Body", "BytesBody", "FileBody", "GeneratedBody", "as_body",
           "parse_range", "discover_host_modules", "running", "stand_port", "DEFAULT_LIFETIME"]
