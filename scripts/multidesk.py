#!/usr/bin/env python3
"""A multi-desk status viewer site on this machine: a Mosquitto broker on 127.0.0.1 with logins and
the shipped ACL (apps/statusviewer/mqtt/statusviewer.acl), one field process and N workstation
processes, all on one SQLite site file.

  site    runs the site for people: the desks' windows open (headless without a display) and
          the site runs until Ctrl+C.
  test    the end-to-end check: a seeded sequence of state changes, then every desk's checksum of
          its shown rows must equal the field's; a group created on one desk must reach the
          others; a command from one desk must change the row on every desk. Then an attacker
          holding a desk's login: the broker must refuse anonymous clients, a field state from a
          desk and an oversized payload; the field must refuse a command for a point the
          operator may not command, a replayed command and one published under another desk's
          login; forged group and controller notices must change nothing; a notice that does
          not parse is skipped and counted by every desk.
  faults  the same with the broker killed and restarted mid-run and one desk killed and
          restarted; afterwards every desk must agree with the field again, and each desk that ran
          through the broker's restart must have logged the link loss exactly once.
  bench   end-to-end latency from the field's publication to the reports applied in a desk
          (median, 99th percentile) and the reports a second one desk keeps up with.

Exit codes: 0 passed, 1 failed, 77 skipped (no mosquitto on this machine).

Every process logs in under its own name (scripts/broker_logins.py makes the logins).

Usage: python3 scripts/multidesk.py site|test|faults|bench [--app PATH] [--desks N] [--reports N] [--rate N]
"""
import argparse
import getpass
import os
import re
import secrets
import select
import shutil
import signal
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time

import broker_logins

HERE = os.path.dirname(os.path.abspath(__file__))
ACL = os.path.join(HERE, "..", "apps", "statusviewer", "mqtt", "statusviewer.acl")
GROUP = "Entire Site"
SITE = "main"
# As the shipped broker configuration (apps/statusviewer/mqtt/mosquitto.conf).
MAX_PACKET = 262144


def find_tool(name):
    return shutil.which(name) or next((p for p in ("/usr/sbin/" + name, "/usr/bin/" + name) if os.path.exists(p)), None)


def find_app(given):
    if given:
        return given
    for build in ("build", "build-dev", "build-release"):
        path = os.path.join(HERE, "..", build, "apps", "statusviewer", "statusviewer")
        if os.path.exists(path):
            return os.path.abspath(path)
    sys.exit("multidesk.py: no statusviewer build found; build it or pass --app")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


class Broker:
    """mosquitto on 127.0.0.1 with a login for the field and each desk (passwords never on a command line)."""

    def __init__(self, work, desks):
        self.work = work
        self.port = free_port()
        self.logins = os.path.join(work, "logins")
        self.passwords = broker_logins.make(self.logins, ["field"] + desks, keep_others=False)
        self.conf = os.path.join(work, "broker.conf")
        with open(self.conf, "w") as f:
            # Run as root, the broker would switch to its own user, who cannot read this folder.
            f.write(f"user {getpass.getuser()}\nper_listener_settings false\nallow_anonymous false\n"
                    f"password_file {os.path.join(self.logins, 'broker.passwd')}\n"
                    f"acl_file {os.path.abspath(ACL)}\nlistener {self.port} 127.0.0.1\n"
                    f"max_queued_messages 10000\nmax_packet_size {MAX_PACKET}\n")
        self.process = None
        self.starts = 0

    def password_file(self, user):
        return broker_logins.password_file(self.logins, user)

    def start(self):
        self.starts += 1
        log = open(os.path.join(self.work, f"broker-{self.starts}.log"), "w")
        self.process = subprocess.Popen([find_tool("mosquitto"), "-c", self.conf], stdout=log, stderr=log)
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        raise Failed("the broker did not start")

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def url(self):
        return f"mqtt://127.0.0.1:{self.port}"


def mqtt_publish(port, user, password, topic, payload):
    """Connects with MQTT 3.1.1 (a login when user is set), publishes one message at most once and
    returns the broker's CONNACK code (0 accepted, 5 not authorised)."""
    def text(s):
        b = s.encode()
        return struct.pack("!H", len(b)) + b

    def packet(kind, body):
        n, length = len(body), b""
        while True:
            byte, n = n % 128, n // 128
            length += bytes([byte | (0x80 if n else 0)])
            if not n:
                return bytes([kind]) + length + body

    flags = 0x02 | ((0xC0) if user else 0)
    body = text("MQTT") + bytes([4, flags]) + struct.pack("!H", 10) + text("probe-" + secrets.token_hex(4))
    if user:
        body += text(user) + text(password)
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(packet(0x10, body))
        ack = s.recv(4)
        code = ack[3] if len(ack) == 4 else -1
        if code == 0:
            try:
                s.sendall(packet(0x30, text(topic) + payload) + packet(0xE0, b""))
            except OSError:
                pass  # the broker closed the connection: it refused the packet
            time.sleep(0.2)
    return code


def cbor(value):
    """The CBOR (RFC 8949) of None, a bool, an int, a str or a list of them."""
    def head(major, n):
        if n < 24:
            return bytes([major << 5 | n])
        for info, size in ((24, 1), (25, 2), (26, 4), (27, 8)):
            if n < 1 << (8 * size):
                return bytes([major << 5 | info]) + n.to_bytes(size, "big")
        raise ValueError(n)

    if value is None:
        return b"\xf6"
    if isinstance(value, bool):
        return b"\xf5" if value else b"\xf4"
    if isinstance(value, int):
        return head(0, value) if value >= 0 else head(1, -1 - value)
    if isinstance(value, str):
        data = value.encode()
        return head(3, len(data)) + data
    return head(4, len(value)) + b"".join(cbor(item) for item in value)


def api_command(desk, session, number, operator, controller, text, point):
    """A desk's command as it goes over the wire (apps/statusviewer/SiteWire.h)."""
    return cbor([1, desk, session, number, int(time.time() * 1000), operator, "api", controller, text, point])


class Process:
    """One statusviewer role process driven through --control."""

    def __init__(self, app, name, args, work, env):
        self.name = name
        self.err_path = os.path.join(work, f"{name}-{int(time.time() * 1000)}.err")
        self.err = open(self.err_path, "w")
        self.process = subprocess.Popen([app] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.err,
                                        env=env, text=True, bufsize=1)
        self.lines = []

    def ask(self, line, timeout=20):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.read_line(timeout)

    def read_line(self, timeout):
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        check(ready, f"{self.name} did not answer within {timeout} s")
        line = self.process.stdout.readline().strip()
        check(line, f"{self.name} ended:\n" + self.log()[-2000:])
        return line

    def quit(self):
        """Asks it to end; returns its summary line."""
        self.ask("quit")
        out, _ = self.process.communicate(timeout=30)
        check(self.process.returncode == 0, f"{self.name} ended with {self.process.returncode}")
        return out.strip().splitlines()[-1] if out.strip() else ""

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def log(self):
        self.err.flush()
        with open(self.err_path) as f:
            return f.read()


class Site:
    def __init__(self, app, work, rate, reports, desks, headless=True):
        self.app, self.work, self.rate, self.reports, self.headless = app, work, rate, reports, headless
        self.env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"))
        if headless:
            self.env["QT_QPA_PLATFORM"] = "offscreen"
        self.db = "sqlite:" + os.path.join(work, "site.db")
        made = subprocess.run([app, "--db", self.db, "--create-demo", "--scale", "300", "--headless", "--seconds", "0.1",
                               "--rate", "0", "--out", os.path.join(work, "shots")],
                              env=dict(self.env, QT_QPA_PLATFORM="offscreen"), capture_output=True, text=True,
                              timeout=120)
        check(made.returncode == 0, "the demo site could not be made:\n" + made.stderr)
        self.broker = Broker(work, desks)
        self.desks = {}

    def query(self, sql):
        with sqlite3.connect(self.db[len("sqlite:"):]) as db:
            return db.execute(sql).fetchone()[0]

    def common(self, user):
        args = ["--broker", self.broker.url(), "--db", self.db, "--group", GROUP, "--broker-user", user,
                "--broker-password-file", self.broker.password_file(user), "--control"]
        return args + (["--headless"] if self.headless else [])

    def start_field(self):
        args = ["field"] + self.common("field") + ["--rate", str(self.rate)]
        if self.reports:
            args += ["--reports", str(self.reports)]
        self.field = Process(self.app, "field", args, self.work, self.env)

    def start_desk(self, name, extra=()):
        self.desks[name] = Process(self.app, name, ["workstation"] + self.common(name) + ["--computer-name", name] +
                                   list(extra), self.work, self.env)

    def wait_for_desks(self, names, timeout):
        deadline = time.time() + timeout
        while True:
            states = [self.desks[n].ask("status") for n in names]
            if all(re.search(r"link up resyncing 0 resyncs [1-9]", s) for s in states):
                return
            check(time.time() < deadline, "the desks did not connect: " + "; ".join(states))
            time.sleep(0.2)

    def field_refused(self):
        return int(self.field.ask("checksum").split()[9])

    def desk_status(self, name, word):
        return int(re.search(word + r" (\d+)", self.desks[name].ask("status")).group(1))

    def field_checksum(self, classic=False):
        words = self.field.ask("checksum").split()
        return words[5 if classic else 2], words[-1] == "done"

    def desk_checksum(self, name, classic=False):
        return self.desks[name].ask("checksum").split()[5 if classic else 2]

    def wait_until_done(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            checksum, done = self.field_checksum()
            if done:
                return checksum
            time.sleep(0.25)
        raise Failed(f"the field did not finish its {self.reports} reports within {timeout} s")

    def wait_for_agreement(self, timeout, classic=False):
        """Waits until every desk's checksum (of the classic rows only) equals the field's; returns it."""
        deadline = time.time() + timeout
        while True:
            expected, _ = self.field_checksum(classic)
            seen = {name: self.desk_checksum(name, classic) for name in self.desks}
            if all(c == expected for c in seen.values()):
                return expected
            if time.time() > deadline:
                raise Failed(f"the desks disagree with the field{' on the classic rows' if classic else ''} "
                             f"({expected}): {seen}\n" + self.difference(seen, expected, classic))
            time.sleep(0.25)

    def difference(self, seen, expected, classic):
        """The rows in which the first disagreeing desk differs from the field."""
        name = next(n for n, c in seen.items() if c != expected)
        files = {}
        for who, process in (("field", self.field), (name, self.desks[name])):
            files[who] = os.path.join(self.work, who + ".rows")
            process.ask("rows " + files[who])
        with open(files["field"]) as f:
            field_rows = set(f.read().splitlines())
        with open(files[name]) as f:
            desk_rows = set(f.read().splitlines())
        if classic:
            field_rows = {r for r in field_rows if "ZRII" not in r}
            desk_rows = {r for r in desk_rows if "ZRII" not in r}
        lines = [f"field only: {r}" for r in sorted(field_rows - desk_rows)[:5]]
        lines += [f"{name} only: {r}" for r in sorted(desk_rows - field_rows)[:5]]
        return "\n".join(lines)

    def stop(self):
        for p in list(self.desks.values()) + [getattr(self, "field", None)]:
            if p is not None:
                p.kill()
        self.broker.kill()


def run_check(args, faults):
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, args.reports, names)
    try:
        site.broker.start()
        # The broker takes no anonymous client.
        check(mqtt_publish(site.broker.port, None, None, f"site/{SITE}/state", b"x") == 5,
              "the broker accepted an anonymous client")
        site.start_field()
        for name in names:
            site.start_desk(name)
        # The traffic starts once every desk is connected and has loaded its rows: from then on
        # every desk sees what the field's own view sees.
        site.wait_for_desks(names, 30)
        site.field.ask("start")
        started = time.time()
        if faults:
            time.sleep(1.5)
            site.broker.kill()
            print("multidesk: broker killed", flush=True)
            time.sleep(1.0)
            site.broker.start()
            print("multidesk: broker restarted", flush=True)
            time.sleep(1.5)
            victim = names[-1]
            first_run = site.desks[victim]
            first_run.kill()
            print(f"multidesk: {victim} killed", flush=True)
            time.sleep(0.5)
            site.start_desk(victim)
            print(f"multidesk: {victim} restarted", flush=True)
        site.wait_until_done(60)
        site.wait_for_desks(names, 30)
        # The classic rows show what the reports alone said: every desk must show the field's.
        classic = site.wait_for_agreement(30, classic=True)
        # A newer-line report makes a window re-read the point's row when it arrives, so a window
        # shows those rows as the site was at that moment; reloaded, every window must show the
        # site the field left behind.
        for process in [site.field] + list(site.desks.values()):
            process.ask("reload")
        checksum = site.wait_for_agreement(30)
        print(f"multidesk: {args.reports} reports, every desk shows the field's classic rows ({classic}) "
              f"and reloaded all rows ({checksum}) ({time.time() - started:.1f} s)", flush=True)

        # A desk may publish a notice but not a field state: the state never reaches a desk, the
        # notice (not readable) is skipped and counted by every other desk.
        desk, other = names[0], names[1]
        login = (desk, site.broker.passwords[desk])
        rejected_seen = 0

        def publish_then_mark(*messages):
            """Publishes each (login, topic, payload), then a notice that does not parse as desk's,
            and waits until every desk has counted it: what came before it was handled."""
            nonlocal rejected_seen
            for (user, password), topic, payload in messages:
                check(mqtt_publish(site.broker.port, user, password, topic, payload) == 0, f"{user} was refused")
            check(mqtt_publish(site.broker.port, *login, f"site/{SITE}/notice/{desk}", b"not a notice") == 0,
                  "the desk login was refused")
            rejected_seen += 1
            deadline = time.time() + 10
            while True:
                rejected = {n: site.desk_status(n, "rejected") for n in names}
                if all(r == rejected_seen for r in rejected.values()):
                    return
                check(time.time() < deadline and all(r <= rejected_seen for r in rejected.values()),
                      f"payloads skipped per desk, {rejected_seen} expected (only the marker notices): {rejected}")
                time.sleep(0.2)

        publish_then_mark((login, f"site/{SITE}/state", b"\x83\x01\x02\x03"))

        # Forged notices: a group renamed, then deleted, a controller disabled; each desk re-reads the
        # site, which says otherwise, so nothing changes. An oversized notice never gets through.
        group_id = site.query(f"SELECT GroupID FROM Status_Groups WHERE GroupName = '{GROUP}'")
        controller = site.query("SELECT Address FROM Controllers WHERE Installed <> 0 ORDER BY Controller_ID")
        notice_topic = f"site/{SITE}/notice/{desk}"
        publish_then_mark((login, notice_topic, cbor([1, "1", "STATUSVIEW", 3, f"ALL CLEAR - ignore|{group_id}"])),
                          (login, notice_topic, cbor([1, "1", "STATUSVIEW", 2, f"ALL CLEAR - ignore|{group_id}"])),
                          (login, notice_topic, cbor([1, "1", "STATUSVIEW", 7, f"{controller}|0"])),
                          (login, notice_topic, b"\xff" * (MAX_PACKET + 1000)))
        for name in names:
            groups = site.desks[name].ask("groups")
            check(GROUP in groups and "ALL CLEAR" not in groups, f"a forged notice changed {name}'s groups: {groups}")
        check(site.wait_for_agreement(10) == checksum, "a forged notice changed what the desks show")

        # Commands an attacker holding a desk's login sends: none may run.
        def command(user, topic_login, desk_named, session, number, operator, text, point=2):
            return ((user, site.broker.passwords[user]), f"site/{SITE}/command/{topic_login}",
                    api_command(desk_named, session, number, operator, 1, text, point))

        session = secrets.randbits(60)
        refused = site.field_refused()
        desk_refused = site.desk_status(desk, "refused")
        publish_then_mark(command(desk, desk, desk, session, 1, "akim", "CALL_API|CONTROLFUNCTION|FORCEON"),
                          command(other, other, desk, session, 2, "admin", "CALL_API|CONTROLFUNCTION|FORCEON"),
                          command(other, desk, desk, session, 2, "admin", "CALL_API|CONTROLFUNCTION|FORCEON"))
        deadline = time.time() + 10
        while site.field_refused() < refused + 2 or site.desk_status(desk, "refused") < desk_refused + 1:
            check(time.time() < deadline, "the field did not refuse the operator without the right and the "
                  "command under another desk's login (or did not tell the desk)")
            time.sleep(0.2)
        time.sleep(1.0)
        check(site.field_refused() == refused + 2, "the broker let a login publish as another desk")
        check(site.field_checksum()[0] == checksum, "a refused command changed the field")

        # A command that may run runs once: the same bytes published again do nothing.
        force_on = command(desk, desk, desk, session, 3, "admin", "CALL_API|CONTROLFUNCTION|FORCEON")
        publish_then_mark(force_on)
        deadline = time.time() + 10
        while site.field_checksum()[0] == checksum:
            check(time.time() < deadline, "the field did not run the admin's command")
            time.sleep(0.2)
        forced = site.wait_for_agreement(10)
        publish_then_mark(command(desk, desk, desk, session, 4, "admin", "CALL_API|CONTROLFUNCTION|FORCEON_RELEASE"))
        deadline = time.time() + 10
        while site.field_checksum()[0] == forced:
            check(time.time() < deadline, "the field did not run the admin's second command")
            time.sleep(0.2)
        released = site.wait_for_agreement(10)
        refused = site.field_refused()
        publish_then_mark(force_on)
        deadline = time.time() + 10
        while site.field_refused() == refused:
            check(time.time() < deadline, "the replayed command was not refused")
            time.sleep(0.2)
        time.sleep(1.0)
        check(site.wait_for_agreement(10) == released, "the replayed command ran again")
        print("multidesk: anonymous clients, a desk's field state, forged notices, an oversized payload, a command "
              "the operator may not give, one under another desk's login and a replayed one changed nothing",
              flush=True)
        checksum = released

        # A group created on one desk appears in the others' boxes.
        answer = site.desks[names[0]].ask("group Night Rounds")
        check(int(answer.split()[-1]) > 0, f"the group was not created: {answer}")
        deadline = time.time() + 10
        while not all("Night Rounds" in site.desks[n].ask("groups") for n in names[1:]):
            check(time.time() < deadline, "the new group did not reach every desk")
            time.sleep(0.2)

        # A command from one desk changes the row on every desk.
        site.desks[names[1]].ask("command 1 1 CALL_API|CONTROLFUNCTION|FORCEON")
        deadline = time.time() + 10
        while site.field_checksum()[0] == checksum:
            check(time.time() < deadline, "the field did not answer the command")
            time.sleep(0.2)
        after = site.wait_for_agreement(10)
        print(f"multidesk: group and command reached every desk (checksum {after})", flush=True)

        if faults:
            for name in names:
                losses = site.desks[name].log().count("Field link lost")
                if name == names[-1]:
                    check(losses == 0, f"the restarted {name} logged {losses} link losses, none expected")
                    losses = first_run.log().count("Field link lost")
                check(losses == 1, f"{name} logged the link loss {losses} times, once expected")
            print("multidesk: every desk logged the broker's loss once", flush=True)
        summaries = [site.desks[n].quit() for n in names] + [site.field.quit()]
        for line in summaries:
            print(line, flush=True)
        return 0
    except Failed as e:
        print(f"multidesk: FAILED: {e}", flush=True)
        return 1
    finally:
        site.stop()


def run_bench(args):
    """Per rate: the field sends 5 s of traffic (at least 20,000 reports) to one desk; prints the rate
    the field reached and the desk's latency from each batch's publication to its reports applied."""
    rows = []
    for rate in args.bench_rates:
        site = Site(args.app, tempfile.mkdtemp(dir=args.work), rate, max(20000, int(rate * 5)), ["WS1"])
        try:
            site.broker.start()
            site.start_field()
            site.start_desk("WS1", ["--stats"])
            site.wait_for_desks(["WS1"], 60)
            started = time.time()
            site.field.ask("start")
            site.wait_until_done(300)
            elapsed = time.time() - started
            site.wait_for_agreement(120, classic=True)
            summary = site.desks["WS1"].quit()
            latency = re.search(r"latency median (\S+) ms, p99 (\S+) ms", summary)
            rows.append((rate, site.reports / elapsed, latency.group(1), latency.group(2)))
        finally:
            site.stop()
    print("offered/s  field sent/s  median ms  p99 ms")
    for rate, sent, median, p99 in rows:
        print(f"{rate:9.0f}  {sent:12.0f}  {median:>9}  {p99:>6}")
    return 0


def run_site(args):
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, 0, names, headless=not (os.environ.get("DISPLAY") or
                                                                        os.environ.get("WAYLAND_DISPLAY")))
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name)
        site.wait_for_desks(names, 60)
        site.field.ask("start")
        print(f"multidesk: broker on {site.broker.url()}, field and {args.desks} desks on {site.db}; Ctrl+C ends",
              flush=True)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        while all(p.process.poll() is None for p in [site.field] + list(site.desks.values())):
            time.sleep(0.5)
    except KeyboardInterrupt:
        pass
    finally:
        site.stop()
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("mode", choices=["site", "test", "faults", "bench"])
    parser.add_argument("--app")
    parser.add_argument("--desks", type=int, default=3)
    parser.add_argument("--reports", type=int, default=20000)
    parser.add_argument("--bench-rates", type=lambda t: [float(x) for x in t.split(",")], default=[1000, 20000],
                        help="bench: the rates to measure, comma-separated (default 1000,20000)")
    parser.add_argument("--rate", type=float, help="state changes a second (default: 200 for site, 5000 otherwise)")
    args = parser.parse_args()
    if not find_tool("mosquitto") or not find_tool("mosquitto_passwd"):
        print("multidesk: SKIPPED: mosquitto is not installed (bash scripts/bootstrap.sh installs it)")
        return 77
    args.app = find_app(args.app)
    if args.rate is None:
        args.rate = 200 if args.mode == "site" else 5000
    with tempfile.TemporaryDirectory(prefix="multidesk-", ignore_cleanup_errors=True) as work:
        if os.environ.get("MULTIDESK_KEEP"):
            work = tempfile.mkdtemp(prefix="multidesk-kept-")
            print("multidesk: files in " + work)
        args.work = work
        if args.mode == "site":
            return run_site(args)
        if args.mode == "bench":
            return run_bench(args)
        return run_check(args, args.mode == "faults")


if __name__ == "__main__":
    sys.exit(main())
