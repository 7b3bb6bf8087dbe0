// Starts the installed Chromium headless with a fresh profile and opens the
// built page: from disk unless another address is given.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const CHROMIUM = process.env.KELVRA_CHROMIUM || '/usr/bin/chromium';
const SITE = process.env.KELVRA_WEB_SITE || path.resolve(__dirname, '../../build-web/site');

const FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'
];

// `viewport` as Playwright takes it; `url` the page's address; `initScript`
// runs in the page before its own scripts; `ready` false returns without
// waiting for the page to be ready.
async function openPage(viewport = { width: 1280, height: 800 }, options = {}) {
  const { url = 'file://' + path.join(SITE, 'index.html'), initScript, ready = true } = options;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvra-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM, headless: true, args: FLAGS, viewport, acceptDownloads: true
  });
  const page = context.pages()[0] || await context.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(String(e)));
  if (initScript) await page.addInitScript(initScript);
  await page.goto(url);
  if (ready) await page.waitForSelector('body[data-ready=true]', { timeout: 30000 });
  const close = async () => {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { page, context, errors, close };
}

module.exports = { openPage, CHROMIUM, SITE };
