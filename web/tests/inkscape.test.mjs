// Edit selected design, as Inkscape runs it: the effect program opens the dialog in the browser
// page on the selected design; OK puts the design the page drew in place of the group's content,
// Cancel (or a page that goes away) gives the document back unchanged.
//
//   FLARIMOND_BIN, CHROMIUM    the program and the browser (harness.mjs)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { WAIT, launchBrowser, program, settled } from './harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const scratch = mkdtempSync(path.join(os.tmpdir(), 'flarimond-inkscape-web-'));
// The program by the name Inkscape runs it by.
const effect = path.join(scratch, 'flarimond-inkscape');
const layers = path.resolve(here, '../../tests/inkscape/layers.svg');
let placed;  // an Inkscape document holding one design, flarimond-1 in layer2
let context;

before(async () => {
  symlinkSync(program, effect);
  const doc = execFileSync(effect, ['--effect=new', '--burstCount=12', layers]);
  placed = path.join(scratch, 'placed.svg');
  writeFileSync(placed, doc);
  context = await launchBrowser(path.join(scratch, 'profile'));
});

after(async () => {
  if (context) await context.close();
  rmSync(scratch, { recursive: true, force: true });
});

let runs = 0;
// Runs the effect as Inkscape does on the selection; resolves with the page's address (which the
// effect hands to $FLARIMOND_BROWSER) and the run's end.
async function edit(ids, idleSeconds = 30) {
  const urlFile = path.join(scratch, `url-${++runs}`);
  const browser = path.join(scratch, `browser-${runs}.sh`);
  writeFileSync(browser, `#!/bin/sh\necho "$1" > '${urlFile}'\n`, { mode: 0o755 });
  const proc = spawn(effect, ['--effect=edit', ...ids.map((i) => `--id=${i}`), placed], {
    env: { ...process.env, FLARIMOND_BROWSER: browser, FLARIMOND_IDLE_TIMEOUT: String(idleSeconds) },
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  const out = [];
  let err = '';
  proc.stdout.on('data', (d) => out.push(d));
  proc.stderr.on('data', (d) => { err += d; });
  const done = new Promise((resolve) => proc.on('exit', (code) => resolve({ code, stdout: Buffer.concat(out), stderr: err })));
  const end = Date.now() + WAIT;
  while (!existsSync(urlFile) || !readFileSync(urlFile, 'utf8').includes('\n')) {
    if (Date.now() > end || proc.exitCode !== null) throw new Error(`no address from the effect: ${err}`);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  return { url: readFileSync(urlFile, 'utf8').trim(), done, proc };
}

async function openPage(url) {
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForSelector('#filter-window:not([hidden])');
  await page.waitForFunction(() => document.body.dataset.claim === 'yours');
  await settled(page);
  return page;
}

const item = (page, id) => page.locator(`#filter-dialog [data-id="${id}"]`);

test('OK draws the edited design in place of the group: same id, transform and place, the rest as it was', async () => {
  const original = readFileSync(placed);
  const run = await edit(['flarimond-1']);
  const page = await openPage(run.url);
  assert.equal(await item(page, 5).inputValue(), '12', 'the dialog opens on the design\'s record');
  await item(page, 5).fill('14');
  await item(page, 5).blur();
  await settled(page);
  await page.keyboard.press('Enter');  // the host's confirm
  const result = await run.done;
  await page.close();
  assert.equal(result.code, 0, result.stderr);
  const out = result.stdout.toString('utf8');
  const text = original.toString('utf8');
  // The wrapper's start tag and everything before it, and everything after its content, unchanged.
  const tag = text.match(/<g id="flarimond-1"[^>]*>/)[0];
  const head = text.slice(0, text.indexOf(tag) + tag.length);
  const tail = text.slice(text.indexOf('</g>\n</g>', head.length) + '</g>\n'.length);
  assert.ok(out.startsWith(head), 'the document before the group\'s content changed');
  assert.ok(out.endsWith(tail), 'the document after the group\'s content changed');
  const content = out.slice(head.length, out.length - tail.length);
  assert.equal((content.match(/<path /g) || []).length, 14);
  assert.match(content, /"burstCount":14/);
  assert.equal((out.match(/id="flarimond-1"/g) || []).length, 1);
});

test('Cancel, and a page closed before OK, leave the document byte for byte as it was', async () => {
  const original = readFileSync(placed);
  let run = await edit(['flarimond-1']);
  let page = await openPage(run.url);
  await item(page, 5).fill('20');
  await item(page, 5).blur();
  await settled(page);
  await item(page, 2).click();
  let result = await run.done;
  await page.close();
  assert.equal(result.code, 0, result.stderr);
  assert.ok(result.stdout.equals(original), 'Cancel changed the document');

  run = await edit(['flarimond-1'], 2);
  page = await openPage(run.url);
  await item(page, 5).fill('20');
  await item(page, 5).blur();
  await settled(page);
  await page.close();
  result = await run.done;
  assert.equal(result.code, 0, result.stderr);
  assert.ok(result.stdout.equals(original), 'a closed page changed the document');
});
