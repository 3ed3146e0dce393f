// The page is only a view of the stand-in host: every item is drawn from the dialog manager's own
// dump and every user action goes to the host as one event, which the plug-in's notifiers handle.
// Nothing here knows what an item means, except that a picture button with a tracker picks a point.
'use strict';

(() => {
  const TOKEN_KEY = 'flarimond.token';  // per tab: a reload keeps driving, a new tab must ask
  const HEARTBEAT_MS = 10000;
  const FONT_EMPHASISED = 5;

  const $ = (sel) => document.querySelector(sel);
  let token = sessionStorage.getItem(TOKEN_KEY) || '';
  let holding = false;
  let state = null;
  let armedPick = null;  // the pick button waiting for a click on the document
  let chain = Promise.resolve();  // events go one after another, in the order the user made them
  let pending = 0;
  let shownZoom = null;
  let noticeTimer = null;

  // ---- talking to the host

  function headers(extra) {
    return Object.assign({ 'X-Flarimond-Token': token }, extra || {});
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
    const lapsed = state !== null && token !== '' && body.token !== token;
    token = body.token;
    sessionStorage.setItem(TOKEN_KEY, token);
    setHolding(true);
    if (lapsed) notify('This tab was silent for too long, so the dialog it had open was cancelled.');
    return true;
  }

  async function refresh() {
    try {
      const res = await fetch('/api/state', { headers: headers() });
      if (res.ok) render(await res.json());
    } catch (e) {
      setStatus('The server does not answer: is `flarimond serve` still running?');
    }
  }

  function sendEvent(event) {
    if (!holding) return Promise.resolve();
    // A value typed but not yet committed goes first, as leaving the field would send it.
    const typing = document.activeElement;
    if (event.type !== 'set' && typing && typing.classList.contains('spin')) commitSpin(typing);
    pending += 1;
    document.body.dataset.pending = String(pending);
    chain = chain.then(() => post(event)).finally(() => {
      pending -= 1;
      document.body.dataset.pending = String(pending);
    });
    return chain;
  }

  async function post(event) {
    let res;
    try {
      res = await fetch('/api/event', {
        method: 'POST', headers: headers({ 'Content-Type': 'application/json' }), body: JSON.stringify(event),
      });
    } catch (e) {
      setStatus('The server does not answer: is `flarimond serve` still running?');
      return;
    }
    const body = await res.json().catch(() => ({ error: 'an answer that is not JSON' }));
    if (res.ok) {
      render(body);
      return;
    }
    notify(body.error || `refused (${res.status})`);
    if (res.status === 409) await claim();  // a lapsed claim nobody else took is renewed
    await refresh();  // the refused event changed nothing: show the controls as they are
  }

  // ---- drawing the state

  function render(st) {
    state = st;
    const d = st.dialog;
    document.body.dataset.dialog = d ? d.kind : 'none';
    const filter = d && d.kind === 'filter' ? d : null;
    $('#filter-window').hidden = !filter;
    $('#no-dialog').hidden = !!d;
    if (filter) {
      $('#filter-caption').textContent = filter.caption;
      drawDialog($('#filter-dialog'), filter);
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
    drawDocument(st.document);

    const idle = !d;
    $('#open-dialog').disabled = !idle;
    $('#apply-again').disabled = !idle || !st.record;
    $('#about').disabled = !idle;
    const m = st.host.lastMessage;
    const running = st.host.running ? `${st.host.running} is running. ` : '';
    setStatus(`${running}${m ? `Last message: ${m.name}, ${m.text}.` : ''} Seed ${st.host.seed}.`);
    document.body.dataset.arts = String(st.document.arts);
  }

  // Builds the dialog's items once per dialog (so focus and typing survive) and updates them from
  // every dump after.
  function drawDialog(body, d) {
    if (body.dataset.serial !== String(d.serial)) {
      body.replaceChildren();
      body.dataset.serial = String(d.serial);
      body.style.width = `${d.size[0]}px`;
      body.style.height = `${d.size[1]}px`;
      d.items.forEach((item, index) => body.appendChild(makeItem(item, index)));
    }
    d.items.forEach((item, index) => {
      const el = body.children[index];
      if (el) updateItem(el, item);
    });
  }

  const KIND = {
    'ADM Text Static Type': 'static',
    'ADM Spin Edit Type': 'spin',
    'ADM Popup List Type': 'popup',
    'ADM Text Check Box Type': 'check',
    'ADM Text Push Button Type': 'push',
    'ADM Picture Push Button Type': 'picture',
  };

  function makeItem(item, index) {
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
      el.title = item.pick ? 'Pick: then click the document' : '';
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

  function drawDocument(doc) {
    const box = $('#document');
    const zoom = doc.view.zoom;
    // The picture's frame grows and shrinks with the art; the point in the middle of the window
    // stays put, as in the host. A new zoom brings the view's centre to the middle.
    const old = box.querySelector('svg');
    let anchor = null;
    if (old && shownZoom === zoom) {
      const ovb = old.viewBox.baseVal;
      const o = origin(box, old);
      anchor = {
        x: ovb.x + (box.scrollLeft + box.clientWidth / 2 - o.left) / zoom,
        y: ovb.y + (box.scrollTop + box.clientHeight / 2 - o.top) / zoom,
      };
    }
    if (doc.svg === null) {
      box.textContent = `The document has ${doc.arts} arts, too many to draw here after every change: download it.`;
      $('#doc-info').textContent = `${doc.arts} arts`;
      return;
    }
    box.innerHTML = doc.svg.replace(/^<\?xml[^>]*>\s*/, '');
    const svg = box.querySelector('svg');
    if (!svg) return;
    const vb = svg.viewBox.baseVal;
    svg.setAttribute('width', String(vb.width * zoom));
    svg.setAttribute('height', String(vb.height * zoom));
    $('#doc-info').textContent =
      `${doc.arts} ${doc.arts === 1 ? 'art' : 'arts'} \u00b7 zoom ${Math.round(zoom * 10000) / 100} %`;
    shownZoom = zoom;
    const [cx, cy] = doc.view.centre;
    const target = anchor || { x: cx, y: doc.page.height - cy };
    const o = origin(box, svg);
    box.scrollLeft = o.left + (target.x - vb.x) * zoom - box.clientWidth / 2;
    box.scrollTop = o.top + (target.y - vb.y) * zoom - box.clientHeight / 2;
  }

  // Where the picture's top left lies in the scrolling window's content (an SVG element has no
  // offsetLeft of its own).
  function origin(box, svg) {
    const b = box.getBoundingClientRect();
    const r = svg.getBoundingClientRect();
    return { left: r.left - b.left - box.clientLeft + box.scrollLeft, top: r.top - b.top - box.clientTop + box.scrollTop };
  }

  // A click on the document as an artwork point: through the view box, then y turned back up.
  function artworkPoint(svg, clientX, clientY) {
    const r = svg.getBoundingClientRect();
    const vb = svg.viewBox.baseVal;
    const ux = vb.x + (clientX - r.left) * vb.width / r.width;
    const uy = vb.y + (clientY - r.top) * vb.height / r.height;
    return { x: ux, y: state.document.page.height - uy };
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

  $('#document').addEventListener('click', (e) => {
    if (armedPick === null) return;
    const svg = $('#document svg');
    if (!svg) return;
    const p = artworkPoint(svg, e.clientX, e.clientY);
    const id = armedPick;
    disarmPick();
    sendEvent({ type: 'pick', id, x: p.x, y: p.y });
  });

  // ---- the host's own controls

  $('#ok').addEventListener('click', () => sendEvent({ type: 'confirm' }));
  $('#ok').addEventListener('mousedown', (e) => e.preventDefault());
  $('#open-dialog').addEventListener('click', () => sendEvent({ type: 'open' }));
  $('#apply-again').addEventListener('click', () => sendEvent({ type: 'apply' }));
  $('#about').addEventListener('click', () => sendEvent({ type: 'about' }));

  document.addEventListener('keydown', (e) => {
    if (!state || !state.dialog || !holding) return;
    const t = e.target;
    const inControl = t instanceof HTMLSelectElement || t instanceof HTMLButtonElement ||
      t instanceof HTMLAnchorElement || t instanceof HTMLTextAreaElement;
    if (e.key === 'Escape') {
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
  }

  (async () => {
    await claim();
    await refresh();
    setInterval(heartbeat, HEARTBEAT_MS);
  })();
})();
