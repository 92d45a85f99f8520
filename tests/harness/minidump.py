#!/usr/bin/env python3
"""Reads the information stream of a minidump written by the installer's
crash handler: follows the header's stream directory to the user stream
0x43500001 and decodes the annotations through the absolute file offsets
that the handler wrote after relocation.

    python3 tests/harness/minidump.py FILE.dmp     prints key=value lines
"""
import struct
import sys
import uuid

SIGNATURE = 0x504D444D  # "MDMP"
INFORMATION_STREAM = 0x43500001
BLOCK_SIZE = 52


class DumpError(Exception):
    pass


def _u32(data, offset):
    if offset < 0 or offset + 4 > len(data):
        raise DumpError(f"offset {offset} outside the file")
    return struct.unpack_from("<I", data, offset)[0]


def _string(data, offset):
    length = _u32(data, offset)
    end = offset + 4 + length
    if end + 1 > len(data) or data[end] != 0:
        raise DumpError(f"string at {offset} is not terminated")
    return data[offset + 4:end].decode("utf-8", errors="replace")


def stream_directory(data):
    """[(type, size, offset)] from the header's directory."""
    if _u32(data, 0) != SIGNATURE:
        raise DumpError("not a minidump")
    count, rva = _u32(data, 8), _u32(data, 12)
    return [struct.unpack_from("<III", data, rva + 12 * i) for i in range(count)
            if rva + 12 * (i + 1) <= len(data)]


def read_information(data):
    """{version, report_id, client_id, stream_offset, annotations (ordered
    as written)} of the information stream."""
    entries = [e for e in stream_directory(data) if e[0] == INFORMATION_STREAM]
    if not entries:
        raise DumpError("no information stream")
    _, size, offset = entries[0]
    if size < BLOCK_SIZE + 4 or offset + size > len(data):
        raise DumpError("information stream out of bounds")
    version = _u32(data, offset)
    report_id = uuid.UUID(bytes_le=bytes(data[offset + 4:offset + 20]))
    client_id = uuid.UUID(bytes_le=bytes(data[offset + 20:offset + 36]))
    dictionary_size, dictionary = _u32(data, offset + 36), _u32(data, offset + 40)
    count = _u32(data, dictionary)
    annotations = []
    for i in range(count):
        key_at, value_at = _u32(data, dictionary + 4 + 8 * i), _u32(data, dictionary + 8 + 8 * i)
        annotations.append((_string(data, key_at), _string(data, value_at)))
    return {"version": version, "report_id": str(report_id).upper(), "client_id": str(client_id).upper(),
            "stream_offset": offset, "stream_size": size, "dictionary_offset": dictionary,
            "dictionary_size": dictionary_size, "annotations": annotations}


def annotations(path):
    with open(path, "rb") as f:
        return dict(read_information(f.read())["annotations"])


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as f:
            info = read_information(f.read())
    except (OSError, DumpError) as e:
        print(f"minidump: {e}", file=sys.stderr)
        return 1
    for key, value in info["annotations"]:
        print(f"{key}={value}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
