#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/) from the byte
layouts of the files they read. Run it after changing a target's input format; the seeds are
committed so that a fuzz run starts from sound files of every kind.

    tests/fuzz/make_corpus.py [OUTPUT_DIR]
"""
import os
import shutil
import struct
import sys
import zlib

SEP = b"--QVPART--"


def mbf(value):
    """4-byte MBF single of a float: the IEEE exponent plus 2, the sign in bit 23."""
    if value == 0:
        return b"\0\0\0\0"
    bits = struct.unpack("<I", struct.pack("<f", value))[0]
    sign = bits >> 31
    exponent = (bits >> 23) & 0xFF
    return struct.pack("<I", (bits & 0x7FFFFF) | (sign << 23) | ((exponent + 2) << 24))


def text16(s):
    return s.encode("latin-1")[:16].ljust(16, b" ")


def master_entry(number, fields, symbol, name=None, first=970102, last=970102, period=b"D"):
    r = bytearray(53)
    r[0] = number
    r[1] = 0xE0
    r[3] = 4 * fields
    r[4] = fields
    r[7:23] = text16(name if name is not None else symbol)
    r[25:29] = mbf(first)
    r[29:33] = mbf(last)
    r[33:34] = period
    r[36:52] = text16(symbol)
    return bytes(r)


def dir_entry(name):
    r = bytearray(53)
    r[7:15] = name.encode().ljust(8, b" ")
    r[15:23] = b"   <DIR>"[:8]
    r[18:23] = b"<DIR>"
    return bytes(r)


def master(entries, count=None, counter=None):
    header = bytearray(53)
    n = len(entries) if count is None else count
    struct.pack_into("<HH", header, 0, n, n if counter is None else counter)
    return bytes(header) + b"".join(entries)


def quote_file(fields, rows, count=None):
    header = bytearray(4 * fields)
    struct.pack_into("<HH", header, 0, 0, len(rows) + 1 if count is None else count)
    body = b"".join(b"".join(mbf(v) for v in row[:fields]) for row in rows)
    return bytes(header) + body


def dop(names):
    return "".join(f'"{n}",{0 if n in ("DATE", "VOL", "OI", "TIME") else 2},{0 if n in ("DATE", "VOL", "OI", "TIME") else 2}\r\n'
                   for n in names).encode()


DOP7 = dop(["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"])
ROWS7 = [[970102 + d, 10 + d, 12 + d, 9 + d, 11 + d, 1000 * (d + 1), 50] for d in range(5)]


def profile_record(symbol=1, date=2, open_=3, high=4, low=5, close=6, volume=7, oi=8, prior=0,
                   date_format=7, delimiter=0, path=b"/home/ann/updates"):
    r = bytearray(313)
    r[0:12] = bytes([1, symbol, date, open_, high, low, close, volume, oi, prior, date_format, delimiter])
    r[12:12 + len(path)] = path
    return bytes(r)


def assignment(name):
    return (b"\0" + name.encode() + b"\0").ljust(34, b"\0")


def zip_archive(entries, prefix=b"", comment=b""):
    """entries: (name, data, method 0 stored / 8 deflated, external attributes)."""
    local = bytearray()
    central = bytearray()
    for name, data, method, attrs in entries:
        crc = zlib.crc32(data)
        stored = data if method == 0 else zlib.compress(data, 9)[2:-4]
        offset = len(local)
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, 0, 0x21, crc, len(stored), len(data),
                             len(name), 0) + name + stored
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x031E, 20, 0, method, 0, 0x21, crc,
                               len(stored), len(data), len(name), 0, 0, 0, 0, attrs, offset) + name
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(local),
                      len(comment)) + comment
    return prefix + bytes(local) + bytes(central) + end


FILE = 0o100644 << 16
DIR = (0o040755 << 16) | 0x10
QUOTES = b"ACME,970103,11,13,10,12,1500,55\r\nBETA,970103,20,21,19,20.5,900,0\r\n"


def seeds():
    s = {}
    # Date texts: format code (with the printed separator in the high bits), then the text.
    s["date_text"] = {
        "mm_dd_yy": bytes([3]) + b"06/02/25",
        "mm_dd_ccyy": bytes([4 | 0x10]) + b"06/02/2025",
        "yymmdd": bytes([7]) + b"970315",
        "ccyymmdd": bytes([8]) + b"20250602",
        "mmddyy": bytes([9]) + b"123197",
        "dd_mm_ccyy": bytes([6 | 0x20]) + b"31.12.1999",
        "long_year_in_short_field": bytes([3]) + b"12/31/1997",
        "quoted": bytes([1]) + b' "97/03/15"',
        "leap_day": bytes([2]) + b"2000-02-29",
    }
    # Update lines: the profile's first 12 bytes, then an update file.
    s["update_line"] = {
        "comma_yymmdd": profile_record()[:12] + SEP + QUOTES,
        "tab_mm_dd_yy": profile_record(date_format=3, delimiter=1)[:12] + SEP +
                        b"ACME\t01/03/97\t11\t13\t10\t12\t1500\t55\n",
        "space_prior_day": profile_record(prior=1, delimiter=2)[:12] + SEP +
                           b"  ACME   970102  10 12 9 11 1700 60\nACME 970103 11 13 10 12 1500 55\n\x1a",
        "columns_moved": profile_record(symbol=3, date=1, open_=0, high=0, low=0, close=2, volume=0, oi=0)[:12] + SEP +
                         b"970103,12.25,ACME\r\n970104,12.5,ACME\r\n",
        "older_and_long": profile_record()[:12] + SEP + b"ACME,961231,1,2,3,4,5,6\r\n" + b"X" * 400 + b"\r\n",
        "ccyymmdd_exponent": profile_record(date_format=8)[:12] + SEP + b"acme,19970103,1.1e1,1.3E1,10,12,1.5e3,55\n",
    }
    # DOP: the record length byte, the DOP text, and the quote file the default looks at.
    s["dop"] = {
        "seven": bytes([28]) + DOP7,
        "five_default": bytes([20]) + b"" + SEP + quote_file(5, [r[:4] + [1000] for r in ROWS7]),
        "named_twice": bytes([28]) + dop(["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "OPEN", "OI"]),
        "open_interest": bytes([24]) + dop(["DATE", "OPEN INT", "HIGH", "LOW", "CLOSE", "OPEN"]),
        "time_field": bytes([32]) + dop(["DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"]),
        "date_only": bytes([28]) + dop(["DATE"]),
        "no_date": bytes([24]) + dop(["OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"]),
    }
    m2 = master([master_entry(1, 7, "ACME", "Acme Corp"), master_entry(2, 5, "BETA", "Beta Inc")])
    s["master"] = {
        "two_securities": m2 + SEP + SEP + b"BETA",
        "nested": master([master_entry(1, 7, "ACME"), dir_entry("FUTURES")]) + SEP +
                  master([master_entry(1, 6, "CL", "Crude Oil")]) + SEP + b"CL",
        "self_naming": master([dir_entry("LOOP"), dir_entry("LOOP2")]) + SEP +
                       master([dir_entry("LOOP"), dir_entry("LOOP2")]) + SEP + b"NONE",
        "count_overstated": master([master_entry(1, 7, "ACME")], count=5) + SEP + SEP + b"ACME",
        "count_understated": master([master_entry(1, 7, "ACME"), master_entry(2, 7, "BETA")], count=1) + b"\x07" * 20,
        "name_with_blank": master([master_entry(3, 7, "BRK A", "Berkshire A")]) + SEP + SEP + b"brk a",
    }
    s["quote_file"] = {
        "seven": master([master_entry(1, 7, "ACME", first=970102, last=970106)]) + SEP + quote_file(7, ROWS7) +
                 SEP + DOP7 + SEP + bytes([40, 0, 0xFF, 0x80]),
        "five_no_dop": master([master_entry(4, 5, "BETA")]) + SEP + quote_file(5, [r[:5] for r in ROWS7]) +
                       SEP + b"" + SEP + bytes([3, 0xFE, 2, 0x20]),
        "count_overstated": master([master_entry(1, 7, "ACME")]) + SEP + quote_file(7, ROWS7, count=900) +
                            SEP + DOP7 + SEP + bytes([10, 2, 3, 0x81]),
        "torn_record": master([master_entry(1, 7, "ACME")]) + SEP + quote_file(7, ROWS7)[:-9] + SEP + DOP7,
        "length_disagrees": master([master_entry(1, 7, "ACME")[:3] + bytes([24]) + master_entry(1, 7, "ACME")[4:]]) +
                            SEP + quote_file(7, ROWS7) + SEP + DOP7,
    }
    skip = bytearray(256)
    skip[0] = 1
    skip[3] = 1
    skip[200] = 0x31
    s["skip_list"] = {"default": bytes([1]) + bytes(255), "some_skipped": bytes(skip), "short": b"\x01\x00\x01",
                      "long": bytes(skip) + b"tail"}
    s["profile_records"] = {
        "sample": profile_record(date_format=3, oi=0, path=b"/home/ann/SAMPLE/TEXTDATA") + SEP + assignment("MyFirstProfile"),
        "tab_prior": profile_record(delimiter=1, prior=1) + SEP + assignment("Daily"),
        "negative_columns": profile_record(open_=0xFF, volume=0x80) + SEP + assignment("x" * 32)[:20],
        "short": profile_record()[:200] + SEP + b"\0",
        "long_name": profile_record(path=b"/" + b"p" * 299) + SEP + b"\0" + b"N" * 33,
    }
    ini = (b"[ZIP]\r\nEnable=1\r\nPassword=\"secret \"\r\n[SEX]\r\nEnable=0\r\n; comment\r\n"
           b"[Convert]\r\nDateFormat=MMDDYY\r\nDelimiter=1\r\nPathIn=/home/ann/in.txt\r\n")
    s["settings_file"] = {
        "plain": ini + SEP + b"ZIP=Password\nConvert=Delimiter\nzip=enable",
        "spaces_and_case": b"  [ zip ]\nENABLE = 7\n[FuzzSection]\nOther=1\n" + SEP + b"ZIP=Enable\nFuzzSection=Other",
        "no_sections": b"Enable=1\nnothing here\n=\n[\n" + SEP + b"=\n=Enable",
        "fuzz_key_present": b"[fuzzsection]\nfuzzkey=old\nFuzzInt=x\n[View]\nStartupSearch=1\n" + SEP + b"View=StartupSearch",
    }
    # Import: delimiter/existing/skip, date format - 1, then date, open, high, low, close, volume,
    # open-interest columns, skipped lines.
    s["import_lines"] = {
        "comma_mmddyy": bytes([0, 8, 1, 2, 3, 4, 5, 6, 7, 0]) +
                        b"010297,10,12,9,11,1000,50\n010397,11,13,10,12,1100,51\n010697,12,14,11,13,1200,52\n",
        "existing_tab_skip": bytes([0x31, 2, 1, 2, 3, 4, 5, 0, 0, 1]) +
                             b"Date\tOpen\tHigh\tLow\tClose\n01/02/97\t10\t12\t9\t11\n01/03/97\t10.5\t12\t9\t11.25\n",
        "space_ccyymmdd": bytes([2, 7, 1, 0, 0, 0, 2, 3, 0, 0]) + b"19970102  11.5 1000\r\n19970103 11.75 abc\r\n",
        "wrong_kind": bytes([0x10, 0, 1, 2, 3, 4, 5, 6, 7, 0]) + b"970102,1,2,3,4,5,6\n",
        "blank_lines": bytes([0, 8, 1, 2, 3, 4, 5, 6, 7, 0]) + b"\n\n,,,\n010297,1\n",
    }
    split_rows = [[970102 + d, 100, 102, 98, 100, 1000] for d in range(3)] + \
                 [[970106 + d, 50, 51, 49, 50, 2000] for d in range(3)]
    s["split_search"] = {
        "two_for_one": master([master_entry(1, 6, "ACME"), master_entry(2, 7, "BETA")]) + SEP +
                       quote_file(6, split_rows) + SEP + dop(["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"]) + SEP +
                       quote_file(7, ROWS7) + SEP + DOP7,
        "one_quote": master([master_entry(1, 7, "ACME")]) + SEP + quote_file(7, ROWS7[:1]) + SEP + DOP7,
        "close_only": master([master_entry(1, 2, "ACME")]) + SEP +
                      quote_file(2, [[970102, 30], [970103, 10], [970106, 10]]) + SEP + dop(["DATE", "CLOSE"]),
        "with_directory": master([dir_entry("SUB"), master_entry(5, 5, "ZED")]) + SEP +
                          quote_file(5, [r[:5] for r in ROWS7]),
    }
    archive = [(b"QUOTES.TXT", QUOTES, 8, FILE), (b"sub/", b"", 0, DIR), (b"sub/MORE.TXT", QUOTES * 3, 0, FILE)]
    s["zip_directory"] = {
        "three_entries": zip_archive(archive),
        "empty": zip_archive([]),
        "self_extracting": zip_archive(archive[:1], prefix=b"MZ" + bytes(510)),
        "comment": zip_archive(archive[:1], comment=b"daily quotes"),
    }
    s["unpack"] = dict(s["zip_directory"])
    s["unpack"].update({
        "parent_name": zip_archive([(b"../ESCAPE.TXT", QUOTES, 0, FILE)]),
        "backslashes": zip_archive([(b"dir\\QUOTES.TXT", QUOTES, 8, FILE)]),
        "symlink": zip_archive([(b"link", b"/etc/passwd", 0, 0o120777 << 16)]),
        "bomb": zip_archive([(b"BIG.TXT", b"0" * 200000, 8, FILE)]),
    })
    return s


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    for target, files in seeds().items():
        d = os.path.join(out, target)
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        for name, data in files.items():
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
