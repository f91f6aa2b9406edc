#!/usr/bin/env python3
"""Kills quovanta-cli at random instants of its writing commands (after a random delay, or
via strace on entry to a write, fsync, rename or unlink call) and reads what it leaves with its
own byte reader, never through the program: no torn file; MASTER names no date its quote file
lacks; each file as it was, as the uninterrupted run leaves it, or in a documented in-between
state; the command run again gives the uninterrupted run's files (backups and AUDIT.TXT aside).
Exit status 0 when every trial passed, 1 when a check failed, 2 on a setup problem.
"""

import argparse
import collections
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

MASTER_RECORD = 53
SKIP_FILE = "SKIPQVTA.PBG"


def mbf_from_float(value):
    if value == 0.0:
        return bytes(4)
    b0, b1, b2, b3 = struct.pack("<f", value)
    exponent = ((b3 << 1) | (b2 >> 7)) & 0xFF
    return bytes([b0, b1, (b2 & 0x7F) | (b3 & 0x80), (exponent + 2) & 0xFF])


def float_from_mbf(raw):
    b0, b1, b2, b3 = raw
    if b3 == 0:
        return 0.0
    exponent = (b3 - 2) & 0xFF
    ieee = bytes([b0, b1, (b2 & 0x7F) | ((exponent & 1) << 7), (exponent >> 1) | (b2 & 0x80)])
    return struct.unpack("<f", ieee)[0]


def file_date(day):
    return (day.year - 1900) * 10000 + day.month * 100 + day.day


def valid_date(value):
    if value != int(value) or value <= 0:
        return None
    year, rest = divmod(int(value), 10000)
    try:
        return datetime.date(1900 + year, *divmod(rest, 100))
    except ValueError:
        return None


def u16(data, offset):
    return data[offset] | (data[offset + 1] << 8)


class Torn(Exception):
    pass  # a file no complete write of the program can have left


class MasterEntry:
    def __init__(self, record):
        self.record = record
        self.number, self.length, self.fields = record[0], record[3], record[4]
        self.is_directory = record[18:23] == b"<DIR>" and record[7] != 0x20
        self.symbol = record[36:52].split(b" ")[0].decode("latin-1")
        self.first, self.last = float_from_mbf(record[25:29]), float_from_mbf(record[29:33])


def read_master(data, what="MASTER"):
    """The file entries of a MASTER image (directories left out)."""
    if len(data) < MASTER_RECORD or len(data) % MASTER_RECORD:
        raise Torn(f"{what}: {len(data)} bytes is no whole number of 53-byte records")
    held = len(data) // MASTER_RECORD - 1
    if u16(data, 0) != held or u16(data, 2) != held:
        raise Torn(f"{what}: header counts {u16(data, 0)}/{u16(data, 2)} entries, the file holds {held}")
    entries = {}
    for k in range(1, held + 1):
        e = MasterEntry(data[k * MASTER_RECORD:(k + 1) * MASTER_RECORD])
        if e.is_directory:
            continue
        if not 1 <= e.number <= 255 or e.number in entries:
            raise Torn(f"{what}: entry {e.symbol!r} has file number {e.number} (bad or repeated)")
        if e.length != 4 * e.fields or not 2 <= e.fields <= 8:
            raise Torn(f"{what}: entry {e.symbol!r} has record length {e.length} for {e.fields} fields")
        first, last = valid_date(e.first), valid_date(e.last)
        if first is None or last is None or first > last:
            raise Torn(f"{what}: entry {e.symbol!r} has first/last date {e.first}/{e.last}")
        entries[e.number] = e
    return entries


_quote_cache = {}


def read_quote_dates(data, length, what):
    """The dates (field 1) of a quote file image, in order, and as a set."""
    key = (hashlib.sha1(data).digest(), length)
    if key not in _quote_cache:
        try:
            if len(data) < length or len(data) % length:
                raise Torn(f"{len(data)} bytes is no whole number of {length}-byte records")
            records = u16(data, 2)
            if records != len(data) // length:
                raise Torn(f"header counts {records} records, the file holds {len(data) // length}")
            if u16(data, 0) != 0 or data[4:length] != b"\x00\x00\x01\x00" * (length // 4 - 1):
                raise Torn("header bytes changed")
            dates = []
            for k in range(1, records):
                value = float_from_mbf(data[k * length:k * length + 4])
                if valid_date(value) is None or (dates and value <= dates[-1]):  # file dates sort as days
                    raise Torn(f"quote {k} dated {value} is no valid date after the quote before it")
                dates.append(value)
            _quote_cache[key] = (dates, frozenset(dates))
        except Torn as fault:
            _quote_cache[key] = fault
    found = _quote_cache[key]
    if isinstance(found, Torn):
        raise Torn(f"{what}: {found}")
    return found


# ---- the prepared workspace: 200 securities of 300 quotes, BIG of 12,000 -------------------

LAST_STORED = datetime.date(2025, 6, 30)
NEW_DAY = datetime.date(2025, 7, 1)
SIX_FIELDS = ("DATE", "HIGH", "LOW", "CLOSE", "VOL", "OI")
SEVEN_FIELDS = ("DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI")


def trading_days_back(last, count):
    days, day = [], last
    while len(days) < count:
        if day.weekday() < 5:
            days.append(day)
        day -= datetime.timedelta(days=1)
    return days[::-1]


def quote_file(fields, quotes):
    header = bytes(2) + struct.pack("<H", len(quotes) + 1) + b"\x00\x00\x01\x00" * (len(fields) - 1)
    return header + b"".join(mbf_from_float(float(file_date(day))) + b"".join(map(mbf_from_float, values))
                             for day, values in quotes)


def dop_text(fields):
    return "".join(f'"{f}",{0 if f == "DATE" else 4},{0 if f == "DATE" else 4}\n' for f in fields).encode()


def master_entry(number, fields, name, symbol, first, last):
    return (bytes([number, 0, 0x65, 4 * len(fields), len(fields)]) + bytes(2) + name.encode().ljust(16)
            + bytes(2) + mbf_from_float(float(file_date(first))) + mbf_from_float(float(file_date(last)))
            + b"D" + bytes(2) + symbol.encode().ljust(16) + bytes(1))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def workspace(root):
    at = lambda name: os.path.join(root, name)  # noqa: E731
    return argparse.Namespace(root=root, portfolio=at("P"), startup=at("START"), updates=at("UPD"),
                              ini=at("quovanta.ini"), import_file=at("import.txt"), new_portfolio=at("NEW"))


def build_template(ws, cli):
    """Returns BIG's days and file number."""
    rng = random.Random(20250701)
    for d in (ws.portfolio, ws.startup, ws.updates, ws.new_portfolio):
        os.makedirs(d)

    def values(fields):
        c = round(20 + rng.random() * 80, 2)
        v = {"OPEN": c - 0.25, "HIGH": c + 0.5, "LOW": c - 0.75, "CLOSE": c,
             "VOL": float(rng.randrange(1000, 90000, 100)), "OI": 0.0}
        return [v[f] for f in fields[1:]]

    entries, lines, skip = [], [], bytearray(256)
    skip[0] = 1
    for n in range(1, 202):
        symbol = f"S{n:03d}" if n <= 200 else "BIG"
        fields = SIX_FIELDS if n % 25 == 3 else SEVEN_FIELDS
        if n % 20 == 7 and n <= 200:  # added, never updated: the first quote also sets the first date
            days, first, last = [], datetime.date(2025, 5, 2), datetime.date(2025, 5, 2)
        else:
            days = trading_days_back(LAST_STORED, 12000 if n > 200 else 300 if n % 9 else 1)
            first, last = days[0], days[-1]
        write(os.path.join(ws.portfolio, f"F{n}.DAT"), quote_file(fields, [(d, values(fields)) for d in days]))
        write(os.path.join(ws.portfolio, f"F{n}.DOP"), dop_text(fields))
        entries.append(master_entry(n, fields, f"Stock {n}", symbol, first, last))
        skip[n] = n % 17 == 5  # a skipped security's line in the update file must be left alone
        lines.append(f"{symbol},{NEW_DAY:%m/%d/%y},{10.5 + n},{11 + n},{10 + n},{10.75 + n},{1000 * n},0")
    write(os.path.join(ws.portfolio, "MASTER"),
          struct.pack("<HH", len(entries), len(entries)) + bytes(MASTER_RECORD - 4) + b"".join(entries))
    write(os.path.join(ws.portfolio, SKIP_FILE), bytes(skip))
    write(os.path.join(ws.updates, "D250701.TXT"), ("\r\n".join(lines) + "\r\n").encode())
    text = []
    for day in trading_days_back(datetime.date(1990, 1, 1), 6000):
        c = round(5 + rng.random() * 50, 2)
        text.append(f"{day:%m%d%y},{c - 0.1},{c + 0.2},{c - 0.3},{c},{rng.randrange(100, 9000, 100)},0\n")
    write(ws.import_file, "".join(text).encode())
    for args in (["profile", "write", "CRASH", f"path={ws.updates}", "dateformat=MM_DD_YY", "delimiter=comma"],
                 ["assign", ws.portfolio, "--all", "CRASH"], ["profile", "write", "OTHER", f"path={ws.updates}"]):
        done = run_cli(cli, ws, args)
        if done.returncode != 0:
            raise SystemExit(f"setup: quovanta-cli {' '.join(args)} failed:\n{done.stderr.decode(errors='replace')}")
    return days, 201


def cli_line(cli, ws, args):
    return [cli, "--ini", ws.ini, "--startup-dir", ws.startup] + args


def run_cli(cli, ws, args):
    return subprocess.run(cli_line(cli, ws, args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=ws.root)


def snapshot(root):
    paths = [os.path.join(d, name) for d, _, names in os.walk(root) for name in names]
    return {os.path.relpath(path, root): open(path, "rb").read() for path in paths}


def restore(template, root):
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(template, root, symlinks=True)


# kind: "idempotent" (a second run changes nothing), "once" (a second run after a complete one is
# refused, exit 1 accepted), "scaling" (a second run would scale again: re-run only while the
# target quote file is the old one). target: the file number whose quotes change.
Command = collections.namedtuple("Command", "name args kind target portfolio", defaults=(None, "P"))


def commands(ws, big, n_big):
    p, md = ws.portfolio, (lambda day: f"{day:%m/%d/%y}")
    imported = ["--symbol", "IMPORTED", "--name", "Imported"]
    return [
        Command("update", ["update", p], "idempotent"),
        Command("import", ["import", ws.import_file, p] + imported, "once"),
        Command("import-new-master", ["import", ws.import_file, ws.new_portfolio, "--new-master"] + imported,
                "once", portfolio="NEW"),
        Command("edit-quote", ["edit-quote", p, "BIG", md(big[5000]), "1", "2", "0.5", "1.5", "700", "0"],
                "idempotent", n_big),
        Command("split", ["split", p, "BIG", md(big[9000]), "2", "1"], "scaling", n_big),
        Command("adjust", ["adjust", p, "BIG", md(big[100]), md(big[11000]), "1.5", "2", "1"], "scaling", n_big),
        Command("delete-quote-first", ["delete-quote", p, "BIG", md(big[0])], "once", n_big),
        Command("delete-quote-only", ["delete-quote", p, "S018", md(LAST_STORED)], "once", 18),  # its one quote
        Command("add-symbol", ["add-symbol", p, "NEWSYM", "New security"], "once"),
        Command("delete-symbol", ["delete-symbol", p, "S022"], "once"),  # a skipped one
        Command("edit-symbol", ["edit-symbol", p, "S030", "RENAMED", "Renamed security"], "once"),
        Command("assign-all", ["assign", p, "--all", "OTHER"], "idempotent"),
        Command("skip-all-on", ["skip-all", p, "on"], "idempotent"),
    ]


# ---- checks --------------------------------------------------------------------------------

INI = "quovanta.ini"
AUDIT = os.path.join("START", "AUDIT.TXT")
ADDED = {"import": "IMPORTED", "import-new-master": "IMPORTED", "add-symbol": "NEWSYM"}


def in_portfolio(files, portfolio):
    prefix = portfolio + os.sep
    return {k[len(prefix):].upper(): v for k, v in files.items() if k.startswith(prefix)}


def entry_of(entries, symbol):
    return next((e for e in entries.values() if e.symbol == symbol), None)


class Checker:
    def __init__(self, before, after, command):
        self.before, self.after, self.command, self.pdir = before, after, command, command.portfolio
        self.b, self.a = in_portfolio(before, self.pdir), in_portfolio(after, self.pdir)
        self.b_entries = read_master(self.b["MASTER"]) if "MASTER" in self.b else {}
        self.a_entries = read_master(self.a["MASTER"])

    def well_formed(self, files):
        """Torn files and MASTER dates the quote files lack: (problems, entries)."""
        pf = in_portfolio(files, self.pdir)
        if "MASTER" not in pf:  # a new portfolio before the command created it
            return ([] if "MASTER" not in self.b else ["MASTER is missing"]), {}
        try:
            entries = read_master(pf["MASTER"])
            if "MASTER.BAK" in pf:
                read_master(pf["MASTER.BAK"], "MASTER.BAK")
        except Torn as fault:
            return [str(fault)], {}
        problems = []
        if SKIP_FILE in pf and len(pf[SKIP_FILE]) != 256:
            problems.append(f"{SKIP_FILE} holds {len(pf[SKIP_FILE])} bytes, not 256")
        for n, e in entries.items():
            missing = [f"F{n}.{x}" for x in ("DAT", "DOP") if f"F{n}.{x}" not in pf]
            if missing:
                problems.append(f"MASTER lists {e.symbol} but {' and '.join(missing)} is missing")
                continue
            try:
                dates, held = read_quote_dates(pf[f"F{n}.DAT"], e.length, f"F{n}.DAT")
                if f"F{n}.BAK" in pf:
                    read_quote_dates(pf[f"F{n}.BAK"], e.length, f"F{n}.BAK")
            except Torn as fault:
                problems.append(str(fault))
                continue
            # An entry not yet changed may carry its creation date over a first quote just stored.
            old = self.b_entries.get(n)
            if dates and not (old is not None and old.record == e.record and u16(self.b[f"F{n}.DAT"], 2) == 1):
                problems += [f"MASTER names date {value:.0f} of {e.symbol}, which F{n}.DAT lacks (it holds "
                             f"{dates[0]:.0f}..{dates[-1]:.0f})" for value in (e.first, e.last) if value not in held]
        return problems, entries

    def between(self, files):
        """Problems of the files right after the kill."""
        problems, entries = self.well_formed(files)
        if problems:
            return problems
        pf, name, target = in_portfolio(files, self.pdir), self.command.name, f"F{self.command.target}.DAT"
        if name in ADDED:
            problems += self.adding(pf, entries, ADDED[name])
        elif name == "delete-symbol":
            problems += self.deleting(pf, entries)
        else:
            names = {"update": ["MASTER"] + [f"F{n}.DAT" for n in self.b_entries], "edit-symbol": ["MASTER"],
                     "assign-all": [f"F{n}.PFL" for n in self.b_entries],
                     "skip-all-on": [SKIP_FILE]}.get(name, ["MASTER", target])
            problems += self.each_old_or_new(pf, names)
            # (a quote delete moves MASTER first: new quotes under the old MASTER lose a date)
        if self.command.target is not None:
            problems += self.ini_old_or_new(files)
        for fname, data in self.b.items():
            if not fname.endswith(".BAK") and pf.get(fname) != data and self.a.get(fname, data) == data \
                    and not (fname not in self.a and name == "delete-symbol"):
                problems.append(f"{fname} changed although the command leaves it as it was")
        return problems

    def each_old_or_new(self, pf, names):
        return [f"{n} is neither as it was nor as the uninterrupted run leaves it "
                f"({len(pf[n]) if n in pf else 'missing'} bytes)"
                for n in names if pf.get(n) != self.b.get(n) and pf.get(n) != self.a.get(n)]

    def ini_old_or_new(self, files):
        now = files.get(INI)
        return [] if now in (self.before.get(INI), self.after.get(INI)) else ["the settings file is neither "
                                                                           "as it was nor as the command leaves it"]

    def adding(self, pf, entries, symbol):
        """MASTER is as it was, or names the complete new security (under any number)."""
        want, now = entry_of(self.a_entries, symbol), entry_of(entries, symbol)
        if now is None:
            empty = bytes(MASTER_RECORD)  # a new portfolio's MASTER may come before the security
            if pf.get("MASTER") not in (self.b.get("MASTER", empty), self.b.get("MASTER")):
                return [f"MASTER does not list {symbol} but is not as it was either"]
            return []
        expected = bytearray(self.a["MASTER"])
        expected[MASTER_RECORD * len(self.a_entries)] = now.number  # the new entry is the last
        out = [] if pf["MASTER"] == bytes(expected) else [f"MASTER lists {symbol} but is not as the run writes it"]
        return out + [f"MASTER lists {symbol} but F{now.number}.{x} is not the complete file" for x in ("DAT", "DOP")
                      if pf.get(f"F{now.number}.{x}") != self.a.get(f"F{want.number}.{x}")]

    def deleting(self, pf, entries):
        n = next(n for n in self.b_entries if n not in self.a_entries)
        out = [] if pf["MASTER"] in (self.b["MASTER"], self.a["MASTER"]) else ["MASTER is neither old nor new"]
        for fname in (f"F{n}.DAT", f"F{n}.DOP", f"F{n}.PFL"):
            if pf.get(fname, None if n in entries else self.b.get(fname)) != self.b.get(fname):
                out.append(f"{fname} changed, or was removed while MASTER still lists its security")
        skip = pf.get(SKIP_FILE)
        if skip is None:
            return out + [f"{SKIP_FILE} is missing"]
        return out + [f"security number {k}, still listed, lost or gained its skip mark"
                      for k in entries if (skip[k] != 0) != (self.b[SKIP_FILE][k] != 0)]

    def same_as_uninterrupted(self, files, crashed):
        problems, entries = self.well_formed(files)
        if problems:
            return problems
        files = self.without_orphans(self.renumbered(files, entries, crashed), crashed)
        # The record of the last quote edit follows the quote file: a refused re-run leaves the old one.
        ini_either = self.command.kind != "idempotent"
        ignore = {AUDIT, INI} if ini_either else {AUDIT}
        out = []
        for name in sorted(set(files) | set(self.after)):
            now, want = files.get(name), self.after.get(name)
            if now != want and name not in ignore and not name.upper().endswith(".BAK") \
                    and not name.startswith(INI + "."):
                out.append(f"{name} is " + ("missing" if now is None else f"left over ({len(now)} bytes)"
                                            if want is None else "not the uninterrupted run's"))
        return out + (self.ini_old_or_new(files) if ini_either else [])

    def renumbered(self, files, entries, crashed):
        """When a crash left files under the number the uninterrupted run gave a new security,
        the re-run takes the next free one: rename it back, and set aside what the crash left
        there, provided it is exactly what the command writes (or the quote file's header)."""
        symbol = ADDED.get(self.command.name)
        want, now = (entry_of(self.a_entries, symbol), entry_of(entries, symbol)) if symbol else (None, None)
        prefix = self.pdir + os.sep
        if want is None or now is None or want.number == now.number or \
                not any(k.upper().startswith(f"{prefix}F{want.number}.") for k in crashed):
            return files
        n, m = want.number, now.number
        out = {k: v for k, v in files.items() if not (k.upper().startswith(f"{prefix}F{n}.") and k not in self.after)}
        header = bytearray(self.after[f"{prefix}F{n}.DAT"][:want.length])
        header[2:4] = struct.pack("<H", 1)
        for x in ("DAT", "DOP"):
            left = out.pop(f"{prefix}F{n}.{x}", None)
            if left not in (None, self.after.get(f"{prefix}F{n}.{x}"), header if x == "DAT" else None):
                out[f"{prefix}F{n}.{x} (left by the crash)"] = left
            if f"{prefix}F{m}.{x}" in out:
                out[f"{prefix}F{n}.{x}"] = out.pop(f"{prefix}F{m}.{x}")
        master = bytearray(out[prefix + "MASTER"])
        for k in range(MASTER_RECORD, len(master), MASTER_RECORD):
            if master[k] == m and master[k + 36:k + 52] == now.record[36:52]:
                master[k] = n
        out[prefix + "MASTER"] = bytes(master)
        return out

    def without_orphans(self, files, crashed):
        """A delete-symbol killed once MASTER no longer listed the security: the re-run finds
        nothing to delete, so its unchanged files (and temporary skip list) and its skip mark
        may stay; follow_up_add checks no later security inherits them."""
        if self.command.name != "delete-symbol" or in_portfolio(crashed, self.pdir)["MASTER"] != self.a["MASTER"]:
            return files
        n = next(n for n in self.b_entries if n not in self.a_entries)
        prefix = self.pdir + os.sep
        out = {k: v for k, v in files.items()
               if not (k.upper().startswith(f"{prefix}F{n}.") and v == self.before.get(k))
               and not (k.upper().startswith(prefix + "SKIPQVTA.") and k not in self.after)}
        skip = out.get(prefix + SKIP_FILE)
        if skip is not None and len(skip) == 256 and skip[n] == self.b[SKIP_FILE][n]:
            out[prefix + SKIP_FILE] = skip[:n] + self.a[SKIP_FILE][n:n + 1] + skip[n + 1:]
        return out


def follow_up_add(cli, ws):
    """After a delete-symbol: a new security starts unskipped and with files of its own."""
    done = run_cli(cli, ws, ["add-symbol", ws.portfolio, "AFTER"])
    if done.returncode != 0:
        return [f"add-symbol after the delete failed: {done.stderr.decode(errors='replace').strip()}"]
    pf = in_portfolio(snapshot(ws.root), "P")
    new = entry_of(read_master(pf["MASTER"]), "AFTER")
    if new is None:
        return ["add-symbol after the delete did not list AFTER"]
    m = new.number
    checks = [(pf[SKIP_FILE][m] == 0, "starts skipped"), (f"F{m}.PFL" not in pf, "inherits an F.PFL"),
              (pf.get(f"F{m}.DAT") == quote_file(SEVEN_FIELDS, []), "does not start with an empty F.DAT"),
              (pf.get(f"F{m}.DOP") == dop_text(SEVEN_FIELDS), "does not start with the default F.DOP")]
    return [f"the new security AFTER (number {m}) {what}" for ok, what in checks if not ok]


def self_check(before, checker):
    """The reader passes the prepared files and reports two damaged copies of them."""
    pf = in_portfolio(before, "P")
    problems = ["the prepared files are reported: " + p for p in checker.well_formed(before)[0]]
    newer = bytearray(pf["MASTER"])
    newer[MASTER_RECORD + 29:MASTER_RECORD + 33] = mbf_from_float(float(file_date(NEW_DAY)))
    for name, data in (("F1.DAT", pf["F1.DAT"][:-3]), ("MASTER", bytes(newer))):
        if not checker.well_formed({**before, os.path.join("P", name): data})[0]:
            problems.append(f"a damaged {name} is not reported")
    return problems


# ---- running -------------------------------------------------------------------------------

KILL_CALLS = ("write", "fsync", "fdatasync", "syncfs", "rename", "renameat", "renameat2", "unlink", "unlinkat")


def kill_after(cli, ws, command, delay):
    proc = subprocess.Popen(cli_line(cli, ws, command.args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            cwd=ws.root)
    time.sleep(delay)
    killed = proc.poll() is None
    if killed:
        os.kill(proc.pid, signal.SIGKILL)
    return proc.wait() is not None and killed


def kill_points(strace, cli, ws, command, trace_path):
    """The KILL_CALLS an uninterrupted run makes, as (name, n-th call of that name)."""
    run = subprocess.run([strace, "-f", "-qq", "-o", trace_path, "-e", "trace=" + ",".join(KILL_CALLS)]
                         + cli_line(cli, ws, command.args), capture_output=True, cwd=ws.root)
    if run.returncode != 0:
        raise SystemExit(f"crash_test: {command.name} under strace failed ({run.returncode})")
    seen, points = collections.Counter(), []
    for line in open(trace_path, encoding="latin-1"):
        call = (line.split(None, 1) + [""])[1].split("(", 1)[0]
        if call in KILL_CALLS:
            seen[call] += 1
            points.append((call, seen[call]))
    return points


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", required=True, help="path of quovanta-cli")
    parser.add_argument("--trials", type=int, default=200)
    parser.add_argument("--seed", type=int, help="seed of the commands and kills (default: random)")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        print(f"crash_test: {cli} is not an executable", file=sys.stderr)
        return 2
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 2**31)
    print(f"crash_test: seed {seed}, {args.trials} trials", flush=True)
    rng = random.Random(seed)
    # A kill -9 loses nothing written, synced or not: a memory file system shows the same states.
    work = tempfile.mkdtemp(prefix="quovanta-crash-", dir="/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    try:
        root, template = os.path.join(work, "trial"), os.path.join(work, "template")
        ws = workspace(root)  # the profile names the update directory by path: every trial uses this root
        chosen = commands(ws, *build_template(ws, cli))
        shutil.copytree(root, template, symlinks=True)
        before = snapshot(template)
        problems = self_check(before, Checker(before, before, Command("none", [], "idempotent")))
        if problems:
            print("crash_test: the reader misses faults:\n  " + "\n  ".join(problems), file=sys.stderr)
            return 2
        strace = shutil.which("strace")
        if strace and subprocess.run([strace, "-qq", "-o", os.devnull, "true"]).returncode != 0:
            strace = None
        print("crash_test: " + ("every other trial kills at a call (strace)" if strace else "timed kills only"))

        references, points = {}, {}
        for command in chosen:
            times = []
            for _ in range(2):  # the first run may be slowed by cold caches
                restore(template, root)
                start = time.perf_counter()
                done = run_cli(cli, ws, command.args)
                times.append(time.perf_counter() - start)
            if done.returncode != 0:
                print(f"crash_test: the uninterrupted {command.name} failed:\n{done.stderr.decode(errors='replace')}")
                return 2
            checker = Checker(before, snapshot(root), command)
            problems = checker.well_formed(checker.after)[0]
            if problems:
                print(f"crash_test: the uninterrupted {command.name} leaves bad files:\n  " + "\n  ".join(problems))
                return 1
            references[command.name] = (checker, min(times), datetime.date.today())
            if strace:
                restore(template, root)
                points[command.name] = kill_points(strace, cli, ws, command, os.path.join(work, "trace"))
            print(f"  {command.name:20} {min(times) * 1000:7.1f} ms, {len(points.get(command.name, []))} kill points")

        failures = killed_count = 0
        started = time.perf_counter()
        for trial in range(args.trials):
            command = chosen[trial % len(chosen)]
            checker, seconds, day = references[command.name]
            if datetime.date.today() != day:  # new securities carry the day they were added
                restore(template, root)
                run_cli(cli, ws, command.args)
                checker = Checker(before, snapshot(root), command)
                references[command.name] = (checker, seconds, datetime.date.today())
            restore(template, root)
            # Rounds alternate, so that an even number of commands does not give each one kind of kill.
            if strace and (trial // len(chosen) + trial % len(chosen)) % 2 and points[command.name]:
                call, nth = rng.choice(points[command.name])
                where, killed = f"killed before {call} call {nth}", True
                subprocess.run([strace, "-f", "-qq", "-o", os.devnull, "-e", "trace=" + call,
                                "-e", f"inject={call}:signal=KILL:when={nth}"] + cli_line(cli, ws, command.args),
                               capture_output=True, cwd=ws.root)
            else:
                delay = rng.uniform(0.0, seconds * 1.1)
                killed = kill_after(cli, ws, command, delay)
                where = f"delay {delay * 1000:.2f} ms, " + ("killed" if killed else "completed")
            killed_count += killed
            crashed = snapshot(root)
            problems = [f"after the kill: {p}" for p in checker.between(crashed)]
            target = f"F{command.target}.DAT"
            if not problems and (command.kind != "scaling"
                                 or in_portfolio(crashed, checker.pdir).get(target) == checker.b.get(target)):
                done = run_cli(cli, ws, command.args)
                if done.returncode != 0 and command.kind != "once":
                    problems.append(f"the re-run failed ({done.returncode}): {done.stderr.decode(errors='replace')}")
            if not problems:
                problems = [f"after the re-run: {p}" for p in checker.same_as_uninterrupted(snapshot(root), crashed)]
            if not problems and command.name == "delete-symbol":
                problems = [f"after the re-run: {p}" for p in follow_up_add(cli, ws)]
            if problems:
                failures += 1
                print(f"FAIL trial {trial} {command.name} (seed {seed}, {where}):\n    " + "\n    ".join(problems[:9]))
            sys.stdout.flush()
        print(f"crash_test: {args.trials} trials ({killed_count} killed before the end) in "
              f"{time.perf_counter() - started:.1f} s, {failures} failed, seed {seed}")
        return 1 if failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
