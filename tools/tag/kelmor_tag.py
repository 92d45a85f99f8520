#!/usr/bin/env python3
"""Writes, reads and removes the installer tag of a signed installer.

The tag is a distribution parameter string ("key=value&key=value") that the
installer reads from its own certificate table at start-up. The certificate
table is not covered by the Authenticode digest, so a tag written after
signing leaves the signature valid. Two carriers exist:

  cert   one or more dummy certificates added to the PKCS#7 certificate set;
         each carries a piece of the tag in its fourth extension
  kect   a block ("Kect", a 16-bit big-endian length, the text) placed right
         after the PKCS#7 blob inside the certificate table

The installer looks at the dummy certificates first and at the block only
when they give no tag. Writing a tag replaces any tag the file already has,
in either carrier.

  kelmor_tag.py write --tag 'banerid=7&lang=ru' signed.exe tagged.exe
  kelmor_tag.py write --carrier kect --tag 'banerid=7' signed.exe tagged.exe
  kelmor_tag.py read tagged.exe
  kelmor_tag.py remove tagged.exe untagged.exe

Exit codes: 0 success, 1 the file cannot be tagged or read (the reason is
printed), 2 wrong usage.
"""
import argparse
import pathlib
import struct
import sys

# ---------------------------------------------------------------- errors


class TagError(Exception):
    pass


# ---------------------------------------------------------------- DER


def der_length(n):
    if n < 0x80:
        return bytes([n])
    body = n.to_bytes((n.bit_length() + 7) // 8, "big")
    if len(body) > 4:
        raise TagError("DER element too large")
    return bytes([0x80 | len(body)]) + body


def der(tag, content):
    return bytes([tag]) + der_length(len(content)) + content


def read_element(data, pos, limit):
    """(tag, header_size, content_size) of the element at pos; the same
    length rules as the installer: definite forms of up to four bytes."""
    if pos + 2 > limit:
        raise TagError("DER element header runs past its parent")
    tag, first = data[pos], data[pos + 1]
    if first < 0x80:
        header, size = 2, first
    elif 0x81 <= first <= 0x84:
        count = first & 0x7F
        if pos + 2 + count > limit:
            raise TagError("DER length runs past its parent")
        header, size = 2 + count, int.from_bytes(data[pos + 2:pos + 2 + count], "big")
    else:
        raise TagError("unsupported DER length form")
    if pos + header + size > limit:
        raise TagError("DER element runs past its parent")
    return tag, header, size


def children(data, start, end):
    """The raw child elements between start and end."""
    out = []
    pos = start
    while pos < end:
        _, header, size = read_element(data, pos, end)
        out.append(data[pos:pos + header + size])
        pos += header + size
    return out


def content_of(element):
    _, header, size = read_element(element, 0, len(element))
    return element[header:header + size]


# ---------------------------------------------------------------- dummy certificates

DUMMY_PREFIX = (
    bytes.fromhex("A003020102" "020101" "300D06092A864886F70D0101050500")
    + bytes.fromhex("3019311730150603550403130E") + b"Unknown issuer"
    + bytes.fromhex("301E170D") + b"130101100000Z" + bytes.fromhex("170D") + b"130401100000Z"
    + bytes.fromhex("301C311A301806035504031311") + b"Dummy certificate"
)
assert len(DUMMY_PREFIX) == 112

OID_RSA = bytes.fromhex("2A864886F70D010101")
OID_SHA1_RSA = bytes.fromhex("2A864886F70D010105")
OID_BASIC_CONSTRAINTS = bytes.fromhex("551D13")
OID_KEY_USAGE = bytes.fromhex("551D0F")
OID_SUBJECT_KEY_ID = bytes.fromhex("551D0E")
# Private arc for the tag piece (its value is not DER, only the piece).
OID_TAG_PIECE = bytes.fromhex("2B0601040183A95F0101")  # 1.3.6.1.4.1.54495.1.1

MAX_PIECE = 0xFFFF


def dummy_certificate(piece):
    if len(piece) > MAX_PIECE:
        raise TagError(f"a tag piece holds at most {MAX_PIECE} bytes")
    # A well-formed RSA key, so that certificate parsers accept the element.
    modulus = b"\x00\xC0" + bytes(range(1, 64))
    spki = der(0x30, der(0x30, der(0x06, OID_RSA) + b"\x05\x00")
               + der(0x03, b"\x00" + der(0x30, der(0x02, modulus) + der(0x02, b"\x01\x00\x01"))))

    def extension(oid, value):
        return der(0x30, der(0x06, oid) + der(0x04, value))

    extensions = der(0xA3, der(0x30,
                               extension(OID_BASIC_CONSTRAINTS, der(0x30, b""))
                               + extension(OID_KEY_USAGE, der(0x03, b"\x07\x80"))
                               + extension(OID_SUBJECT_KEY_ID, der(0x04, bytes(20)))
                               + extension(OID_TAG_PIECE, struct.pack(">H", len(piece)) + piece)))
    tbs = der(0x30, DUMMY_PREFIX + spki + extensions)
    algorithm = der(0x30, der(0x06, OID_SHA1_RSA) + b"\x05\x00")
    return der(0x30, tbs + algorithm + der(0x03, b"\x00" + bytes(128)))


def dummy_piece(certificate):
    """The piece of a dummy certificate, None for any other certificate."""
    try:
        tbs = content_of(content_of(certificate))
    except TagError:
        return None
    if not tbs.startswith(DUMMY_PREFIX):
        return None
    try:
        elements = children(tbs, 0, len(tbs))
        extension_list = content_of(content_of(elements[7]))  # [3] { SEQUENCE { ... } }
        extensions = children(extension_list, 0, len(extension_list))
        fourth = content_of(extensions[3])
        value = content_of(children(fourth, 0, len(fourth))[1])
    except (TagError, IndexError):
        return b""
    if len(value) < 2:
        return b""
    length = struct.unpack(">H", value[:2])[0]
    return value[2:2 + length] if len(value) >= length + 2 else b""


# ---------------------------------------------------------------- PKCS#7


class SignedData:
    """ContentInfo { contentType, [0] SignedData { version, digestAlgorithms,
    encapContentInfo, [0] certificates, [1] crls, signerInfos } }"""

    def __init__(self, blob):
        outer = children(blob, 0, len(blob))
        if len(outer) != 1 or outer[0][0] != 0x30:
            raise TagError("the certificate table holds no PKCS#7 SignedData")
        info = outer[0]
        body = content_of(info)
        parts = children(body, 0, len(body))
        if len(parts) != 2 or parts[0] != der(0x06, bytes.fromhex("2A864886F70D010702")):
            raise TagError("the PKCS#7 blob is not SignedData")
        signed = content_of(parts[1])
        fields = children(signed, 0, len(signed))
        if len(fields) != 1:
            raise TagError("malformed SignedData")
        fields = children(content_of(fields[0]), 0, len(content_of(fields[0])))
        if len(fields) < 4:
            raise TagError("malformed SignedData")
        self.head = fields[:3]
        rest = fields[3:]
        self.certificates = []
        if rest and rest[0][0] == 0xA0:
            cert_set = content_of(rest[0])
            self.certificates = children(cert_set, 0, len(cert_set))
            rest = rest[1:]
        self.tail = rest
        if not any(f[0] == 0x31 for f in self.tail):
            raise TagError("SignedData has no signer information")

    def encode(self):
        fields = list(self.head)
        fields.append(der(0xA0, b"".join(self.certificates)))
        fields += self.tail
        signed = der(0x30, b"".join(fields))
        return der(0x30, der(0x06, bytes.fromhex("2A864886F70D010702")) + der(0xA0, signed))


# ---------------------------------------------------------------- PE


class Image:
    def __init__(self, data):
        self.data = bytearray(data)
        d = self.data
        if len(d) < 64 or d[:2] != b"MZ":
            raise TagError("not a Windows executable (no MZ header)")
        self.e_lfanew = struct.unpack_from("<I", d, 60)[0]
        if self.e_lfanew + 24 + 2 > len(d) or d[self.e_lfanew:self.e_lfanew + 4] != b"PE\0\0":
            raise TagError("not a PE image (no PE signature)")
        magic = struct.unpack_from("<H", d, self.e_lfanew + 24)[0]
        if magic == 0x10B:
            self.entry = self.e_lfanew + 24 + 128
        elif magic == 0x20B:
            self.entry = self.e_lfanew + 24 + 144
        else:
            raise TagError(f"unknown optional-header magic 0x{magic:X}")
        self.checksum_at = self.e_lfanew + 24 + 64
        if self.entry + 8 > len(d):
            raise TagError("truncated PE header")
        self.table, self.table_size = struct.unpack_from("<II", d, self.entry)
        if self.table == 0 or self.table_size == 0:
            raise TagError("the file is not signed (no certificate table)")
        if self.table + self.table_size > len(d) or self.table_size < 8:
            raise TagError("the certificate table points outside the file")
        if self.table + self.table_size != len(d):
            raise TagError("the certificate table is not at the end of the file "
                           "(data after it cannot be kept in place)")
        length, revision, kind = struct.unpack_from("<IHH", d, self.table)
        if kind != 2:
            raise TagError("the certificate table does not start with a PKCS#7 signature")
        if length < 8 or self.table + length > len(d):
            raise TagError("malformed WIN_CERTIFICATE header")
        if (length + 7) // 8 * 8 < self.table_size:
            raise TagError("the certificate table holds more than one signature entry")
        self.revision = revision
        self.certificate = bytes(d[self.table + 8:self.table + length])
        _, header, size = read_element(self.certificate, 0, len(self.certificate))
        self.pkcs7 = self.certificate[:header + size]
        self.after_pkcs7 = self.certificate[header + size:]

    def appended_tag(self):
        """The "Kect" block as the installer finds it, or None."""
        d = bytes(self.data)
        if d[self.table + 8:self.table + 10] != b"\x30\x82":
            return None
        n = struct.unpack_from(">H", d, self.table + 10)[0]
        block = self.table + (((n + 19) & ~7) & 0x1FFFF)
        if block + 6 > len(d) or d[block:block + 4] != b"Kect":
            return None
        length = struct.unpack_from(">H", d, block + 4)[0]
        if block + 6 + length > len(d):
            return None
        return d[block + 6:block + 6 + length]

    def certificate_tag(self):
        pieces = [dummy_piece(c) for c in SignedData(self.pkcs7).certificates]
        return b"".join(p for p in pieces if p is not None)

    def rebuilt(self, pkcs7, block=b""):
        """The file with a new certificate table: the PKCS#7 blob, then (when
        given) the appended block at the next 8-byte boundary of the table."""
        body = pkcs7
        if block:
            body += bytes((-(8 + len(body))) % 8) + block
        body += bytes((-(8 + len(body))) % 8)
        table = struct.pack("<IHH", 8 + len(body), self.revision, 2) + body
        out = bytearray(self.data[:self.table]) + table
        struct.pack_into("<II", out, self.entry, self.table, len(table))
        struct.pack_into("<I", out, self.checksum_at, pe_checksum(out, self.checksum_at))
        return bytes(out)


def pe_checksum(data, checksum_at):
    """The optional header's CheckSum: 16-bit one's-complement sum of the
    file (the field itself as zero) plus the file length."""
    image = bytearray(data)
    image[checksum_at:checksum_at + 4] = b"\0\0\0\0"
    if len(image) % 2:
        image.append(0)
    total = 0
    for (word,) in struct.iter_unpack("<H", image):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


# ---------------------------------------------------------------- operations


def strip(image):
    """The PKCS#7 blob without dummy certificates (and so without any tag)."""
    signed = SignedData(image.pkcs7)
    signed.certificates = [c for c in signed.certificates if dummy_piece(c) is None]
    return signed.encode()


def write_tag(data, tag, carrier="cert", piece_size=None):
    if not tag:
        raise TagError("the tag is empty (use 'remove' to take a tag away)")
    if "\0" in tag.decode("latin-1"):
        raise TagError("the tag must not contain NUL bytes")
    image = Image(data)
    pkcs7 = strip(image)
    if carrier == "cert":
        size = piece_size or MAX_PIECE
        if not 1 <= size <= MAX_PIECE:
            raise TagError(f"the piece size must be between 1 and {MAX_PIECE}")
        signed = SignedData(pkcs7)
        signed.certificates += [dummy_certificate(tag[i:i + size]) for i in range(0, len(tag), size)]
        pkcs7 = signed.encode()
        if len(pkcs7) > 0xFFFFFFFF - 16:
            raise TagError("the tag is too long")
        return image.rebuilt(pkcs7)
    if carrier == "kect":
        if len(tag) > MAX_PIECE:
            raise TagError(f"an appended block holds at most {MAX_PIECE} bytes")
        if pkcs7[:2] != b"\x30\x82":
            raise TagError("the appended block needs a PKCS#7 blob of 256 to 65,535 bytes "
                           f"(this one has {len(pkcs7)} bytes)")
        return image.rebuilt(pkcs7, b"Kect" + struct.pack(">H", len(tag)) + tag)
    raise TagError(f"unknown carrier {carrier}")


def read_tag(data):
    """(carrier, tag) as the installer reads it: the dummy certificates
    first, then the appended block; (None, b"") when there is none."""
    image = Image(data)
    cert = image.certificate_tag()
    if cert:
        return "cert", cert
    block = image.appended_tag()
    if block:
        return "kect", block
    return None, b""


def remove_tag(data):
    image = Image(data)
    return image.rebuilt(strip(image))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    w = sub.add_parser("write", help="write (or replace) the tag")
    w.add_argument("--tag", required=True, help="the parameter string, for example 'banerid=7&lang=ru'")
    w.add_argument("--carrier", choices=("cert", "kect"), default="cert")
    w.add_argument("--piece-size", type=int, help="cert carrier: bytes per dummy certificate (default: one certificate)")
    w.add_argument("input", type=pathlib.Path)
    w.add_argument("output", type=pathlib.Path)
    r = sub.add_parser("read", help="print the tag the installer would read")
    r.add_argument("input", type=pathlib.Path)
    x = sub.add_parser("remove", help="take the tag away")
    x.add_argument("input", type=pathlib.Path)
    x.add_argument("output", type=pathlib.Path)
    args = parser.parse_args(argv)
    try:
        try:
            data = args.input.read_bytes()
        except OSError as e:
            raise TagError(f"cannot read {args.input}: {e.strerror}")
        if args.command == "write":
            out = write_tag(data, args.tag.encode("utf-8"), args.carrier, args.piece_size)
        elif args.command == "remove":
            out = remove_tag(data)
        else:
            carrier, tag = read_tag(data)
            if carrier is None:
                print("no tag")
            else:
                sys.stdout.write(f"{carrier}: {tag.decode('utf-8', errors='replace')}\n")
            return 0
        try:
            args.output.write_bytes(out)
        except OSError as e:
            raise TagError(f"cannot write {args.output}: {e.strerror}")
    except TagError as e:
        print(f"kelmor_tag: {args.input}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
