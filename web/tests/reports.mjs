// The field's state reports as they cross the broker, read by mosquitto_sub under a login of its
// own: each batch's publication time and its reports (number, address, the field's time of the
// report), for the latency from the field to the page.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import readline from 'node:readline';
import { findTool, kSite } from './site.mjs';

/// The value of the CBOR (RFC 8949) item at bytes[at]: [value, next offset]. Integers, texts,
/// byte strings, arrays, null and booleans: what the site's wire format uses.
export function decodeCbor(bytes, at = 0) {
  const initial = bytes[at];
  const major = initial >> 5, info = initial & 31;
  let n, next = at + 1;
  if (info < 24) {
    n = info;
  } else if (info <= 27) {
    const size = 1 << (info - 24);
    n = 0;
    for (let i = 0; i < size; ++i)
      n = n * 256 + bytes[next + i];
    next += size;
  } else {
    throw new Error(`CBOR item ${initial} at ${at} is not used by the site`);
  }
  switch (major) {
  case 0: return [n, next];
  case 1: return [-1 - n, next];
  case 2: return [bytes.subarray(next, next + n), next + n];
  case 3: return [Buffer.from(bytes.subarray(next, next + n)).toString('utf8'), next + n];
  case 4: {
    const items = [];
    for (let i = 0; i < n; ++i) {
      const [item, after] = decodeCbor(bytes, next);
      items.push(item);
      next = after;
    }
    return [items, next];
  }
  case 7: return [info === 21 ? true : info === 20 ? false : null, next];
  default: throw new Error(`CBOR major type ${major} is not used by the site`);
  }
}

/// Listens to the field's state batches; onBatch({session, sentMs, reports: [{seq, address, atMs}]})
/// for each (times in milliseconds since 1970, the field's clock).
export function listenToReports(site, onBatch) {
  const config = path.join(site.work, 'probe-config');
  fs.mkdirSync(config, { recursive: true });
  // Options from a file, so that the password is not on a command line.
  fs.writeFileSync(path.join(config, 'mosquitto_sub'),
    `-h 127.0.0.1\n-p ${site.brokerPort}\n-u PROBE\n-P ${site.password('PROBE')}\n-i probe-${process.pid}\n`, { mode: 0o600 });
  const child = spawn(findTool('mosquitto_sub'), ['-t', `site/${kSite}/state`, '-F', '%x'],
    { env: { ...process.env, XDG_CONFIG_HOME: config }, stdio: ['ignore', 'pipe', 'inherit'] });
  // Ended with the site's processes, whatever way the run ends.
  site.procs.push({ kill: () => child.kill() });
  readline.createInterface({ input: child.stdout }).on('line', (line) => {
    const [batch] = decodeCbor(Buffer.from(line.trim(), 'hex'));
    if (!Array.isArray(batch) || batch.length < 5)
      return;
    const [, session, firstSeq, sentMs, reports] = batch;
    onBatch({ session, sentMs,
      reports: reports.map((report, i) => ({ seq: firstSeq + i, address: report[1], atMs: report[4] })) });
  });
  return { stop: () => child.kill() };
}

/// The field's report each drawn row change shows, {seq, atMs, drawnMs}: the newest report of the
/// row's address published since the row was last drawn. A change with none (a door's row redrawn
/// for its relay's report, say) is left out, and so is one drawn before fromMs. changes:
/// recordRowChanges' records, in time order; batches: listenToReports'.
export function drawnReports(changes, batches, fromMs = 0) {
  const reported = new Map();  // address -> [{sentMs, seq, atMs}], in publication order
  for (const batch of batches)
    for (const report of batch.reports) {
      if (!reported.has(report.address))
        reported.set(report.address, []);
      reported.get(report.address).push({ sentMs: batch.sentMs, seq: report.seq, atMs: report.atMs });
    }
  const drawn = new Map();  // row -> when it was last drawn
  const shown = [];
  for (const change of changes) {
    const previous = drawn.get(change.key);
    drawn.set(change.key, change.t);
    if (change.first || previous === undefined || change.t < fromMs)
      continue;
    const pending = (reported.get(change.address) ?? []).findLast((r) => r.sentMs > previous && r.sentMs <= change.t);
    if (pending !== undefined)
      shown.push({ seq: pending.seq, atMs: pending.atMs, drawnMs: change.t });
  }
  return shown;
}

/// The latency of each drawn row change caused by a field report: from the field's time of the
/// report drawn (drawnReports) to the change.
export function reportLatencies(changes, batches, fromMs = 0) {
  return drawnReports(changes, batches, fromMs).map((r) => r.drawnMs - r.atMs);
}

/// Median and 99th percentile of a list of numbers.
export function percentiles(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return { p50: at(0.5), p99: at(0.99), count: sorted.length };
}
