// The dialog in a real browser: `flarimond serve` on a free port, Debian's Chromium driven by
// Playwright, the user's path through the dialog from first sight to the downloaded design.
//
//   FLARIMOND_SCREENSHOT_DIR   where the README's pictures go (default: a temporary folder)
//   FLARIMOND_BIN, CHROMIUM    the program and the browser (harness.mjs)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { WAIT, launchBrowser, program, settled as settledOn, startServer, stopServer } from './harness.mjs';

const scratch = mkdtempSync(path.join(os.tmpdir(), 'flarimond-web-'));
const shots = process.env.FLARIMOND_SCREENSHOT_DIR || path.join(scratch, 'shots');
mkdirSync(shots, { recursive: true });

let server;  // { proc, url, exited: Promise<{code, signal}>, stderr: () => string }
let context;
let page;
// A tab of its own browser on a server with a short idle time-out, left alone while the other
// tests run: its heartbeat must keep its dialog open.
const QUIET_TIMEOUT = 3;  // seconds
const QUIET_FOR = 12 * QUIET_TIMEOUT * 1000;  // as a minute is to a time-out of 5 seconds
let quiet;  // { server, context, page, since, serial }

const settled = (p = page) => settledOn(p);
const item = (id) => page.locator(`#filter-dialog [data-id="${id}"]`);
// What the canvas shows: the arts drawn, the view (zoom, and the artwork point in its middle) and
// the document revision the page holds.
const view = () => page.$eval('#document canvas', (c) => ({
  drawn: Number(c.dataset.drawn), zoom: Number(c.dataset.zoom), x: Number(c.dataset.x), y: Number(c.dataset.y),
  revision: Number(document.body.dataset.revision),
}));
const documentPaths = async () => (await view()).drawn;
const revision = async () => (await view()).revision;

// Where an artwork point is on screen.
async function onScreen(x, y) {
  const v = await view();
  const r = await page.locator('#document canvas').boundingBox();
  return { x: r.x + r.width / 2 + (x - v.x) * v.zoom, y: r.y + r.height / 2 - (y - v.y) * v.zoom };
}
const shot = (name) => page.screenshot({ path: path.join(shots, name), animations: 'disabled' });

async function state() {
  const res = await fetch(`${server.url}api/state`);
  return res.json();
}

// The visible static texts in a dialog whose text does not fit their rectangle.
function clippedTexts(dialog) {
  return page.$$eval(`${dialog} .item.static`, (els) => els
    .filter((e) => e.style.display !== 'none' && (e.scrollWidth > e.clientWidth || e.scrollHeight > e.clientHeight))
    .map((e) => `${e.dataset.id} ${JSON.stringify(e.textContent)}: ${e.scrollWidth}x${e.scrollHeight} in ${e.clientWidth}x${e.clientHeight}`));
}

// Waits until `condition` holds, checking as often as the page's own polling does.
async function until(condition, what) {
  const end = Date.now() + WAIT;
  while (!condition()) {
    if (Date.now() > end) throw new Error(`waited in vain for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

// Clicks a download link and saves what it gives; null when the page's question was answered
// No. `answer` answers the question the page asks first, if it asks; `asked` collects them.
async function download(id, file, answer = true, asked = []) {
  const before = asked.length;
  const onDialog = (d) => {
    asked.push(d.message());
    if (answer) d.accept(); else d.dismiss();
  };
  page.on('dialog', onDialog);
  try {
    if (!answer) {
      await page.locator(id).click();
      await until(() => asked.length > before, 'the question');
      return null;
    }
    const [saved] = await Promise.all([page.waitForEvent('download'), page.locator(id).click()]);
    await saved.saveAs(file);
    return readFileSync(file, 'utf8');
  } finally {
    page.off('dialog', onDialog);
  }
}

// Types a value and leaves the field, which commits it (Enter would also confirm the dialog).
async function typeInto(id, value) {
  await item(id).fill(String(value));
  await item(id).blur();
  await settled();
}

before(async () => {
  const quietServer = await startServer(['--seed', '5', '--idle-timeout', String(QUIET_TIMEOUT)]);
  const quietContext = await launchBrowser(path.join(scratch, 'quiet-profile'));
  quiet = { server: quietServer, context: quietContext, page: quietContext.pages()[0] || await quietContext.newPage() };
  await quiet.page.goto(quietServer.url);
  await quiet.page.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
  quiet.since = Date.now();
  quiet.serial = (await (await fetch(`${quietServer.url}api/state`)).json()).dialog.serial;

  server = await startServer(['--seed', '7', '--idle-timeout', '30']);
  context = await launchBrowser(path.join(scratch, 'profile'), { acceptDownloads: true });
  page = context.pages()[0] || await context.newPage();
  await page.goto(server.url);
  await page.waitForSelector('#filter-window:not([hidden])');
  await page.waitForFunction(() => document.body.dataset.claim === 'yours');
});

after(async () => {
  if (context) await context.close();
  if (quiet) {
    await quiet.context.close();
    await stopServer(quiet.server);
  }
  await stopServer(server);
  rmSync(scratch, { recursive: true, force: true });
});

test('the page draws the dialog from the dump: seven tabs, page 1, every item at its rectangle', async () => {
  const d = (await state()).dialog;
  assert.equal(d.kind, 'filter');
  const box = await page.locator('#filter-dialog').boundingBox();
  assert.deepEqual([box.width, box.height], d.size);
  assert.deepEqual(d.size, [600, 260]);

  const tabs = page.locator('#filter-dialog .picture:not(.pick)');
  assert.equal(await tabs.count(), 7);
  for (let i = 0; i < 7; i++) assert.ok(await tabs.nth(i).isVisible());
  assert.equal(await item(137).getAttribute('data-font'), '5', 'the current page\'s label is emphasised');
  assert.equal(await item(138).getAttribute('data-font'), '0');

  // Each item's place, visibility, enabling and value are the dump's.
  // A hidden item has no layout box, so its place is read from its style.
  const drawn = await page.$$eval('#filter-dialog > .item', (els) => els.map((el) => ({
    rect: el.offsetParent
      ? [el.offsetLeft, el.offsetTop, el.offsetLeft + el.offsetWidth, el.offsetTop + el.offsetHeight]
      : ['left', 'top', 'width', 'height'].map((k) => parseFloat(el.style[k]))
        .map((v, i, [l, t]) => (i === 2 ? l + v : i === 3 ? t + v : v)),
    visible: el.style.display !== 'none',
    value: el.value ?? null,
    disabled: el.classList.contains('disabled'),
  })));
  assert.equal(drawn.length, d.items.length);
  d.items.forEach((it, i) => {
    assert.deepEqual(drawn[i].rect, it.rect, `item ${it.id}`);
    assert.equal(drawn[i].visible, it.visible, `item ${it.id} visibility`);
    assert.equal(drawn[i].disabled, !it.enabled, `item ${it.id} enabling`);
    if (it.kind === 'ADM Spin Edit Type') assert.equal(Number(drawn[i].value), it.value, `spin edit ${it.id}`);
  });
  assert.ok(await item(5).isVisible(), 'page 1 shows the burst count');
  assert.ok(!(await item(4).isVisible()), 'page 2 items are hidden');
  assert.equal(await documentPaths(), 10, 'the first preview is drawn when the dialog opens');

  // The host's help around the dialog: tabs named after their pages, pick buttons, the zoom box.
  assert.equal(await item(130).getAttribute('title'), await item(137).innerText());
  assert.equal(await item(150).getAttribute('title'), 'Pick on the document');
  assert.equal(await page.locator('label[for="item-25"]').innerText(), 'View zoom (%)');
  assert.equal(await page.locator('#filter-dialog > .item').count(), d.items.length, 'the label is not an item');

  // Every static text fits its rectangle, wrapped as the host platform wraps it.
  for (const tab of [130, 131, 132, 133, 134, 135, 136]) {
    await item(tab).click();
    await settled();
    assert.deepEqual(await clippedTexts('#filter-dialog'), [], `page of tab ${tab}`);
  }
  await item(130).click();
  await settled();
  // The status line says what the host does in plain words, not the messages' names.
  assert.equal(await page.locator('#status').innerText(), 'Dialog open: previewing. Seed 7.');
});

test('the first view fits the page and the art; Fit brings them back after a zoom', async () => {
  const box = await page.locator('#document canvas').boundingBox();
  const inside = async () => {
    const corners = [await onScreen(0, 0), await onScreen(612, 792)];
    return corners.every((p) => p.x >= box.x - 0.5 && p.x <= box.x + box.width + 0.5 &&
      p.y >= box.y - 0.5 && p.y <= box.y + box.height + 0.5);
  };
  assert.ok(await inside(), JSON.stringify(await view()));
  await typeInto(25, 400);
  assert.equal((await view()).zoom, 4);
  assert.ok(!(await inside()));
  await page.locator('#fit').click();
  assert.ok(await inside(), JSON.stringify(await view()));
});

test('the zoom spin edit scales the document view and draws nothing', async () => {
  const before = await revision();
  await typeInto(25, 50);
  const v = await view();
  assert.equal(v.zoom, 0.5);
  assert.equal(v.revision, before, 'no new preview');
  assert.equal((await state()).document.view.zoom, 0.5);
});

test('a large document is drawn by the workers as the page draws it, and the newest change and view win', async () => {
  // 2,400 arts: the burst's fills, a drop shadow and the sketch's thin strokes.
  const record = path.join(scratch, 'large.json');
  const sets = { starCount: 1, burstCount: 150, sketchRepeats: 2, uniqueElements: 1, dropShadow: 1, pattern: 3,
    sketchShift: 5, sketchWeight: 5 };
  execFileSync(program, ['render', '--seed', '1', '-o', path.join(scratch, 'large-out.json'), '--save-params', record,
    ...Object.entries(sets).flatMap(([k, v]) => ['--set', `${k}=${v}`])]);
  const large = await startServer(['--seed', '1', '--params', record]);
  const tab = await context.newPage();
  try {
    await tab.goto(large.url);
    await tab.waitForFunction(() => document.body.dataset.arts === '2400');
    await tab.locator('#filter-dialog [data-id="130"]').click();
    await settled(tab);
    const shown = () => tab.$eval('#document canvas', (c) => Object.assign({ held: document.body.dataset.revision }, c.dataset));
    const before = await shown();
    assert.equal(before.by, 'workers');
    assert.equal(before.drawn, '2400');

    // Two burst counts and a zoom, each while the one before is still being drawn.
    await tab.evaluate(() => {
      const count = document.querySelector('#filter-dialog [data-id="5"]');
      const canvas = document.querySelector('#document canvas');
      const r = canvas.getBoundingClientRect();
      for (const value of [149, 148]) {
        count.value = String(value);
        count.dispatchEvent(new Event('change', { bubbles: true }));
      }
      canvas.dispatchEvent(new WheelEvent('wheel', { deltaY: -100, clientX: r.left + r.width / 2, clientY: r.top + r.height / 2, cancelable: true }));
    });
    await settled(tab);
    const after = await shown();
    assert.equal(after.by, 'workers');
    assert.equal(after.revision, after.held, 'the canvas shows the document the page holds');
    assert.equal(after.drawn, String(4 * 148 * 4));
    assert.ok(Number(after.zoom) > Number(before.zoom), 'and the zoomed view');

    // The same view drawn again by the page itself: the same picture, but for rounding, and for
    // the edge pixels where thin strokes of one style on either side of a worker's run cross (the
    // page strokes them as one path, the workers as two pictures); a picture missing, misplaced
    // or laid in the wrong order differs in far more.
    const compared = await tab.evaluate(() => {
      const canvas = document.querySelector('#document canvas');
      const pixels = () => canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const byWorkers = pixels();
      history.replaceState(null, '', '?draw=page');
      const r = canvas.getBoundingClientRect();
      canvas.dispatchEvent(new WheelEvent('wheel', { deltaY: 0, clientX: r.left + r.width / 2, clientY: r.top + r.height / 2, cancelable: true }));
      const byPage = pixels();
      let differ = 0, worst = 0, inked = 0;
      for (let i = 0; i < byPage.length; i += 4) {
        const d = Math.max(...[0, 1, 2, 3].map((c) => Math.abs(byPage[i + c] - byWorkers[i + c])));
        if (d > 2) differ += 1;
        worst = Math.max(worst, d);
        if (byPage[i] < 128) inked += 1;
      }
      return { by: canvas.dataset.by, pixels: byPage.length / 4, differ, worst, inked };
    });
    assert.equal(compared.by, 'page');
    assert.ok(compared.inked > compared.pixels / 100, `the design is drawn: ${JSON.stringify(compared)}`);
    assert.ok(compared.differ < compared.pixels / 200, JSON.stringify(compared));
  } finally {
    await tab.close();
    await stopServer(large);
    await page.bringToFront();
  }
});

// An answer the page reads as geometry: the header (with the state) and the parts as the host's
// contract names them.
async function readGeometry(bytes) {
  const text = await (await fetch(`${server.url}contract.js`)).text();
  const contract = JSON.parse(text.match(/Object\.freeze\((.*)\);/s)[1]);
  const length = bytes.readUInt32LE(0);
  const header = JSON.parse(bytes.subarray(4, 4 + length).toString('utf8'));
  const parts = {};
  let at = 4 + length;
  for (const part of contract.geometry.parts) {
    const n = header[part.count] * part.per;
    const copy = bytes.buffer.slice(bytes.byteOffset + at, bytes.byteOffset + at + 4 * n);
    parts[part.name] = part.type === 'u32' ? new Uint32Array(copy) : new Float32Array(copy);
    at += 4 * n;
  }
  assert.equal(at, bytes.length, 'the parts fill the answer');
  return { header, parts, contract };
}

test('a change\'s answer carries only the changed items and the document\'s change, as geometry', async () => {
  const before = await revision();
  const asked = [];
  const note = (r) => asked.push(new URL(r.url()).pathname);
  page.on('request', note);
  const [answer] = await Promise.all([
    page.waitForResponse((r) => r.url().endsWith('/api/event')),
    typeInto(5, 14),
  ]);
  page.off('request', note);
  const { header, parts, contract } = await readGeometry(await answer.body());
  assert.equal(answer.headers()['content-type'], contract.geometry.type);
  const st = header.state;
  assert.equal(st.dialog.partial, true);
  assert.deepEqual(st.dialog.items.map((i) => i.id), st.changed);
  assert.ok(st.changed.includes(5) && st.changed.length < 10, JSON.stringify(st.changed));
  assert.equal(header.since, before, 'the change since the revision the page holds');
  assert.equal(header.revision, st.document.revision);
  assert.equal(header.arts, 14);
  assert.equal(parts.counts.length, 14);
  assert.ok(!asked.includes('/api/geometry'), `the change came with the answer: ${asked}`);
  assert.equal(await documentPaths(), 14);
  assert.equal(await revision(), st.document.revision);
});

test('the burst count redraws the preview with that many elements', async () => {
  await typeInto(5, 16);
  assert.equal(await documentPaths(), 16);
  assert.equal((await state()).record.burstCount, 16);
  // Out of range: the spin edit keeps it inside its limits, as the host's control does.
  await typeInto(5, 500);
  assert.equal(await item(5).inputValue(), '150');
  await typeInto(5, 16);
  assert.equal(await documentPaths(), 16);
});

test('a page switch shows that page and a change there redraws the preview', async () => {
  await item(132).click();
  await settled();
  assert.ok(await item(28).isVisible());
  assert.ok(!(await item(5).isVisible()));
  assert.equal(await item(139).getAttribute('data-font'), '5');
  assert.equal(await item(137).getAttribute('data-font'), '0');
  assert.ok(await item(26).isDisabled(), 'no sketch repeats: the sketch weight is disabled');

  const before = await revision();
  await typeInto(28, 2);
  assert.ok(!(await item(26).isDisabled()), 'sketch repeats enable the sketch weight');
  assert.notEqual(await revision(), before);
  assert.ok(await documentPaths() > 16, 'the sketch strokes are drawn as well');
});

test('a preset and Tumble work through the plug-in and keep the page', async () => {
  const presets = item(123);
  await presets.selectOption({ label: 'Star20' });
  await settled();
  let st = await state();
  assert.equal(st.record.preset, 1);
  assert.equal(st.record.currentPage, 3, 'a preset keeps the page on screen');
  assert.ok(await item(28).isVisible());
  assert.equal(await item(5).inputValue(), String(st.record.burstCount));
  await shot('serve-dialog.png');

  const before = await revision();
  await item(111).click();
  await settled();
  st = await state();
  assert.notEqual(await revision(), before, 'Tumble draws a new preview');
  assert.equal(await item(5).inputValue(), String(st.record.burstCount), 'the controls show the tumbled record');
  assert.equal(await documentPaths() > 0, st.record.preview === 1);
});

test('a pick completed on the document sets its field from the artwork point', async () => {
  await item(130).click();
  await settled();
  const at = onScreen;
  await item(150).click();
  assert.ok(await page.locator('#pick-hint').isVisible());
  let p = await at(185.5, 400);  // within a few points of 185.5, x / 10 is still 18
  await page.mouse.click(p.x, p.y);
  await settled();
  assert.equal(await item(5).inputValue(), '18', 'burst count = x / 10');

  await item(154).click();
  p = await at(300, 500);
  await page.mouse.click(p.x, p.y);
  await settled();
  const gapY = Number(await item(20).inputValue());
  const pixel = 1 / (await state()).document.view.zoom;  // a click lands on whole pixels
  assert.ok(Math.abs(gapY - 500) <= 1.5 * pixel, `initial gap y = artwork y (y grows upwards): ${gapY}`);
});

// The variants' strip as the page shows it.
const strip = () => page.$$eval('#history-strip li', (ls) => ls.map((l) => ({
  id: Number(l.dataset.id), label: l.querySelector('span').textContent, current: l.classList.contains('current'),
  picture: !!l.querySelector('img').getAttribute('src'),
})));
const exportJson = async () => (await fetch(`${server.url}api/export.json`)).text();
const bringBack = async (id) => {
  await page.locator(`#history-strip [data-id="${id}"] button`).click();
  await settled();
};

test('the strip brings the first of three Tumbles back byte for byte, Alt+Left and Alt+Right step, a reload keeps it', async () => {
  const first = (await strip()).length;
  assert.ok(first > 0, 'the dialog\'s first preview and the changes since are in the strip');
  const tumbles = [];
  for (let i = 0; i < 3; i++) {
    await item(111).click();
    await settled();
    const st = await state();
    tumbles.push({ json: await exportJson(), record: st.record, id: st.history.current });
  }
  assert.notEqual(tumbles[1].json, tumbles[0].json);
  const shown = await strip();
  assert.equal(shown.length, first + 3);
  assert.deepEqual(shown.slice(-3).map((e) => [e.id, e.label]), tumbles.map((t) => [t.id, 'Tumble']));
  assert.ok(shown.at(-1).current);

  await bringBack(tumbles[0].id);
  assert.equal(await exportJson(), tumbles[0].json, 'the preview is the first Tumble\'s, byte for byte');
  let st = await state();
  assert.deepEqual(st.record, tumbles[0].record);
  assert.equal(st.history.current, tumbles[0].id);
  assert.equal(await item(5).inputValue(), String(tumbles[0].record.burstCount), 'the controls show it');
  assert.equal((await strip()).length, first + 3, 'bringing a variant back adds none');

  await page.keyboard.press('Alt+ArrowRight');
  await settled();
  assert.equal(await exportJson(), tumbles[1].json);
  await page.keyboard.press('Alt+ArrowLeft');
  await settled();
  assert.equal(await exportJson(), tumbles[0].json);
  st = await state();
  assert.equal(st.history.current, tumbles[0].id);
  assert.equal(st.dialog.kind, 'filter', 'the dialog stays open');

  // Each variant gets the page's picture of its preview, kept by the host with the history.
  await page.waitForFunction(() => [...document.querySelectorAll('#history-strip img')].every((i) => i.getAttribute('src')));
  await page.reload();
  await page.waitForSelector('#filter-window:not([hidden])');
  await page.waitForFunction(() => document.body.dataset.claim === 'yours');
  await settled();
  const again = await strip();
  assert.deepEqual(again.map((e) => [e.id, e.label, e.picture]), shown.map((e) => [e.id, e.label, true]));
  assert.deepEqual(again.filter((e) => e.current).map((e) => e.id), [tumbles[0].id]);
});

test('a locked burst count survives Tumble, and the lock is kept with the variant', async () => {
  await item(130).click();
  await settled();
  await typeInto(5, 33);
  assert.match((await strip()).at(-1).label, /^burstCount \d+ \u2192 33$/, 'a typed value says what changed');
  const lock = page.locator('#filter-dialog .lock[data-for="5"]');
  const locked = () => lock.evaluate((l) => l.classList.contains('locked'));
  assert.ok(await lock.isVisible());
  await lock.click();
  await settled();
  assert.ok(await locked());
  assert.deepEqual((await state()).history.locks, ['burstCount']);
  for (let i = 0; i < 2; i++) {
    await item(111).click();
    await settled();
    assert.equal((await state()).record.burstCount, 33);
    assert.equal(await item(5).inputValue(), '33');
  }
  const whileLocked = (await state()).history.current;

  await lock.click();
  await settled();
  assert.ok(!(await locked()));
  await item(111).click();
  await settled();
  assert.deepEqual((await state()).history.locks, []);
  await bringBack(whileLocked);
  assert.deepEqual((await state()).history.locks, ['burstCount'], 'the variant brings its locks back');
  assert.ok(await locked());
  await lock.click();
  await settled();
});

test('a second tab is told the dialog is busy and cannot act', async () => {
  const other = await context.newPage();
  try {
    await other.goto(server.url);
    await other.waitForFunction(() => document.body.dataset.claim === 'other');
    assert.ok(await other.locator('#busy-banner').isVisible());
    const refused = await other.evaluate(async () => {
      const res = await fetch('/api/event', {
        method: 'POST', headers: { 'Content-Type': 'application/json', 'X-Flarimond-Token': 'not-ours' },
        body: JSON.stringify({ type: 'cancel' }),
      });
      return res.status;
    });
    assert.equal(refused, 409);

    // It looks every second; a look that finds the same document leaves its canvas alone.
    await other.waitForFunction(() => document.body.dataset.arts !== undefined);  // drawn once
    await other.evaluate(() => {
      window.redrawn = 0;
      new MutationObserver(() => { window.redrawn += 1; })
        .observe(document.querySelector('#document canvas'), { attributes: true });
    });
    for (let i = 0; i < 2; i++) await other.waitForResponse((r) => r.url().endsWith('/api/state'));
    assert.equal(await other.evaluate(() => window.redrawn), 0);
  } finally {
    await other.close();
  }
  assert.equal((await state()).dialog.kind, 'filter', 'the dialog goes on');
});

test('a new tab takes over the dialog of a tab that closed, with its values', async () => {
  await typeInto(5, 17);
  const values = await page.$$eval('#filter-dialog .spin', (els) => els.map((e) => e.value));
  await page.close();  // its pagehide lets go of the dialog
  page = await context.newPage();
  await page.goto(server.url);
  await page.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
  await settled();
  assert.deepEqual(await page.$$eval('#filter-dialog .spin', (els) => els.map((e) => e.value)), values);
  assert.equal(await documentPaths(), (await state()).document.arts, 'the new tab draws the whole document');
  await typeInto(5, 16);
  assert.equal((await state()).record.burstCount, 16, 'the new tab drives');
});

test('Cancel after several previews leaves the document empty', async () => {
  await item(2).click();
  await page.waitForFunction(() => document.body.dataset.dialog === 'none');
  await settled();
  assert.equal(await documentPaths(), 0);
  assert.ok(await page.locator('#no-dialog').isVisible());
  const st = await state();
  assert.equal(st.document.arts, 0);
  assert.equal(st.host.lastMessage.text, 'cancelled');
  assert.equal(await page.locator('#status').innerText(), 'Dialog cancelled: the document is as it was. Seed 7.');
});

test('open again, OK, and the design downloads as SVG', async () => {
  await page.locator('#open-dialog').click();
  await page.waitForSelector('#filter-window:not([hidden])');
  await settled();
  assert.equal(await item(5).inputValue(), '10', 'the cancelled edits are gone from the record');
  await typeInto(5, 12);
  await page.keyboard.press('Enter');  // the host's confirm
  await page.waitForFunction(() => document.body.dataset.dialog === 'none');
  await settled();
  assert.equal(await documentPaths(), 12, 'OK keeps the last preview as the result');
  const st = await state();
  assert.equal(st.host.lastMessage.name, 'Go');
  assert.equal(st.record.previewValid, 0);

  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#download-svg').click()]);
  const file = path.join(scratch, 'design.svg');
  await download.saveAs(file);
  const svg = readFileSync(file, 'utf8');
  assert.match(svg, /^<\?xml/);
  assert.equal((svg.match(/<path /g) || []).length, 12);
});

test('Undo after OK takes the design back and Redo brings it again, by button and by key', async () => {
  assert.ok(!(await page.locator('#redo').isEnabled()));
  for (const [act, arts] of [['#undo', 0], ['#redo', 12], ['Control+z', 0], ['Control+Shift+Z', 12]]) {
    if (act.startsWith('#')) await page.locator(act).click();
    else await page.keyboard.press(act);
    await page.waitForFunction((n) => document.body.dataset.arts === String(n), arts);
    await settled();
    assert.equal(await documentPaths(), arts, act);
    assert.equal((await state()).document.arts, arts, act);
  }
  assert.ok(await page.locator('#undo').isEnabled());
});

test('the About box is a modal dialog with its OK', async () => {
  await page.locator('#about').click();
  await page.waitForFunction(() => document.body.dataset.dialog === 'about');
  await settled();
  const layer = page.locator('#modal-layer');
  assert.ok(await layer.isVisible());
  assert.match(await layer.innerText(), /Flarimond/);
  await shot('serve-about.png');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.body.dataset.dialog === 'none');
  assert.ok(!(await layer.isVisible()));
});

test('downloads after Undo and Redo carry the design; after a second Apply the page says they carry none', async () => {
  // The document is the design OK drew again (after Undo and Redo).
  assert.equal(await page.evaluate(() => document.body.dataset.design), 'true');
  assert.ok(await page.locator('#design-note').isHidden());
  const asked = [];
  const json = await download('#download-json', path.join(scratch, 'redone.json'), true, asked);
  assert.deepEqual(asked, [], 'no question');
  assert.ok(JSON.parse(json).design, 'the download carries the design');

  await page.locator('#apply-again').click();
  await page.waitForFunction(() => document.body.dataset.arts === '24');
  await settled();
  assert.equal(await page.evaluate(() => document.body.dataset.design), 'false');
  assert.ok(await page.locator('#design-note').isVisible());
  assert.equal(await download('#download-svg', null, false, asked), null);
  assert.equal(asked.length, 1);
  assert.match(asked[0], /carries no design/);
  const svg = await download('#download-svg', path.join(scratch, 'two.svg'), true, asked);
  assert.equal(asked.length, 2, 'asked again');
  assert.doesNotMatch(svg, /flarimond:design/);
  assert.equal((svg.match(/<path /g) || []).length, 24);

  // Undo gives the design back, and the downloads carry it again.
  await page.locator('#undo').click();
  await page.waitForFunction(() => document.body.dataset.arts === '12');
  await settled();
  assert.equal(await page.evaluate(() => document.body.dataset.design), 'true');
  assert.equal(await download('#download-json', path.join(scratch, 'undone.json'), true, asked), json);
  assert.equal(asked.length, 2);
});

test('New asks first, then starts an empty document with nothing to undo', async () => {
  const asked = [];
  const answer = (accept) => (d) => { asked.push(d.message()); if (accept) d.accept(); else d.dismiss(); };
  page.once('dialog', answer(false));
  await page.locator('#new-document').click();
  await until(() => asked.length === 1, 'the question');
  await settled();
  assert.match(asked[0], /12 arts go, and Undo cannot bring them back/);
  assert.equal((await state()).document.arts, 12, 'No keeps the document');

  page.once('dialog', answer(true));
  await page.locator('#new-document').click();
  await page.waitForFunction(() => document.body.dataset.arts === '0');
  await settled();
  assert.equal(await documentPaths(), 0);
  assert.ok(!(await page.locator('#undo').isEnabled()));
  assert.ok(!(await page.locator('#redo').isEnabled()));
  assert.equal(await page.locator('#status').innerText(), 'A new, empty document. Seed 7.');
});

test('a kept design opens with Open and with serve --from: the dialog shows it and OK draws it again', async () => {
  const kept = path.join(scratch, 'design.svg');  // downloaded after OK above
  const again = path.join(scratch, 'again.json');
  execFileSync(program, ['render', '--from', kept, '-o', again]);
  const expected = readFileSync(again, 'utf8');
  const record = JSON.parse(expected).design.record;

  const choose = async (file) => {
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.locator('#open-file').click()]);
    await chooser.setFiles(file);
  };
  await choose(kept);  // the document is empty: nothing to ask
  await page.waitForFunction(() => document.body.dataset.dialog === 'filter');
  await settled();
  assert.equal(await item(5).inputValue(), String(record.burstCount));
  assert.equal(await documentPaths(), record.burstCount, 'the first preview is the design');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.body.dataset.dialog === 'none');
  await settled();
  assert.equal(await download('#download-json', path.join(scratch, 'opened.json')), expected);

  // A file that is not a design is refused by its name, and the document stays.
  const bad = path.join(scratch, 'not-a-design.svg');
  writeFileSync(bad, '<svg xmlns="http://www.w3.org/2000/svg"/>');
  page.once('dialog', (d) => d.accept());  // the document holds the design: Open asks first
  await choose(bad);
  await page.waitForSelector('#notice:not([hidden])');
  assert.match(await page.locator('#notice').innerText(), /^not-a-design\.svg: carries no design/);
  assert.equal((await state()).document.arts, record.burstCount);

  const from = await startServer(['--from', kept]);
  const tab = await context.newPage();
  try {
    await tab.goto(from.url);
    await tab.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
    await settled(tab);
    assert.equal(await tab.locator('#filter-dialog [data-id="5"]').inputValue(), String(record.burstCount));
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.body.dataset.dialog === 'none');
    const res = await fetch(`${from.url}api/export.json`);
    assert.equal(await res.text(), expected);
  } finally {
    await tab.close();
    await stopServer(from);
    await page.bringToFront();
  }
});

test('the error dialog shows its whole message, wrapped within its rectangle', async () => {
  const record = path.join(scratch, 'no-preview.json');
  execFileSync(program, ['render', '--seed', '1', '--set', 'preview=0', '-o', path.join(scratch, 'np.json'),
    '--save-params', record]);
  const failing = await startServer(['--seed', '1', '--params', record, '--fail', 'art.newArt=SEGM']);
  const tab = await context.newPage();
  try {
    await tab.goto(failing.url);
    await tab.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
    await tab.keyboard.press('Enter');
    await tab.waitForFunction(() => document.body.dataset.dialog === 'error');
    await settled(tab);
    const message = tab.locator('#modal-dialog [data-id="2"]');
    assert.equal(await message.innerText(), 'The filter cannot complete because a layer is locked or invisible.');
    const box = await message.evaluate((e) => ({ sw: e.scrollWidth, sh: e.scrollHeight, w: e.clientWidth, h: e.clientHeight }));
    assert.ok(box.sw <= box.w && box.sh <= box.h, `the message overflows its rectangle: ${JSON.stringify(box)}`);
    assert.ok(box.sh > 2 * 13, 'on more than one line');
    assert.equal(await tab.locator('#status').innerText(), 'The filter stopped: the plug-in says why. Seed 1.');
    await tab.screenshot({ path: path.join(shots, 'serve-error.png'), animations: 'disabled' });
  } finally {
    await tab.close();
    await stopServer(failing);
    await page.bringToFront();
  }
});

test('the heartbeat follows the server\'s idle time-out: a quiet tab keeps its dialog', async () => {
  // Left alone since the start, for twelve time-outs.
  const left = quiet.since + QUIET_FOR - Date.now();
  if (left > 0) await new Promise((resolve) => setTimeout(resolve, left));
  const st = await (await fetch(`${quiet.server.url}api/state`)).json();
  assert.equal(st.dialog && st.dialog.serial, quiet.serial, `the dialog was cancelled: ${st.host.notice}`);
  assert.equal(st.claim, 'other', 'the tab still holds the claim');
  assert.equal(await quiet.page.evaluate(() => document.body.dataset.claim), 'yours');
});

test('SIGTERM stops the server cleanly', async () => {
  const { code } = await stopServer(server);
  assert.equal(code, 0, server.stderr());
  assert.match(server.stderr(), /stopped/);
});
