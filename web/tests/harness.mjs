// What the browser test and the benchmark share: `flarimond serve` on a free port, and Debian's
// Chromium driven by Playwright.
//
//   FLARIMOND_BIN   the built program (default ../../build/bin/flarimond)
//   CHROMIUM        the browser (default /usr/bin/chromium)
import { spawn } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const program = process.env.FLARIMOND_BIN || path.resolve(here, '../../build/bin/flarimond');
export const WAIT = 15000;  // no single step of a test takes more than a fraction of this

// Starts the server (this program, or `binary`) and resolves with { proc, url, exited: Promise<{code, signal}>, stderr() } once
// it prints its address.
export function startServer(args, wait = WAIT, binary = program) {
  const proc = spawn(binary, ['serve', '--port', '0', ...args], { stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  let err = '';
  proc.stderr.on('data', (d) => { err += d; });
  const exited = new Promise((resolve) => proc.on('exit', (code, signal) => resolve({ code, signal })));
  const url = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no address printed in ${wait} ms:\n${err}`)), wait);
    proc.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (m) { clearTimeout(timer); resolve(m[0]); }
    });
    proc.on('exit', (code) => { clearTimeout(timer); reject(new Error(`the server ended (${code}):\n${err}`)); });
  });
  // Should this process end without stopping the server (an uncaught error, a signal from the
  // test runner), the server must not outlive it.
  const orphaned = () => { if (proc.exitCode === null) proc.kill('SIGKILL'); };
  process.on('exit', orphaned);
  for (const sig of ['SIGINT', 'SIGTERM', 'SIGHUP']) process.on(sig, () => { orphaned(); process.exit(1); });
  return url.then((u) => ({ proc, url: u, exited, stderr: () => err }));
}

export async function stopServer(s) {
  if (!s || s.proc.exitCode !== null) return s && s.exited;
  s.proc.kill('SIGTERM');
  const timeout = new Promise((resolve) => setTimeout(() => resolve(null), 5000));
  const result = await Promise.race([s.exited, timeout]);
  if (result === null) { s.proc.kill('SIGKILL'); return s.exited; }
  return result;
}

// A headless Chromium with a profile of its own in dir.
export async function launchBrowser(dir, options = {}) {
  const context = await chromium.launchPersistentContext(dir, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1300, height: 820 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    ...options,
  });
  context.setDefaultTimeout(WAIT);
  return context;
}

// Waits until every event the page sent has been answered and drawn.
export async function settled(page, timeout = WAIT) {
  await page.waitForFunction(() => document.body.dataset.pending === '0', null, { timeout });
}
