// Imports one of the page's modules (src/NAME.ts) in node: bundled by esbuild on the fly into a
// temporary folder, as the page's own build bundles it for the browser.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import * as esbuild from 'esbuild';

const here = path.dirname(fileURLToPath(import.meta.url));

export async function importPageModule(name) {
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'webpage-test-')), `${name}.mjs`);
  await esbuild.build({ entryPoints: [path.join(here, '..', 'src', `${name}.ts`)], bundle: true, format: 'esm',
    platform: 'node', outfile: out, logLevel: 'warning' });
  return import(pathToFileURL(out).href);
}
