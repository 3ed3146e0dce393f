// How the document's arts are drawn into a 2D context. The page loads this file to draw a small
// document itself; the same file is the script of the workers that draw a large document, each its
// own run of arts into a transparent canvas of the view's size, which the page then lays over the
// page in paint order.
//
// An art: { style, width, closed, points, path }. points holds six numbers a segment (the anchor,
// then the in and out handles); path caches the art's outline once built; arts of one style share
// the one style object.
'use strict';

const FlarimondDraw = (() => {
  const LINE_CAPS = ['butt', 'round', 'square'];
  const LINE_JOINS = ['miter', 'round', 'bevel'];

  // Adds an art's outline to a path.
  function trace(path, art) {
    const v = art.points;
    const n = v.length / 6;
    if (n === 0) return;
    path.moveTo(v[0], v[1]);
    // Segment i: p at 6i, in at 6i + 2, out at 6i + 4.
    for (let i = 1; i < n; i++) path.bezierCurveTo(v[6 * i - 2], v[6 * i - 1], v[6 * i + 2], v[6 * i + 3], v[6 * i], v[6 * i + 1]);
    if (art.closed) {
      path.bezierCurveTo(v[6 * n - 2], v[6 * n - 1], v[2], v[3], v[0], v[1]);
      path.closePath();
    }
  }

  function pathOf(art) {
    if (!art.path) {
      art.path = new Path2D();
      trace(art.path, art);
    }
    return art.path;
  }

  // Draws the arts (an iterable, in paint order) with the context's transform, k device pixels a
  // point; returns how many had an outline to draw.
  function drawArts(ctx, arts, k) {
    // Arts that only stroke, opaque and undashed, in a row with one style paint over each other in
    // one colour: their order among themselves shows nowhere, so each line width takes one path.
    // Widths within a 64th of a device pixel of each other count as one.
    const grain = 1 / (64 * k);
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
    for (const art of arts) {
      if (art.points.length === 0) continue;
      const s = art.style;
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
        if (!(art.width > 0)) continue;
        const step = Math.max(1, Math.round(art.width / grain));
        let path = batch.get(step);
        if (!path) batch.set(step, path = new Path2D());
        trace(path, art);
        continue;
      }
      const path = pathOf(art);
      if (s.fill) ctx.fill(path, s.evenOdd ? 'evenodd' : 'nonzero');
      if (s.stroke && art.width > 0) {
        ctx.lineWidth = art.width;
        ctx.stroke(path);
      }
    }
    flush();
    return drawn;
  }

  // A run of arts packed for a worker: a style index, line width and segment count (the top bit:
  // closed) an art, their points in one array.
  const CLOSED = 0x80000000;

  function pack(arts, styleIndex) {
    let points = 0;
    for (const art of arts) points += art.points.length;
    const run = {
      style: new Uint32Array(arts.length), width: new Float32Array(arts.length),
      count: new Uint32Array(arts.length), points: new Float32Array(points),
    };
    let at = 0;
    arts.forEach((art, i) => {
      run.style[i] = styleIndex(art.style);
      run.width[i] = art.width;
      run.count[i] = art.points.length / 6 + (art.closed ? CLOSED : 0);
      run.points.set(art.points, at);
      at += art.points.length;
    });
    return run;
  }

  function unpack(run, styles) {
    const arts = new Array(run.style.length);
    let at = 0;
    for (let i = 0; i < arts.length; i++) {
      const n = 6 * (run.count[i] & ~CLOSED);
      arts[i] = {
        style: styles[run.style[i]], width: run.width[i], closed: run.count[i] >= CLOSED,
        points: run.points.subarray(at, at + n), path: null,
      };
      at += n;
    }
    return arts;
  }

  return { trace, drawArts, pack, unpack };
})();

// As a worker: a message brings the worker's run of arts when the document changed ({ styles,
// run }), and always the frame to draw ({ frame, width, height, transform, k }); the answer is the
// frame's picture of the run, transparent where no art is.
if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
  let arts = [];
  let canvas = null;
  self.onmessage = (e) => {
    const m = e.data;
    if (m.run) arts = FlarimondDraw.unpack(m.run, m.styles);
    if (!canvas) canvas = new OffscreenCanvas(m.width, m.height);
    if (canvas.width !== m.width) canvas.width = m.width;
    if (canvas.height !== m.height) canvas.height = m.height;
    // Transparent: handing a picture over leaves the canvas a new, clear one.
    const ctx = canvas.getContext('2d');
    ctx.setTransform(...m.transform);
    const drawn = FlarimondDraw.drawArts(ctx, arts, m.k);
    const bitmap = canvas.transferToImageBitmap();
    self.postMessage({ frame: m.frame, drawn, bitmap }, [bitmap]);
  };
}
