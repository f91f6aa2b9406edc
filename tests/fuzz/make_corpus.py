#!/usr/bin/env python3
# Writes the seed corpus, tests/fuzz/corpus/<target>/ or [OUTPUT_DIR]/<target>/.
import os
import shutil
import struct
import sys
import zlib

SEP = b"--QVPART--"


def mbf(v):
    if v == 0:  # MBF: the IEEE exponent plus 2, the sign in bit 23
        return bytes(4)
    bits = struct.unpack("<I", struct.pack("<f", v))[0]
    return struct.pack("<I", (bits & 0x7FFFFF) | (bits >> 31 << 23) | ((((bits >> 23) & 0xFF) + 2) << 24))


def entry(number, fields, symbol, name=None, length=None):
    r = bytearray(53)
    r[0:5] = bytes([number, 0xE0, 0, length or 4 * fields, fields])
    r[7:23] = (name or symbol).encode().ljust(16)
    r[25:33] = mbf(970102) * 2
    r[33] = ord("D")
    r[36:52] = symbol.encode().ljust(16)
    return bytes(r)


def dir_entry(name):
    return bytes(7) + name.encode().ljust(11) + b"<DIR>" + bytes(30)


def master(entries, count=None):
    n = len(entries) if count is None else count
    return struct.pack("<HH", n, n).ljust(53, b"\0") + b"".join(entries)


def quotes(fields, rows, count=None):
    return struct.pack("<HH", 0, count or len(rows) + 1).ljust(4 * fields, b"\0") + \
        b"".join(mbf(v) for row in rows for v in row[:fields])


def dop(names):
    return b"".join(b'"%s",%s\r\n' % (n.encode(), b"0,0" if n in ("DATE", "VOL", "OI", "TIME") else b"2,2")
                    for n in names)


def profile(symbol=1, date=2, close=6, prior=0, date_format=7, delimiter=0, path=b"/home/ann/updates"):
    return bytes([1, symbol, date, 3, 4, 5, close, 7, 8, prior, date_format, delimiter]) + path.ljust(301, b"\0")


def zip_archive(entries, prefix=b""):  # entries: (name, data, method 0 or 8, external attributes)
    local, central = b"", b""
    for name, data, method, attrs in entries:
        stored = data if method == 0 else zlib.compress(data, 9)[2:-4]
        head = struct.pack("<HHHHIII", 0, method, 0, 0x21, zlib.crc32(data), len(stored), len(data))
        central += struct.pack("<IHH", 0x02014B50, 0x031E, 20) + head + \
            struct.pack("<HHHHHII", len(name), 0, 0, 0, 0, attrs, len(local)) + name
        local += struct.pack("<IH", 0x04034B50, 20) + head + struct.pack("<HH", len(name), 0) + name + stored
    return prefix + local + central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                                                  len(central), len(local), 0)


DOP7 = dop(["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"])
ROWS7 = [[970102 + d, 10 + d, 12 + d, 9 + d, 11 + d, 1000 * (d + 1), 50] for d in range(5)]
FILE = 0o100644 << 16
QUOTES = b"ACME,970103,11,13,10,12,1500,55\r\nBETA,970103,20,21,19,20.5,900,0\r\n"
ACME = master([entry(1, 7, "ACME")])


def real_file(name):  # a file of the real folder with EMASTER and XMASTER that the tests read too
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures", "realdata", "msdir_equis_b", name)
    with open(path, "rb") as f:
        return f.read()


ARCHIVE = [(b"QUOTES.TXT", QUOTES, 8, FILE), (b"sub/", b"", 0, (0o040755 << 16) | 0x10),
           (b"sub/MORE.TXT", QUOTES * 3, 0, FILE)]
SPLIT_ROWS = [[970102 + d, 100, 102, 98, 100, 1000] for d in range(3)] + [[970106 + d, 50, 51, 49, 50, 2000] for d in range(3)]

SEEDS = {
    "date_text": {
        "mm_dd_yy": b"\x0306/02/25", "mm_dd_ccyy": b"\x1406/02/2025", "yymmdd": b"\x07970315",
        "dd_mm_ccyy": b"\x2631.12.1999", "long_year_in_short_field": b"\x0312/31/1997", "quoted": b'\x01 "97/03/15"',
    },
    "update_line": {
        "comma_yymmdd": profile()[:12] + SEP + QUOTES,
        "space_prior_day": profile(prior=1, delimiter=2)[:12] + SEP +
        b"  ACME   970102  10 12 9 11 1700 60\nACME 970103 11 13 10 12 1500 55\n\x1a",
        "columns_moved": profile(symbol=3, date=1, close=2)[:12] + SEP + b"970103,12.25,ACME\r\n970104,12.5,ACME\r\n",
    },
    "dop": {
        "seven": b"\x1c" + DOP7,
        "five_default": b"\x14" + SEP + quotes(5, ROWS7),
        "time_field": b"\x20" + dop(["DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"]),
        "no_date": b"\x18" + dop(["OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"]),
    },
    "master": {
        "two_securities": master([entry(1, 7, "ACME", "Acme Corp"), entry(2, 5, "BETA")]) + SEP + SEP + b"BETA",
        "nested": master([entry(1, 7, "ACME"), dir_entry("FUTURES")]) + SEP + master([entry(1, 6, "CL")]) + SEP + b"CL",
        "self_naming": (master([dir_entry("LOOP"), dir_entry("LOOP2")]) + SEP) * 2 + b"NONE",
        "count_overstated": master([entry(1, 7, "ACME")], count=5) + SEP + SEP + b"ACME",
        "name_with_blank": master([entry(3, 7, "BRK A", "Berkshire A")]) + SEP + SEP + b"brk a",
        "emaster_xmaster": real_file("MASTER") + SEP + SEP + b"AZM.L" + SEP + real_file("EMASTER") + SEP + real_file("XMASTER"),
    },
    "quote_file": {
        "seven": ACME + SEP + quotes(7, ROWS7) + SEP + DOP7 + SEP + bytes([40, 0, 0xFF, 0x80]),
        "five_no_dop": master([entry(4, 5, "BETA")]) + SEP + quotes(5, ROWS7) + SEP + SEP + bytes([3, 0xFE, 2, 0x20]),
        "count_overstated": ACME + SEP + quotes(7, ROWS7, count=900) + SEP + DOP7 + SEP + bytes([10, 2, 3, 0x81]),
        "torn_record": ACME + SEP + quotes(7, ROWS7)[:-9] + SEP + DOP7,
        "length_disagrees": master([entry(1, 7, "ACME", length=24)]) + SEP + quotes(7, ROWS7) + SEP + DOP7,
    },
    "skip_list": {"default": b"\x01" + bytes(255), "short": b"\x01\x00\x01", "long": b"\x01\x00\x00\x01" + bytes(300)},
    "profile_records": {
        "sample": profile(date_format=3) + SEP + b"\0MyFirstProfile".ljust(34, b"\0"),
        "short": profile()[:200] + SEP + b"\0",
        "long_name": profile(path=b"/" + b"p" * 299) + SEP + b"\0" + b"N" * 33,
    },
    "settings_file": {
        "plain": b"[ZIP]\r\nEnable=1\r\nPassword=\"secret \"\r\n; comment\r\n[Convert]\r\nDateFormat=MMDDYY\r\n"
        b"PathIn=/home/ann/in.txt\r\n" + SEP + b"ZIP=Password\nConvert=DateFormat\nzip=enable",
        "spaces_and_case": b"  [ zip ]\nENABLE = 7\n[FuzzSection]\nOther=1\n" + SEP + b"ZIP=Enable\nFuzzSection=Other",
    },
    "import_lines": {
        "comma_mmddyy": bytes([0, 8, 1, 2, 3, 4, 5, 6, 7, 0]) + b"010297,10,12,9,11,1000,50\n010397,11,13,10,12,1100,51\n",
        "existing_tab_skip": bytes([0x31, 2, 1, 2, 3, 4, 5, 0, 0, 1]) +
        b"Date\tOpen\tHigh\tLow\tClose\n01/02/97\t10\t12\t9\t11\n01/03/97\t10.5\t12\t9\t11.25\n",
        "space_ccyymmdd": bytes([2, 7, 1, 0, 0, 0, 2, 3, 0, 0]) + b"19970102  11.5 1000\r\n19970103 11.75 abc\r\n",
    },
    "split_search": {
        "two_for_one": master([entry(1, 6, "ACME"), entry(2, 7, "BETA")]) + SEP + quotes(6, SPLIT_ROWS) + SEP +
        dop(["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"]) + SEP + quotes(7, ROWS7) + SEP + DOP7,
        "with_directory": master([dir_entry("SUB"), entry(5, 5, "ZED")]) + SEP + quotes(5, ROWS7),
    },
    "zip_directory": {
        "three_entries": zip_archive(ARCHIVE), "empty": zip_archive([]),
        "self_extracting": zip_archive(ARCHIVE[:1], prefix=b"MZ" + bytes(510)),
    },
    "unpack": {
        "three_entries": zip_archive(ARCHIVE),
        "parent_name": zip_archive([(b"../ESCAPE.TXT", QUOTES, 0, FILE)]),
        "backslashes": zip_archive([(b"dir\\QUOTES.TXT", QUOTES, 8, FILE)]),
        "symlink": zip_archive([(b"link", b"/etc/passwd", 0, 0o120777 << 16)]),
        "bomb": zip_archive([(b"BIG.TXT", b"0" * 200000, 8, FILE)]),
    },
}

if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    for target, files in SEEDS.items():
        shutil.rmtree(os.path.join(out, target), ignore_errors=True)
        os.makedirs(os.path.join(out, target))
        for name, data in files.items():
            with open(os.path.join(out, target, name), "wb") as f:
                f.write(data)
