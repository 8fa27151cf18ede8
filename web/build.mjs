// Builds the page into a folder the web desk serves: index.html at its top, the bundled script
// and style sheet under assets/. `node build.mjs [OUTDIR]` (default: dist).
import * as esbuild from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const out = path.resolve(process.argv[2] ?? path.join(here, 'dist'));
// Built anew each time: nothing of an earlier build (a source map) stays to be served.
fs.rmSync(path.join(out, 'assets'), { recursive: true, force: true });
fs.mkdirSync(path.join(out, 'assets'), { recursive: true });

await esbuild.build({
  entryPoints: { app: path.join(here, 'src', 'main.ts') },
  bundle: true,
  format: 'esm',
  target: ['chrome109', 'firefox115', 'safari15.4'],
  minify: true,
  // No source map is built: the page served is only what runs.
  sourcemap: false,
  outdir: path.join(out, 'assets'),
  logLevel: 'warning',
});
await esbuild.build({
  entryPoints: { app: path.join(here, 'src', 'style.css') },
  bundle: true,
  minify: true,
  outdir: path.join(out, 'assets'),
  logLevel: 'warning',
});
fs.copyFileSync(path.join(here, 'index.html'), path.join(out, 'index.html'));
console.log(`web page built in ${out}`);
