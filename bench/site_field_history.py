#!/usr/bin/env python3
"""The field process of a multi-desk site with and without its report history.

`statusviewer field` as a site runs it (its reference workstation showing "Entire Site", every
report published to a Mosquitto broker under the field's login, signed, and the site written back)
on a demo site of --points points, at --rate reports a second with a burst of --burst in one second
of every minute. Turns of --minutes whole minutes, one field process each, with --history-days 30
and with --history-days 0, --turns of each in one run, in the order on, off, off, on, on, off, ...
(a load that rises or falls through the run weighs on both alike).

Per turn: from --warmup seconds after the traffic's start (the site loaded, the history seeded and
its first snapshot written, the broker linked) to --minutes later, the process's CPU (utime +
stime from /proc) and the reports it published (its control line). With --callgrind the field runs
under callgrind instead, its instructions counted over that window only: valgrind slows the
process down, so it keeps up only with a low --rate (the rate reached is printed; instructions a
report compare only between turns that reached the same rate).

  python3 bench/site_field_history.py [--app PATH] [--points 50000] [--rate 200] [--burst 5000]
                                      [--minutes 2] [--turns 2] [--warmup 10] [--callgrind]
"""
import argparse
import glob
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "drivers"))
from multidesk import Broker, Process, find_app  # noqa: E402  (the site's broker and role processes)

GROUP = "Entire Site"


def cpu_seconds(pid):
    """utime + stime of a process, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def published(field):
    return int(re.search(r" sent (\d+) ", field.ask("status", timeout=600)).group(1))


def wait_for_link(field, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if " link up " in field.ask("status", timeout=timeout):
            return
        time.sleep(0.5)
    sys.exit("the field did not link to the broker")


def callgrind_total(path):
    with open(path) as f:
        return next(int(line.split()[1]) for line in f if line.startswith("summary:"))


def turn(args, work, broker, db, env, history, number):
    """One field process for --minutes of traffic: (reports published, CPU seconds or instructions)."""
    days = "30" if history else "0"
    prefix = []
    out = os.path.join(work, f"cg-{number}")
    if args.callgrind:
        prefix = ["valgrind", "--tool=callgrind", "--instr-atstart=no", f"--callgrind-out-file={out}"]
    field = Process(args.app, f"field-{number}",
                    ["field", "--broker", broker.url(), "--db", db, "--group", GROUP, "--broker-user", "field",
                     "--broker-password-file", broker.password_file("field"), "--control", "--headless",
                     "--rate", str(args.rate), "--burst", str(args.burst), "--history-days", days],
                    work, env, prefix)
    try:
        wait_for_link(field, 1200)
        pid = field.process.pid
        # The start refreshes the reference workstation's rows, and the history's writer packs its
        # first snapshot meanwhile: neither is a report's cost.
        field.ask("start", timeout=1200)
        time.sleep(args.warmup)
        if args.callgrind:
            subprocess.run(["callgrind_control", "-i", "on", str(pid)], check=True, capture_output=True)
            subprocess.run(["callgrind_control", "-z", str(pid)], check=True, capture_output=True)
        sent, cpu = published(field), cpu_seconds(pid)
        time.sleep(args.minutes * 60)
        if args.callgrind:
            subprocess.run(["callgrind_control", "-d", str(pid)], check=True, capture_output=True)
        sent, cpu = published(field) - sent, cpu_seconds(pid) - cpu
        field.quit()
        cost = callgrind_total(sorted(glob.glob(out + ".*"))[0]) if args.callgrind else cpu
        return sent, cost
    finally:
        field.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app")
    parser.add_argument("--points", type=int, default=50000)
    parser.add_argument("--rate", type=int, default=200)
    parser.add_argument("--burst", type=int, default=5000)
    parser.add_argument("--minutes", type=int, default=2)
    parser.add_argument("--turns", type=int, default=2)
    parser.add_argument("--warmup", type=int, default=10, help="seconds of traffic before the window")
    parser.add_argument("--callgrind", action="store_true")
    args = parser.parse_args()
    args.app = find_app(args.app)

    with tempfile.TemporaryDirectory(prefix="site-field-history-") as work:
        env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"), QT_QPA_PLATFORM="offscreen")
        db = "sqlite:" + os.path.join(work, "site.db")
        made = subprocess.run([args.app, "--db", db, "--create-demo", "--scale", str(args.points), "--headless",
                               "--seconds", "0.1", "--rate", "0", "--out", os.path.join(work, "shots")],
                              env=env, capture_output=True, text=True, timeout=1200)
        if made.returncode != 0:
            sys.exit("the demo site could not be made:\n" + made.stderr)
        broker = Broker(work, [])
        broker.start()
        unit = "instructions" if args.callgrind else "cpu_us"
        per_report = {True: [], False: []}
        try:
            for n in range(2 * args.turns):
                history = n % 4 in (0, 3)
                sent, cost = turn(args, work, broker, db, env, history, n)
                figure = cost / sent if args.callgrind else cost * 1e6 / sent
                per_report[history].append(figure)
                print(f"turn {n + 1} history {'on' if history else 'off'}: {sent} reports "
                      f"({sent / (args.minutes * 60):.0f}/s), {unit}_per_report {figure:.1f}", flush=True)
        finally:
            broker.kill()
        with_history = statistics.median(per_report[True])
        without = statistics.median(per_report[False])
        print(f"{unit}_per_report_without_history {without:.1f}")
        print(f"{unit}_per_report_with_history {with_history:.1f}")
        print(f"history_extra_percent {100 * (with_history - without) / without:.1f}")


if __name__ == "__main__":
    main()
