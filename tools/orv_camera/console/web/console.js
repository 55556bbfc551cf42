// The console page: the live picture (WebCodecs), the statistics and their charts, and the
// controls, each answered beside itself. Everything comes from the console that served it.
'use strict';

const $ = (sel, root = document) => root.querySelector(sel);
const sleep = ms => new Promise(r => setTimeout(r, ms));
const STRIP = 150;      // frames in the size strip
const HISTORY = 240;    // points in the bit-rate chart (a minute at 4 a second)
// The console's token (from the page's address when it listens beyond loopback): sent as a
// header where the page can set one, in the query where it cannot (EventSource).
const TOKEN = new URLSearchParams(location.search).get('token') || '';
const AUTH = TOKEN ? { 'X-Orv-Token': TOKEN } : {};

// What the page saw, also read by the console's browser test.
const orv = window.orv = {
  decoded: 0, pageDropped: 0, serverDropped: 0, strip: [], last: null, started: performance.now(),
  send,
};

// ---- The live picture ------------------------------------------------------------------

const canvas = $('#picture');
const paint = canvas.getContext('2d');
let decoder = null, lastSps = '', waitIdr = true, lastIdrAsk = 0;

function decoderState(text) { $('#decoder-state').textContent = text ? '· ' + text : ''; }

// The SPS of an Annex B frame, as text (to see it change), and the codec string it names.
function spsOf(bytes) {
  for (let i = 0; i + 4 < bytes.length; i++) {
    if (bytes[i] === 0 && bytes[i + 1] === 0 && bytes[i + 2] === 1 && (bytes[i + 3] & 0x1f) === 7) {
      let end = i + 4;
      while (end + 2 < bytes.length && !(bytes[end] === 0 && bytes[end + 1] === 0 && bytes[end + 2] <= 1)) end++;
      const hex = b => b.toString(16).padStart(2, '0');
      return { text: Array.from(bytes.subarray(i + 4, end), hex).join(''),
               codec: 'avc1.' + hex(bytes[i + 4]) + hex(bytes[i + 5]) + hex(bytes[i + 6]) };
    }
  }
  return null;
}

function show(frame) {
  if (canvas.width !== frame.displayWidth || canvas.height !== frame.displayHeight) {
    canvas.width = frame.displayWidth;
    canvas.height = frame.displayHeight;
  }
  paint.drawImage(frame, 0, 0);
  frame.close();
  $('#decoded').textContent = ++orv.decoded;
}

// A decoder for the stream the SPS of this IDR frame describes (a new one when it changed).
function readyFor(bytes) {
  const sps = spsOf(bytes);
  if (!sps) return decoder !== null;
  if (decoder && decoder.state === 'configured' && sps.text === lastSps) return true;
  if (!decoder || decoder.state === 'closed') {
    decoder = new VideoDecoder({
      output: show,
      error: e => { decoderState('decoder: ' + e.message); decoder = null; waitIdr = true; },
    });
  }
  decoder.configure({ codec: sps.codec, optimizeForLatency: true });
  lastSps = sps.text;
  decoderState('');
  return true;
}

function onFrame(idr, seq, dropped, bytes) {
  orv.serverDropped = dropped;
  if (idr && readyFor(bytes)) waitIdr = false;
  // A decoder that falls behind skips to the next IDR frame, as the console does for us, and
  // asks for one rather than wait for the camera's period: once a second for as long as it
  // waits (a decoder that falls behind again within the second asked for nothing new, and the
  // picture stood still until the period's IDR frame).
  if (!waitIdr && !idr && decoder && decoder.decodeQueueSize > 4) waitIdr = true;
  if (waitIdr && decoder && performance.now() - lastIdrAsk > 1000) {
    lastIdrAsk = performance.now();
    send({ op: 'iframe' });
  }
  if (waitIdr || !decoder) {
    orv.pageDropped++;
  } else {
    decoder.decode(new EncodedVideoChunk({ type: idr ? 'key' : 'delta', timestamp: seq * 1000, data: bytes }));
  }
  $('#dropped').textContent = orv.serverDropped + orv.pageDropped;
}

// /video: each frame behind a 16-byte header (size, flags, sequence, frames lost), little-endian.
async function video() {
  if (typeof VideoDecoder === 'undefined') {
    decoderState('this browser offers no WebCodecs here: open the console as http://127.0.0.1 or http://localhost (an SSH tunnel reaches it from elsewhere)');
    return;
  }
  for (;;) {
    try {
      const res = await fetch('video', { cache: 'no-store', headers: AUTH });
      if (!res.ok) throw new Error('video: ' + res.status);
      const reader = res.body.getReader();
      let buf = new Uint8Array(0);
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        const joined = new Uint8Array(buf.length + value.length);
        joined.set(buf);
        joined.set(value, buf.length);
        buf = joined;
        while (buf.length >= 16) {
          const dv = new DataView(buf.buffer, buf.byteOffset, 16);
          const size = dv.getUint32(0, true);
          if (buf.length < 16 + size) break;
          onFrame((dv.getUint32(4, true) & 1) === 1, dv.getUint32(8, true), dv.getUint32(12, true),
                  buf.slice(16, 16 + size));
          buf = buf.subarray(16 + size);
        }
      }
      decoderState('the video stream ended; reconnecting');
    } catch (e) {
      decoderState(e.message);
    }
    waitIdr = true;
    await sleep(1000);
  }
}

// ---- Statistics and charts -----------------------------------------------------------------

// The legends name the series by colour; values show on the axes (a live legend would show
// "--" until the pointer rests on a chart).
const rate = { t: [], kbps: [], gop: [], fps: [] };
const rateChart = new uPlot({
  width: 640, height: 200, title: 'bit rate', legend: { live: false },
  scales: { x: { time: false }, fps: { range: [0, 60] } },
  series: [
    { label: 's' },
    { label: 'kbit/s, 1 s', stroke: '#1f5fbf', width: 2 },
    { label: 'kbit/s, GOP', stroke: '#e07b00', width: 2 },
    { label: 'fps', stroke: '#2a7d3b', scale: 'fps' },
  ],
  axes: [{ label: 'seconds since the page opened' }, { label: 'kbit/s', size: 60 },
         { label: 'frames/s', scale: 'fps', side: 1, grid: { show: false } }],
}, [[], [], [], []], $('#rate-chart'));

const bars = uPlot.paths.bars({ size: [0.8, 8] });
const stripChart = new uPlot({
  width: 640, height: 200, title: 'frame sizes (I-frames in red)', legend: { live: false },
  scales: { x: { time: false } },
  series: [
    { label: 'frame' },
    { label: 'bytes', fill: '#1f5fbf', stroke: '#1f5fbf', paths: bars, points: { show: false } },
    { label: 'I-frame bytes', fill: '#d62728', stroke: '#d62728', paths: bars, points: { show: false } },
  ],
  axes: [{ label: 'frame number' }, { label: 'bytes', size: 60 }],
}, [[], [], []], $('#strip-chart'));

function drawStrip() {
  const s = orv.strip;
  stripChart.setData([s.map(f => f[0]), s.map(f => (f[2] ? null : f[1])), s.map(f => (f[2] ? f[1] : null))]);
}

function drawRate(e) {
  rate.t.push((performance.now() - orv.started) / 1000);
  rate.kbps.push(e.bps / 1000);
  rate.gop.push(e.gop_bps / 1000);
  rate.fps.push(e.fps);
  for (const k in rate) if (rate[k].length > HISTORY) rate[k].shift();
  rateChart.setData([rate.t, rate.kbps, rate.gop, rate.fps]);
}

function onEvent(e) {
  orv.last = e;
  for (const f of e.frames) orv.strip.push(f);
  if (orv.strip.length > STRIP) orv.strip.splice(0, orv.strip.length - STRIP);
  drawStrip();
  drawRate(e);
  $('#fps').textContent = e.fps.toFixed(0);
  $('#kbps').textContent = (e.bps / 1000).toFixed(0);
  $('#gop-kbps').textContent = (e.gop_bps / 1000).toFixed(0);
  $('#gop-frames').textContent = e.gop_frames;
  $('#frames').textContent = e.total_frames;
  const cam = e.camera;
  const state = $('#camera-state');
  state.textContent = cam.state === 'gone' ? 'camera gone' : cam.state;
  state.className = 'state ' + cam.state;
  $('#camera-message').textContent = cam.message ||
    (cam.reopened ? `reopened ${cam.reopened} time${cam.reopened > 1 ? 's' : ''} after it went away` : '');
  $('#network').textContent = e.network || '';
  for (const td of document.querySelectorAll('[data-setting]'))
    td.textContent = cam.settings[td.dataset.setting] || '?';
  const rec = cam.recording;
  $('#record button').textContent = rec.on ? 'Stop' : 'Record';
  if (rec.on) answer($('#record .answer'), 'ok', 'recording ' + rec.path + ' (' + rec.frames + ' frames)');
  else if (orv.recording && rec.message) // ended by itself: the camera went away, the size changed
    answer($('#record .answer'), 'refused', rec.message + ': ' + rec.path + ' (' + rec.frames + ' frames)');
  orv.recording = rec.on;
  const push = cam.push;
  $('#push button').textContent = push.on ? 'Stop' : 'Push';
  if (push.on) answer($('#push .answer'), 'ok', 'pushing to ' + push.url + ' (' + push.frames + ' frames sent)');
}

function events() {
  const source = new EventSource(TOKEN ? 'events?token=' + encodeURIComponent(TOKEN) : 'events');
  source.onmessage = m => onEvent(JSON.parse(m.data));
  source.onerror = () => {
    const state = $('#camera-state');
    state.textContent = 'console unreachable';
    state.className = 'state unreachable';
  };
}

// ---- Controls --------------------------------------------------------------------------

function answer(el, kind, text) {
  el.className = 'answer ' + kind;
  el.textContent = text;
}

// Sends one message; shows and returns the console's reply.
async function send(msg, el) {
  let reply;
  try {
    const res = await fetch('api/control', {
      method: 'POST', headers: { 'Content-Type': 'application/json', ...AUTH }, body: JSON.stringify(msg),
    });
    reply = await res.json();
  } catch (e) {
    reply = { ok: false, error: 'no answer: ' + e.message };
  }
  if (el) {
    const label = { set: 'camera holds ', iframe: 'after frame ', osd: 'status ', menu: 'status ' }[msg.op] || '';
    const value = reply.value !== undefined && reply.value !== '' ? ' · ' + label + reply.value : '';
    if (reply.ok) answer(el, reply.answer === 'accepted' ? 'ok' : 'refused', reply.answer + value);
    else answer(el, reply.value !== undefined ? 'refused' : 'error', reply.error + value);
  }
  return reply;
}

// A number as typed (0x.. allowed); the text itself when it is none, for the console to refuse.
function number(text) {
  const m = /^(-?)(0x[0-9a-f]+|\d+)$/i.exec(text.trim());
  return m ? (m[1] ? -1 : 1) * Number(m[2]) : text.trim();
}

// An element with these children.
function make(tag, props, ...children) {
  const el = Object.assign(document.createElement(tag), props);
  el.append(...children);
  return el;
}

// The encoder settings as the console's table names them (/api/settings): a row of the
// "settings in force" table and a control each, the field holding the value in force.
async function settingFields() {
  const res = await fetch('api/settings', { cache: 'no-store', headers: AUTH });
  for (const s of await res.json()) {
    const held = make('td');
    held.dataset.setting = s.key;
    $('#settings').append(make('tr', {}, make('th', { textContent: s.label }), held));
    const input = s.kind === 'choice'
      ? make('select', {}, ...s.choices.map(name => make('option', { textContent: name })))
      : make('input', { title: s.bounds });
    input.value = s.value;
    const answerEl = make('span', { className: 'answer' });
    const button = make('button', { textContent: 'Set' });
    button.onclick = () => send({ op: 'set', key: s.key,
      value: s.kind === 'number' ? number(input.value) : input.value }, answerEl);
    const control = make('div', { className: 'control' },
                         make('label', { textContent: s.label, title: s.bounds }), input, button, answerEl);
    control.dataset.set = s.key;
    $('#encoder').append(control);
  }
}

function wire() {
  $('#iframe button').onclick = () => send({ op: 'iframe' }, $('#iframe .answer'));
  for (const c of document.querySelectorAll('[data-axis]')) {
    $('[data-go]', c).onclick = () => send({ op: 'ptz', axis: c.dataset.axis, speed: number($('input', c).value) }, $('.answer', c));
    $('[data-stop]', c).onclick = () => send({ op: 'ptz', axis: c.dataset.axis, speed: 0 }, $('.answer', c));
  }
  for (const b of document.querySelectorAll('#osd button'))
    b.onclick = () => send({ op: b.dataset.op, command: number($('#osd input').value) }, $('#osd .answer'));
  $('#osd-status button').onclick = () => send({ op: 'osd_status' }, $('#osd-status .answer'));
  $('#hdmi button').onclick = () => send({ op: 'hdmi' }, $('#hdmi .answer'));
  $('#record button').onclick = () => {
    const on = $('#record button').textContent === 'Record';
    const msg = on ? { op: 'record', on, format: $('#record select').value } : { op: 'record', on };
    send(msg, $('#record .answer'));
  };
  $('#push button').onclick = () => {
    const on = $('#push button').textContent === 'Push';
    send(on ? { op: 'push', on, url: $('#push input').value.trim() } : { op: 'push', on }, $('#push .answer'));
  };
}

settingFields().catch(e => decoderState('settings: ' + e.message));
wire();
events();
video();
