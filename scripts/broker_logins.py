#!/usr/bin/env python3
"""The broker logins of a multi-desk status viewer site: the field's ("field") and one per
workstation, named by its computer name, as the shipped ACL (apps/statusviewer/mqtt/statusviewer.acl)
expects them.

  broker_logins.py FOLDER WS1 WS2 ...    makes FOLDER/broker.passwd (the broker's password file,
                                         hashed by mosquitto_passwd) and one password file per
                                         login, FOLDER/<login>.pw (mode 600), for that process's
                                         --broker-password-file; "field" is always among them.
  ... --add WS4                          adds logins to an existing folder; the others keep theirs.
  ... --rotate WS2                       gives existing logins a new password (restart the broker, or
                                         send it SIGHUP, and the process with the new file).

Passwords are random, never on a command line, and written only to the login's own file.
"""
import argparse
import os
import re
import secrets
import shutil
import subprocess
import sys
import tempfile

FIELD = "field"
NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9_.-]{0,63}$")


def mosquitto_passwd():
    return shutil.which("mosquitto_passwd") or next(
        (p for p in ("/usr/bin/mosquitto_passwd", "/usr/sbin/mosquitto_passwd") if os.path.exists(p)), None)


def password_file(folder, login):
    return os.path.join(folder, login + ".pw")


def read_entries(path):
    """login -> hashed line of an existing password file."""
    entries = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith("#"):
                    entries[line.split(":", 1)[0]] = line
    return entries


def make(folder, logins, keep_others):
    """Gives each of logins a new random password; keeps the other logins of the folder when
    keep_others. Returns login -> password."""
    tool = mosquitto_passwd()
    if tool is None:
        raise SystemExit("broker_logins.py: mosquitto_passwd is not installed (bash scripts/bootstrap.sh installs it)")
    for login in logins:
        if not NAME.match(login):
            raise SystemExit(f"broker_logins.py: \"{login}\" cannot be a login (letters, digits, '_', '.', '-')")
    os.makedirs(folder, mode=0o700, exist_ok=True)
    passwd = os.path.join(folder, "broker.passwd")
    entries = read_entries(passwd) if keep_others else {}
    passwords = {login: secrets.token_urlsafe(18) for login in logins}
    # mosquitto_passwd hashes a plain file in place (-U); only the new entries go through it.
    with tempfile.NamedTemporaryFile("w", dir=folder, delete=False) as plain:
        plain.writelines(f"{login}:{pw}\n" for login, pw in passwords.items())
    try:
        os.chmod(plain.name, 0o600)
        subprocess.run([tool, "-U", plain.name], check=True)
        entries.update(read_entries(plain.name))
    finally:
        os.unlink(plain.name)
    with open(passwd + ".new", "w") as f:
        f.writelines(line + "\n" for line in entries.values())
    os.chmod(passwd + ".new", 0o600)
    os.replace(passwd + ".new", passwd)
    for login, pw in passwords.items():
        path = password_file(folder, login)
        fd = os.open(path + ".new", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
        with os.fdopen(fd, "w") as f:
            f.write(pw + "\n")
        os.replace(path + ".new", path)
    return passwords


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("desks", nargs="*", help="the workstations' computer names (a new site)")
    parser.add_argument("--add", nargs="+", default=[], metavar="LOGIN", help="logins to add to the folder")
    parser.add_argument("--rotate", nargs="+", default=[], metavar="LOGIN", help="logins given a new password")
    args = parser.parse_args()
    existing = read_entries(os.path.join(args.folder, "broker.passwd"))
    if args.desks:
        if args.add or args.rotate:
            parser.error("name the desks of a new site, or --add / --rotate, not both")
        if FIELD in args.desks:
            parser.error(f"\"{FIELD}\" is the field's login, not a workstation's")
        make(args.folder, [FIELD] + args.desks, keep_others=False)
    elif args.add:
        taken = [login for login in args.add if login in existing or login == FIELD]
        if taken:
            parser.error("already a login: " + ", ".join(taken) + " (--rotate gives it a new password)")
        make(args.folder, args.add, keep_others=True)
    elif args.rotate:
        unknown = [login for login in args.rotate if login not in existing]
        if unknown:
            parser.error("no such login: " + ", ".join(unknown))
        make(args.folder, args.rotate, keep_others=True)
    else:
        parser.error("name the desks, or --add or --rotate")
    print(f"broker_logins.py: logins in {os.path.join(args.folder, 'broker.passwd')}: "
          + ", ".join(read_entries(os.path.join(args.folder, "broker.passwd"))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
