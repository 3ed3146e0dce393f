// How the document's arts are held and drawn, by the page and by its workers alike. The host
// sends the arts as geometry in one layout (host/document_geometry.h; the parts and marks come
// with the page contract): each change is kept as it arrived, and the arts are drawn straight
// from its arrays, so neither the page nor a worker copies the arts into a form of its own.
//
// A large document is drawn by workers, each a run of the arts in paint order, from its own copy
// of the arts (it takes in every change the page takes in); the page lays their pictures over the
// page in order. The runs are cut so that each paints about the same area.
'use strict';

if (typeof WorkerGlobalScope !== 'undefined' && typeof FlarimondContract === 'undefined') importScripts('contract.js');

const FlarimondDraw = (() => {
  const GEOMETRY = FlarimondContract.geometry;
  const CLOSED = GEOMETRY.closed;
  const NONE = GEOMETRY.none;
  const COUNT = ~CLOSED;  // the segment count without the closed bit
  const LINE_CAPS = ['butt', 'round', 'square'];
  const LINE_JOINS = ['miter', 'round', 'bevel'];

  // A geometry as it arrived: its header (g.header, with the state in an answer) and its parts as
  // views of the buffer, named as the contract names them; `starts` is where each art's points
  // begin (one more entry than arts).
  function readGeometry(buffer) {
    const length = new DataView(buffer).getUint32(0, true);
    // A shared buffer's bytes are copied for the decoder, which reads no shared memory.
    const header = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 4, length).slice()));
    const g = { header, revision: header.revision, since: header.since, arts: header.arts, buffer };
    let at = 4 + length;
    for (const part of GEOMETRY.parts) {
      const n = header[part.count] * part.per;
      g[part.name] = part.type === 'u32' ? new Uint32Array(buffer, at, n) : new Float32Array(buffer, at, n);
      at += 4 * n;
    }
    const starts = new Uint32Array(g.arts + 1);
    for (let i = 0; i < g.arts; i++) starts[i + 1] = starts[i] + 6 * (g.counts[i] & COUNT);
    g.starts = starts;
    return g;
  }

  // The document's arts: for each slot the geometry its art came in and its place there, and the
  // stacking order as links between slots.
  class Arts {
    constructor() {
      this.clear();
    }

    clear() {
      this.revision = null;
      this.from = [];  // slot -> its geometry (undefined: no art)
      this.index = new Uint32Array(64);
      this.below = new Uint32Array(64);
      this.above = new Uint32Array(64);
      this.paths = [];  // slot -> its outline, once built (filled arts)
      this.bottom = NONE;
      this.top = NONE;
      this.size = 0;
      this.segments = 0;
      this.outlined = 0;  // arts with at least one segment
    }

    has(slot) {
      return this.from[slot] !== undefined;
    }

    grow(slot) {
      if (slot < this.index.length) return;
      let n = this.index.length;
      while (n <= slot) n *= 2;
      for (const name of ['index', 'below', 'above']) {
        const bigger = new Uint32Array(n);
        bigger.set(this[name]);
        this[name] = bigger;
      }
    }

    unlink(slot) {
      const g = this.from[slot];
      if (g === undefined) return;
      const below = this.below[slot], above = this.above[slot];
      if (below === NONE) this.bottom = above; else this.above[below] = above;
      if (above === NONE) this.top = below; else this.below[above] = below;
      const n = g.counts[this.index[slot]] & COUNT;
      this.segments -= n;
      if (n > 0) this.outlined -= 1;
      this.size -= 1;
      this.from[slot] = undefined;
      this.paths[slot] = undefined;
    }

    // Puts art i of g into `slot`, directly above the art in slot `below` (NONE: at the bottom).
    link(slot, g, i, below) {
      this.grow(slot);
      const above = below === NONE ? this.bottom : this.above[below];
      this.below[slot] = below;
      this.above[slot] = above;
      if (below === NONE) this.bottom = slot; else this.above[below] = slot;
      if (above === NONE) this.top = slot; else this.below[above] = slot;
      this.from[slot] = g;
      this.index[slot] = i;
      const n = g.counts[i] & COUNT;
      this.segments += n;
      if (n > 0) this.outlined += 1;
      this.size += 1;
    }

    // Takes in a change (or every art); false when it does not follow the revision held, and then
    // what is held is to be replaced by every art.
    apply(g) {
      if (g.since !== null && g.since !== this.revision) return false;
      if (g.since === null) this.clear();
      for (const slot of g.removed) this.unlink(slot);
      for (let i = 0; i < g.arts; i++) {
        const slot = g.slots[i];
        this.unlink(slot);
        const below = g.below[i];
        if (below !== NONE && !this.has(below)) return false;
        this.link(slot, g, i, below);
      }
      this.revision = g.revision;
      return true;
    }

    // The page and every art's curves, widened by a margin of 2 % of the larger side: what Fit
    // shows.
    area(page) {
      let left = 0, bottom = 0, right = page.width, top = page.height;
      for (let slot = this.bottom; slot !== NONE; slot = this.above[slot]) {
        const g = this.from[slot], b = 4 * this.index[slot], bounds = g.bounds;
        const l = bounds[b], lo = bounds[b + 1], r = bounds[b + 2], hi = bounds[b + 3];
        if (!(l <= r) || !Number.isFinite(l + lo + r + hi)) continue;
        if (l < left) left = l;
        if (r > right) right = r;
        if (lo < bottom) bottom = lo;
        if (hi > top) top = hi;
      }
      const margin = 0.02 * Math.max(right - left, top - bottom);
      return { left: left - margin, bottom: bottom - margin, right: right + margin, top: top + margin };
    }
  }

  // Adds art i of g to a path.
  function trace(path, g, i) {
    const v = g.points;
    const s = g.starts[i];
    const n = (g.starts[i + 1] - s) / 6;
    if (n === 0) return;
    path.moveTo(v[s], v[s + 1]);
    // Segment j: p at 6j, in at 6j + 2, out at 6j + 4.
    for (let o = s + 6; o < s + 6 * n; o += 6) path.bezierCurveTo(v[o - 2], v[o - 1], v[o + 2], v[o + 3], v[o], v[o + 1]);
    if (g.counts[i] & CLOSED) {
      const last = s + 6 * n;
      path.bezierCurveTo(v[last - 2], v[last - 1], v[s + 2], v[s + 3], v[s], v[s + 1]);
      path.closePath();
    }
  }

  // The rectangle of artwork a context shows: its canvas (width x height device pixels) under the
  // transform [k, 0, 0, -k, e, f].
  function viewedArea(transform, width, height) {
    const [k, , , , e, f] = transform;
    return { left: -e / k, right: (width - e) / k, bottom: (f - height) / k, top: f / k };
  }

  // Draws the arts in paint order with the context's transform (k device pixels a point), leaving
  // out those whose curves and stroke lie wholly outside `area` (artwork; null: none left out);
  // with `run` ({from: a slot, count}) only that many arts from that one up. Returns how many were
  // drawn.
  function drawArts(ctx, arts, k, area, run) {
    // Arts that only stroke, opaque and undashed, in a row with one style paint over each other in
    // one colour: their order among themselves shows nowhere, so each line width takes one path.
    // Widths within a 64th of a device pixel of each other count as one.
    const grain = 1 / (64 * k);
    const pixel = 1 / k;
    let style = null;
    let batch = new Map();  // width step -> the path of the run's arts of that width
    const flush = () => {
      for (const [step, path] of batch) {
        ctx.lineWidth = step * grain;
        ctx.stroke(path);
      }
      batch = new Map();
    };
    let drawn = 0;
    let left = run ? run.count : Infinity;
    for (let slot = run ? run.from : arts.bottom; slot !== NONE && left > 0; slot = arts.above[slot], left -= 1) {
      const g = arts.from[slot], i = arts.index[slot];
      if ((g.counts[i] & COUNT) === 0) continue;
      const s = g.header.styles[g.styles[i]];
      const width = s.stroke ? g.widths[i] : 0;
      if (area) {
        // A stroke reaches half its width past the curves, a mitred corner up to the miter limit's
        // share of it (a square cap less), and antialiasing a pixel.
        const m = (width / 2) * (s.join === 0 ? Math.max(s.miterLimit, 1.5) : 1.5) + pixel;
        const b = 4 * i, bounds = g.bounds;
        if (bounds[b + 2] + m < area.left || bounds[b] - m > area.right || bounds[b + 3] + m < area.bottom ||
            bounds[b + 1] - m > area.top) continue;
      }
      if (s !== style) {
        flush();
        style = s;
        ctx.globalAlpha = s.opacity;
        if (s.fill) ctx.fillStyle = s.fill;
        if (s.stroke) {
          ctx.strokeStyle = s.stroke;
          ctx.lineCap = LINE_CAPS[s.cap];
          ctx.lineJoin = LINE_JOINS[s.join];
          ctx.miterLimit = s.miterLimit;
          ctx.setLineDash(s.dash);
          ctx.lineDashOffset = s.dashOffset;
        }
      }
      drawn += 1;
      if (!s.fill && s.stroke && s.opacity === 1 && s.dash.length === 0) {
        if (!(width > 0)) continue;
        const step = Math.max(1, Math.round(width / grain));
        let path = batch.get(step);
        if (!path) batch.set(step, path = new Path2D());
        trace(path, g, i);
        continue;
      }
      let path = arts.paths[slot];
      if (!path) {
        arts.paths[slot] = path = new Path2D();
        trace(path, g, i);
      }
      if (s.fill) ctx.fill(path, s.evenOdd ? 'evenodd' : 'nonzero');
      if (s.stroke && width > 0) {
        ctx.lineWidth = width;
        ctx.stroke(path);
      }
    }
    flush();
    return drawn;
  }

  // The area an art paints in the view, in device pixels, as a measure of the time it takes to
  // draw: a fill about half its box, a stroke its length (the box's sides as a rough one) by its
  // width (at least a pixel), and a little for each segment.
  function paintedArea(g, i, k, area) {
    const b = 4 * i, bounds = g.bounds;
    const l = Math.max(bounds[b], area.left), r = Math.min(bounds[b + 2], area.right);
    const lo = Math.max(bounds[b + 1], area.bottom), hi = Math.min(bounds[b + 3], area.top);
    const w = r > l ? (r - l) * k : 0, h = hi > lo ? (hi - lo) * k : 0;
    const s = g.header.styles[g.styles[i]];
    let paint = 0;
    if (s.fill) paint += (w * h) / 2;
    if (s.stroke) paint += (w + h) * Math.max(1, g.widths[i] * k);
    return paint + 8 * (g.counts[i] & COUNT) + 16;
  }

  // Cuts the arts in paint order into runs that paint shares of the area the arts paint in the
  // view (transform, width x height device pixels): `shares` holds each run's share, summing to 1;
  // arts wholly outside the view count for nothing. Returns the runs, {from: a slot, count} each
  // (count 0: an empty run).
  function runs(arts, transform, width, height, shares) {
    const count = shares.length;
    const k = transform[0];
    const area = viewedArea(transform, width, height);
    const costs = new Float64Array(arts.size);
    let total = 0, n = 0;
    for (let slot = arts.bottom; slot !== NONE; slot = arts.above[slot], n++) {
      const g = arts.from[slot], i = arts.index[slot], b = 4 * i;
      if ((g.counts[i] & COUNT) === 0 || g.bounds[b + 2] < area.left || g.bounds[b] > area.right ||
          g.bounds[b + 3] < area.bottom || g.bounds[b + 1] > area.top) continue;
      total += costs[n] = paintedArea(g, i, k, area);
    }
    const out = [];
    let slot = arts.bottom, at = 0, sum = 0, upTo = 0;
    for (let r = 1; r <= count; r++) {
      const run = { from: slot, count: 0 };
      upTo += shares[r - 1];
      const end = total * upTo;
      // An art goes to the run that holds the greater part of its cost.
      while (slot !== NONE && (r === count || sum + costs[at] / 2 <= end)) {
        sum += costs[at++];
        run.count += 1;
        slot = arts.above[slot];
      }
      out.push(run);
    }
    return out;
  }

  return { CLOSED, NONE, readGeometry, Arts, trace, drawArts, viewedArea, runs };
})();

// As a worker: {geometry: the bytes of a change, or of every art} takes it in, as the page did;
// {frame, width, height, transform, k, run} draws that run of the arts in the view and answers
// {frame, revision, outlined, drawn, ms, bitmap}, the picture transparent where no art is. A
// change that does not follow what the worker holds answers {lost}: the page then sends every art.
if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
  const arts = new FlarimondDraw.Arts();
  let canvas = null;
  self.onmessage = (e) => {
    const m = e.data;
    if (m.geometry) {
      if (!arts.apply(FlarimondDraw.readGeometry(m.geometry))) {
        arts.clear();
        self.postMessage({ lost: true });
      }
      return;
    }
    const start = performance.now();
    if (!canvas) canvas = new OffscreenCanvas(m.width, m.height);
    if (canvas.width !== m.width) canvas.width = m.width;
    if (canvas.height !== m.height) canvas.height = m.height;
    // Transparent: handing a picture over leaves the canvas a new, clear one.
    const ctx = canvas.getContext('2d');
    ctx.setTransform(...m.transform);
    const area = FlarimondDraw.viewedArea(m.transform, m.width, m.height);
    const drawn = m.run.count > 0 ? FlarimondDraw.drawArts(ctx, arts, m.k, area, m.run) : 0;
    const bitmap = canvas.transferToImageBitmap();
    self.postMessage({ frame: m.frame, revision: arts.revision, outlined: arts.outlined, drawn, ms: performance.now() - start, bitmap },
      [bitmap]);
  };
}
