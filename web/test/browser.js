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

// Pastes `text` over the editor's contents through the clipboard, as a user
// would (the page needs the clipboard permissions).
async function pasteText(page, text) {
  await page.evaluate(t => navigator.clipboard.writeText(t), text);
  await page.focus('.cm-content');
  await page.keyboard.press('Control+a');
  await page.keyboard.press(text ? 'Control+v' : 'Delete');
  await page.waitForFunction(n => window.kelvraPage.text().length === n, text.length, { timeout: 120000 });
}

// Starts a run with Ctrl+G (or a click on `button`) and waits until it has ended.
async function formatText(page, button = null) {
  const before = Number(await page.$eval('body', b => b.dataset.runs || 0));
  if (button) await page.click(button);
  else await page.keyboard.press('Control+g');
  await page.waitForFunction(n => Number(document.body.dataset.runs || 0) > n, before, { timeout: 120000 });
}

module.exports = { openPage, pasteText, formatText, CHROMIUM, SITE };
