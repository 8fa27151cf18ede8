// The distribution's Chromium, headless, driven through playwright-core; never a downloaded
// browser. Each launch gets a fresh profile folder, removed on close.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const kChromium = process.env.CHROMIUM ?? '/usr/bin/chromium';

export function haveChromium() {
  return fs.existsSync(kChromium);
}

/// A browser context with its own profile; close() ends the browser and removes the profile.
export async function launch(viewport = { width: 1400, height: 900 }) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'webdesk-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: kChromium,
    headless: true,
    viewport,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const close = context.close.bind(context);
  context.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return context;
}

/// Signs in on the page's form and waits until the desk shows.
export async function signIn(page, url, login, password) {
  await page.goto(url);
  await page.fill('input[name=login]', login);
  await page.fill('input[name=password]', password);
  await page.click('#signin button[type=submit]');
  await page.waitForSelector('#desk:not([hidden])', { timeout: 15000 });
}
