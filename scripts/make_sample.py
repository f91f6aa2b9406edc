#!/usr/bin/env python3
"""Writes the sample workspace: portfolio directory SAMPLE with a nested portfolio FUTURES.

    scripts/make_sample.py [OUTPUT_DIR]      (default: the repository's sample/)

The bytes are produced here from the documented layouts, with this script's own MBF encoder,
so the sample does not depend on the program it is meant to exercise. The output is fully
determined by this file: every security has its own seeded generator, prices move by plain
arithmetic (no libm calls whose last bit could vary between machines) and values are rounded
to exact ticks before they are narrowed to single precision.

Layout written:

    SAMPLE/MASTER           4 stocks and a directory entry naming FUTURES
    SAMPLE/F1..F4.DAT       7-field quotes (F4 has no .DOP: readers fall back to the default
                            layout of a 28-byte record)
    SAMPLE/F1..F3.DOP
    SAMPLE/SKIPQVTA.PBG     default skip list (nothing skipped)
    SAMPLE/FUTURES/...      a 6-field future (date, high, low, close, volume, open interest;
                            DOP with CR LF line ends and fraction codes) and a 7-field future
    F<n>.PFL                every security assigned to the sample profile "MyFirstProfile"
                            (the program creates MyFirstProfile.pfd in its start-up directory:
                            comma-separated symbol, MM/DD/YY date, open, high, low, close,
                            volume; update directory <start-up directory>/SAMPLE/TEXTDATA)
    SAMPLE/TEXTDATA/        a vendor's daily files for the two trading days after the last
                            stored quote: D250630.TXT (the day already stored), WEEK27.TXT
                            (the stocks, 07/01 and 07/02) and FUTURES.ZIP (FUT27.TXT, the
                            futures); one update run takes 07/01, the next 07/02
"""

import datetime
import io
import os
import random
import shutil
import struct
import sys
import zipfile

FIRST_DAY = datetime.date(2024, 1, 2)
LAST_DAY = datetime.date(2025, 6, 30)

RECORD_SIZE = 53


# --- encodings ----------------------------------------------------------------------------

def mbf(value):
    """The 4 MBF bytes of a value, via its IEEE single-precision bytes."""
    b0, b1, b2, b3 = struct.pack("<f", value)
    if value == 0.0:
        return bytes(4)
    sign = b3 & 0x80
    exponent = ((b3 << 1) | (b2 >> 7)) & 0xFF
    return bytes([b0, b1, (b2 & 0x7F) | sign, (exponent + 2) & 0xFF])


def file_date(day):
    return (day.year - 1900) * 10000 + day.month * 100 + day.day


def u16(value):
    return struct.pack("<H", value)


def padded(text, width):
    raw = text.encode("ascii")
    if len(raw) > width:
        raise ValueError(f"{text!r} is longer than {width} characters")
    return raw + b" " * (width - len(raw))


# --- quotes -------------------------------------------------------------------------------

def trading_days():
    day = FIRST_DAY
    while day <= LAST_DAY:
        if day.weekday() < 5:
            yield day
        day += datetime.timedelta(days=1)


def to_tick(value, tick):
    # The second rounding drops the binary noise of the multiplication (42.510000000000005).
    return round(round(value / tick) * tick, 6)


def random_walk(seed, start_price, daily_move, tick, base_volume, open_interest):
    """Daily quotes as dicts: a multiplicative walk of the close with an opening gap and an
    intraday range around open and close. open_interest is None for stocks (stored as 0)."""
    rng = random.Random(seed)
    close = start_price
    oi = open_interest
    quotes = []
    for day in trading_days():
        gap = (rng.random() - 0.5) * daily_move * 0.5
        move = (rng.random() - 0.5) * 2.0 * daily_move
        open_ = to_tick(close * (1.0 + gap), tick)
        close = to_tick(open_ * (1.0 + move), tick)
        high = to_tick(max(open_, close) * (1.0 + rng.random() * daily_move * 0.6), tick)
        low = to_tick(min(open_, close) * (1.0 - rng.random() * daily_move * 0.6), tick)
        high = max(high, open_, close)
        low = min(low, open_, close)
        volume = round(base_volume * (0.4 + 1.2 * rng.random()) / 100.0) * 100
        if oi is not None:
            oi = max(1000, oi + round((rng.random() - 0.5) * open_interest * 0.04))
        quotes.append({"DATE": float(file_date(day)), "OPEN": open_, "HIGH": high, "LOW": low,
                       "CLOSE": close, "VOL": float(volume),
                       "OI": float(oi if oi is not None else 0)})
    return quotes


# --- files --------------------------------------------------------------------------------

def quote_file(fields, quotes):
    """F<n>.DAT: header (0, records including the header, then 0,1 pairs), then one record of
    MBF fields per quote."""
    header = bytes(2) + u16(len(quotes) + 1) + (bytes(2) + u16(1)) * (len(fields) - 1)
    body = b"".join(b"".join(mbf(q[name]) for name in fields) for q in quotes)
    return header + body


def dop_text(fields, codes, line_end):
    return "".join(f'"{name}",{codes[name][0]},{codes[name][1]}{line_end}' for name in fields)


def master_header(count):
    return u16(count) + u16(count) + bytes(RECORD_SIZE - 4)


def master_entry(number, fields, name, symbol, first, last):
    entry = (bytes([number, 0x00, 0x65, 4 * len(fields), len(fields)]) + bytes(2)
             + padded(name, 16) + bytes(2) + mbf(first) + mbf(last) + b"D" + bytes(2)
             + padded(symbol, 16) + bytes(1))
    assert len(entry) == RECORD_SIZE
    return entry


def directory_entry(number, subdirectory):
    # Name in bytes 7..14, "<DIR>" in bytes 18..22; no dates, no symbol.
    entry = (bytes([number]) + bytes(6) + padded(subdirectory, 11) + b"<DIR>" + bytes(2)
             + bytes(8) + b" " + bytes(2) + padded("", 16) + bytes(1))
    assert len(entry) == RECORD_SIZE
    return entry


def default_skip_list():
    return bytes([1]) + bytes(255)


STOCK_FIELDS = ["DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"]
# The codes a new security gets: dates whole numbers, everything else four decimals.
PLAIN_CODES = {name: ((0, 0) if name == "DATE" else (4, 4)) for name in STOCK_FIELDS}

SECURITIES = {
    "SAMPLE": [
        dict(number=1, symbol="ACME", name="ACME INDUSTRIES", fields=STOCK_FIELDS,
             dop="plain", quotes=dict(seed=101, start_price=42.50, daily_move=0.018, tick=0.01,
                                       base_volume=850_000, open_interest=None)),
        dict(number=2, symbol="NWTR", name="NORTHWIND TRADE", fields=STOCK_FIELDS,
             dop="plain", quotes=dict(seed=202, start_price=18.20, daily_move=0.022, tick=0.01,
                                       base_volume=1_400_000, open_interest=None)),
        dict(number=3, symbol="BRPW", name="BLUE RIVER POWER", fields=STOCK_FIELDS,
             dop="plain", quotes=dict(seed=303, start_price=61.75, daily_move=0.012, tick=0.01,
                                       base_volume=420_000, open_interest=None)),
        dict(number=4, symbol="ORCH", name="ORCHARD FOODS", fields=STOCK_FIELDS,
             dop=None, quotes=dict(seed=404, start_price=9.85, daily_move=0.025, tick=0.01,
                                    base_volume=2_300_000, open_interest=None)),
    ],
    "SAMPLE/FUTURES": [
        dict(number=1, symbol="WHEAT", name="WHEAT CONTINUOUS",
             fields=["DATE", "HIGH", "LOW", "CLOSE", "VOL", "OI"], dop="fractions",
             quotes=dict(seed=505, start_price=612.25, daily_move=0.015, tick=0.25,
                         base_volume=38_000, open_interest=160_000)),
        dict(number=2, symbol="SOYB", name="SOYBEANS CONT", fields=STOCK_FIELDS, dop="plain",
             quotes=dict(seed=606, start_price=1284.50, daily_move=0.011, tick=0.25,
                         base_volume=52_000, open_interest=210_000)),
    ],
}
# Nested portfolios named by a directory entry: (parent, entry file number, subdirectory).
DIRECTORY_ENTRIES = [("SAMPLE", 5, "FUTURES")]

# Prices in quarter cents (code -2, "4ths"), volume and open interest whole numbers.
FRACTION_CODES = {"DATE": (0, 0), "HIGH": (-2, -2), "LOW": (-2, -2), "CLOSE": (-2, -2),
                  "VOL": (0, 0), "OI": (0, 0)}


SAMPLE_PROFILE = "MyFirstProfile"
UPDATE_DAYS = [datetime.date(2025, 7, 1), datetime.date(2025, 7, 2)]


def assignment_record(profile):
    """F<n>.PFL: a 0 byte, the profile name, zeros to 34 bytes."""
    raw = profile.encode("ascii")
    return bytes(1) + raw + bytes(34 - 1 - len(raw))


def continue_walk(sec, days):
    """The quotes of the days after the stored ones, continuing the security's own walk."""
    walk = dict(sec["quotes"])
    last = random_walk(**walk)[-1]
    rng = random.Random(walk["seed"] * 7 + 1)
    tick, move = walk["tick"], walk["daily_move"]
    close = last["CLOSE"]
    out = []
    for day in days:
        open_ = to_tick(close * (1.0 + (rng.random() - 0.5) * move * 0.5), tick)
        close = to_tick(open_ * (1.0 + (rng.random() - 0.5) * 2.0 * move), tick)
        high = max(to_tick(max(open_, close) * (1.0 + rng.random() * move * 0.6), tick), open_, close)
        low = min(to_tick(min(open_, close) * (1.0 - rng.random() * move * 0.6), tick), open_, close)
        volume = round(walk["base_volume"] * (0.4 + 1.2 * rng.random()) / 100.0) * 100
        out.append((day, open_, high, low, close, volume))
    return out, last


def update_line(symbol, day, open_, high, low, close, volume):
    # The sample profile's columns: symbol, MM/DD/YY, open, high, low, close, volume.
    return f"{symbol},{day:%m/%d/%y},{open_:g},{high:g},{low:g},{close:g},{volume}\r\n"


def make_update_files(root):
    directory = os.path.join(root, "SAMPLE", "TEXTDATA")
    os.makedirs(directory, exist_ok=True)
    stocks = SECURITIES["SAMPLE"]
    futures = SECURITIES["SAMPLE/FUTURES"]
    stored_day = []
    lines = {day: {"stocks": [], "futures": []} for day in UPDATE_DAYS}
    for group, securities in (("stocks", stocks), ("futures", futures)):
        for sec in securities:
            days, last = continue_walk(sec, UPDATE_DAYS)
            stored_day.append(update_line(sec["symbol"], LAST_DAY, last["OPEN"], last["HIGH"], last["LOW"],
                                          last["CLOSE"], int(last["VOL"])))
            for day, *values in days:
                lines[day][group].append(update_line(sec["symbol"], day, *values))
    # Vendors list more than one portfolio holds: a symbol nobody has, and a title line.
    title = "Daily quotes - exchange close\r\n"
    other = "ZZTOP,{:%m/%d/%y},1.5,1.6,1.4,1.55,1000\r\n"
    write(os.path.join(directory, "D250630.TXT"), (title + "".join(stored_day)).encode("ascii"))
    week = title + "".join("".join(lines[day]["stocks"]) + other.format(day) for day in UPDATE_DAYS)
    write(os.path.join(directory, "WEEK27.TXT"), week.encode("ascii"))
    futures_text = "".join("".join(lines[day]["futures"]) for day in UPDATE_DAYS)
    # Stored, not deflated: the bytes must not depend on the machine's zlib.
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression=zipfile.ZIP_STORED) as archive:
        info = zipfile.ZipInfo("FUT27.TXT", date_time=(2025, 7, 2, 18, 30, 0))
        info.create_system = 0
        info.external_attr = 0
        archive.writestr(info, futures_text.encode("ascii"))
    write(os.path.join(directory, "FUTURES.ZIP"), buffer.getvalue())


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def make_portfolio(root, portfolio, securities):
    directory = os.path.join(root, portfolio)
    os.makedirs(directory, exist_ok=True)
    entries = []
    for sec in securities:
        quotes = random_walk(**sec["quotes"])
        fields = sec["fields"]
        n = sec["number"]
        write(os.path.join(directory, f"F{n}.DAT"), quote_file(fields, quotes))
        if sec["dop"] == "plain":
            write(os.path.join(directory, f"F{n}.DOP"),
                  dop_text(fields, PLAIN_CODES, "\n").encode("ascii"))
        elif sec["dop"] == "fractions":
            # As a Windows program would have written it.
            write(os.path.join(directory, f"F{n}.DOP"),
                  dop_text(fields, FRACTION_CODES, "\r\n").encode("ascii"))
        write(os.path.join(directory, f"F{n}.PFL"), assignment_record(SAMPLE_PROFILE))
        entries.append(master_entry(n, fields, sec["name"], sec["symbol"],
                                    quotes[0]["DATE"], quotes[-1]["DATE"]))
    for parent, number, subdirectory in DIRECTORY_ENTRIES:
        if parent == portfolio:
            entries.append(directory_entry(number, subdirectory))
    write(os.path.join(directory, "MASTER"), master_header(len(entries)) + b"".join(entries))
    write(os.path.join(directory, "SKIPQVTA.PBG"), default_skip_list())


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    root = argv[1] if len(argv) == 2 else os.path.join(here, "..", "sample")
    os.makedirs(root, exist_ok=True)
    # Everything under SAMPLE is generated: start clean so that nothing stale survives.
    shutil.rmtree(os.path.join(root, "SAMPLE"), ignore_errors=True)
    for portfolio, securities in SECURITIES.items():
        make_portfolio(root, portfolio, securities)
    make_update_files(root)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
