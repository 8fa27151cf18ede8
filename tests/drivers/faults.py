#!/usr/bin/env python3
"""Fault injection on the real status viewer.

Runs `statusviewer --headless --stats` on a copy of a demo site for 30 s at 1,000 state changes a
second, once per fault, and injects the fault from 8 s to 18 s of the run:

  lock            another connection holds BEGIN EXCLUSIVE on the site for 10 s
  unlink-restore  the site file (with its -wal/-shm) is deleted; 10 s later a backup taken just
                  before is put in its place
  move            the site file is renamed away and 10 s later renamed back
  disk-full       the site lives on a small tmpfs; its write-ahead log is emptied and the tmpfs
                  filled up for 10 s (needs mount rights; skipped with a message otherwise)
  kill-9          as lock, and the application is killed (SIGKILL) at 13 s, under the lock; the
                  lock is released once it is gone
  cut             the site file is cut to half its size at 8 s and left so (--rate 500 in its
                  run); its own checks: the link not "up" within 5 s of the cut, at most 50 errors
                  logged in the run, and the bytes of the file and its -wal the same after the
                  application exits as 5 s after the cut

Per fault it prints: live state changes applied during the fault, the longest stall of the window's
event loop during the fault, whether the operator was told (status bar state from --stats and the
component's log), whether anything stored was lost, and the time from the end of the fault until
the link answers and every state is written back. "Lost" compares rows, not only the file's health:
the site's live-state rows (SuperStatus and the newer line's state columns) are read from the file
when the fault starts and again after the run; the rows that differ are the ones written since the
fault began, and the rows the application still held unwritten at its last --stats line (kill-9:
when it was killed) are the ones lost. The file must also pass the integrity check.

Usage: python3 tests/drivers/faults.py [--app PATH] [--faults lock,move,...] [--seconds 30] [--rate 1000]
"""
import argparse
import hashlib
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

FAULT_START = 8.0
FAULT_END = 18.0
STATS = re.compile(r"stats: t=([\d.]+) applied=(\d+) stall_ms=(\d+) link=(\w+) unwritten=(\d+) failed_writes=(\d+)")


def find_app(given):
    if given:
        return given
    for build in ("build", "build-dev", "build-release"):
        path = os.path.join(os.path.dirname(__file__), "..", "..", build, "apps", "statusviewer", "statusviewer")
        if os.path.exists(path):
            return os.path.abspath(path)
    sys.exit("faults.py: no statusviewer build found; build it (cmake --build build --target statusviewer) or pass --app")


def make_site(app, work):
    """A demo site made by the application at its default place; returns its file."""
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "template"), QT_QPA_PLATFORM="offscreen")
    run = subprocess.run([app, "--headless", "--seconds", "0.1", "--rate", "0", "--out", os.path.join(work, "shots")],
                         env=env, capture_output=True, text=True, timeout=300)
    found = re.search(r"created a demo site of \d+ points in (\S+)", run.stderr)
    if run.returncode != 0 or not found:
        sys.exit("faults.py: could not create the demo site:\n" + run.stderr)
    return found.group(1)


def backup(site, target):
    source = sqlite3.connect(site)
    dest = sqlite3.connect(target)
    source.backup(dest)
    dest.close()
    source.close()


def remove_site(path):
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(path + suffix):
            os.remove(path + suffix)


class Lock:
    """Holds the site's write lock from another connection until released."""

    def __init__(self, site):
        self.connection = sqlite3.connect(site, isolation_level=None, timeout=30, check_same_thread=False)
        self.connection.execute("BEGIN EXCLUSIVE")

    def release(self):
        self.connection.execute("ROLLBACK")
        self.connection.close()


def fill(folder):
    """Fills the file system of folder; returns the filler file."""
    filler = os.path.join(folder, "filler")
    out = os.open(filler, os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        while os.write(out, b"\0" * 65536) > 0:
            pass
    except OSError:
        pass
    finally:
        os.close(out)
    return filler


def prepare(fault, template, work):
    """The site file for the run (on a small tmpfs for disk-full); None with a reason when skipped."""
    folder = os.path.join(work, fault)
    os.makedirs(folder)
    if fault == "disk-full":
        mount = os.path.join(folder, "tmpfs")
        os.makedirs(mount)
        size_mb = os.path.getsize(template) // (1 << 20) + 24
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dm" % size_mb, "tmpfs", mount],
                                capture_output=True, text=True)
        if result.returncode != 0:
            return None, "cannot mount a tmpfs here (%s)" % (result.stderr.strip() or "no permission")
        folder = mount
    site = os.path.join(folder, "site.db")
    shutil.copy(template, site)
    return site, None


def run_fault(app, fault, site, work, seconds, rate):
    data = os.path.join(work, fault + "-data")
    env = dict(os.environ, XDG_DATA_HOME=data, QT_QPA_PLATFORM="offscreen")
    cmd = [app, "--headless", "--stats", "--db", "sqlite:" + site, "--rate", str(rate), "--seconds", str(seconds),
           "--out", os.path.join(work, fault + "-shots")]
    process = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines, summary = [], []
    stderr = []
    threading.Thread(target=lambda: stderr.extend(process.stderr), daemon=True).start()
    state = {"injected": False, "restored": False}
    try:
        read_stats(process, fault, site, work, lines, summary, state)
    finally:
        if process.poll() is None:
            process.kill()
        process.wait()
    return lines, summary, "".join(stderr), state, data


def read_stats(process, fault, site, work, lines, summary, state):
    """Reads the --stats lines, injecting the fault at its start and undoing it at its end."""
    undo = None
    for line in process.stdout:
        match = STATS.search(line)
        if not match:
            summary.append(line.strip())
            continue
        t = float(match.group(1))
        lines.append((t, int(match.group(2)), int(match.group(3)), match.group(4), int(match.group(5)),
                      int(match.group(6))))
        if not state["injected"] and t >= FAULT_START - 1.0:
            state["before"] = state_rows(site)
            undo = inject(fault, site, work)
            state["injected"] = True
            state["at"] = t
        elif fault == "kill-9" and state["injected"] and t >= KILL_AT - 1.0:
            state["unwritten_at_kill"] = lines[-1][4]
            process.kill()
            process.wait()
            undo()
            state["restored"] = True
            state["restored_at"] = t
            state["restored_wall"] = None
            return
        elif state["injected"] and not state["restored"] and t >= FAULT_END - 1.0:
            undo()
            state["restored"] = True
            state["restored_at"] = t
            state["restored_wall"] = time.time()


def file_hash(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def run_cut(app, site, work, seconds, rate):
    """The cut-file run: returns its report line and whether every check held."""
    data = os.path.join(work, "cut-data")
    env = dict(os.environ, XDG_DATA_HOME=data, QT_QPA_PLATFORM="offscreen")
    cmd = [app, "--headless", "--stats", "--db", "sqlite:" + site, "--rate", str(rate), "--seconds", str(seconds),
           "--out", os.path.join(work, "cut-shots")]
    process = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    stderr = []
    threading.Thread(target=lambda: stderr.extend(process.stderr), daemon=True).start()
    cut_at, told_at, hashes, summary = None, None, None, ""
    for line in process.stdout:
        match = STATS.search(line)
        if not match:
            summary = line.strip() if line.startswith("statusviewer:") else summary
            continue
        t, link = float(match.group(1)), match.group(4)
        if cut_at is None and t >= FAULT_START - 1.0:
            os.truncate(site, os.path.getsize(site) // 2)
            cut_at = t
        elif cut_at is not None:
            if told_at is None and link != "up":
                told_at = t
            if hashes is None and t >= cut_at + 5.0:
                hashes = (file_hash(site), file_hash(site + "-wal"))
    process.wait()
    after = (file_hash(site), file_hash(site + "-wal"))
    errors = re.search(r"(\d+) errors? logged", summary)
    errors = int(errors.group(1)) if errors else -1
    told = told_at is not None and told_at - cut_at <= 5.0
    unchanged = hashes is not None and hashes == after
    ok = told and 0 <= errors <= 50 and unchanged
    line = ("cut: link %s, %s errors logged in the run (limit 50), file and -wal after exit %s as 5 s after the cut; "
            "%s\n  %s" % ("\"%s\" %.1f s after the cut" % ("not up", told_at - cut_at) if told_at is not None
                           else "up throughout", errors, "the same" if unchanged else "CHANGED",
                           "ok" if ok else "FAILED", summary))
    return line, ok


def inject(fault, site, work):
    if fault in ("lock", "kill-9"):
        lock = Lock(site)
        return lock.release
    if fault == "unlink-restore":
        copy = os.path.join(work, "unlink-backup.db")
        backup(site, copy)
        remove_site(site)
        return lambda: shutil.move(copy, site)
    if fault == "move":
        away = site + ".moved"
        os.rename(site, away)
        return lambda: os.rename(away, site)
    if fault == "disk-full":
        # The write-ahead log is emptied first, so the next writes need new space, as they would
        # once the log's space was used up.
        db = sqlite3.connect(site, timeout=5)
        db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
        db.close()
        filler = fill(os.path.dirname(site))
        return lambda: os.remove(filler)
    raise ValueError(fault)


# The live-state rows the field writes back, by table: (key columns, state columns).
STATE_TABLES = {
    "SuperStatus": ("ControllerID, StatusType", "Status"),
    "ZRII_Inputs": ("Address", "ContactStatus"),
}
KILL_AT = 13.0


def state_rows(site):
    """{(table, key): state} of the live-state rows in the file at site."""
    rows = {}
    db = sqlite3.connect("file:%s?mode=ro" % site, uri=True, timeout=30)
    try:
        for table, (keys, states) in STATE_TABLES.items():
            try:
                for row in db.execute("SELECT %s, %s FROM %s" % (keys, states, table)):
                    rows[(table,) + tuple(row[:-1])] = row[-1]
            except sqlite3.OperationalError:
                pass  # a site without that table
    finally:
        db.close()
    return rows


def stored_check(site, restored_wall):
    """(lost?, why) for the file at the path after the run."""
    try:
        db = sqlite3.connect(site)
        integrity = db.execute("PRAGMA integrity_check").fetchone()[0]
        last = db.execute("SELECT MAX(LastUpdated) FROM SuperStatus").fetchone()[0]
        db.close()
    except sqlite3.Error as e:
        return True, "site unreadable: %s" % e
    if integrity != "ok":
        return True, "integrity check: " + integrity
    if restored_wall is not None and last is not None:
        restored = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(restored_wall))
        if last < restored:
            return True, "no write reached the file after the fault (last %s)" % last
    return False, "integrity ok, writes reached the file"


def report(fault, lines, summary, stderr, state, data, site):
    start, end = state.get("at", FAULT_START), state.get("restored_at", FAULT_END)
    during = [l for l in lines if start < l[0] <= end + 0.001]
    after = [l for l in lines if l[0] > end]
    applied = sum(l[1] for l in during)
    before = [l for l in lines if l[0] <= start]
    failed = (during[-1][5] if during else 0) - (before[-1][5] if before else 0)
    stall = max((l[2] for l in during), default=0)
    longest = max((l[2] for l in lines), default=0)
    shown = sorted({l[3] for l in during if l[3] != "up"})
    log = ""
    for root, _, files in os.walk(data):
        for name in files:
            if name.endswith(".log"):
                with open(os.path.join(root, name), errors="replace") as f:
                    log += f.read()
    logged = "cannot be reached" in log or "is busy" in log
    # A full disk is said by the link's check (the component's log, a box, the status bar) and by
    # the field's writer (the application's log, on standard error).
    full = "disk is full" in log or any("disk is full" in line for line in stderr)
    if shown:
        told = "yes: status bar %s, %s" % ("/".join(shown), "logged" if logged or full else "not logged")
    else:
        told = "yes: \"the site file cannot grow: the disk is full\" logged" if full else "no"
    recovered = next((l for l in after if l[3] == "up" and l[4] == 0), None)
    recovery = "%.1f s" % (recovered[0] - end) if recovered else "not within the run"
    if "unwritten_at_kill" in state:
        recovery = "killed"
    lost, why = stored_check(site, state.get("restored_wall"))
    changed = 0
    if "before" in state and not lost:
        now = state_rows(site)
        changed = sum(1 for key, value in now.items() if state["before"].get(key) != value)
        why += ", %d rows changed since the fault began are in the file" % changed
    # Rows still in flight at the last one-second line are written on closing; the writer says so
    # when it could not. A killed application loses what it held.
    if "unwritten_at_kill" in state:
        held = state["unwritten_at_kill"]
        lost, why = held > 0, "%d rows held unwritten when killed are not in the file; integrity ok, %d rows " \
            "changed since the fault began are in the file" % (held, changed)
    elif "could not be written back" in stderr:
        lost, why = True, "states left unwritten when the application closed"
    return {
        "fault": fault, "applied": applied, "failed": failed, "stall": stall, "longest": longest, "told": told,
        "lost": ("yes: " if lost else "no: ") + why, "recovery": recovery,
        "summary": next((s for s in summary if s.startswith("statusviewer:")), ""),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app")
    parser.add_argument("--faults", default="lock,unlink-restore,move,disk-full,kill-9,cut")
    parser.add_argument("--seconds", type=float, default=30.0)
    parser.add_argument("--rate", type=int, default=1000)
    parser.add_argument("--cut-rate", type=int, default=500, help="changes a second in the cut run")
    parser.add_argument("--verbose", action="store_true", help="also print the application's --stats lines")
    args = parser.parse_args()
    app = find_app(args.app)
    work = tempfile.mkdtemp(prefix="statusviewer-faults-")
    template = make_site(app, work)
    results = []
    failed = False
    for fault in args.faults.split(","):
        site, skipped = prepare(fault, template, work)
        if site is None:
            print("%s: skipped, %s" % (fault, skipped), flush=True)
            continue
        if fault == "cut":
            line, ok = run_cut(app, site, work, args.seconds, args.cut_rate)
            print(line, flush=True)
            failed = failed or not ok
            continue
        try:
            lines, summary, stderr, state, data = run_fault(app, fault, site, work, args.seconds, args.rate)
            results.append(report(fault, lines, summary, stderr, state, data, site))
        finally:
            if fault == "disk-full":
                subprocess.run(["umount", os.path.dirname(site)], capture_output=True)
        r = results[-1]
        if args.verbose:
            print("".join("  t=%.1f applied=%d stall_ms=%d link=%s unwritten=%d failed_writes=%d\n" % l for l in lines),
                  end="")
        print("%s: %d changes applied during the fault, %d field write-backs failed (kept), longest stall %d ms "
              "(whole run %d ms), told: %s, stored lost: %s, recovered %s after the fault\n  %s"
              % (r["fault"], r["applied"], r["failed"], r["stall"], r["longest"], r["told"], r["lost"], r["recovery"],
                 r["summary"]), flush=True)
    print("\n| Fault (8-18 s of a %g s run at %d/s) | Changes applied during the fault | Longest UI stall during the fault "
          "| Field write-backs failed (kept) | Operator told | Stored data lost | Recovered after the fault |"
          % (args.seconds, args.rate))
    print("|---|---|---|---|---|---|---|")
    for r in results:
        print("| %s | %d | %d ms | %d | %s | %s | %s |" % (r["fault"], r["applied"], r["stall"], r["failed"], r["told"],
                                                           r["lost"], r["recovery"]))
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
