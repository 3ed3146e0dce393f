// The page is only a view of the stand-in host: every item is drawn from the dialog manager's own
// dump and every user action goes to the host as one event, which the plug-in's notifiers handle.
// Nothing here knows what an item means, except that a picture button with a tracker picks a point.
'use strict';

(() => {
  const TOKEN_KEY = 'flarimond.token';  // per tab: a reload keeps driving, a new tab must ask
  // The driving tab renews its claim three times in the server's idle time-out (from the claim's
  // answer), so that two renewals may go astray; at most every 10 seconds.
  const HEARTBEAT_MAX_MS = 10000;
  let heartbeatMs = HEARTBEAT_MAX_MS;
  const WATCH_MS = 1000;  // a watching tab asks this often whether the dialog is free
  const BUSY_AFTER_MS = 100;
  // What the page and the host agree on comes from the host (contract.js).
  const CONTRACT = FlarimondContract;
  const HEADER = CONTRACT.headers;
  const FONT_EMPHASISED = CONTRACT.fontEmphasised;

  const $ = (sel) => document.querySelector(sel);
  let token = sessionStorage.getItem(TOKEN_KEY) || '';
  let holding = false;
  let state = null;
  let armedPick = null;  // the pick button waiting for a click on the document
  let chain = Promise.resolve();  // events go one after another, in the order the user made them
  let pending = 0;
  let busyTimer = null;
  let noticeTimer = null;

  // ---- talking to the host

  function headers(extra) {
    return Object.assign({ [HEADER.token]: token }, extra || {});
  }

  async function claim() {
    let res;
    try {
      res = await fetch('/api/claim', {
        method: 'POST', headers: headers({ 'Content-Type': 'application/json' }), body: '{}',
      });
    } catch (e) {
      setStatus('The server does not answer: is `flarimond serve` still running?');
      return false;
    }
    if (res.status === 409) {
      setHolding(false);
      return false;
    }
    const body = await res.json();
    if (!res.ok) {
      notify(body.error || 'the claim was refused');
      return false;
    }
    // A new token for a tab that was driving: its claim lapsed, and the dialog it had open was
    // cancelled. (At load the old token may simply be from a server that has since restarted.)
    const lapsed = state !== null && holding && token !== '' && body.token !== token;
    token = body.token;
    if (body.idleTimeout > 0) heartbeatMs = Math.min(HEARTBEAT_MAX_MS, (body.idleTimeout * 1000) / 3);
    sessionStorage.setItem(TOKEN_KEY, token);
    setHolding(true);
    if (lapsed) notify('This tab was silent for too long, so the dialog it had open was cancelled.');
    return true;
  }

  // Says what the page holds (the document's revision, the newest variant of the history), so
  // that answers carry only what changed since, and asks for answers as geometry: the document's
  // change comes in the answer itself, the state in its header.
  function holdingHeaders() {
    const h = { Accept: `${CONTRACT.geometry.type}, application/json` };
    if (held.arts.revision !== null) h[HEADER.revision] = String(held.arts.revision);
    if (strip.last !== null) h[HEADER.history] = String(strip.last);
    return h;
  }

  // An answer as { state, geometry } (geometry: the document's change, or null), or { error }.
  async function readAnswer(res) {
    if ((res.headers.get('Content-Type') || '').startsWith(CONTRACT.geometry.type)) {
      const geometry = FlarimondDraw.readGeometry(await res.arrayBuffer());
      return { state: geometry.header.state, geometry };
    }
    const body = await res.json().catch(() => ({ error: 'an answer that is not JSON' }));
    return res.ok ? { state: body, geometry: null } : { error: body.error, body };
  }

  async function refresh() {
    try {
      const res = await fetch('/api/state', { headers: headers(holdingHeaders()) });
      if (res.ok) {
        const answer = await readAnswer(res);
        await render(answer.state, answer.geometry);
      }
    } catch (e) {
      setStatus('The server does not answer: is `flarimond serve` still running?');
    }
  }

  function sendEvent(event) {
    if (!holding) return Promise.resolve();
    // A value typed but not yet committed goes first, as leaving the field would send it.
    const typing = document.activeElement;
    if (event.type !== 'set' && typing && typing.classList.contains('spin')) commitSpin(typing);
    return queue(() => post('/api/event', JSON.stringify(event), 'application/json'));
  }

  // Runs a request after those before it, with the busy sign while any is under way.
  function queue(request) {
    pending += 1;
    document.body.dataset.pending = String(pending);
    // A sign that something is under way, once it takes long enough to notice.
    if (busyTimer === null) busyTimer = setTimeout(() => document.body.classList.add('busy'), BUSY_AFTER_MS);
    chain = chain.then(request).finally(() => {
      pending -= 1;
      if (pending === 0) {
        clearTimeout(busyTimer);
        busyTimer = null;
        document.body.classList.remove('busy');
      }
      document.body.dataset.pending = String(pending);
    });
    return chain;
  }

  // Sends what the user did; the answer is the new state. Returns the refusal's body, or null.
  async function post(path, body, type) {
    let res;
    try {
      res = await fetch(path, {
        method: 'POST', headers: headers(Object.assign({ 'Content-Type': type }, holdingHeaders())), body,
      });
    } catch (e) {
      setStatus('The server does not answer: is `flarimond serve` still running?');
      return null;
    }
    const answer = await readAnswer(res);
    if (res.ok && answer.state) {
      await render(answer.state, answer.geometry);
      return null;
    }
    notify(answer.error || `refused (${res.status})`);
    if (res.status === 409) await claim();  // a lapsed claim nobody else took is renewed
    await refresh();  // the refused request changed nothing: show the controls as they are
    return answer.body || {};
  }

  // Opens a kept file: the host makes a new document of it and opens the dialog on its record
  // and random source. A sheet asks which of its tiles.
  async function openFile(file, tile) {
    const query = `?name=${encodeURIComponent(file.name)}${tile ? `&tile=${tile}` : ''}`;
    const refused = await post(`/api/open${query}`, file, 'application/octet-stream');
    if (refused && Array.isArray(refused.tiles) && !tile) {
      const which = window.prompt(`${file.name} is a sheet of ${refused.tiles.length} designs. Which tile (${refused.tiles.join(', ')})?`);
      if (which && refused.tiles.includes(Number(which))) return openFile(file, Number(which));
    }
    if (!refused && state && state.host.opened && state.host.opened.warnings.length)
      notify(state.host.opened.warnings.join(' '));
    return null;
  }

  // ---- drawing the state

  async function render(st, geometry) {
    const d = st.dialog;
    // An answer in the same dialog carries only the items that changed.
    let only = null;
    if (d && d.partial) {
      const known = state && state.dialog && state.dialog.serial === d.serial &&
        document.querySelector('#filter-dialog').dataset.serial === String(d.serial);
      if (!known) {
        // The page missed the dialog's start: ask for all of it, keeping the document's change.
        if (geometry) await showDocument(st.document, geometry);
        return refresh();
      }
      only = new Set(d.items.map((it) => it.id));
      const items = state.dialog.items.slice();
      const at = new Map(items.map((it, i) => [it.id, i]));
      for (const it of d.items) if (at.has(it.id)) items[at.get(it.id)] = it;
      d.items = items;
    }
    state = st;
    const historyLost = takeHistory(st.history);
    document.body.dataset.dialog = d ? d.kind : 'none';
    const filter = d && d.kind === 'filter' ? d : null;
    $('#filter-window').hidden = !filter;
    $('#no-dialog').hidden = !!d;
    if (filter) {
      $('#filter-caption').textContent = filter.caption;
      drawDialog($('#filter-dialog'), filter, only);
    }
    const modal = d && d.kind !== 'filter' ? d : null;
    $('#modal-layer').hidden = !modal;
    if (modal) {
      $('#modal-caption').textContent = modal.caption;
      drawDialog($('#modal-dialog'), modal);
      const ok = $('#modal-dialog .default');
      if (ok && document.activeElement !== ok) ok.focus();
    }
    if (!filter) disarmPick();
    drawStrip(!!filter);
    await showDocument(st.document, geometry);

    const idle = !d;
    $('#new-document').disabled = !idle;
    $('#open-file').disabled = !idle;
    $('#open-dialog').disabled = !idle;
    $('#apply-again').disabled = !idle || !st.record;
    $('#about').disabled = !idle;
    $('#undo').disabled = !idle || !st.document.undo;
    $('#redo').disabled = !idle || !st.document.redo;
    if (st.host.notice && st.host.notice !== shownNotice) notify(st.host.notice);
    shownNotice = st.host.notice;
    setStatus(statusText(st));
    // Between dialogs, a document with art that a download cannot give back as a design says so.
    $('#design-note').hidden = st.document.design || !!d || st.document.arts === 0;
    document.body.dataset.design = String(st.document.design);
    document.body.dataset.arts = String(st.document.arts);
    document.body.dataset.revision = String(held.arts.revision);
    if (historyLost) await refresh();
  }
  let shownNotice = '';

  // What the host is doing, in the user's words rather than the messages' names.
  function statusText(st) {
    const seed = `Seed ${st.host.seed}.`;
    const d = st.dialog;
    if (d) {
      const open = {
        filter: `Dialog open: ${st.record && st.record.preview ? 'previewing' : 'preview off'}.`,
        error: 'The filter stopped: the plug-in says why.',
        about: 'The About box is open.',
      };
      return `${open[d.kind] || 'A dialog is open.'} ${seed}`;
    }
    const m = st.host.lastMessage;
    const failed = m && m.result !== 0 && m.text !== 'cancelled';
    let said = 'Ready.';
    if (m && m.name === 'Startup' && failed) said = `The plug-in did not start (${m.text}).`;
    else if (m && m.name === 'Get Parameters' && m.text === 'cancelled') said = 'Dialog cancelled: the document is as it was.';
    else if (m && m.name === 'Get Parameters' && failed) said = `The dialog could not open (${m.text}).`;
    else if (m && m.name === 'Go') said = failed ? `Drawing failed (${m.text}).` : 'Design drawn.';
    else if (m && m.name === 'Undo') said = 'Undone: the last filter run is taken back.';
    else if (m && m.name === 'Redo') said = 'Redone: the filter run is back.';
    else if (m && m.name === 'New') said = 'A new, empty document.';
    return `${said} ${seed}`;
  }

  // Builds the dialog's items once per dialog (so focus and typing survive) and updates them from
  // every dump after.
  function drawDialog(body, d, only) {
    if (body.dataset.serial !== String(d.serial)) {
      body.replaceChildren();
      body.dataset.serial = String(d.serial);
      body.style.width = `${d.size[0]}px`;
      body.style.height = `${d.size[1]}px`;
      d.items.forEach((item, index) => body.appendChild(makeItem(item, index, d.items)));
      for (const item of d.items) if (item.hostLabel) body.appendChild(hostLabel(item));
      for (const item of d.items) if (item.field) body.appendChild(makeLock(item));
    }
    d.items.forEach((item, index) => {
      const el = body.children[index];
      if (el && (!only || only.has(item.id))) updateItem(el, item);
    });
    showLocks(body, d.items);
  }

  // The page's word for each of the host's item kinds.
  const KIND = CONTRACT.itemKinds;

  // ---- the variants: a strip of every preview the filter dialog drew, which the host keeps
  //
  // Clicking one (or Alt+Left and Alt+Right) brings it back: the host sets the dialog's controls to
  // it and puts the random source back where it stood, so the preview is that variant again. The
  // page sends the host a small picture of each variant once the canvas shows it.

  const strip = {
    entries: [],  // { id, label, locks, picture }, oldest first
    last: null,  // the newest id held
    current: 0,  // the variant the dialog shows
    locks: [],  // the fields locked now
    picturing: null,  // the variant whose picture is being sent
  };

  // Takes in the state's history: the variants after the newest held, and which went. True when
  // the host's history is another one (a new server): the page then asks for all of it.
  function takeHistory(h) {
    if (!h) return false;
    if (strip.last !== null && h.last < strip.last) {
      strip.entries = [];
      strip.last = null;
      $('#history-strip').replaceChildren();
      return true;
    }
    const list = $('#history-strip');
    while (strip.entries.length && strip.entries[0].id < h.first) {
      const gone = strip.entries.shift();
      const li = list.querySelector(`[data-id="${gone.id}"]`);
      if (li) li.remove();
    }
    for (const e of h.entries) {
      if (strip.last !== null && e.id <= strip.last) continue;
      strip.entries.push(e);
      list.appendChild(variantItem(e));
    }
    strip.last = h.last;
    strip.current = h.current;
    strip.locks = h.locks;
    return false;
  }

  function variantItem(e) {
    const li = document.createElement('li');
    li.className = 'variant';
    li.dataset.id = String(e.id);
    li.title = `${e.label}${e.locks.length ? ` (locked: ${e.locks.join(', ')})` : ''}`;
    const button = document.createElement('button');
    button.type = 'button';
    const picture = document.createElement('img');
    picture.alt = '';
    if (e.picture) picture.src = `/api/history/picture?id=${e.id}`;
    const label = document.createElement('span');
    label.textContent = e.label;
    button.append(picture, label);
    button.addEventListener('mousedown', (ev) => ev.preventDefault());
    button.addEventListener('click', () => bringBack(e.id));
    li.appendChild(button);
    return li;
  }

  function drawStrip(filterOpen) {
    const section = $('#history');
    section.hidden = strip.entries.length === 0;
    section.classList.toggle('inactive', !filterOpen);
    for (const li of $('#history-strip').children) {
      const current = Number(li.dataset.id) === strip.current;
      li.classList.toggle('current', current);
      if (current) li.setAttribute('aria-current', 'true'); else li.removeAttribute('aria-current');
    }
    const current = $(`#history-strip [data-id="${strip.current}"]`);
    if (current) {
      const list = $('#history-strip');
      const left = current.offsetLeft - list.offsetLeft;
      if (left < list.scrollLeft || left + current.offsetWidth > list.scrollLeft + list.clientWidth)
        list.scrollLeft = left - (list.clientWidth - current.offsetWidth) / 2;
    }
  }

  function bringBack(id) {
    if (state && state.dialog && state.dialog.kind === 'filter' && id !== strip.current) sendEvent({ type: 'variant', id });
  }

  // Alt+Left and Alt+Right: the variant before or after the one shown.
  function stepStrip(by) {
    const at = strip.entries.findIndex((e) => e.id === strip.current);
    const to = at < 0 ? (by < 0 ? strip.entries.length - 1 : -1) : at + by;
    if (to >= 0 && to < strip.entries.length) bringBack(strip.entries[to].id);
  }

  // The canvas shows revision R: when that is the variant the dialog shows and the host has no
  // picture of it yet, this tab makes one, once the frame is up.
  function pictureShown(revision) {
    const entry = strip.entries.find((e) => e.id === strip.current);
    if (!holding || !state || !state.dialog || state.dialog.kind !== 'filter' || !entry || entry.picture) return;
    if (strip.picturing !== null || revision !== state.document.revision) return;
    strip.picturing = entry.id;
    setTimeout(() => takePicture(entry, revision).finally(() => { strip.picturing = null; }), 0);
  }

  async function takePicture(entry, revision) {
    const canvas = $('#document canvas');
    if (canvas.dataset.revision !== String(revision) || !canvas.width) return;
    const small = document.createElement('canvas');
    small.width = 96;
    small.height = Math.max(1, Math.round((96 * canvas.height) / canvas.width));
    small.getContext('2d').drawImage(canvas, 0, 0, small.width, small.height);
    const blob = await new Promise((resolve) => small.toBlob(resolve, 'image/webp', 0.85));
    if (!blob) return;
    const res = await fetch(`/api/history/picture?id=${entry.id}`, {
      method: 'POST', headers: headers({ 'Content-Type': blob.type }), body: blob,
    }).catch(() => null);
    if (!res || !res.ok) return;
    entry.picture = true;
    const img = $(`#history-strip [data-id="${entry.id}"] img`);
    if (img) img.src = URL.createObjectURL(blob);
  }

  // ---- locks: the host's own, beside each control that edits a field of the design
  //
  // A locked field keeps its value through Tumble and Shuffle: the host sets it back after them.

  function makeLock(item) {
    const [left, top, , bottom] = item.rect;
    const lock = document.createElement('button');
    lock.type = 'button';
    lock.className = 'lock';
    lock.dataset.for = String(item.id);
    Object.assign(lock.style, { left: `${left - 10}px`, top: `${top + (bottom - top - 12) / 2}px` });
    lock.addEventListener('mousedown', (e) => e.preventDefault());
    lock.addEventListener('click', () => sendEvent({ type: 'lock', id: item.id, value: lock.classList.contains('locked') ? 0 : 1 }));
    return lock;
  }

  // Each lock as the host holds it, beside its control while the control shows.
  function showLocks(body, items) {
    const byId = new Map(items.map((it) => [it.id, it]));
    for (const lock of body.querySelectorAll('.lock')) {
      const item = byId.get(Number(lock.dataset.for));
      const field = item && item.field;
      const locked = !!field && strip.locks.includes(field);
      lock.hidden = !field || !item.visible;
      lock.classList.toggle('locked', locked);
      lock.dataset.field = field || '';
      lock.title = field ? `${locked ? 'Locked' : 'Lock'} ${field}: Tumble and Shuffle leave it as it is` : '';
    }
  }

  // The host's own label for an item that has none, drawn to its left.
  function hostLabel(item) {
    const [left, top, , bottom] = item.rect;
    const label = document.createElement('label');
    label.className = 'host-label';
    label.textContent = item.hostLabel;
    label.htmlFor = `item-${item.id}`;
    Object.assign(label.style, { left: `${left - 104}px`, top: `${top}px`, width: '100px', height: `${bottom - top}px` });
    return label;
  }

  // A tab is a blank button above its page's label: that label names it.
  function tabName(item, items) {
    const [left, , right, bottom] = item.rect;
    let best = null;
    for (const other of items) {
      if (KIND[other.kind] !== 'static' || !other.text) continue;
      const [l, t, r] = other.rect;
      const centre = (l + r) / 2;
      if (centre < left || centre > right || t < bottom - 2) continue;
      if (!best || t < best.rect[1]) best = other;
    }
    return best ? best.text : '';
  }

  function makeItem(item, index, items) {
    const kind = KIND[item.kind] || 'static';
    let el;
    if (kind === 'spin') {
      el = document.createElement('input');
      el.type = 'number';
      // Enter is the host's OK here too; the value typed goes to the plug-in first (sendEvent).
      el.addEventListener('change', () => commitSpin(el));
    } else if (kind === 'popup') {
      el = document.createElement('select');
      el.addEventListener('change', () => sendEvent({ type: 'choose', id: item.id, value: el.selectedIndex }));
    } else if (kind === 'check') {
      el = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.addEventListener('change', () => sendEvent({ type: 'check', id: item.id, value: box.checked ? 1 : 0 }));
      el.append(box, document.createElement('span'));
    } else if (kind === 'push' || kind === 'picture') {
      el = document.createElement('button');
      el.type = 'button';
      // A mouse press leaves the focus where it was, so that Enter still means OK.
      el.addEventListener('mousedown', (e) => e.preventDefault());
      el.addEventListener('click', () => {
        if (item.pick) togglePick(item.id);
        else sendEvent({ type: 'press', id: item.id });
      });
      if (item.default) el.classList.add('default');
    } else {
      el = document.createElement('div');
    }
    el.classList.add('item', kind);
    el.id = `item-${item.id}`;
    if (kind === 'picture') el.title = item.pick ? 'Pick on the document' : tabName(item, items);
    if (item.hostLabel) el.setAttribute('aria-label', item.hostLabel);
    el.dataset.id = String(item.id);
    el.dataset.index = String(index);
    const [left, top, right, bottom] = item.rect;
    Object.assign(el.style, {
      left: `${left}px`, top: `${top}px`, width: `${right - left}px`, height: `${bottom - top}px`,
    });
    return el;
  }

  function updateItem(el, item) {
    el.style.display = item.visible ? '' : 'none';
    const kind = KIND[item.kind] || 'static';
    const control = kind === 'check' ? el.querySelector('input') : el;
    if ('disabled' in control) control.disabled = !item.enabled;
    el.classList.toggle('disabled', !item.enabled);
    el.classList.toggle('emphasised', item.font === FONT_EMPHASISED);
    el.dataset.font = String(item.font);

    if (kind === 'static') {
      el.textContent = item.text || '';
    } else if (kind === 'spin') {
      const shown = Number(item.value).toFixed(item.decimals);
      el.step = item.decimals > 0 ? String(10 ** -item.decimals) : '1';
      if (item.min !== null) el.min = String(item.min); else el.removeAttribute('min');
      if (item.max !== null) el.max = String(item.max); else el.removeAttribute('max');
      el.title = `${item.min ?? '-\u221e'} to ${item.max ?? '\u221e'}`;
      el.value = shown;
      el.dataset.shown = shown;
    } else if (kind === 'popup') {
      const texts = item.entries.join('\n');
      if (el.dataset.entries !== texts) {
        el.replaceChildren(...item.entries.map((t) => new Option(t.trim())));
        el.dataset.entries = texts;
      }
      el.selectedIndex = item.selected;
    } else if (kind === 'check') {
      control.checked = item.value === 1;
      el.querySelector('span').textContent = item.text || '';
    } else if (kind === 'push') {
      setMnemonicText(el, item.text || '');
    } else if (kind === 'picture') {
      el.classList.toggle('pick', !!item.pick);
      el.classList.toggle('armed', armedPick === item.id);
    }
    // A value the plug-in changed (a preset, Tumble, a pick) flashes, so the user sees what moved.
    const value = kind === 'popup' ? String(item.selected) : kind === 'spin' || kind === 'check' ? String(item.value) : '';
    if (el.dataset.value !== undefined && el.dataset.value !== value) {
      el.classList.remove('changed');
      void el.offsetWidth;  // restarts the animation
      el.classList.add('changed');
    }
    el.dataset.value = value;
  }

  // "&OK": the letter after & is the button's keyboard mnemonic, "&&" a plain ampersand.
  function setMnemonicText(el, text) {
    el.replaceChildren();
    for (let i = 0; i < text.length; i++) {
      if (text[i] === '&' && i + 1 < text.length) {
        i += 1;
        if (text[i] !== '&') {
          const u = document.createElement('u');
          u.textContent = text[i];
          el.append(u);
          continue;
        }
      }
      el.append(text[i]);
    }
  }

  function commitSpin(el) {
    if (el.value === el.dataset.shown) return;
    const value = Number(el.value);
    if (el.value.trim() === '' || !Number.isFinite(value)) {
      el.value = el.dataset.shown;
      return;
    }
    el.dataset.shown = el.value;
    sendEvent({ type: 'set', id: Number(el.dataset.id), value });
  }

  // ---- the document
  //
  // The page keeps the arts as the host sent them (FlarimondDraw.Arts over each answer's geometry)
  // and draws them into a canvas; an answer that changed the document brings only the arts changed
  // since the revision the page holds. Pan (drag) and zoom (wheel, Fit) redraw from what the page
  // holds.

  const NONE = FlarimondDraw.NONE;
  const held = {
    arts: new FlarimondDraw.Arts(),
    page: { width: 612, height: 792 },
    hostZoom: null,  // the host's view zoom last followed
    view: null,  // what the canvas shows: { zoom: pixels a point, x, y: the artwork point in its middle }
  };

  async function fetchGeometry(since) {
    const query = since === null ? '' : `?since=${since}`;
    const res = await fetch(`/api/geometry${query}`, { headers: headers() });
    if (!res.ok) throw new Error(`the document could not be read (${res.status})`);
    return FlarimondDraw.readGeometry(await res.arrayBuffer());
  }

  // Takes in a change: the page's copy first, then each worker's, from the same bytes. A change
  // that does not follow what the page holds is replaced by every art.
  async function takeIn(geometry) {
    let g = geometry;
    if (!held.arts.apply(g)) {
      g = await fetchGeometry(null);
      held.arts.apply(g);
    }
    feedWorkers(g.buffer);
  }

  // Brings the page's copy of the arts up to the state's revision and shows it.
  async function showDocument(doc, geometry) {
    // An answer that changes nothing the canvas shows (a watching tab's look every second, a change
    // to the dialog alone) leaves the picture as it is: a large document takes a while to draw.
    const same = held.view !== null && doc.revision === held.arts.revision && doc.view.zoom === held.hostZoom &&
      doc.page.width === held.page.width && doc.page.height === held.page.height;
    held.page = doc.page;
    if (same) return;
    if (doc.revision !== held.arts.revision) {
      // The answer's own geometry, unless it was not asked for (a refusal's refresh, say).
      const follows = geometry && geometry.revision === doc.revision &&
        (geometry.since === null || geometry.since === held.arts.revision);
      await takeIn(follows ? geometry : await fetchGeometry(held.arts.revision));
    }
    const first = held.view === null;
    if (held.hostZoom !== doc.view.zoom) {
      // The host's zoom changed (the zoom box): show its view, its centre in the middle.
      held.hostZoom = doc.view.zoom;
      held.view = { zoom: doc.view.zoom, x: doc.view.centre[0], y: doc.view.centre[1] };
    }
    await (first && !fits(documentArea()) ? fit() : drawCanvas());
  }

  // The page and every art's curves, widened a little: what Fit shows.
  function documentArea() {
    return held.arts.area(held.page);
  }

  function canvasSize() {
    const box = $('#document');
    return { width: box.clientWidth, height: box.clientHeight };
  }

  function fits(area) {
    const { width, height } = canvasSize();
    const v = held.view;
    const halfW = width / 2 / v.zoom, halfH = height / 2 / v.zoom;
    return area.left >= v.x - halfW && area.right <= v.x + halfW && area.bottom >= v.y - halfH && area.top <= v.y + halfH;
  }

  // Fit: the zoom that shows the page and all art, centred.
  function fit() {
    const area = documentArea();
    const { width, height } = canvasSize();
    const zoom = Math.min(width / (area.right - area.left), height / (area.top - area.bottom));
    held.view = { zoom: Number.isFinite(zoom) && zoom > 0 ? zoom : 1, x: (area.left + area.right) / 2, y: (area.bottom + area.top) / 2 };
    return drawCanvas();
  }

  // Draws what the page holds in the view; resolves once the canvas shows it (or something newer).
  // A document of up to DRAW_ON_PAGE segments is drawn here and now; a larger one by the workers.
  function drawCanvas() {
    const canvas = $('#document canvas');
    const { width, height } = canvasSize();
    const ratio = window.devicePixelRatio || 1;
    const v = held.view;
    const k = v.zoom * ratio;
    const frame = {
      id: ++painter.requested, revision: held.arts.revision, view: v, width: Math.round(width * ratio), height: Math.round(height * ratio), k,
    };
    // Artwork y grows upwards: the view flips it.
    frame.transform = [k, 0, 0, -k, frame.width / 2 - v.x * k, frame.height / 2 + v.y * k];
    if (frame.width > 0 && frame.height > 0 && drawInWorkersNow()) return drawInWorkers(frame);
    painter.queued = null;
    const ctx = drawBackdrop(canvas, frame);
    FlarimondDraw.drawArts(ctx, held.arts, k, FlarimondDraw.viewedArea(frame.transform, frame.width, frame.height));
    shown(canvas, frame, held.arts.outlined, 'page');
    return Promise.resolve();
  }

  // The grey around the page and the page itself; the context is left in the view's transform.
  function drawBackdrop(canvas, frame) {
    if (canvas.width !== frame.width || canvas.height !== frame.height) {
      canvas.width = frame.width;
      canvas.height = frame.height;
    }
    const ctx = canvas.getContext('2d');
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalAlpha = 1;
    ctx.fillStyle = '#b8b8b8';
    ctx.fillRect(0, 0, canvas.width, canvas.height);
    ctx.setTransform(...frame.transform);
    ctx.fillStyle = '#ffffff';
    ctx.fillRect(0, 0, held.page.width, held.page.height);
    ctx.lineWidth = 0.5;
    ctx.strokeStyle = '#a0a0a0';
    ctx.setLineDash([]);
    ctx.strokeRect(0, 0, held.page.width, held.page.height);
    return ctx;
  }

  // The canvas now shows the frame, drawn by `by` (the page or the workers): `drawn` arts with an
  // outline, as the one that drew them holds them.
  function shown(canvas, frame, drawn, by) {
    const v = frame.view;
    Object.assign(canvas.dataset, {
      drawn: String(drawn), zoom: String(v.zoom), x: String(v.x), y: String(v.y), revision: String(frame.revision), by,
    });
    const arts = held.arts.size;
    $('#doc-info').textContent =
      `${arts} ${arts === 1 ? 'art' : 'arts'} \u00b7 zoom ${Math.round(v.zoom * 10000) / 100} %`;
    painter.waiting = painter.waiting.filter((w) => {
      if (w.id > frame.id) return true;
      w.resolve();
      return false;
    });
    pictureShown(frame.revision);
  }

  // ---- drawing a large document on several threads
  //
  // Each worker (draw.js) keeps its own copy of the arts, taking in the same bytes of every change
  // as the page; every frame it draws its run of the arts in paint order into a transparent canvas
  // of the view's size and hands back the picture, and the page lays the pictures over the page in
  // order. The runs are cut so that each paints about the same area of the view
  // (FlarimondDraw.runs). One frame is out at a time: a frame asked for meanwhile waits, and only
  // the newest is sent once the workers answer, so a frame older than one asked for since is never
  // shown.

  // Up to this many segments the page draws faster itself: the workers' answer and laying their
  // pictures over the page cost about 2 ms, which only a document of about 1,300 arts makes up.
  const DRAW_ON_PAGE = 4000;
  let workersWork = true;  // false once a worker failed

  // ?draw=page or ?draw=workers in the page's address draws every document one way, to compare them.
  function drawInWorkersNow() {
    const mode = new URLSearchParams(location.search).get('draw');
    if (mode === 'page' || !workersWork || !painter.workers) return false;
    return mode === 'workers' || held.arts.segments > DRAW_ON_PAGE;
  }
  const painter = {
    workers: null,  // started with the page, so that they hold every art the page holds
    requested: 0,  // the newest frame asked for
    out: null,  // the frame the workers are drawing: { frame, pictures, answers, outlined, ms }
    // Each worker's share of the area painted. Estimates of how long an art takes are rough: the
    // shares move towards those that would have finished the last frame together.
    shares: null,
    queued: null,  // the newest frame asked for while one was out
    waiting: [],  // { id, resolve }: who waits for a frame to be shown
  };

  function startWorkers() {
    if (typeof OffscreenCanvas === 'undefined' || typeof Worker === 'undefined') return;
    const count = Math.max(2, navigator.hardwareConcurrency || 0);
    try {
      painter.workers = Array.from({ length: count }, (_, i) => {
        const w = new Worker('draw.js');
        w.onmessage = (e) => workerAnswered(i, e.data);
        w.onerror = () => workersFailed();
        return w;
      });
    } catch (e) {
      painter.workers = null;
    }
  }

  // The workers take in each change as the page did, from the same bytes: shared with them all
  // when the browser allows it (one copy), else copied to each.
  function feedWorkers(buffer) {
    if (!painter.workers) return;
    let bytes = buffer;
    if (self.crossOriginIsolated && typeof SharedArrayBuffer !== 'undefined') {
      bytes = new SharedArrayBuffer(buffer.byteLength);
      new Uint8Array(bytes).set(new Uint8Array(buffer));
    }
    for (const w of painter.workers) w.postMessage({ geometry: bytes });
  }

  // A worker that cannot draw: the page draws everything from now on.
  function workersFailed() {
    if (!painter.workers) return;
    for (const w of painter.workers) w.terminate();
    painter.workers = null;
    painter.out = null;
    workersWork = false;
    drawCanvas();
  }

  function drawInWorkers(frame) {
    const done = new Promise((resolve) => painter.waiting.push({ id: frame.id, resolve }));
    if (painter.out) painter.queued = frame;
    else sendFrame(frame);
    return done;
  }

  function sendFrame(frame) {
    const workers = painter.workers;
    const { id, width, height, transform, k } = frame;
    if (!painter.shares) painter.shares = workers.map(() => 1 / workers.length);
    const runs = FlarimondDraw.runs(held.arts, transform, width, height, painter.shares);
    painter.out = { frame, pictures: new Array(workers.length), answers: 0, outlined: new Set(), ms: new Array(workers.length) };
    workers.forEach((w, i) => w.postMessage({ frame: id, width, height, transform, k, run: runs[i] }));
  }

  function workerAnswered(worker, answer) {
    if (answer.lost !== undefined) {
      // A worker missed a change: every worker starts again from every art.
      fetchGeometry(null).then((g) => {
        if (g.revision === held.arts.revision) feedWorkers(g.buffer);
      }).catch(() => workersFailed());
      return;
    }
    const out = painter.out;
    if (!out || answer.frame !== out.frame.id) {
      answer.bitmap.close();
      return;
    }
    out.pictures[worker] = answer.bitmap;
    out.ms[worker] = answer.ms;
    // Each worker holds the whole document: they agree with the page unless one fell behind.
    out.outlined.add(answer.revision === out.frame.revision ? answer.outlined : -1);
    if (++out.answers < out.pictures.length) return;
    painter.out = null;
    rebalance(out.ms);
    // Only the newest frame asked for is shown; one asked for since goes out now.
    if (out.frame.id === painter.requested) {
      const canvas = $('#document canvas');
      const ctx = drawBackdrop(canvas, out.frame);
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      for (const picture of out.pictures) ctx.drawImage(picture, 0, 0);
      shown(canvas, out.frame, out.outlined.size === 1 ? [...out.outlined][0] : -1, 'workers');
    }
    for (const picture of out.pictures) picture.close();
    const next = painter.queued;
    painter.queued = null;
    if (next && next.id === painter.requested) sendFrame(next);
  }

  // Moves the workers' shares halfway towards those that would have made the last frame's runs
  // take as long as each other, taking a run's time to grow with its share.
  function rebalance(ms) {
    if (ms.some((t) => !(t > 1))) return;
    const speeds = painter.shares.map((share, i) => share / ms[i]);
    const total = speeds.reduce((a, b) => a + b, 0);
    const shares = painter.shares.map((share, i) => Math.max(0.05, (share + speeds[i] / total) / 2));
    const sum = shares.reduce((a, b) => a + b, 0);
    painter.shares = shares.map((share) => share / sum);
  }

  // A point on screen as an artwork point.
  function artworkPoint(clientX, clientY) {
    const r = $('#document canvas').getBoundingClientRect();
    const v = held.view;
    return { x: v.x + (clientX - r.left - r.width / 2) / v.zoom, y: v.y - (clientY - r.top - r.height / 2) / v.zoom };
  }

  function togglePick(id) {
    armedPick = armedPick === id ? null : id;
    document.body.classList.toggle('picking', armedPick !== null);
    $('#pick-hint').hidden = armedPick === null;
    document.querySelectorAll('#filter-dialog .picture').forEach((b) => {
      b.classList.toggle('armed', Number(b.dataset.id) === armedPick);
    });
  }

  function disarmPick() {
    if (armedPick !== null) togglePick(armedPick);
  }

  // A drag pans; a click completes an armed pick.
  let drag = null;
  const canvasEl = $('#document canvas');
  canvasEl.addEventListener('pointerdown', (e) => {
    drag = { x: e.clientX, y: e.clientY, view: Object.assign({}, held.view), moved: false };
    canvasEl.setPointerCapture(e.pointerId);
  });
  canvasEl.addEventListener('pointermove', (e) => {
    if (!drag) return;
    const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    if (!drag.moved && Math.hypot(dx, dy) < 4) return;
    drag.moved = true;
    held.view = { zoom: drag.view.zoom, x: drag.view.x - dx / drag.view.zoom, y: drag.view.y + dy / drag.view.zoom };
    drawCanvas();
  });
  canvasEl.addEventListener('pointerup', (e) => {
    const wasDrag = drag && drag.moved;
    drag = null;
    if (wasDrag || armedPick === null) return;
    const p = artworkPoint(e.clientX, e.clientY);
    const id = armedPick;
    disarmPick();
    sendEvent({ type: 'pick', id, x: p.x, y: p.y });
  });
  // The wheel zooms about the point under the pointer.
  canvasEl.addEventListener('wheel', (e) => {
    e.preventDefault();
    const p = artworkPoint(e.clientX, e.clientY);
    const factor = Math.exp(-e.deltaY / 500);
    const v = held.view;
    const zoom = Math.min(Math.max(v.zoom * factor, 0.001), 1000);
    held.view = { zoom, x: p.x - (p.x - v.x) * v.zoom / zoom, y: p.y - (p.y - v.y) * v.zoom / zoom };
    drawCanvas();
  }, { passive: false });
  new ResizeObserver(() => { if (held.view) drawCanvas(); }).observe($('#document'));
  $('#fit').addEventListener('click', () => { if (held.view) fit(); });

  // ---- the host's own controls

  $('#ok').addEventListener('click', () => sendEvent({ type: 'confirm' }));
  $('#ok').addEventListener('mousedown', (e) => e.preventDefault());
  $('#open-dialog').addEventListener('click', () => sendEvent({ type: 'open' }));
  $('#apply-again').addEventListener('click', () => sendEvent({ type: 'apply' }));
  $('#about').addEventListener('click', () => sendEvent({ type: 'about' }));
  $('#undo').addEventListener('click', () => sendEvent({ type: 'undo' }));
  $('#redo').addEventListener('click', () => sendEvent({ type: 'redo' }));

  // New and Open replace the document, which Undo cannot bring back: a document with art asks first.
  function mayReplaceDocument(what) {
    const arts = state ? state.document.arts : 0;
    return arts === 0 || window.confirm(
      `${what} replaces this document: its ${arts} ${arts === 1 ? 'art' : 'arts'} go, and Undo cannot bring them back.`);
  }
  $('#new-document').addEventListener('click', () => {
    if (mayReplaceDocument('New')) sendEvent({ type: 'new' });
  });
  $('#open-file').addEventListener('click', () => {
    if (mayReplaceDocument('Opening a file')) $('#open-input').click();
  });
  $('#open-input').addEventListener('change', () => {
    const input = $('#open-input');
    const file = input.files[0];
    input.value = '';  // the same file may be opened again
    if (file && holding) queue(() => openFile(file));
  });

  // A download carries the design only while the document is the one it drew: say so first.
  for (const id of ['#download-svg', '#download-png', '#download-json']) {
    $(id).addEventListener('click', (e) => {
      if (!state || state.document.design) return;
      const keep = window.confirm('This download carries no design: the document holds more or less than the ' +
        'design the last OK or Apply drew, so opening it again will not draw it. Save it anyway?');
      if (!keep) e.preventDefault();
    });
  }

  document.addEventListener('keydown', (e) => {
    if (!state || !holding) return;
    if (!state.dialog) {
      // Between dialogs the host's own Undo and Redo.
      const key = e.key.toLowerCase();
      if ((e.ctrlKey || e.metaKey) && (key === 'z' || key === 'y')) {
        e.preventDefault();
        const redo = key === 'y' || e.shiftKey;
        if (redo ? state.document.redo : state.document.undo) sendEvent({ type: redo ? 'redo' : 'undo' });
      }
      return;
    }
    const t = e.target;
    const inControl = t instanceof HTMLSelectElement || t instanceof HTMLButtonElement ||
      t instanceof HTMLAnchorElement || t instanceof HTMLTextAreaElement;
    if (e.altKey && (e.key === 'ArrowLeft' || e.key === 'ArrowRight')) {
      // Not the browser's Back and Forward: the variants of the strip.
      e.preventDefault();
      if (state.dialog.kind === 'filter') stepStrip(e.key === 'ArrowLeft' ? -1 : 1);
    } else if (e.key === 'Escape') {
      if (armedPick !== null) disarmPick();
      else if (state.dialog.kind === 'filter') sendEvent({ type: 'cancel' });
      e.preventDefault();
    } else if (e.key === 'Enter' && !inControl) {
      e.preventDefault();
      const d = state.dialog;
      const def = d.kind === 'filter' ? null : d.items.find((i) => i.default && i.visible && i.enabled);
      sendEvent(def ? { type: 'press', id: def.id } : { type: 'confirm' });
    }
  });

  // ---- who drives

  function setHolding(h) {
    holding = h;
    document.body.classList.toggle('watching', !h);
    document.body.dataset.claim = h ? 'yours' : 'other';
    $('#busy-banner').hidden = h;
  }

  function setStatus(text) {
    $('#status').textContent = text;
  }

  function notify(text) {
    const n = $('#notice');
    n.textContent = text;
    n.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => { n.hidden = true; }, 8000);
  }

  async function heartbeat() {
    const had = holding;
    const ok = await claim();
    // A watching tab follows what the driving tab does; a tab that just took over shows the truth.
    if (!ok || !had) await refresh();
    clearTimeout(beatTimer);
    beatTimer = setTimeout(heartbeat, holding ? heartbeatMs : WATCH_MS);
  }
  let beatTimer = null;

  // A tab that goes lets go of the dialog, so that the next one takes it over at once.
  window.addEventListener('pagehide', () => {
    if (holding && token) navigator.sendBeacon('/api/release', new Blob([token], { type: 'text/plain' }));
  });
  // Coming back from the browser's page cache: claim again.
  window.addEventListener('pageshow', (e) => { if (e.persisted) heartbeat(); });

  (async () => {
    startWorkers();
    await claim();
    await refresh();
    beatTimer = setTimeout(heartbeat, holding ? heartbeatMs : WATCH_MS);
  })();
})();
