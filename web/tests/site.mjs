// A real status viewer site for the browser tests and the web desk's benchmark, on free loopback
// ports: a Mosquitto broker with a login per process and the shipped ACL, the field, one desktop
// desk and the web desk, all on one demo site file. Processes with --control answer one line per
// command on standard output.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repo = path.resolve(here, '..', '..');
const acl = path.join(repo, 'apps', 'statusviewer', 'mqtt', 'statusviewer.acl');
const brokerLogins = path.join(repo, 'scripts', 'broker_logins.py');
export const kGroup = 'Entire Site';
export const kSite = 'main';

export function findTool(name) {
  for (const dir of (process.env.PATH ?? '').split(':').concat(['/usr/sbin', '/usr/bin']))
    if (dir && fs.existsSync(path.join(dir, name)))
      return path.join(dir, name);
  return null;
}

export async function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitForPort(port, timeoutMs, what) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const up = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.destroy(); resolve(true); });
      socket.on('error', () => resolve(false));
    });
    if (up)
      return;
    if (Date.now() > deadline)
      throw new Error(`${what} did not listen on port ${port} within ${timeoutMs / 1000} s`);
    await sleep(100);
  }
}

/// A process of the site; with --control, ask() writes a line and resolves with the answer line.
class Proc {
  constructor(name, command, args, options) {
    this.name = name;
    this.errPath = path.join(options.work, `${name}.err`);
    const err = fs.openSync(this.errPath, 'w');
    this.child = spawn(command, args, { cwd: options.work, env: options.env, stdio: ['pipe', 'pipe', err] });
    fs.closeSync(err);
    this.answers = [];
    this.waiting = [];
    this.exited = new Promise((resolve) => this.child.on('exit', (code, signal) => resolve({ code, signal })));
    this.child.on('exit', () => {
      for (const w of this.waiting.splice(0))
        w.reject(new Error(`${name} ended:\n${this.log().slice(-2000)}`));
    });
    readline.createInterface({ input: this.child.stdout }).on('line', (line) => {
      const waiter = this.waiting.shift();
      if (waiter)
        waiter.resolve(line.trim());
      else
        this.answers.push(line.trim());
    });
  }

  ask(line, timeoutMs = 20000) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`${this.name} did not answer "${line}"`)), timeoutMs);
      this.waiting.push({
        resolve: (answer) => { clearTimeout(timer); resolve(answer); },
        reject: (error) => { clearTimeout(timer); reject(error); },
      });
      this.child.stdin.write(line + '\n');
    });
  }

  log() {
    try {
      return fs.readFileSync(this.errPath, 'utf8');
    } catch {
      return '';
    }
  }

  /// Resident memory (MB) and CPU seconds used so far, from /proc.
  usage() {
    const status = fs.readFileSync(`/proc/${this.child.pid}/status`, 'utf8');
    const rssKb = Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
    const stat = fs.readFileSync(`/proc/${this.child.pid}/stat`, 'utf8').split(') ')[1].split(' ');
    const ticks = Number(stat[11]) + Number(stat[12]);
    return { rssMb: rssKb / 1024, cpuS: ticks / 100 };
  }

  /// Asks it to end; resolves with the last line it printed (its summary).
  async quit(timeoutMs = 30000) {
    const ended = this.exited;
    this.child.stdin.write('quit\n');
    const timer = setTimeout(() => this.kill(), timeoutMs);
    await ended;
    clearTimeout(timer);
    return this.answers.length > 0 ? this.answers[this.answers.length - 1] : '';
  }

  kill() {
    if (this.child.exitCode === null && this.child.signalCode === null)
      this.child.kill('SIGKILL');
  }
}

export class Site {
  /// options: app (statusviewer), webRoot, scale (points of the demo site), rate (field's changes
  /// a second), deskStats (the desktop desk times its reports: latency in its summary line), users ([{login, password}]: site
  /// operators whose passwords the run sets; the desktop desk signs admin in, with the demo password unless given), doorName (the first door's name,
  /// given before anything starts), webArgs (more options of the web desk), keep (leave the work folder).
  static async start(options) {
    const site = new Site(options);
    try {
      await site.boot();
    } catch (error) {
      site.stop();
      throw error;
    }
    return site;
  }

  constructor(options) {
    this.options = { scale: 300, rate: 200, users: [], ...options };
    // The processes run in the work folder: paths given relative to here must still name the same files.
    this.options.app = path.resolve(this.options.app);
    this.options.webRoot = path.resolve(this.options.webRoot);
    this.work = fs.mkdtempSync(path.join(os.tmpdir(), 'webdesk-'));
    this.env = { ...process.env, XDG_DATA_HOME: path.join(this.work, 'data'), QT_QPA_PLATFORM: 'offscreen' };
    this.db = 'sqlite:' + path.join(this.work, 'site.db');
    this.procs = [];
  }

  run(command, args, what) {
    const made = spawnSync(command, args, { cwd: this.work, env: this.env, encoding: 'utf8', timeout: 180000 });
    if (made.status !== 0)
      throw new Error(`${what} failed: ${made.error ?? ''}\n${made.stdout}\n${made.stderr}`);
    return made.stdout;
  }

  async boot() {
    const { app, scale } = this.options;
    this.run(app, ['--db', this.db, '--create-demo', '--scale', String(scale), '--headless', '--seconds', '0.1',
      '--rate', '0', '--out', path.join(this.work, 'shots')], 'making the demo site');
    if (this.options.doorName)
      this.nameFirstDoor(this.options.doorName);

    // Logins: the field, the desktop desk, the web desk and one listener for the tests.
    this.logins = path.join(this.work, 'logins');
    this.run('python3', [brokerLogins, this.logins, 'WS1', 'WEB1', 'PROBE'], 'making the broker logins');
    this.brokerPort = await freePort();
    const conf = path.join(this.work, 'broker.conf');
    fs.writeFileSync(conf, `user ${os.userInfo().username}\nper_listener_settings false\nallow_anonymous false\n` +
      `password_file ${path.join(this.logins, 'broker.passwd')}\nacl_file ${acl}\n` +
      `listener ${this.brokerPort} 127.0.0.1\nmax_queued_messages 10000\nmax_packet_size 262144\n`);
    this.broker = this.spawn('broker', findTool('mosquitto'), ['-c', conf]);
    await waitForPort(this.brokerPort, 10000, 'the broker');

    for (const user of this.options.users)
      this.setPassword(user);
    const admin = this.options.users.find((user) => user.login === 'admin');
    const adminFile = path.join(this.work, 'admin.pw');
    fs.writeFileSync(adminFile, (admin ? admin.password : 'admin-demo') + '\n', { mode: 0o600 });

    this.field = this.spawn('field', app, ['field', ...this.common('field'), '--rate', String(this.options.rate)]);
    this.desk = this.spawn('WS1', app, ['workstation', ...this.common('WS1'), '--computer-name', 'WS1', '--headless',
      '--operator', 'admin', '--operator-password-file', adminFile, ...(this.options.deskStats ? ['--stats'] : [])]);
    await this.waitForDesk(this.desk);

    this.webPort = await freePort();
    // The web desk starts each operator on the group of the operator's profile (no --group).
    const web = this.common('WEB1');
    web.splice(web.indexOf('--group'), 2);
    this.web = this.spawn('web', app, ['web', ...web, '--computer-name', 'WEB1', '--listen', `127.0.0.1:${this.webPort}`,
      '--web-root', this.options.webRoot, ...(this.options.webArgs ?? [])]);
    await waitForPort(this.webPort, 30000, 'the web desk');
  }

  common(login) {
    return ['--broker', `mqtt://127.0.0.1:${this.brokerPort}`, '--db', this.db, '--group', kGroup,
      '--broker-user', login, '--broker-password-file', this.passwordFile(login), '--control'];
  }

  passwordFile(login) {
    return path.join(this.logins, `${login}.pw`);
  }

  password(login) {
    return fs.readFileSync(this.passwordFile(login), 'utf8').split('\n')[0];
  }

  spawn(name, command, args) {
    const proc = new Proc(name, command, args, { work: this.work, env: this.env });
    this.procs.push(proc);
    return proc;
  }

  async waitForDesk(desk) {
    const deadline = Date.now() + 60000;
    for (;;) {
      const status = await desk.ask('status');
      if (/link up resyncing 0 resyncs [1-9]/.test(status) && !/signed-in -/.test(status))
        return;
      if (Date.now() > deadline)
        throw new Error(`the desk did not connect: ${status}`);
      await sleep(200);
    }
  }

  /// Sets a site operator's password in the site's directory, handed over standard input.
  setPassword({ login, password }) {
    const made = spawnSync(this.options.app, ['operator-password', '--db', this.db, login],
      { input: password + '\n', cwd: this.work, env: this.env, encoding: 'utf8' });
    if (made.status !== 0)
      throw new Error(`setting the password of ${login} failed:\n${made.stdout}\n${made.stderr}`);
  }

  /// Runs one SQL statement on the site file (python3's sqlite3: node has none built in).
  sql(statement, params = []) {
    const script = 'import json,sqlite3,sys\nd=sqlite3.connect(sys.argv[1])\n' +
      'r=d.execute(sys.argv[2], json.loads(sys.argv[3])).fetchall()\nd.commit()\nprint(json.dumps(r))';
    return JSON.parse(this.run('python3', ['-c', script, this.db.slice('sqlite:'.length), statement, JSON.stringify(params)],
      'a statement on the site'));
  }

  /// Gives the site's first door a new name, in its own table and in every group listing it.
  nameFirstDoor(name) {
    const [[id, address]] = this.sql('SELECT DoorId, Address FROM Doors ORDER BY DoorId LIMIT 1');
    this.sql('UPDATE Doors SET DoorName = ? WHERE DoorId = ?', [name, id]);
    this.sql('UPDATE Status_Points SET ListName = ? WHERE ListAddress = ?', [name, address]);
  }

  /// The desktop desk's shown rows, one line each (tab-separated cells, "Address=..." among them).
  async deskRows() {
    const file = path.join(this.work, `WS1-${Date.now()}.rows`);
    const answer = await this.desk.ask(`rows ${file}`);
    if (!answer.startsWith('rows '))
      throw new Error(`the desk could not write its rows: ${answer}`);
    return fs.readFileSync(file, 'utf8').split('\n').filter(Boolean);
  }

  url() {
    return `http://127.0.0.1:${this.webPort}/`;
  }

  stop() {
    for (const proc of this.procs.reverse())
      proc.kill();
    if (!this.options.keep)
      fs.rmSync(this.work, { recursive: true, force: true });
  }
}
