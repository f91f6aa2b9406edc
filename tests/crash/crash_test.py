#!/usr/bin/env python3
"""Kills quovanta-cli at random instants of its writing commands and checks what it leaves.

    tests/crash/crash_test.py --cli build/ci/bin/quovanta-cli [--trials N] [--seed S]
                              [--command NAME]... [--keep DIR] [--verbose] [--no-strace]

Every trial copies one prepared workspace (a portfolio of two hundred securities, a security
of 12,000 quotes, a profile, a day's update file, an import file, an empty directory), starts
one command on it and kills it with SIGKILL: after a random delay spread over the command's
measured run time, or (every other trial, when strace works) on entry to one write, fsync,
rename or unlink call picked at random among those the uninterrupted command makes, so that
the instants between two steps of a few microseconds are hit as well. Then it reads every file
with the reader below, written from the byte layouts (MBF numbers, MASTER, F<n>.DAT, F<n>.DOP,
SKIPQVTA.PBG), never through the program:

  - no file is torn: MASTER is whole 53-byte records whose header counts them; every quote
    file listed is whole records whose header counts them, with valid dates in ascending
    order; SKIPQVTA.PBG is 256 bytes; backups are well-formed too;
  - MASTER never names a first or last date its quote file lacks (a file that held no quote
    aside, while its entry is still the one it had);
  - each file is either as it was or as the uninterrupted command leaves it, with the few
    in-between states the writers document (the update run stores quote files before MASTER;
    a quote delete moves MASTER's date before the quote file changes; files of a security
    come before the MASTER entry naming them and go after it);
  - the same command run again gives the files of an uninterrupted run, byte for byte (backup
    copies *.BAK and the run's AUDIT.TXT aside); where it cannot (a split or adjust that
    completed would scale twice) the files must already be those of the uninterrupted run.

The seed is printed; the same seed gives the same commands and delays (what a delay hits
still varies with the machine's speed; a kill point does not). The files run in /dev/shm
when it is there: a process killed loses nothing it wrote, synced or not, so a memory file
system shows the same states, faster. Exit status 0 when every trial passed, 1 when a check
failed (each failure is printed with its command, trial, seed and kill), 2 on a setup problem.
"""

import argparse
import datetime
import hashlib
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

# ---- byte layouts --------------------------------------------------------------------------

MASTER_RECORD = 53
SKIP_FILE = "SKIPQVTA.PBG"


def mbf_from_float(value):
    """The 4 MBF bytes of value (single precision)."""
    if value == 0.0:
        return bytes(4)
    b0, b1, b2, b3 = struct.pack("<f", value)
    sign = b3 & 0x80
    exponent = ((b3 << 1) | (b2 >> 7)) & 0xFF
    return bytes([b0, b1, (b2 & 0x7F) | sign, (exponent + 2) & 0xFF])


def float_from_mbf(raw):
    b0, b1, b2, b3 = raw
    if b3 == 0:
        return 0.0
    exponent = (b3 - 2) & 0xFF
    sign = b2 & 0x80
    ieee = bytes([b0, b1, (b2 & 0x7F) | ((exponent & 1) << 7), (exponent >> 1) | sign])
    return struct.unpack("<f", ieee)[0]


def file_date(day):
    return (day.year - 1900) * 10000 + day.month * 100 + day.day


def day_from_file_date(value):
    """The calendar day of a file date, or None when the value is no valid date."""
    if value != int(value) or value <= 0:
        return None
    value = int(value)
    year, rest = divmod(value, 10000)
    month, day = divmod(rest, 100)
    try:
        return datetime.date(1900 + year, month, day)
    except ValueError:
        return None


def u16(data, offset):
    return data[offset] | (data[offset + 1] << 8)


def pack_u16(value):
    return struct.pack("<H", value)


def padded(text, width=16):
    raw = text.encode("ascii")[:width]
    return raw + b" " * (width - len(raw))


class Torn(Exception):
    """A file that no complete write of the program can have left."""


class MasterEntry:
    def __init__(self, record):
        self.record = record
        self.number = record[0]
        self.length = record[3]
        self.fields = record[4]
        self.is_directory = record[18:23] == b"<DIR>" and record[7] != 0x20
        self.symbol = record[36:52].split(b" ")[0].decode("latin-1")
        self.first = float_from_mbf(record[25:29])
        self.last = float_from_mbf(record[29:33])


def read_master(data, what="MASTER"):
    """The entries of a MASTER image; Torn when its length or header disagree."""
    if len(data) < MASTER_RECORD or len(data) % MASTER_RECORD:
        raise Torn(f"{what}: {len(data)} bytes is no whole number of 53-byte records")
    count, second = u16(data, 0), u16(data, 2)
    held = len(data) // MASTER_RECORD - 1
    if count != held or second != count:
        raise Torn(f"{what}: header counts {count}/{second} entries, the file holds {held}")
    entries = [MasterEntry(data[k * MASTER_RECORD:(k + 1) * MASTER_RECORD]) for k in range(1, held + 1)]
    numbers = set()
    for e in entries:
        if e.is_directory:
            continue
        if not 1 <= e.number <= 255 or e.number in numbers:
            raise Torn(f"{what}: entry {e.symbol!r} has file number {e.number} (bad or repeated)")
        numbers.add(e.number)
        if e.length != 4 * e.fields or not 2 <= e.fields <= 8:
            raise Torn(f"{what}: entry {e.symbol!r} has record length {e.length} for {e.fields} fields")
        first, last = day_from_file_date(e.first), day_from_file_date(e.last)
        if first is None or last is None:
            raise Torn(f"{what}: entry {e.symbol!r} has first/last date {e.first}/{e.last}")
        if first > last:
            raise Torn(f"{what}: entry {e.symbol!r} has first date {e.first} after last date {e.last}")
    return entries


_quote_cache = {}


def read_quote_dates(data, length, what):
    """The dates of a quote file image as file-date values (date is field 1 in every layout
    written here); Torn when its length, header or dates are wrong."""
    key = (hashlib.sha1(data).digest(), length)
    cached = _quote_cache.get(key)
    if cached is not None:
        if isinstance(cached, Torn):
            raise Torn(f"{what}: {cached}")
        return cached
    try:
        if len(data) < length or len(data) % length:
            raise Torn(f"{len(data)} bytes is no whole number of {length}-byte records")
        records = u16(data, 2)
        if records != len(data) // length:
            raise Torn(f"header counts {records} records, the file holds {len(data) // length}")
        if u16(data, 0) != 0 or data[4:length] != b"\x00\x00\x01\x00" * (length // 4 - 1):
            raise Torn("header bytes changed")
        dates = []
        previous = None
        for k in range(1, min(records, len(data) // length)):
            value = float_from_mbf(data[k * length:k * length + 4])
            day = day_from_file_date(value)
            if day is None:
                raise Torn(f"quote {k} has no valid date ({value})")
            if previous is not None and day <= previous:
                raise Torn(f"quote {k} dated {value} does not follow the quote before it")
            previous = day
            dates.append(value)
        result = (dates, frozenset(dates))
    except Torn as fault:
        _quote_cache[key] = fault
        raise Torn(f"{what}: {fault}") from None
    _quote_cache[key] = result
    return result


# ---- the prepared workspace ----------------------------------------------------------------

STOCKS = 200          # securities S001..S200 of 7 fields, 300 quotes each
BIG_QUOTES = 12000    # security BIG, the target of the quote edits
IMPORT_LINES = 6000
LAST_STORED = datetime.date(2025, 6, 30)
NEW_DAY = datetime.date(2025, 7, 1)
CREATED = datetime.date(2025, 5, 2)  # the date a security without quotes was added
SIX_FIELDS = ("DATE", "HIGH", "LOW", "CLOSE", "VOL", "OI")
SEVEN_FIELDS = ("DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI")


def trading_days_back(last, count):
    days = []
    day = last
    while len(days) < count:
        if day.weekday() < 5:
            days.append(day)
        day -= datetime.timedelta(days=1)
    days.reverse()
    return days


def quote_values(rng, fields):
    close = round(20 + rng.random() * 80, 2)
    values = {"OPEN": close - 0.25, "HIGH": close + 0.5, "LOW": close - 0.75, "CLOSE": close,
              "VOL": float(rng.randrange(1000, 90000, 100)), "OI": 0.0}
    return [values[f] for f in fields[1:]]


def quote_file(fields, quotes):
    length = 4 * len(fields)
    header = bytes(2) + pack_u16(len(quotes) + 1) + b"\x00\x00\x01\x00" * (len(fields) - 1)
    assert len(header) == length
    body = b"".join(mbf_from_float(float(file_date(day))) + b"".join(mbf_from_float(v) for v in values)
                    for day, values in quotes)
    return header + body


def dop_text(fields):
    return "".join(f'"{name}",{0 if name == "DATE" else 4},{0 if name == "DATE" else 4}\n' for name in fields)


def master_entry(number, fields, name, symbol, first, last):
    return (bytes([number, 0x00, 0x65, 4 * len(fields), len(fields)]) + bytes(2) + padded(name)
            + bytes(2) + mbf_from_float(float(file_date(first))) + mbf_from_float(float(file_date(last)))
            + b"D" + bytes(2) + padded(symbol) + bytes(1))


PORTFOLIO = "P"
NEW_PORTFOLIO = "NEW"  # an empty directory, for the import that writes a new MASTER


class Workspace:
    """Paths of one trial's files, under a fixed root (the profile names the update directory
    by its absolute path, so every run uses the same root)."""

    def __init__(self, root):
        self.root = root
        self.portfolio = os.path.join(root, "P")
        self.startup = os.path.join(root, "START")
        self.updates = os.path.join(root, "UPD")
        self.ini = os.path.join(root, "quovanta.ini")
        self.import_file = os.path.join(root, "import.txt")
        self.new_portfolio = os.path.join(root, NEW_PORTFOLIO)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def build_template(ws, cli):
    """The workspace every trial starts from; returns the plan of securities."""
    rng = random.Random(20250701)
    os.makedirs(ws.portfolio)
    os.makedirs(ws.startup)
    os.makedirs(ws.updates)
    os.makedirs(ws.new_portfolio)
    entries = []
    update_lines = []
    skip = bytearray(256)
    skip[0] = 1
    number = 0
    for k in range(1, STOCKS + 1):
        number += 1
        symbol = f"S{k:03d}"
        fields = SIX_FIELDS if k % 25 == 3 else SEVEN_FIELDS
        if k % 20 == 7:
            # Added but never updated: the first quote also sets the first date.
            quotes = []
            first = last = CREATED
        else:
            days = trading_days_back(LAST_STORED, 300 if k % 9 else 1)
            quotes = [(day, quote_values(rng, fields)) for day in days]
            first, last = days[0], days[-1]
        write(os.path.join(ws.portfolio, f"F{number}.DAT"), quote_file(fields, quotes))
        write(os.path.join(ws.portfolio, f"F{number}.DOP"), dop_text(fields).encode())
        entries.append(master_entry(number, fields, f"Stock {k}", symbol, first, last))
        if k % 17 == 5:
            skip[number] = 1
        # One line per security, dated the day after the last stored quote; the line
        # of a skipped security is there and must be left alone.
        o, h, lo, c, v = 10.5 + k, 11 + k, 10 + k, 10.75 + k, 1000 * k
        update_lines.append(f"{symbol},{NEW_DAY:%m/%d/%y},{o},{h},{lo},{c},{v},0")
    number += 1
    days = trading_days_back(LAST_STORED, BIG_QUOTES)
    quotes = [(day, quote_values(rng, SEVEN_FIELDS)) for day in days]
    write(os.path.join(ws.portfolio, f"F{number}.DAT"), quote_file(SEVEN_FIELDS, quotes))
    write(os.path.join(ws.portfolio, f"F{number}.DOP"), dop_text(SEVEN_FIELDS).encode())
    entries.append(master_entry(number, SEVEN_FIELDS, "Big history", "BIG", days[0], days[-1]))
    update_lines.append(f"BIG,{NEW_DAY:%m/%d/%y},50.5,51,50,50.75,123400,0")
    big_days = days
    header = pack_u16(len(entries)) + pack_u16(len(entries)) + bytes(MASTER_RECORD - 4)
    write(os.path.join(ws.portfolio, "MASTER"), header + b"".join(entries))
    write(os.path.join(ws.portfolio, SKIP_FILE), bytes(skip))
    write(os.path.join(ws.updates, "D250701.TXT"), ("\r\n".join(update_lines) + "\r\n").encode())

    start = datetime.date(1990, 1, 1)
    lines = []
    for day in trading_days_back(start, IMPORT_LINES):
        c = round(5 + rng.random() * 50, 2)
        lines.append(f"{day:%m%d%y},{c - 0.1},{c + 0.2},{c - 0.3},{c},{rng.randrange(100, 9000, 100)},0")
    write(ws.import_file, ("\n".join(lines) + "\n").encode())

    run_cli(cli, ws, ["profile", "write", "CRASH", f"path={ws.updates}", "dateformat=MM_DD_YY",
                      "delimiter=comma"], check=True)
    run_cli(cli, ws, ["assign", ws.portfolio, "--all", "CRASH"], check=True)
    run_cli(cli, ws, ["profile", "write", "OTHER", f"path={ws.updates}"], check=True)
    return {"big_days": big_days, "big_number": number}


def run_cli(cli, ws, args, check=False):
    done = subprocess.run([cli, "--ini", ws.ini, "--startup-dir", ws.startup] + args,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=ws.root)
    if check and done.returncode != 0:
        raise SystemExit(f"setup: quovanta-cli {' '.join(args)} failed ({done.returncode}):\n"
                         + done.stderr.decode(errors="replace"))
    return done


def snapshot(root):
    """Every file under root: relative path -> bytes."""
    files = {}
    for directory, _, names in os.walk(root):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, root)] = f.read()
    return files


def restore(template, root):
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(template, root, symlinks=True)


# ---- commands --------------------------------------------------------------------------

def mmddyy(day):
    return f"{day:%m/%d/%y}"


class Command:
    """One command line and the rules of its in-between states.

    kind:
      "idempotent"  running it twice gives the same files (the re-run always follows);
      "once"        a second run after a complete one is refused and changes nothing
                    (the re-run always follows; exit 1 accepted when the first completed);
      "scaling"     a second run would change the files again: re-run only when the quote
                    file is still the old one.
    """

    def __init__(self, name, args, kind, target=None, portfolio=PORTFOLIO):
        self.name = name
        self.portfolio = portfolio  # the directory of the portfolio it changes, under the root
        self.args = args
        self.kind = kind
        self.target = target  # the file number whose quote file the command rewrites


def commands(ws, plan):
    big = plan["big_days"]
    n_big = plan["big_number"]
    p = ws.portfolio
    one = "S018"  # 300 if k % 9 else 1: S018 holds one quote
    return [
        Command("update", ["update", p], "idempotent"),
        Command("import", ["import", ws.import_file, p, "--symbol", "IMPORTED", "--name", "Imported"], "once"),
        Command("import-new-master", ["import", ws.import_file, ws.new_portfolio, "--new-master", "--symbol",
                                      "IMPORTED", "--name", "Imported"], "once", portfolio=NEW_PORTFOLIO),
        Command("edit-quote", ["edit-quote", p, "BIG", mmddyy(big[5000]), "1", "2", "0.5", "1.5", "700", "0"],
                "idempotent", n_big),
        Command("split", ["split", p, "BIG", mmddyy(big[9000]), "2", "1"], "scaling", n_big),
        Command("adjust", ["adjust", p, "BIG", mmddyy(big[100]), mmddyy(big[11000]), "1.5", "2", "1"],
                "scaling", n_big),
        Command("delete-quote-first", ["delete-quote", p, "BIG", mmddyy(big[0])], "once", n_big),
        Command("delete-quote-middle", ["delete-quote", p, "BIG", mmddyy(big[6000])], "once", n_big),
        Command("delete-quote-last", ["delete-quote", p, "BIG", mmddyy(big[-1])], "once", n_big),
        Command("delete-quote-only", ["delete-quote", p, one, mmddyy(LAST_STORED)], "once", 18),
        Command("add-symbol", ["add-symbol", p, "NEWSYM", "New security"], "once"),
        Command("delete-symbol", ["delete-symbol", p, "S022"], "once"),  # skipped (22 % 17 == 5)
        Command("edit-symbol", ["edit-symbol", p, "S030", "RENAMED", "Renamed security"], "once"),
        Command("assign-all", ["assign", p, "--all", "OTHER"], "idempotent"),
        Command("skip", ["skip", p, "S040", "on"], "idempotent"),
        Command("skip-all-on", ["skip-all", p, "on"], "idempotent"),
        Command("skip-all-off", ["skip-all", p, "off"], "idempotent"),
    ]


# ---- checks ----------------------------------------------------------------------------

INI = "quovanta.ini"
AUDIT = os.path.join("START", "AUDIT.TXT")


def in_portfolio(files, portfolio=PORTFOLIO):
    """Portfolio files by upper-case name."""
    prefix = portfolio + os.sep
    return {k[len(prefix):].upper(): v for k, v in files.items() if k.startswith(prefix)}


def is_settings_temporary(name):
    """The settings file's own temporary copy: it lies outside the portfolio, holds nothing of
    it, and is overwritten by the next write of the settings."""
    return name.startswith(INI + ".")


def is_backup(name):
    return name.upper().endswith(".BAK")


class Checker:
    def __init__(self, before, after, command):
        self.before = before      # snapshot of the template
        self.after = after        # snapshot of the uninterrupted run
        self.command = command
        self.pdir = command.portfolio
        self.b = in_portfolio(before, self.pdir)
        self.a = in_portfolio(after, self.pdir)
        self.b_entries = {e.number: e for e in read_master(self.b["MASTER"]) if not e.is_directory} \
            if "MASTER" in self.b else {}
        self.a_entries = {e.number: e for e in read_master(self.a["MASTER"]) if not e.is_directory}

    # -- well-formed files --
    def well_formed(self, files):
        """Torn files and MASTER dates that the quote files lack; returns (problems, entries)."""
        problems = []
        pf = in_portfolio(files, self.pdir)
        master = pf.get("MASTER")
        if master is None:
            # Before the command created it, a new portfolio has none.
            return ([] if "MASTER" not in self.b else ["MASTER is missing"]), {}
        try:
            entries = {e.number: e for e in read_master(master) if not e.is_directory}
        except Torn as fault:
            return [str(fault)], {}
        skip = pf.get(SKIP_FILE)
        if skip is not None and len(skip) != 256:
            problems.append(f"{SKIP_FILE} holds {len(skip)} bytes, not 256")
        if "MASTER.BAK" in pf:
            try:
                read_master(pf["MASTER.BAK"], "MASTER.BAK")
            except Torn as fault:
                problems.append(str(fault))
        for n, e in entries.items():
            dat = pf.get(f"F{n}.DAT")
            if dat is None:
                problems.append(f"MASTER lists {e.symbol} (number {n}) but F{n}.DAT is missing")
                continue
            if f"F{n}.DOP" not in pf:
                problems.append(f"MASTER lists {e.symbol} (number {n}) but F{n}.DOP is missing")
            try:
                dates, held = read_quote_dates(dat, e.length, f"F{n}.DAT")
            except Torn as fault:
                problems.append(str(fault))
                continue
            bak = pf.get(f"F{n}.BAK")
            if bak is not None:
                try:
                    read_quote_dates(bak, e.length, f"F{n}.BAK")
                except Torn as fault:
                    problems.append(str(fault))
            if not dates:
                continue
            # An entry that a run has not yet changed may still carry the date it was created
            # with while its first quote is already stored.
            old = self.b_entries.get(n)
            was_empty = old is not None and old.record == e.record and f"F{n}.DAT" in self.b and \
                u16(self.b[f"F{n}.DAT"], 2) == 1
            if was_empty:
                continue
            for which, value in (("first", e.first), ("last", e.last)):
                if value not in held:
                    problems.append(f"MASTER names {which} date {value:.0f} of {e.symbol} (F{n}.DAT), "
                                    f"which its quote file lacks (it holds {dates[0]:.0f}..{dates[-1]:.0f})")
        return problems, entries

    # -- the states a kill may leave --
    def between(self, files):
        """Problems of the files right after the kill."""
        problems, entries = self.well_formed(files)
        if problems:
            return problems
        pf = in_portfolio(files, self.pdir)
        name = self.command.name
        if name == "update":
            problems += self.each_old_or_new(pf, ["MASTER"] + [f"F{n}.DAT" for n in self.b_entries])
        elif name.startswith("import"):
            problems += self.adding(pf, entries, "IMPORTED")
        elif name == "add-symbol":
            problems += self.adding(pf, entries, "NEWSYM")
        elif name == "delete-symbol":
            problems += self.deleting(pf, files, entries)
        elif name == "edit-symbol":
            problems += self.each_old_or_new(pf, ["MASTER"])
        elif name == "assign-all":
            problems += self.each_old_or_new(pf, [f"F{n}.PFL" for n in self.b_entries])
        elif name.startswith("skip"):
            problems += self.each_old_or_new(pf, [SKIP_FILE])
        elif name.startswith("delete-quote"):
            problems += self.each_old_or_new(pf, [f"F{self.command.target}.DAT"])
            # MASTER moves its date before the quote file goes: a new quote file under an old
            # MASTER would name a date that is gone (well_formed catches that).
            if pf["MASTER"] != self.b["MASTER"] and pf["MASTER"] != self.a["MASTER"]:
                problems.append("MASTER is neither as it was nor as the delete leaves it")
        else:  # edit-quote, split, adjust
            problems += self.each_old_or_new(pf, ["MASTER", f"F{self.command.target}.DAT"])
        if name in ("edit-quote", "split", "adjust") or name.startswith("delete-quote"):
            problems += self.ini_old_or_new(files)
        problems += self.untouched(pf)
        return problems

    def each_old_or_new(self, pf, names):
        out = []
        for name in names:
            now, old, new = pf.get(name), self.b.get(name), self.a.get(name)
            if now != old and now != new:
                out.append(f"{name} is neither as it was nor as the uninterrupted run leaves it "
                           f"({len(now) if now is not None else 'missing'} bytes; before "
                           f"{len(old) if old is not None else 'missing'}, after "
                           f"{len(new) if new is not None else 'missing'})")
        return out

    def ini_old_or_new(self, files):
        now, old, new = files.get(INI), self.before.get(INI), self.after.get(INI)
        if now != old and now != new:
            held = (now or b"").decode(errors="replace").strip().replace("\r", "").replace("\n", " | ")
            return [f"the settings file is neither as it was nor as the command leaves it; it holds: {held}"]
        return []

    def untouched(self, pf):
        """Files the command has no business with are as they were."""
        out = []
        name = self.command.name
        for fname, data in self.b.items():
            if is_backup(fname):
                continue
            changed = pf.get(fname) != data
            if not changed:
                continue
            if fname in self.a and self.a[fname] != data:
                continue  # the command changes it; checked above
            if fname not in self.a and name == "delete-symbol":
                continue  # the deleted security's files; checked in deleting()
            out.append(f"{fname} changed although the command leaves it as it was")
        return out

    def adding(self, pf, entries, symbol):
        """A new security: MASTER is as it was or names the complete new security."""
        out = []
        new_entry = self.new_entry(self.a_entries, symbol)
        now_entry = self.new_entry(entries, symbol)
        if now_entry is None:
            # A new portfolio's MASTER may be there without the security yet (the re-run
            # must then complete the import).
            empty = pack_u16(0) * 2 + bytes(MASTER_RECORD - 4)
            if pf.get("MASTER") != self.b.get("MASTER") and not ("MASTER" not in self.b and pf["MASTER"] == empty):
                out.append(f"MASTER does not list {symbol} but is not as it was either")
            return out
        n, m = new_entry.number, now_entry.number
        expected = bytearray(self.a["MASTER"])
        expected[MASTER_RECORD * len(self.a_entries) + 0] = m  # the new entry is the last
        if pf["MASTER"] != bytes(expected):
            out.append(f"MASTER lists {symbol} as number {m} but is not what the uninterrupted run "
                       f"writes (entry {now_entry.record.hex()} against {new_entry.record.hex()})")
        for ext in ("DAT", "DOP"):
            if pf.get(f"F{m}.{ext}") != self.a.get(f"F{n}.{ext}"):
                out.append(f"MASTER lists {symbol} but its F{m}.{ext} is not the complete file")
        return out

    @staticmethod
    def new_entry(entries, symbol):
        found = [e for e in entries.values() if e.symbol == symbol]
        return found[0] if found else None

    def deleting(self, pf, files, entries):
        out = []
        gone = [n for n in self.b_entries if n not in self.a_entries]
        assert len(gone) == 1
        n = gone[0]
        listed = n in entries
        if pf["MASTER"] not in (self.b["MASTER"], self.a["MASTER"]):
            out.append("MASTER is neither as it was nor without the deleted entry")
        for ext in ("DAT", "DOP", "PFL"):
            fname = f"F{n}.{ext}"
            if fname not in pf:
                if listed:
                    out.append(f"{fname} was removed while MASTER still lists its security")
            elif pf[fname] != self.b.get(fname):
                out.append(f"{fname} changed")
        old_skip, now_skip = self.b[SKIP_FILE], pf.get(SKIP_FILE)
        if now_skip is None:
            out.append(f"{SKIP_FILE} is missing")
        else:
            for k in entries:
                if (now_skip[k] != 0) != (old_skip[k] != 0):
                    out.append(f"security number {k}, still listed, lost or gained its skip mark")
        return out

    # -- after the re-run --
    def same_as_uninterrupted(self, files, crashed):
        """Problems of the files after the command ran again (or not, see Command.kind)."""
        problems, entries = self.well_formed(files)
        if problems:
            return problems
        files = self.renumbered(files, entries, crashed)
        files = self.without_orphans(files, crashed)
        # The record of the last quote edit is written after the quote file: a kill between
        # the two leaves the old record, which a refused or skipped re-run does not write.
        ini_either = self.command.kind != "idempotent"
        ignore = {AUDIT, INI} if ini_either else {AUDIT}
        names = {k for k in set(files) | set(self.after)
                 if k not in ignore and not is_backup(k) and not is_settings_temporary(k)}
        out = []
        for name in sorted(names):
            now, want = files.get(name), self.after.get(name)
            if now == want:
                continue
            if now is None:
                out.append(f"{name} is missing")
            elif want is None:
                out.append(f"{name} is left over ({len(now)} bytes)")
            else:
                out.append(f"{name} differs from the uninterrupted run's ({len(now)} bytes against {len(want)})")
        if ini_either:
            out += self.ini_old_or_new(files)
        return out

    def renumbered(self, files, entries, crashed):
        """For a command that adds a security: when a crash left files under the number the
        uninterrupted run took (which are then never reused), the security gets the next free
        number; name it and its files as the uninterrupted run did, and set aside the files
        the crash left, provided they are exactly what the command writes."""
        symbol = {"import": "IMPORTED", "import-new-master": "IMPORTED", "add-symbol": "NEWSYM"}.get(self.command.name)
        if symbol is None:
            return files
        want, now = self.new_entry(self.a_entries, symbol), self.new_entry(entries, symbol)
        if want is None or now is None or want.number == now.number:
            return files
        n, m = want.number, now.number
        prefix = self.pdir + os.sep
        if not any(k.upper().startswith(f"{prefix}F{n}.") for k in crashed):
            return files  # nothing stood in the way of number n
        out = dict(files)
        # Temporary files of number n stay with its orphans: the re-run steps around n.
        for name in [k for k in out if k.upper().startswith(f"{prefix}F{n}.") and k not in self.after]:
            del out[name]
        for ext in ("DAT", "DOP"):
            left = out.pop(f"{prefix}F{n}.{ext}", None)
            # The crashed run's quote file may hold only its header (written first).
            if left is not None and left != self.after.get(f"{prefix}F{n}.{ext}") and \
                    not (ext == "DAT" and left == self.empty_like(self.after[f"{prefix}F{n}.DAT"], want.length)):
                out[f"{prefix}F{n}.{ext} (left by the crash)"] = left
            moved = out.pop(f"{prefix}F{m}.{ext}", None)
            if moved is not None:
                out[f"{prefix}F{n}.{ext}"] = moved
        master = bytearray(out[prefix + "MASTER"])
        for k in range(1, len(master) // MASTER_RECORD):
            if master[k * MASTER_RECORD] == m and master[k * MASTER_RECORD + 36:k * MASTER_RECORD + 52] == \
                    now.record[36:52]:
                master[k * MASTER_RECORD] = n
        out[prefix + "MASTER"] = bytes(master)
        return out

    def without_orphans(self, files, crashed):
        """For a delete-symbol killed once MASTER no longer listed the security: the re-run
        finds nothing to delete, so files of the number that the kill left (unchanged) stay,
        and so may its skip mark; no later security may inherit either (follow_up_add)."""
        if self.command.name != "delete-symbol" or in_portfolio(crashed, self.pdir)["MASTER"] != self.a["MASTER"]:
            return files
        n = next(n for n in self.b_entries if n not in self.a_entries)
        prefix = self.pdir + os.sep
        out = dict(files)
        for ext in ("DAT", "DOP", "PFL", "BAK"):
            name = f"{prefix}F{n}.{ext}"
            if name in out and out[name] == self.before.get(name):
                del out[name]
        # The kill may have come while the mark was being cleared: its temporary copy stays
        # with the orphans, as the re-run has nothing to do.
        for name in [k for k in out if k.upper().startswith(prefix + "SKIPQVTA.") and k not in self.after]:
            del out[name]
        skip = out.get(prefix + SKIP_FILE)
        if skip is not None and len(skip) == 256 and skip[n] == self.b[SKIP_FILE][n]:
            fixed = bytearray(skip)
            fixed[n] = self.a[SKIP_FILE][n]
            out[prefix + SKIP_FILE] = bytes(fixed)
        return out

    @staticmethod
    def empty_like(dat, length):
        header = bytearray(dat[:length])
        header[2:4] = pack_u16(1)
        return bytes(header)


def check_renumbering(checker):
    """The re-run of a command that adds a security may step around files a kill left under
    the number the uninterrupted run took: same_as_uninterrupted must accept exactly that."""
    symbol = "NEWSYM" if checker.command.name == "add-symbol" else "IMPORTED"
    want = checker.new_entry(checker.a_entries, symbol)
    n, m = want.number, want.number + 1
    prefix = checker.pdir + os.sep
    rerun = dict(checker.after)
    for ext in ("DAT", "DOP"):
        rerun[f"{prefix}F{m}.{ext}"] = checker.after[f"{prefix}F{n}.{ext}"]
    master = bytearray(rerun[prefix + "MASTER"])
    master[MASTER_RECORD * len(checker.a_entries)] = m
    rerun[prefix + "MASTER"] = bytes(master)
    crashed = dict(checker.before)
    crashed[f"{prefix}F{n}.DAT"] = checker.empty_like(checker.after[f"{prefix}F{n}.DAT"], want.length)
    crashed[f"{prefix}F{n}.~DO"] = b""
    rerun[f"{prefix}F{n}.DAT"] = crashed[f"{prefix}F{n}.DAT"]
    rerun[f"{prefix}F{n}.~DO"] = b""
    del rerun[f"{prefix}F{n}.DOP"]
    problems = []
    if checker.same_as_uninterrupted(rerun, crashed):
        problems.append(f"{checker.command.name}: a re-run under number {m} beside the crash's files is refused")
    foreign = dict(rerun)
    foreign[f"{prefix}F{n}.DAT"] = checker.after[f"{prefix}F{n}.DAT"][:-1]
    if not checker.same_as_uninterrupted(foreign, crashed):
        problems.append(f"{checker.command.name}: a foreign file left under number {n} is not reported")
    if not checker.same_as_uninterrupted(rerun, checker.before):
        problems.append(f"{checker.command.name}: a re-run under number {m} with nothing in the way is accepted")
    return problems


def follow_up_add(cli, ws, files_before):
    """After a delete-symbol: a new security starts unskipped and with files of its own."""
    done = run_cli(cli, ws, ["add-symbol", ws.portfolio, "AFTER"])
    if done.returncode != 0:
        return [f"add-symbol after the delete failed: {done.stderr.decode(errors='replace').strip()}"]
    files = snapshot(ws.root)
    pf = in_portfolio(files)
    entries = {e.number: e for e in read_master(pf["MASTER"]) if not e.is_directory}
    new = [e for e in entries.values() if e.symbol == "AFTER"]
    if len(new) != 1:
        return ["add-symbol after the delete did not list AFTER once"]
    m = new[0].number
    out = []
    if pf[SKIP_FILE][m] != 0:
        out.append(f"the new security AFTER (number {m}) starts skipped")
    if f"F{m}.PFL" in pf:
        out.append(f"the new security AFTER (number {m}) inherits F{m}.PFL of a deleted security")
    if pf.get(f"F{m}.DAT") != quote_file(SEVEN_FIELDS, []):
        out.append(f"the new security AFTER (number {m}) does not start with an empty F{m}.DAT")
    if pf.get(f"F{m}.DOP") != dop_text(SEVEN_FIELDS).encode():
        out.append(f"the new security AFTER (number {m}) does not start with the default F{m}.DOP")
    return out


def self_check(before, checker_for):
    """The reader must see the faults it is there to see: each damaged copy of the prepared
    files below has to be reported, the files as prepared must not."""
    pf = in_portfolio(before)
    first = next(n for n, e in checker_for.b_entries.items() if u16(pf[f"F{n}.DAT"], 2) > 2)
    dat = f"F{first}.DAT"
    length = checker_for.b_entries[first].length
    records = len(pf[dat]) // length

    def damaged(name, data):
        files = dict(before)
        files[os.path.join(PORTFOLIO, name)] = data
        return files

    master = pf["MASTER"]
    newer = bytearray(master)
    newer[MASTER_RECORD + 29:MASTER_RECORD + 33] = mbf_from_float(float(file_date(NEW_DAY)))
    bad_date = bytearray(pf[dat])
    bad_date[length * 2:length * 2 + 4] = mbf_from_float(1250231.0)
    cases = {
        "a MASTER cut inside a record": damaged("MASTER", master[:-1]),
        "a MASTER one record short of its count": damaged("MASTER", master[:-MASTER_RECORD]),
        "a MASTER naming a date after its last quote": damaged("MASTER", bytes(newer)),
        "a quote file cut inside a record": damaged(dat, pf[dat][:-3]),
        "a quote file one record short of its count": damaged(dat, pf[dat][:-length]),
        "a quote file whose count exceeds its records": damaged(dat, pf[dat][:2] + pack_u16(records + 1)
                                                          + pf[dat][4:]),
        "a quote dated February 31": damaged(dat, bytes(bad_date)),
        "a skip list of 255 bytes": damaged(SKIP_FILE, pf[SKIP_FILE][:-1]),
    }
    problems = []
    if checker_for.well_formed(before)[0]:
        problems.append("the prepared files themselves are reported: " + "; ".join(checker_for.well_formed(before)[0]))
    for what, files in cases.items():
        if not checker_for.well_formed(files)[0]:
            problems.append(f"{what} is not reported")
    return problems


# ---- running -------------------------------------------------------------------------------

def timed_run(cli, ws, command):
    start = time.perf_counter()
    done = run_cli(cli, ws, command.args)
    return time.perf_counter() - start, done


def kill_after(cli, ws, command, delay):
    """Starts the command and kills it after delay seconds; True when the kill came first."""
    proc = subprocess.Popen([cli, "--ini", ws.ini, "--startup-dir", ws.startup] + command.args,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=ws.root)
    time.sleep(delay)
    killed = proc.poll() is None
    if killed:
        os.kill(proc.pid, signal.SIGKILL)
    proc.wait()
    return killed


# Kill points: just before one call of these, when strace is at hand. Each call a command makes
# is one point: the instants between its steps, which timed kills rarely hit when a step takes
# microseconds.
KILL_CALLS = ("write", "fsync", "fdatasync", "rename", "renameat", "renameat2", "unlink", "unlinkat")


def strace_usable():
    strace = shutil.which("strace")
    if strace is None:
        return None
    done = subprocess.run([strace, "-qq", "-o", os.devnull, "-e", "trace=write", "true"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return strace if done.returncode == 0 else None


def kill_points(strace, cli, ws, command, trace_path):
    """The calls of KILL_CALLS that an uninterrupted run makes, as (name, n-th call of that name)."""
    run = subprocess.run([strace, "-f", "-qq", "-o", trace_path, "-e", "trace=" + ",".join(KILL_CALLS),
                          cli, "--ini", ws.ini, "--startup-dir", ws.startup] + command.args,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=ws.root)
    if run.returncode != 0:
        raise SystemExit(f"crash_test: {command.name} under strace failed ({run.returncode})")
    seen = {}
    points = []
    with open(trace_path, encoding="latin-1") as trace:
        for line in trace:
            fields = line.split(None, 1)
            call = fields[1].split("(", 1)[0] if len(fields) == 2 else ""
            if call in KILL_CALLS:
                seen[call] = seen.get(call, 0) + 1
                points.append((call, seen[call]))
    return points


def kill_at_call(strace, cli, ws, command, point):
    """Runs the command and kills it on entry to the given call (the call is not made)."""
    call, nth = point
    subprocess.run([strace, "-f", "-qq", "-o", os.devnull, "-e", "trace=" + call,
                    "-e", f"inject={call}:signal=KILL:when={nth}",
                    cli, "--ini", ws.ini, "--startup-dir", ws.startup] + command.args,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=ws.root)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", required=True, help="path of quovanta-cli")
    parser.add_argument("--trials", type=int, default=200, help="number of kills (default 200)")
    parser.add_argument("--seed", type=int, default=None, help="seed of the delays (default: random)")
    parser.add_argument("--command", action="append", default=[],
                        help="run only this command (repeatable), e.g. update, delete-quote-first")
    parser.add_argument("--no-strace", action="store_true", help="timed kills only")
    parser.add_argument("--workdir", help="directory for the scratch files (default /dev/shm, else $TMPDIR)")
    parser.add_argument("--keep", help="copy the files of every failed trial into this directory")
    parser.add_argument("--verbose", action="store_true", help="one line per trial")
    args = parser.parse_args()

    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        print(f"crash_test: {cli} is not an executable", file=sys.stderr)
        return 2
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 2**31)
    print(f"crash_test: seed {seed} (rerun with --seed {seed}), {args.trials} trials", flush=True)
    rng = random.Random(seed)

    # A kill -9 is no power loss: what the program wrote reaches every later reader whether or
    # not it was synced, so a memory file system (fast fsyncs) shows the same states.
    scratch = args.workdir or ("/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    work = tempfile.mkdtemp(prefix="quovanta-crash-", dir=scratch)
    try:
        template_root = os.path.join(work, "trial")
        ws = Workspace(template_root)
        plan = build_template(ws, cli)
        template = os.path.join(work, "template")
        shutil.copytree(template_root, template, symlinks=True)
        before = snapshot(template)

        chosen = commands(ws, plan)
        if args.command:
            unknown = set(args.command) - {c.name for c in chosen}
            if unknown:
                print(f"crash_test: unknown command {', '.join(sorted(unknown))}", file=sys.stderr)
                return 2
            chosen = [c for c in chosen if c.name in args.command]

        problems = self_check(before, Checker(before, before, Command("none", [], "idempotent")))
        if problems:
            print("crash_test: the reader misses faults:\n  " + "\n  ".join(problems), file=sys.stderr)
            return 2

        strace = None if args.no_strace else strace_usable()
        print("crash_test: " + ("every other trial kills just before a write, fsync, rename or unlink (strace)"
                                if strace else "timed kills only (no usable strace)"), flush=True)

        # The uninterrupted run of each command, how long it takes and the calls it makes.
        references = {}
        points = {}
        for command in chosen:
            times = []
            for _ in range(2):
                restore(template, template_root)
                seconds, done = timed_run(cli, ws, command)
                if done.returncode != 0:
                    print(f"crash_test: the uninterrupted {command.name} failed ({done.returncode}):\n"
                          + done.stderr.decode(errors="replace"), file=sys.stderr)
                    return 2
                times.append(seconds)
            after = snapshot(template_root)
            checker = Checker(before, after, command)
            problems, _ = checker.well_formed(after)
            if problems:
                print(f"crash_test: the uninterrupted {command.name} leaves bad files:\n  "
                      + "\n  ".join(problems), file=sys.stderr)
                return 1
            if command.name in ("add-symbol", "import", "import-new-master"):
                problems = check_renumbering(checker)
                if problems:
                    print("crash_test: the checks miss faults:\n  " + "\n  ".join(problems), file=sys.stderr)
                    return 2
            references[command.name] = (checker, min(times), datetime.date.today())
            if strace:
                restore(template, template_root)
                points[command.name] = kill_points(strace, cli, ws, command, os.path.join(work, "trace"))
            print(f"  {command.name:20} runs in {min(times) * 1000:7.1f} ms"
                  + (f", {len(points[command.name])} kill points" if strace else ""), flush=True)

        failures = 0
        killed_count = 0
        started = time.perf_counter()
        for trial in range(args.trials):
            command = chosen[trial % len(chosen)]
            checker, seconds, day = references[command.name]
            if datetime.date.today() != day:
                # New securities carry the date they were added: past midnight the
                # uninterrupted run writes other bytes.
                restore(template, template_root)
                run_cli(cli, ws, command.args)
                checker = Checker(before, snapshot(template_root), command)
                references[command.name] = (checker, seconds, datetime.date.today())
            restore(template, template_root)
            # Every other trial of each command kills at a call (rounds alternate, so that an
            # even number of commands does not give each command one kind only).
            at_call = (trial // len(chosen) + trial % len(chosen)) % 2 == 1
            if strace and at_call and points[command.name]:
                point = rng.choice(points[command.name])
                where = f"killed before {point[0]} call {point[1]}"
                kill_at_call(strace, cli, ws, command, point)
                killed = True
            else:
                # Delays cover the whole run, start-up included, and a little beyond it.
                delay = rng.uniform(0.0, seconds * 1.1)
                killed = kill_after(cli, ws, command, delay)
                where = f"delay {delay * 1000:.2f} ms, " + ("killed" if killed else "completed")
            killed_count += killed
            crashed = snapshot(template_root)
            problems = [f"after the kill: {p}" for p in checker.between(crashed)]
            if not problems:
                pf = in_portfolio(crashed, checker.pdir)
                rerun = True
                if command.kind == "scaling":
                    target = f"F{command.target}.DAT"
                    rerun = pf.get(target) == checker.b.get(target)
                if rerun:
                    done = run_cli(cli, ws, command.args)
                    if done.returncode != 0 and command.kind != "once":
                        problems.append(f"the re-run failed ({done.returncode}): "
                                        + done.stderr.decode(errors="replace").strip())
                if not problems:
                    problems += [f"after the re-run: {p}" for p in
                                 checker.same_as_uninterrupted(snapshot(template_root), crashed)]
                if not problems and command.name == "delete-symbol":
                    problems += [f"after the re-run: {p}" for p in follow_up_add(cli, ws, crashed)]
            if problems:
                failures += 1
                print(f"FAIL trial {trial} {command.name} (seed {seed}, {where}):")
                for p in problems[:12]:
                    print(f"    {p}")
                if len(problems) > 12:
                    print(f"    ... and {len(problems) - 12} more")
                if args.keep:
                    kept = os.path.join(args.keep, f"trial{trial}-{command.name}")
                    shutil.rmtree(kept, ignore_errors=True)
                    restore_to = os.path.join(kept, "after-kill")
                    os.makedirs(restore_to)
                    for rel, data in crashed.items():
                        path = os.path.join(restore_to, rel)
                        os.makedirs(os.path.dirname(path), exist_ok=True)
                        write(path, data)
                    shutil.copytree(template_root, os.path.join(kept, "at-end"), symlinks=True)
            elif args.verbose:
                print(f"ok   trial {trial} {command.name} ({where})")
            sys.stdout.flush()
        elapsed = time.perf_counter() - started
        print(f"crash_test: {args.trials} trials ({killed_count} killed before the end) in {elapsed:.1f} s, "
              f"{failures} failed, seed {seed}")
        return 1 if failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
