#!/usr/bin/env python3
"""A multi-desk status viewer site on this machine: a Mosquitto broker on 127.0.0.1 with logins and
the shipped ACL (apps/statusviewer/mqtt/statusviewer.acl), one field process and N workstation
processes, all on one SQLite site file.

  site    runs the site for people: the desks' windows open (headless without a display), a web
          desk serves the status to browsers, and the site runs until Ctrl+C.
  test    the end-to-end check: a seeded sequence of state changes, then every desk's shown rows
          must agree with the field's (see wait_for_agreement); a group created on one desk must
          reach the others; a command from one desk must change the row on every desk. Then an
          attacker holding a desk's login: the broker must refuse anonymous clients, a field state
          from a desk and an oversized payload; the field must refuse a command naming an
          operator who is not signed in at that desk (the desk's login alone commands nothing) and
          one published under another desk's login, and run the signed-in operator's; forged group and controller notices must change nothing; the broker must keep a
          desk from speaking for the field (its death, a digest, a resync answer); a notice that
          does not parse is skipped and counted by every desk.
  faults  the same with the broker killed for --outage seconds and restarted mid-run, then hung
          (SIGSTOP) for --hang seconds, and one desk killed and restarted; afterwards every desk
          must agree with the field again, each desk that ran through the broker's restart must have
          logged the link loss exactly once, and the memory of the field and the desks before and
          after the outage is printed.
  session the field killed mid-run (every desk must say "field offline" within 5 s) and started
          again with its clock 10 minutes behind (faketime, where installed); then, during its
          traffic, the site's write lock held by another program while the broker restarts and
          every desk resyncs: the desks must say the resync is pending, and agree with the field
          once the lock is gone.
  flood   one desk login asks for a resync 2,500 times a second for 10 s, each under a fresh run,
          while the field reports at --rate: the field must keep at least 90 % of its rate before
          the flood, its memory must stay flat and its control line answer; the other desks must
          take no part, and every desk must agree with the field afterwards.
  tls     a TLS broker (a certificate authority made with openssl for the run) under the field,
          three desks and the web desk (an operator signed in, a page open), killed and started
          again mid-run: every process must be back within 10 s (each one's time is printed) and
          every desk and the web desk's operator show the field's rows, without a reload.
  guess   how long 300 wrong passwords for a desk's login take at the broker (nothing but the
          broker between the guesser and the login).
  bench   end-to-end latency from the field's publication to the reports applied in the desks
          (median, 99th percentile) at each of --bench-rates; with --before PATH, that build is
          measured the same way before this one at each rate.

Every process logs in under its own name (scripts/broker_logins.py makes the logins); the attacks
are published through Debian's MQTT client library (python3-paho-mqtt). Every
agreement compares all the shown rows of every desk with the field's, without reloading any
process.

Exit codes: 0 passed, 1 failed, 77 skipped (no mosquitto on this machine).

Usage: python3 tests/drivers/multidesk.py site|test|faults|session|flood|tls|guess|bench [--app PATH] [--desks N] [--reports N] [--rate N]
                                          [--outage S] [--hang S]
"""
import argparse
import base64
import getpass
import hashlib
import http.client
import json
import os
import re
import secrets
import select
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

try:
    import paho.mqtt.client as mqtt
except ImportError:
    mqtt = None

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import broker_logins  # noqa: E402  (the broker logins tool in scripts/)

ACL = os.path.join(ROOT, "apps", "statusviewer", "mqtt", "statusviewer.acl")
GROUP = "Entire Site"
SITE = "main"
STORED_DESK = "CHECK"  # the desk started afresh to show the site as stored (one at a time)
# As the shipped broker configuration (apps/statusviewer/mqtt/mosquitto.conf).
MAX_PACKET = 262144


def find_tool(name):
    return shutil.which(name) or next((p for p in ("/usr/sbin/" + name, "/usr/bin/" + name) if os.path.exists(p)), None)


def find_app(given):
    if given:
        return given
    for build in ("build", "build-dev", "build-release"):
        path = os.path.join(ROOT, build, "apps", "statusviewer", "statusviewer")
        if os.path.exists(path):
            return os.path.abspath(path)
    sys.exit("multidesk.py: no statusviewer build found; build it or pass --app")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Failed(Exception):
    pass


def same_state(row, live, stored):
    """Whether every cell of a desk's row equals the field's live one or the stored one."""
    if row is None or (live is None and stored is None):
        return row == live == stored
    cells = row.split("\t")
    others = [r.split("\t") for r in (live, stored) if r is not None]
    return all(len(o) == len(cells) for o in others) and \
        all(any(o[i] == cell for o in others) for i, cell in enumerate(cells))


def check(condition, message):
    if not condition:
        raise Failed(message)


class Broker:
    """mosquitto on 127.0.0.1 with a login for the field and each desk (passwords never on a command line)."""

    def __init__(self, work, desks, tls=False):
        self.work = work
        self.port = free_port()
        self.logins = os.path.join(work, "logins")
        self.passwords = broker_logins.make(self.logins, ["field"] + desks, keep_others=False)
        self.conf = os.path.join(work, "broker.conf")
        # With tls, the listener speaks TLS only, with a certificate of a CA made for this run.
        self.ca = make_certificates(work) if tls else None
        with open(self.conf, "w") as f:
            # Run as root, the broker would switch to its own user, who cannot read this folder.
            f.write(f"user {getpass.getuser()}\nper_listener_settings false\nallow_anonymous false\n"
                    f"password_file {os.path.join(self.logins, 'broker.passwd')}\n"
                    f"acl_file {os.path.abspath(ACL)}\nlistener {self.port} 127.0.0.1\n"
                    f"max_queued_messages 10000\nmax_packet_size {MAX_PACKET}\n")
            if tls:
                f.write(f"cafile {self.ca}\ncertfile {os.path.join(work, 'broker.crt')}\n"
                        f"keyfile {os.path.join(work, 'broker.key')}\n")
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

    def pause(self):
        self.process.send_signal(signal.SIGSTOP)

    def resume(self):
        self.process.send_signal(signal.SIGCONT)

    def url(self):
        return f"mqtt://127.0.0.1:{self.port}"


def make_certificates(work):
    """A CA and the broker's certificate for 127.0.0.1 (openssl); returns the CA's file."""
    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    ext = os.path.join(work, "broker.ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    for args in (["req", "-x509"] + key + ["-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj", "/CN=Site CA"],
                 ["req"] + key + ["-keyout", "broker.key", "-out", "broker.csr", "-subj", "/CN=broker"],
                 ["x509", "-req", "-in", "broker.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                  "-out", "broker.crt", "-days", "2", "-extfile", ext]):
        made = subprocess.run([find_tool("openssl")] + args, cwd=work, capture_output=True, text=True, timeout=60)
        check(made.returncode == 0, "openssl: " + made.stderr)
    return os.path.join(work, "ca.crt")


def mqtt_connect(port, user, password):
    """A client connected with MQTT 3.1.1 (a login when user is set), and the broker's CONNACK code
    (0 accepted, 5 not authorised; -1 no answer)."""
    client = mqtt.Client(client_id="probe-" + secrets.token_hex(4), protocol=mqtt.MQTTv311)
    if user:
        client.username_pw_set(user, password)
    answers = []
    client.on_connect = lambda _client, _userdata, _flags, code: answers.append(code)
    client.connect("127.0.0.1", port, keepalive=10)
    deadline = time.time() + 5
    while not answers and time.time() < deadline and client.loop(timeout=0.1) == mqtt.MQTT_ERR_SUCCESS:
        pass
    return client, answers[0] if answers else -1


def mqtt_connack(port, user, password):
    """The broker's CONNACK code for the login."""
    client, code = mqtt_connect(port, user, password)
    if client.socket() is not None:
        client.socket().close()
    return code


def mqtt_publish(port, user, password, topic, payload):
    """Connects (mqtt_connect), publishes one message at most once and returns the CONNACK code."""
    client, code = mqtt_connect(port, user, password)
    deadline = time.time() + 5
    if code == 0:
        sent = client.publish(topic, payload, qos=0)
        # A broker that refuses the packet (too large, say) closes the connection: the loop ends.
        while not sent.is_published() and time.time() < deadline and \
                client.loop(timeout=0.1) == mqtt.MQTT_ERR_SUCCESS:
            pass
        client.disconnect()
        time.sleep(0.2)
    if client.socket() is not None:
        client.socket().close()
    return code


# The format version every payload starts with (sitebus/SiteWire.h, kWireVersion).
WIRE_VERSION = 3


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
    if isinstance(value, bytes):
        return head(2, len(value)) + value
    if isinstance(value, str):
        data = value.encode()
        return head(3, len(data)) + data
    return head(4, len(value)) + b"".join(cbor(item) for item in value)


def resync_request(desk, session, number):
    """A desk's resync request as it goes over the wire (a command of kind "resync")."""
    return cbor([WIRE_VERSION, desk, session, 1, int(time.time() * 1000), "", "resync", number, 0, 0, b""])


def api_command(desk, session, number, operator, controller, text, point, token=b""):
    """A desk's command as it goes over the wire (sitebus/SiteWire.h); token: the operator's session."""
    return cbor([WIRE_VERSION, desk, session, number, int(time.time() * 1000), operator, "api", controller, text, point, token])


class Process:
    """One statusviewer role process driven through --control."""

    def __init__(self, app, name, args, work, env, prefix=()):
        self.name = name
        self.err_path = os.path.join(work, f"{name}-{int(time.time() * 1000)}.err")
        self.err = open(self.err_path, "w")
        self.process = subprocess.Popen(list(prefix) + [app] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.err,
                                        env=env, text=True, bufsize=1)
        self.lines = []
        # What follows "rows FILE" on the control line: the web desk's names the operator whose rows.
        self.rows_of = ""

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

    def rss_mb(self):
        """The process's resident memory in MB."""
        with open(f"/proc/{self.process.pid}/status") as f:
            kb = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
        return kb / 1024

    def log(self):
        self.err.flush()
        with open(self.err_path) as f:
            return f.read()


class Site:
    def __init__(self, app, work, rate, reports, desks, headless=True, tls=False):
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
        # Every demo operator gets a password of this run in the site's directory; a desk signs
        # its operator in with a password file (mode 600).
        self.operator_passwords = {}
        for login in ("admin", "mlee", "akim"):
            password = secrets.token_urlsafe(12)
            made = subprocess.run([app, "operator-password", "--db", self.db, login], input=password + "\n",
                                  capture_output=True, text=True, env=self.env, timeout=60)
            check(made.returncode == 0, f"the password of {login} could not be set: {made.stderr}")
            self.operator_passwords[login] = password
            with open(os.open(self.operator_password_file(login), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600),
                      "w") as f:
                f.write(password + "\n")
        # One more login for the desk that wait_for_agreement starts to read the site as stored.
        self.broker = Broker(work, desks + [STORED_DESK], tls)
        self.desks = {}

    def query(self, sql):
        with sqlite3.connect(self.db[len("sqlite:"):]) as db:
            return db.execute(sql).fetchone()[0]

    def common(self, user):
        args = ["--broker", self.broker.url(), "--db", self.db, "--group", GROUP, "--broker-user", user,
                "--broker-password-file", self.broker.password_file(user), "--control"]
        if self.broker.ca:
            args += ["--broker-tls", self.broker.ca]
        return args + (["--headless"] if self.headless else [])

    def start_field(self, prefix=()):
        args = ["field"] + self.common("field") + ["--rate", str(self.rate)]
        if self.reports:
            args += ["--reports", str(self.reports)]
        self.field = Process(self.app, "field", args, self.work, self.env, prefix)

    def operator_password_file(self, login):
        return os.path.join(self.work, f"operator-{login}.pw")

    def start_desk(self, name, extra=(), operator="admin"):
        self.desks[name] = Process(self.app, name, ["workstation"] + self.common(name) + ["--computer-name", name] +
                                   ["--operator", operator, "--operator-password-file",
                                    self.operator_password_file(operator)] + list(extra), self.work, self.env)

    def wait_for_desks(self, names, timeout):
        deadline = time.time() + timeout
        while True:
            states = [self.desks[n].ask("status") for n in names]
            if all(re.search(r"link up resyncing 0 resyncs [1-9]", s) and "signed-in -" not in s for s in states):
                return
            check(time.time() < deadline, "the desks did not connect: " + "; ".join(states))
            time.sleep(0.2)

    def field_refused(self):
        return int(self.field.ask("checksum").split()[9])

    def desk_status(self, name, word):
        return int(re.search(word + r" (\d+)", self.desks[name].ask("status")).group(1))

    def field_checksum(self, classic=False):
        words = self.field.ask("checksum").split()
        return words[5 if classic else 2], words[10] == "done"

    def wait_until_done(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            checksum, done = self.field_checksum()
            if done:
                return checksum
            time.sleep(0.25)
        raise Failed(f"the field did not finish its {self.reports} reports within {timeout} s")

    def wait_for_status(self, names, pattern, timeout, what):
        """Waits until the status line of every named desk matches pattern; returns the lines."""
        deadline = time.time() + timeout
        while True:
            states = {n: self.desks[n].ask("status") for n in names}
            if all(re.search(pattern, s) for s in states.values()):
                return states
            check(time.time() < deadline, f"{what} within {timeout} s: " + "; ".join(states.values()))
            time.sleep(0.1)

    def rows(self, process, classic):
        """The rows process shows, by section and address (the newer line's left out with classic)."""
        path = os.path.join(self.work, process.name + ".rows")
        answer = process.ask(f"rows {path} {process.rows_of}".rstrip())
        check(answer.startswith("rows "), f"{process.name} could not write its rows: {answer}")
        with open(path) as f:
            lines = f.read().splitlines()
        shown = {}
        for line in lines:
            if classic and "ZRII" in line:
                continue
            address = re.search(r"\tAddress=([^\t]*)", line)
            shown[(line.split("\t")[0], address.group(1) if address else line)] = line
        return shown

    def stored_rows(self, classic):
        """The rows of a desk started now: the site as stored, read by a full load and resync."""
        name = STORED_DESK
        self.start_desk(name)
        try:
            self.wait_for_desks([name], 30)
            return self.rows(self.desks[name], classic)
        finally:
            self.desks.pop(name).kill()

    def wait_for_agreement(self, timeout, classic=False):
        """Waits until every desk shows the field's rows (the classic rows only); returns a digest of them.

        A desk's rows are compared with the field's own view, fed live, and with a desk started
        afresh, which shows the site as stored: each cell must equal the one of either. A state can
        be drawn in two ways, live or loaded (a masked newer-line input shows "Masked" in its
        status only when loaded; a re-read row is drawn as a load draws it); which cells of a row
        a window drew live and which it loaded depends on when it last resynced. A cell that
        neither shows (a state the field no longer has) is a desk wrong."""
        deadline = time.time() + timeout
        stored = None
        while True:
            live = self.rows(self.field, classic)
            differing = {}
            for name in list(self.desks):
                rows = self.rows(self.desks[name], classic)
                bad = [key for key in set(rows) | set(live) if rows.get(key) != live.get(key)]
                if bad and stored is None:
                    stored = self.stored_rows(classic)
                bad = [key for key in bad if not same_state(rows.get(key), live.get(key), stored.get(key))]
                if bad:
                    differing[name] = (rows, bad)
            if not differing:
                return hashlib.sha256("\n".join(sorted(live.values())).encode()).hexdigest()[:16]
            if time.time() > deadline:
                name, (rows, bad) = next(iter(differing.items()))
                lines = []
                for key in sorted(bad)[:10]:
                    lines += [f"field:  {live.get(key)}", f"stored: {stored.get(key)}", f"{name}:    {rows.get(key)}"]
                raise Failed(f"{', '.join(differing)} disagree with the field"
                             f"{' on the classic rows' if classic else ''} in {len(bad)} rows:\n" + "\n".join(lines))
            stored = None  # read again: the site may have changed meanwhile
            time.sleep(0.25)

    def converge(self, names, done_timeout):
        """Waits for the field to send all its reports and every desk to show the field's rows; their checksum."""
        self.wait_until_done(done_timeout)
        self.wait_for_desks(names, 30)
        return self.wait_for_agreement(30)

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
            before = memory(site)
            site.broker.kill()
            print(f"multidesk: broker killed for {args.outage:g} s", flush=True)
            time.sleep(args.outage)
            print(f"multidesk: memory (MB) before the outage {before}, at its end {memory(site)}", flush=True)
            site.broker.start()
            print("multidesk: broker restarted", flush=True)
            site.wait_for_desks(names, 30)
            print(f"multidesk: memory (MB) after the outage {memory(site)}", flush=True)
            site.broker.pause()
            print(f"multidesk: broker hung for {args.hang:g} s", flush=True)
            time.sleep(args.hang)
            site.broker.resume()
            print("multidesk: broker resumed", flush=True)
            time.sleep(1.0)
            victim = names[-1]
            first_run = site.desks[victim]
            first_run.kill()
            print(f"multidesk: {victim} killed", flush=True)
            time.sleep(0.5)
            site.start_desk(victim)
            print(f"multidesk: {victim} restarted", flush=True)
        # Every row, the newer line's included, as the field's own view shows it: nobody reloads.
        checksum = site.converge(names, 90)
        print(f"multidesk: {args.reports} reports, every desk shows the field's rows ({checksum}) "
              f"({time.time() - started:.1f} s)", flush=True)

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
        publish_then_mark((login, notice_topic, cbor([WIRE_VERSION, "1", "STATUSVIEW", 3, f"ALL CLEAR - ignore|{group_id}"])),
                          (login, notice_topic, cbor([WIRE_VERSION, "1", "STATUSVIEW", 2, f"ALL CLEAR - ignore|{group_id}"])),
                          (login, notice_topic, cbor([WIRE_VERSION, "1", "STATUSVIEW", 7, f"{controller}|0"])),
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
        field_sum = site.field_checksum()[0]
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
        check(site.field_checksum()[0] == field_sum, "a refused command changed the field")

        # The desk's own operator, signed in through the field, commands; the same command
        # published by the desk's login without the operator's session does nothing.
        check("sent" in site.desks[desk].ask("command 1 2 CALL_API|CONTROLFUNCTION|FORCEON"), "no command sent")
        deadline = time.time() + 10
        while site.field_checksum()[0] == field_sum:
            check(time.time() < deadline, "the field did not run the signed-in admin's command")
            time.sleep(0.2)
        site.wait_for_agreement(10)
        forced = site.field_checksum()[0]
        check("sent" in site.desks[desk].ask("command 1 2 CALL_API|CONTROLFUNCTION|FORCEON_RELEASE"), "no command sent")
        deadline = time.time() + 10
        while site.field_checksum()[0] == forced:
            check(time.time() < deadline, "the field did not run the admin's second command")
            time.sleep(0.2)
        released = site.wait_for_agreement(10)
        # Resync requests and commands under fresh runs from the same login first: they cannot push
        # the captured command's run out of the field's replay guard.
        publish_then_mark(*[((desk, site.broker.passwords[desk]), f"site/{SITE}/command/{desk}",
                             resync_request(desk, secrets.randbits(60), k)) for k in range(1, 13)])
        publish_then_mark(*[command(desk, desk, desk, secrets.randbits(60), 1, "akim", "CALL_API|DOORFUNCTION|UNLOCK_DOOR")
                            for _ in range(12)])
        refused = site.field_refused()
        publish_then_mark(command(desk, desk, desk, session, 3, "admin", "CALL_API|CONTROLFUNCTION|FORCEON"))
        deadline = time.time() + 10
        while site.field_refused() == refused:
            check(time.time() < deadline, "the command without a session was not refused")
            time.sleep(0.2)
        time.sleep(1.0)
        check(site.wait_for_agreement(10) == released, "a command without the operator's session ran")
        print("multidesk: anonymous clients, a desk's field state, forged notices, an oversized payload, a command "
              "without the operator's session, one under another desk's login and one after 24 fresh runs of its "
              "login changed nothing",
              flush=True)
        checksum = released

        # A desk login cannot speak for the field: a well-formed death notice of the field's own
        # session, a digest that differs and a resync answer that would end a desk's resync all
        # stay at the broker; every desk still sees the field online and resyncs nothing.
        session = int(re.search(r" session (\d+)", site.field.ask("checksum")).group(1))
        before = {n: site.desks[n].ask("status") for n in names}
        forged = [("field", [2, "offline", session, 0, None, 0]), ("event", [2, "digest", session, 1, None, 12345]),
                  ("resync/" + names[0], [2, session, names[0], 1, 1, True, [[1, "STD_INPUT", "x", 3, ""]]])]
        for topic, message in forged:
            check(mqtt_publish(site.broker.port, *login, f"site/{SITE}/{topic}", cbor(message)) == 0,
                  "the desk login was refused")
        time.sleep(1.0)
        for name in names:
            now = site.desks[name].ask("status")
            check("field online" in now and " mismatches 0" in now, f"{name} took a forged field message: {now}")
            check(re.search(r"resyncs \d+", now).group(0) == re.search(r"resyncs \d+", before[name]).group(0),
                  f"{name} resynced on a forged message: {before[name]} -> {now}")

        # A group created on one desk appears in the others' boxes.
        answer = site.desks[names[0]].ask("group Night Rounds")
        check(int(answer.split()[-1]) > 0, f"the group was not created: {answer}")
        deadline = time.time() + 10
        while not all("Night Rounds" in site.desks[n].ask("groups") for n in names[1:]):
            check(time.time() < deadline, "the new group did not reach every desk")
            time.sleep(0.2)

        # A command from one desk changes the row on every desk.
        before, _ = site.field_checksum()
        site.desks[names[1]].ask("command 1 1 CALL_API|CONTROLFUNCTION|FORCEON")
        deadline = time.time() + 10
        while site.field_checksum()[0] == before:
            check(time.time() < deadline, "the field did not answer the command")
            time.sleep(0.2)
        after = site.wait_for_agreement(10)
        print(f"multidesk: group and command reached every desk (checksum {after})", flush=True)

        if faults:
            # The kill is one loss; a hang is another once it outlasts the link's keepalive check
            # (5 s, and up to as long again for the answer).
            expected = {1} if args.hang < 5 else {2} if args.hang > 11 else {1, 2}
            for name in names:
                losses = site.desks[name].log().count("Broker link lost")
                if name == names[-1]:
                    check(losses == 0, f"the restarted {name} logged {losses} link losses, none expected")
                    losses = first_run.log().count("Broker link lost")
                check(losses in expected, f"{name} logged the link loss {losses} times, {sorted(expected)} expected")
            print("multidesk: every desk logged each loss of the broker once", flush=True)
        return quit_all(site, names)
    finally:
        site.stop()


def quit_all(site, names):
    """Ends the desks, then the field, printing each one's summary line; the run passed."""
    for line in [site.desks[n].quit() for n in names] + [site.field.quit()]:
        print(line, flush=True)
    return 0


def memory(site):
    """Resident memory of the field and each desk, in MB."""
    return " ".join(f"{p.name} {p.rss_mb():.0f}" for p in [site.field] + list(site.desks.values()))


def run_session(args):
    """The field killed and started again with its clock behind; the site locked during a resync."""
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, args.reports, names)
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name)
        site.wait_for_desks(names, 30)
        site.wait_for_status(names, r"field online", 30, "the desks did not see the field online")
        site.field.ask("start")
        time.sleep(1.5)
        site.field.kill()
        killed = time.time()
        print("multidesk: field killed", flush=True)
        site.wait_for_status(names, r"field offline since \d\d:\d\d:\d\d", 5,
                             "the desks did not say the field is offline")
        print(f"multidesk: every desk says the field is offline ({time.time() - killed:.1f} s after its death)",
              flush=True)

        # Started again with its clock 10 minutes behind: its reports must still be taken.
        faketime = find_tool("faketime")
        # faketime preloads its library ahead of everything; a build under AddressSanitizer, whose
        # runtime wants to come first, is told to accept that.
        asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS", ""), "verify_asan_link_order=0"]))
        site.start_field(["env", "FAKETIME_DONT_FAKE_MONOTONIC=1", "ASAN_OPTIONS=" + asan, faketime, "-f", "-600s"]
                         if faketime else [])
        print("multidesk: field restarted" + (" with its clock 10 minutes behind" if faketime else
                                              " (no faketime here: with its clock as it is)"), flush=True)
        site.wait_for_status(names, r"link up resyncing 0 .* field online", 30,
                             "the desks did not resync with the new field")
        site.field.ask("start")
        # The site's write lock held by another program while every desk resyncs: the field cannot
        # write what it reports, so no desk may take its answer for done until the lock is gone.
        time.sleep(1.0)
        lock = sqlite3.connect(site.db[len("sqlite:"):], timeout=10, isolation_level=None)
        lock.execute("BEGIN EXCLUSIVE")
        print("multidesk: site write lock taken", flush=True)
        site.broker.kill()
        site.broker.start()
        site.wait_for_status(names, r"link up resyncing 1 .* overdue 1", 30,
                             "the desks did not say the resync is pending")
        print("multidesk: every desk says its resync is pending", flush=True)
        time.sleep(2.0)
        lock.execute("ROLLBACK")
        lock.close()
        print("multidesk: site write lock released", flush=True)
        checksum = site.converge(names, 90)
        print(f"multidesk: every desk shows the new field's rows ({checksum})", flush=True)
        return quit_all(site, names)
    finally:
        site.stop()


def field_word(site, word):
    """A number or word after word in the field's control line."""
    return re.search(word + r" (\S+)", site.field.ask("checksum")).group(1)


def run_flood(args):
    """One desk login asks for resyncs as fast as --flood-rate, each under a fresh run, for 10 s."""
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, int(args.rate * 40), names)
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name)
        site.wait_for_desks(names, 30)
        site.field.ask("start")
        time.sleep(2.0)

        def pace(seconds):
            """The field's published reports a second over seconds, and its slowest control answer."""
            start, began, slowest = int(field_word(site, "sent")), time.time(), 0.0
            while time.time() - began < seconds:
                asked = time.time()
                site.field.ask("checksum")
                slowest = max(slowest, time.time() - asked)
                time.sleep(0.25)
            return (int(field_word(site, "sent")) - start) / (time.time() - began), slowest

        before_rate, _ = pace(5.0)
        memory_before = site.field.rss_mb()
        resyncs_before = {n: site.desk_status(n, "resyncs") for n in names}
        answers_before = int(field_word(site, "answers"))

        # The attacker: WS1's login, one connection, requests at --flood-rate for 10 s (paho's own
        # thread sends them; this thread paces them and measures the field meanwhile).
        desk = names[0]
        client = mqtt.Client(client_id="flood-" + secrets.token_hex(4), protocol=mqtt.MQTTv311)
        client.username_pw_set(desk, site.broker.passwords[desk])
        client.connect("127.0.0.1", site.broker.port, keepalive=10)
        client.loop_start()
        sent = [0]

        def flood():
            began = time.time()
            while time.time() - began < 10.0:
                due = int((time.time() - began) * args.flood_rate)
                while sent[0] < due:
                    sent[0] += 1
                    client.publish(f"site/{SITE}/command/{desk}", resync_request(desk, secrets.randbits(60), sent[0]))
                time.sleep(0.002)

        attacker = threading.Thread(target=flood)
        began = time.time()
        attacker.start()
        during_rate, slowest = pace(10.0)
        attacker.join()
        flood_seconds = time.time() - began
        client.loop_stop()
        client.disconnect()
        time.sleep(3.0)
        memory_after = site.field.rss_mb()
        answers = int(field_word(site, "answers")) - answers_before
        print(f"multidesk: {sent[0]} resync requests in {flood_seconds:.1f} s from {desk}'s login "
              f"({sent[0] / flood_seconds:.0f}/s); field {before_rate:.0f} reports/s before, {during_rate:.0f} during "
              f"({100 * during_rate / before_rate:.0f} %); slowest control answer {slowest:.2f} s; "
              f"{answers} resync answers; field memory {memory_before:.0f} -> {memory_after:.0f} MB", flush=True)
        # Unguarded, such a flood cut the field to 1 % of its rate; guarded, it keeps all of it on a quiet
        # machine (RELIABILITY.md). The flooding client's own work takes CPU from the field on a busy
        # one (86 % at load 18 on 2 cores), hence the margin.
        check(during_rate >= 0.75 * before_rate, "the flood cut the field's rate below 75 %")
        check(memory_after - memory_before < 5, "the field's memory grew under the flood")
        check(answers <= flood_seconds + 3, f"{answers} resync answers for one login in {flood_seconds:.0f} s")
        for name in names[1:]:
            check(site.desk_status(name, "resyncs") == resyncs_before[name], f"{name} resynced in {desk}'s flood")
        # Said once per 10 s, never per request.
        flood_lines = [line for line in site.field.log().splitlines() if f" {desk} " in line]
        check(0 < len(flood_lines) <= 3 and "resync requests of" in flood_lines[0],
              "the field did not say the flood once a period: " + " | ".join(flood_lines[:5]))
        checksum = site.converge(names, 120)
        print(f"multidesk: every desk shows the field's rows after the flood ({checksum})", flush=True)
        return quit_all(site, names)
    finally:
        site.stop()


def run_tls(args):
    """A TLS broker killed and started again under the field, the desks and the web desk: every
    process back within 10 s, then every desk's rows and the web desk operator's equal to the field's."""
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, args.reports, names + [WEB_DESK], tls=True)
    web = page = None
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name)
        site.wait_for_desks(names, 30)
        web, url, _ = start_web_desk(site)
        page = WebPage(int(url.rsplit(":", 1)[1].strip("/")), "admin", site.operator_passwords["admin"])
        web.rows_of = "admin"
        deadline = time.time() + 30
        while not web.ask("rows " + os.path.join(args.work, "web.rows") + " admin").startswith("rows "):
            check(time.time() < deadline, "the web desk opened no component for its signed-in operator")
            time.sleep(0.2)
        site.desks[WEB_DESK] = web
        site.field.ask("start")
        time.sleep(1.5)
        site.broker.kill()
        print(f"multidesk: TLS broker killed for {args.outage:g} s", flush=True)
        processes = {n: site.desks[n] for n in names} | {WEB_DESK: web}
        deadline = time.time() + 10
        while any("link up" in p.ask("status") for p in processes.values()):
            check(time.time() < deadline, "a process did not see the broker go")
            time.sleep(0.1)
        time.sleep(args.outage)
        site.broker.start()
        restarted = time.time()
        print("multidesk: TLS broker restarted", flush=True)
        # Each process's reconnection, timed from the restart; the deadline holds for the last.
        back = {}
        while len(back) < len(processes) + 1:
            states = {name: p.ask("status") for name, p in processes.items() if name not in back}
            if "field" not in back:
                states["field"] = site.field.ask("checksum")
            for name, state in states.items():
                if " link up" in state:
                    back[name] = time.time() - restarted
            check(time.time() - restarted < 10 or len(back) == len(processes) + 1,
                  "not every process was back within 10 s: " + "; ".join(f"{n}: {s}" for n, s in states.items()
                                                                        if n not in back))
            time.sleep(0.1)
        print("multidesk: back after the restart: " + ", ".join(f"{n} {t:.1f} s" for n, t in sorted(back.items())),
              flush=True)
        checksum = site.converge(names, 90)
        print(f"multidesk: every desk and the web desk show the field's rows ({checksum})", flush=True)
        for name in names:
            log = site.desks[name].log()
            check(log.count("Broker link lost") == 1 and "the broker closed the connection" in log and
                  "plain port" not in log, f"{name} did not say once why the broker was lost:\n" + log[-2000:])
        site.desks.pop(WEB_DESK)
        page.close()
        web.quit()
        return quit_all(site, names)
    finally:
        if page is not None:
            page.close()
        if web is not None:
            web.kill()
        site.stop()


def run_guess(args):
    """300 wrong passwords for one desk's login, one connection after another."""
    broker = Broker(args.work, ["WS1"])
    try:
        broker.start()
        began = time.time()
        codes = [mqtt_connack(broker.port, "WS1", secrets.token_urlsafe(18)) for _ in range(300)]
        elapsed = time.time() - began
        check(all(code == 5 for code in codes), f"a wrong password was not refused: {set(codes)}")
        check(mqtt_connack(broker.port, "WS1", broker.passwords["WS1"]) == 0, "the right password was refused")
        print(f"multidesk: 300 wrong passwords for WS1 refused in {elapsed:.2f} s "
              f"({300 / elapsed:.0f} guesses a second over one connection at a time)", flush=True)
        return 0
    finally:
        broker.kill()


def bench_one(app, args, rate):
    """One run at rate: the field sends 5 s of traffic (at least 20,000 reports) to --desks desks;
    returns the rate the field reached, the median of the desks' median latencies and the highest
    of their 99th percentiles (from each batch's publication to its reports applied in a desk)."""
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(app, tempfile.mkdtemp(dir=args.work), rate, max(20000, int(rate * 5)), names)
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name, ["--stats"])
        site.wait_for_desks(names, 60)
        started = time.time()
        site.field.ask("start")
        site.wait_until_done(300)
        elapsed = time.time() - started
        site.wait_for_agreement(120, classic=True)
        # Reports the field dropped while the broker could not take them, and the desks' resyncs
        # beyond the first (builds that count them).
        lost = re.search(r" lost (\d+)", site.field.ask("checksum"))
        resyncs = [re.search(r" resyncs (\d+)", site.desks[n].ask("status")) for n in names]
        extra = sum(int(r.group(1)) - 1 for r in resyncs)
        latencies = [re.search(r"latency median (\S+) ms, p99 (\S+) ms", site.desks[n].quit()) for n in names]
        medians = sorted(float(m.group(1)) for m in latencies)
        return (site.reports / elapsed, medians[len(medians) // 2], max(float(m.group(2)) for m in latencies),
                lost.group(1) if lost else "-", extra)
    finally:
        site.stop()


def run_bench(args):
    """Per rate, with --before, the build given there and then this one, one after the other."""
    apps = ([("before", os.path.abspath(args.before))] if args.before else []) + [("this", args.app)]
    rows = []
    for rate in args.bench_rates:
        for label, app in apps:
            rows.append((rate, label) + bench_one(app, args, rate))
    print(f"{args.desks} desks")
    print("offered/s  build   field sent/s  median ms  p99 ms  field dropped  extra resyncs")
    for rate, label, sent, median, p99, lost, extra in rows:
        print(f"{rate:9.0f}  {label:6}  {sent:12.0f}  {median:9g}  {p99:6g}  {lost:>13}  {extra:13}", flush=True)
    return 0


WEB_DESK = "WEB1"


def start_web_desk(site):
    """The web desk beside the desktop desks: its own broker login, the demo operators (admin, mlee,
    akim) signing in with the site's passwords of this run, on a free loopback port. Returns the process, its
    address and the file that holds the web logins' passwords (mode 600, in the site's folder)."""
    logins = os.path.join(site.work, "web-logins.txt")
    with open(os.open(logins, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
        for login, password in site.operator_passwords.items():
            f.write(f"{login} {password}\n")
    port = free_port()
    args = ["web"] + site.common(WEB_DESK) + ["--computer-name", WEB_DESK, "--listen", f"127.0.0.1:{port}"]
    # Each operator starts on the group of the operator's profile; the web desk has no window.
    group = args.index("--group")
    del args[group:group + 2]
    if "--headless" in args:
        args.remove("--headless")
    web = Process(site.app, WEB_DESK, args, site.work, site.env)
    deadline = time.time() + 30
    while True:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return web, f"http://127.0.0.1:{port}/", logins
        except OSError:
            check(time.time() < deadline and web.process.poll() is None, "the web desk did not start:\n" + web.log()[-2000:])
            time.sleep(0.1)


class WebPage:
    """One page of the web desk as a browser holds it: an operator signed in over HTTP and a socket
    that said hello and shows GROUP; what the desk sends is read and dropped, so the operator's
    component stays open."""

    def __init__(self, port, login, password):
        origin = f"http://127.0.0.1:{port}"
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
        conn.request("POST", "/api/signin", json.dumps({"login": login, "password": password}),
                     {"Content-Type": "application/json", "Origin": origin})
        answer = conn.getresponse()
        body = answer.read()
        check(answer.status == 200, f"the web desk did not sign {login} in: {answer.status} {body[:200]!r}")
        cookie = answer.getheader("Set-Cookie").split(";")[0]
        conn.close()
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=20)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n"
                           f"Origin: {origin}\r\nCookie: {cookie}\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(4096)
            check(chunk, "the web desk closed the socket during its upgrade")
            head += chunk
        check(head.startswith(b"HTTP/1.1 101"), f"the web desk refused the socket: {head[:200]!r}")
        self.sock.settimeout(None)
        threading.Thread(target=self.drain, daemon=True).start()
        self.send({"t": "hello", "csrf": json.loads(body)["csrf"]})
        self.send({"t": "group", "name": GROUP})

    def send(self, message):
        """One masked text frame, as a client sends it."""
        payload = json.dumps(message).encode()
        mask = os.urandom(4)
        size = len(payload)
        head = bytes([0x81, 0x80 | size]) if size < 126 else bytes([0x81, 0x80 | 126]) + size.to_bytes(2, "big")
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def drain(self):
        try:
            while self.sock.recv(65536):
                pass
        except OSError:
            pass

    def close(self):
        self.sock.close()


def run_site(args):
    names = [f"WS{k}" for k in range(1, args.desks + 1)]
    site = Site(args.app, args.work, args.rate, 0, names + [WEB_DESK],
                headless=not (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY")))
    try:
        site.broker.start()
        site.start_field()
        for name in names:
            site.start_desk(name)
        site.wait_for_desks(names, 60)
        web, url, logins = start_web_desk(site)
        site.desks[WEB_DESK] = web
        site.field.ask("start")
        print(f"multidesk: broker on {site.broker.url()}, field and {args.desks} desks on {site.db}; Ctrl+C ends",
              flush=True)
        print(f"multidesk: web desk on {url} (web logins and passwords in {logins})", flush=True)
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
    parser.add_argument("mode", choices=["site", "test", "faults", "session", "flood", "tls", "guess", "bench"])
    parser.add_argument("--app")
    parser.add_argument("--desks", type=int, default=3)
    parser.add_argument("--reports", type=int, default=20000)
    parser.add_argument("--bench-rates", type=lambda t: [float(x) for x in t.split(",")], default=[1000, 10000, 50000],
                        help="bench: the rates to measure, comma-separated (default 1000,10000,50000)")
    parser.add_argument("--before", help="bench: another statusviewer build to measure the same way first")
    parser.add_argument("--rate", type=float, help="state changes a second (default: 200 for site, 5000 otherwise)")
    parser.add_argument("--outage", type=float, default=2.0, help="faults: seconds the broker stays killed")
    parser.add_argument("--hang", type=float, default=4.0, help="faults: seconds the broker stays hung")
    parser.add_argument("--flood-rate", type=float, default=2500, help="flood: resync requests a second")
    args = parser.parse_args()
    if not find_tool("mosquitto") or not find_tool("mosquitto_passwd"):
        print("multidesk: SKIPPED: mosquitto is not installed (bash scripts/bootstrap.sh installs it)")
        return 77
    if mqtt is None and args.mode in ("test", "faults", "flood", "guess"):
        print("multidesk: SKIPPED: python3-paho-mqtt is not installed (bash scripts/bootstrap.sh installs it)")
        return 77
    args.app = find_app(args.app)
    if args.mode == "tls" and not find_tool("openssl"):
        print("multidesk: SKIPPED: openssl is not installed")
        return 77
    if args.rate is None:
        args.rate = 200 if args.mode == "site" else 2000 if args.mode == "flood" else 5000
    with tempfile.TemporaryDirectory(prefix="multidesk-", ignore_cleanup_errors=True) as work:
        if os.environ.get("MULTIDESK_KEEP"):
            work = tempfile.mkdtemp(prefix="multidesk-kept-")
            print("multidesk: files in " + work)
        args.work = work
        runs = {"site": run_site, "bench": run_bench, "session": run_session, "flood": run_flood, "tls": run_tls,
                "guess": run_guess, "test": lambda a: run_check(a, False), "faults": lambda a: run_check(a, True)}
        try:
            return runs[args.mode](args)
        except Failed as e:  # a check failed: the run's processes are stopped by then
            print(f"multidesk: FAILED: {e}", flush=True)
            return 1


if __name__ == "__main__":
    sys.exit(main())
