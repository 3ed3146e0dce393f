// Change-to-paint of the dialog in a browser: from the input event to the frame that shows the
// answer, for every preset, a typed value on the default design, and designs of 15,000 and
// 100,000 arts. Prints min, median and max per case and the server's share (its Server-Timing
// header, else the request's wait for the first byte).
//
//   node bench.mjs [--reps N] [--large]      (./run.sh bench-web); --large: only the large designs
import { mkdtempSync, rmSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, program, settled, startServer, stopServer } from './harness.mjs';

const FRAME = 1000 / 60;
const repsArg = process.argv.indexOf('--reps');
const REPS = repsArg > 0 ? Number(process.argv[repsArg + 1]) : 7;
const LARGE_ONLY = process.argv.includes('--large');
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

// A record for --params: the default design with these fields set.
function record(file, sets) {
  const args = ['render', '--seed', '1', '-o', path.join(scratch, 'unused.json'), '--save-params', file];
  for (const [k, v] of Object.entries(sets)) args.push('--set', `${k}=${v}`);
  execFileSync(program, args, { stdio: 'ignore' });
  return file;
}

async function withPage(context, args, body) {
  const server = await startServer(args, SLOW);
  const page = await context.newPage();
  await page.bringToFront();  // a tab in the background gets no animation frames
  try {
    page.setDefaultTimeout(SLOW);
    await page.goto(server.url);
    await page.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
    await settled(page, SLOW);
    await body(page);
  } finally {
    await page.close();
    await stopServer(server);
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
    { name: '15,000 arts', sets: big(1, 150, 23), target: 100, count: 149 },
    { name: '100,000 arts', sets: big(10, 125, 18), target: 500, count: 124 },
  ];
  for (const d of designs) {
    const file = record(path.join(scratch, `${d.name.replace(/\W+/g, '-')}.json`), d.sets);
    await withPage(context, ['--seed', '1', '--params', file], async (page) => {
      await measure(page, PAGE_1);
      const arts = await page.evaluate(() => document.body.dataset.arts);
      const results = [];
      for (let r = 0; r < REPS; r++) {
        results.push(await measure(page, fire('#filter-dialog [data-id="5"]', r % 2 ? d.sets.burstCount : d.count)));
      }
      report(`${d.name} (${arts}), typed burst count`, results, d.target);
    });
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
const missed = rows.filter((r) => !r.ok).length;
console.log(missed ? `${missed} of ${rows.length} medians miss their target` : `every median meets its target`);
process.exitCode = missed ? 1 : 0;
