// Change-to-paint of the dialog in a browser: from the input event to the frame that shows the
// answer, for every preset, a typed value on the default design, and designs of 15,000 and
// 100,000 arts. Prints min, median and max per case and the server's share (its Server-Timing
// header, else the request's wait for the first byte).
//
// For the large designs it also measures the floor in the same run: the browser's own time to
// rasterise the same picture on this machine, with as many workers as the page has, each given a
// run of the arts as the page cuts them, its drawing calls already made: the time from asking every
// worker for its picture to the last one handing it over, the best of three cuts that move towards
// the workers ending together. Their target is a ratio to that floor: 1.3 at 15,000 arts, 1.5 at
// 100,000.
//
//   node bench.mjs [--reps N] [--large] [--baseline PROGRAM]      (./run.sh bench-web)
//   --large: only the large designs; --baseline: the large designs' change-to-paint also with
//   another build of the program (an older one), measured in turn with this one, rep by rep.
import { mkdtempSync, rmSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, program, settled, startServer, stopServer } from './harness.mjs';

const FRAME = 1000 / 60;
const repsArg = process.argv.indexOf('--reps');
const REPS = repsArg > 0 ? Number(process.argv[repsArg + 1]) : 7;
const LARGE_ONLY = process.argv.includes('--large');
const baselineArg = process.argv.indexOf('--baseline');
const BASELINE = baselineArg > 0
  ? path.resolve(process.env.FLARIMOND_CALLER_DIR || '.', process.argv[baselineArg + 1]) : null;
const scratch = mkdtempSync(path.join(os.tmpdir(), 'flarimond-bench-'));
const SLOW = 600000;  // the largest design before the page draws it fast

// Runs the script change in the page and resolves with the milliseconds from its input event to the frame
// after the page has drawn the answer, and the server's share of it.
async function measure(page, change) {
  return page.evaluate(async (changeText) => {
    performance.clearResourceTimings();
    const settledAgain = new Promise((resolve, reject) => {
      setTimeout(() => reject(new Error(`no answer drawn after: ${changeText}`)), 300000);
      const seen = new MutationObserver(() => {
        if (document.body.dataset.pending !== '0') return;
        seen.disconnect();
        resolve();
      });
      seen.observe(document.body, { attributes: true, attributeFilter: ['data-pending'] });
    });
    const start = performance.now();
    // eslint-disable-next-line no-new-func
    new Function(changeText)();
    await settledAgain;
    // The frame that shows the answer: its animation frame, then the task after its paint.
    await new Promise((resolve) => requestAnimationFrame(() => {
      const c = new MessageChannel();
      c.port1.onmessage = resolve;
      c.port2.postMessage(0);
    }));
    const total = performance.now() - start;
    const entry = performance.getEntriesByType('resource').filter((e) => e.name.endsWith('/api/event')).pop();
    let server = NaN;
    if (entry) {
      const timing = (entry.serverTiming || []).find((t) => t.name === 'host');
      server = timing ? timing.duration : entry.responseStart - entry.requestStart;
    }
    return { total, server };
  }, change);
}

const PAGE_1 = 'document.querySelector(\'#filter-dialog [data-id="130"]\').click();';
const fire = (selector, value) => `
  const el = document.querySelector(${JSON.stringify(selector)});
  if (el.tagName === 'SELECT') el.selectedIndex = ${value}; else el.value = String(${value});
  el.dispatchEvent(new Event('change', { bubbles: true }));`;

// The floor of the page's current picture: the same arts, view and shares as the page's workers,
// drawn by workers of the bench's own that hold the drawing calls made and are then asked for
// their pictures at once. Resolves with the milliseconds from asking to the last picture.
async function floor(page) {
  return page.evaluate(async () => {
    const source = `importScripts('${location.origin}/contract.js', '${location.origin}/draw.js');
      const arts = new FlarimondDraw.Arts();
      let canvas = null;
      self.onmessage = (e) => {
        const m = e.data;
        if (m.geometry) {
          arts.apply(FlarimondDraw.readGeometry(m.geometry));
          self.postMessage({});
        } else if (m.run) {
          canvas = new OffscreenCanvas(m.width, m.height);
          const ctx = canvas.getContext('2d');
          ctx.setTransform(...m.transform);
          FlarimondDraw.drawArts(ctx, arts, m.k, FlarimondDraw.viewedArea(m.transform, m.width, m.height), m.run);
          self.postMessage({});
        } else {
          const start = performance.now();
          canvas.transferToImageBitmap().close();
          self.postMessage({ ms: performance.now() - start });
        }
      };`;
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    const count = Math.max(2, navigator.hardwareConcurrency || 0);
    const workers = Array.from({ length: count }, () => new Worker(url));
    const ask = (w, m) => new Promise((resolve) => { w.onmessage = resolve; w.postMessage(m); });
    try {
      const bytes = await (await fetch('/api/geometry')).arrayBuffer();
      await Promise.all(workers.map((w) => ask(w, { geometry: bytes })));
      const arts = new FlarimondDraw.Arts();
      arts.apply(FlarimondDraw.readGeometry(bytes));
      const canvas = document.querySelector('#document canvas');
      const d = canvas.dataset;
      const { width, height } = canvas;
      const k = Number(d.zoom) * (window.devicePixelRatio || 1);
      const transform = [k, 0, 0, -k, width / 2 - Number(d.x) * k, height / 2 + Number(d.y) * k];
      // The best of three, the shares moved each time towards those that end together, as the
      // page moves its own.
      let shares = workers.map(() => 1 / count);
      let best = Infinity;
      for (let i = 0; i < 3; i++) {
        const runs = FlarimondDraw.runs(arts, transform, width, height, shares);
        await Promise.all(workers.map((w, j) => ask(w, { width, height, transform, k, run: runs[j] })));
        const start = performance.now();
        const answers = await Promise.all(workers.map((w) => ask(w, { flush: true })));
        best = Math.min(best, performance.now() - start);
        const speeds = shares.map((share, j) => share / Math.max(1, answers[j].data.ms));
        const total = speeds.reduce((a, b) => a + b, 0);
        shares = speeds.map((speed) => speed / total);
      }
      return best;
    } finally {
      for (const w of workers) w.terminate();
      URL.revokeObjectURL(url);
    }
  });
}

function stats(samples) {
  const s = [...samples].sort((a, b) => a - b);
  const mid = s.length >> 1;
  const median = s.length % 2 ? s[mid] : (s[mid - 1] + s[mid]) / 2;
  return { min: s[0], median, max: s[s.length - 1] };
}

const rows = [];
function report(name, results, target) {
  process.stderr.write('.');
  const t = stats(results.map((r) => r.total));
  const server = stats(results.map((r) => r.server)).median;
  rows.push({ name, ...t, server, target, ok: t.median <= target });
}
// A case measured against its floor: the target is a ratio of the medians.
const floorRows = [];
function reportAgainstFloor(name, results, floors, ratio, baseline) {
  process.stderr.write('.');
  const t = stats(results.map((r) => r.total));
  const f = stats(floors);
  const row = { name, ...t, server: stats(results.map((r) => r.server)).median, floor: f.median, ratio,
    ok: t.median <= ratio * f.median };
  if (baseline) row.baseline = { ...stats(baseline.map((r) => r.total)), server: stats(baseline.map((r) => r.server)).median };
  floorRows.push(row);
}

// A record for --params: the default design with these fields set.
function record(file, sets) {
  const args = ['render', '--seed', '1', '-o', path.join(scratch, 'unused.json'), '--save-params', file];
  for (const [k, v] of Object.entries(sets)) args.push('--set', `${k}=${v}`);
  execFileSync(program, args, { stdio: 'ignore' });
  return file;
}

async function openPage(context, args, binary) {
  const server = await startServer(args, SLOW, binary);
  const page = await context.newPage();
  page.setDefaultTimeout(SLOW);
  await page.goto(server.url);
  await page.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
  await settled(page, SLOW);
  return { server, page };
}

async function closePage(opened) {
  await opened.page.close();
  await stopServer(opened.server);
}

async function withPage(context, args, body) {
  const opened = await openPage(context, args);
  try {
    await opened.page.bringToFront();  // a tab in the background gets no animation frames
    await body(opened.page);
  } finally {
    await closePage(opened);
  }
}

const context = await launchBrowser(path.join(scratch, 'profile'));
try {
  if (!LARGE_ONLY) await withPage(context, ['--seed', '1'], async (page) => {
    const presets = await page.$$eval('#filter-dialog [data-id="123"] option', (os) => os.map((o) => o.textContent));
    for (let i = 0; i < presets.length; i++) {
      const results = [];
      for (let r = 0; r < REPS; r++) results.push(await measure(page, fire('#filter-dialog [data-id="123"]', i)));
      report(`preset ${i} ${presets[i]}`, results, FRAME);
    }
    await measure(page, fire('#filter-dialog [data-id="123"]', 0));
    await measure(page, PAGE_1);
    const typed = [];
    for (let r = 0; r < REPS * 3; r++) typed.push(await measure(page, fire('#filter-dialog [data-id="5"]', 11 + (r % 2))));
    report('default design, typed burst count', typed, FRAME);
  });

  // Arts: 4 x burst count x star count x (sketch repeats + 2), with the drop shadow and pattern 3.
  // Sketch repeats first: they enable the sketch shift and weight.
  const big = (stars, burst, repeats) => ({ starCount: stars, burstCount: burst, sketchRepeats: repeats,
    uniqueElements: 1, dropShadow: 1, pattern: 3, sketchShift: 5, sketchWeight: 5 });
  const designs = [
    { name: '15,000 arts', sets: big(1, 150, 23), ratio: 1.3, count: 149 },
    { name: '100,000 arts', sets: big(10, 125, 18), ratio: 1.5, count: 124 },
  ];
  for (const d of designs) {
    const file = record(path.join(scratch, `${d.name.replace(/\W+/g, '-')}.json`), d.sets);
    const args = ['--seed', '1', '--params', file];
    // This build's page and, when asked, the baseline's, each measured in turn, with the floor
    // after each of this build's changes (the floor needs this build's page: its layout and
    // drawing code; the picture is the same).
    const pages = [await openPage(context, args)];
    if (BASELINE) pages.push(await openPage(context, args, BASELINE));
    try {
      for (const { page } of pages) {
        await page.bringToFront();
        await measure(page, PAGE_1);
      }
      const arts = await pages[0].page.evaluate(() => document.body.dataset.arts);
      const results = pages.map(() => []);
      const floors = [];
      for (let r = 0; r < REPS; r++) {
        for (let p = 0; p < pages.length; p++) {
          await pages[p].page.bringToFront();
          results[p].push(await measure(pages[p].page, fire('#filter-dialog [data-id="5"]', r % 2 ? d.sets.burstCount : d.count)));
          if (p === 0) floors.push(await floor(pages[0].page));
        }
      }
      reportAgainstFloor(`${d.name} (${arts}), typed burst count`, results[0], floors, d.ratio, results[1]);
    } finally {
      for (const opened of pages) await closePage(opened);
    }
  }
} finally {
  await context.close();
  rmSync(scratch, { recursive: true, force: true });
}

const ms = (v) => (Number.isFinite(v) ? v.toFixed(1) : '-').padStart(8);
console.log(`change-to-paint in ms, ${REPS} runs a case (${path.basename(program)}, headless Chromium)`);
console.log(`${'case'.padEnd(46)}${'min'.padStart(8)}${'median'.padStart(8)}${'max'.padStart(8)}${'server'.padStart(8)}  target`);
for (const r of rows) {
  console.log(`${r.name.padEnd(46)}${ms(r.min)}${ms(r.median)}${ms(r.max)}${ms(r.server)}  ${r.ok ? 'ok' : 'MISSED'} (${r.target.toFixed(1)})`);
}
if (floorRows.length) {
  console.log(`\nagainst the floor: the browser's own rasterising of the same picture, ${REPS} runs a case`);
  console.log(`${'case'.padEnd(46)}${'min'.padStart(8)}${'median'.padStart(8)}${'max'.padStart(8)}${'server'.padStart(8)}${'floor'.padStart(8)}${'ratio'.padStart(7)}  target`);
  for (const r of floorRows) {
    console.log(`${r.name.padEnd(46)}${ms(r.min)}${ms(r.median)}${ms(r.max)}${ms(r.server)}${ms(r.floor)}${(r.median / r.floor).toFixed(2).padStart(7)}  ${r.ok ? 'ok' : 'MISSED'} (${r.ratio.toFixed(1)} x floor)`);
    if (r.baseline) {
      const b = r.baseline;
      console.log(`${'  baseline'.padEnd(46)}${ms(b.min)}${ms(b.median)}${ms(b.max)}${ms(b.server)}${''.padStart(8)}${(b.median / r.floor).toFixed(2).padStart(7)}  (${path.basename(BASELINE)})`);
    }
  }
}
const all = [...rows, ...floorRows];
const missed = all.filter((r) => !r.ok).length;
console.log(missed ? `${missed} of ${all.length} medians miss their target` : `every median meets its target`);
process.exitCode = missed ? 1 : 0;
