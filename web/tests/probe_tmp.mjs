import { mkdtempSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import os from 'node:os'; import path from 'node:path';
import { launchBrowser, program, settled, startServer, stopServer } from './harness.mjs';
const scratch = mkdtempSync(path.join(os.tmpdir(), 'flprobe-'));
const which = process.argv[2] || '15k';
const sets = which === '15k' ? {starCount:1,burstCount:150,sketchRepeats:23} : {starCount:10,burstCount:125,sketchRepeats:18};
Object.assign(sets,{uniqueElements:1,dropShadow:1,pattern:3,sketchShift:5,sketchWeight:5});
const file = path.join(scratch,'p.json');
const args = ['render','--seed','1','-o',path.join(scratch,'u.json'),'--save-params',file];
for (const [k,v] of Object.entries(sets)) args.push('--set',`${k}=${v}`);
execFileSync(program,args,{stdio:'ignore'});
const ctx = await launchBrowser(path.join(scratch,'prof'));
const server = await startServer(['--seed','1','--params',file,'--web-dir',process.argv[3]||'/tmp/h15probe/web'],600000);
const page = await ctx.newPage(); page.setDefaultTimeout(60000); page.on('pageerror', e=>console.log('err', e.message));
await page.goto(server.url);
await page.waitForFunction(() => document.body.dataset.claim === 'yours' && document.body.dataset.dialog === 'filter');
await settled(page, 600000);
await page.evaluate(()=>document.querySelector('#filter-dialog [data-id="130"]').click()); await settled(page, 600000);
const count = which==='15k'?149:124;
for (let r=0;r<4;r++){
  const res = await page.evaluate(async (v) => {
    window.__t = {};
    const done = new Promise((resolve)=>{const o=new MutationObserver(()=>{if(document.body.dataset.pending!=='0')return;o.disconnect();resolve();});o.observe(document.body,{attributes:true,attributeFilter:['data-pending']});});
    const s=performance.now();
    const el=document.querySelector('#filter-dialog [data-id="5"]'); el.value=String(v); el.dispatchEvent(new Event('change',{bubbles:true}));
    await done; const t1=performance.now()-s;
    await new Promise((r)=>requestAnimationFrame(()=>{const c=new MessageChannel();c.port1.onmessage=r;c.port2.postMessage(0);}));
    const st = performance.getEntriesByType('resource').filter(e=>e.name.includes('/api/')).slice(-2).map(e=>[e.name.split('/api/')[1].slice(0,8), Math.round(e.responseStart-e.requestStart), Math.round(e.responseEnd-e.responseStart), (e.serverTiming||[]).map(t=>t.duration.toFixed(1)).join()]);
    performance.clearResourceTimings();
    return {handled:t1, total: performance.now()-s, t: window.__t, st};
  }, r%2 ? sets.burstCount : count);
  console.log(JSON.stringify(res, (k,v)=>typeof v==='number'?Math.round(v*10)/10:v));
}
await page.close(); await stopServer(server); await ctx.close();
