#!/usr/bin/env node
// orv-camera console on the simulated camera, driven in headless Chromium through the DevTools
// protocol (over --remote-debugging-pipe: no port of the browser's own): the picture decodes,
// the strip and the bit rate follow the camera, I-frame requests and malformed messages are
// answered, requests without the token are refused, and the record button writes an MP4.
// Usage: console_browser_test.js SIMCAM_WRAPPER ORV_CAMERA CHROMIUM FFPROBE WORKDIR
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');

const [wrapper, tool, chromium, ffprobe, work] = process.argv.slice(2);
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(work, { recursive: true });
const sleep = ms => new Promise(r => setTimeout(r, ms));
let failed = 0;
function check(name, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok ? '' : ': ' + detail}`);
  if (!ok) failed++;
}

// The console, in a process group of its own so that it ends with the wrapper.
const server = spawn(wrapper, ['--', tool, 'console', '--port', '0', '--listen', '127.0.0.1',
  '--size', '640x480', '--iframe-period', '30', '--record-dir', work],
  { detached: true, stdio: ['ignore', 'pipe', fs.openSync(path.join(work, 'console.err'), 'w')] });
let serverOut = '';
server.stdout.setEncoding('utf8').on('data', d => { serverOut += d; });
let browser = null;
// Ended, with its output read to the end (the tool under the wrapper holds the pipe too).
let serverClosed = false;
server.once('close', () => { serverClosed = true; });
const closed = async ms => {
  for (const end = Date.now() + ms; !serverClosed && Date.now() < end;) await sleep(100);
  return serverClosed;
};
// SIGTERM ends the console cleanly (its group: the wrapper and the tool); the browser is killed.
async function cleanup() {
  if (browser) browser.kill('SIGKILL');
  try { process.kill(-server.pid, 'SIGTERM'); } catch (e) { /* already gone */ }
  const stopped = await closed(10000);
  check('SIGTERM stops the console cleanly', stopped && /console stopped/.test(serverOut), serverOut);
  if (!stopped) try { process.kill(-server.pid, 'SIGKILL'); } catch (e) { /* gone */ }
}

// The browser's end of the protocol: requests on fd 3, answers and events on fd 4, NUL-separated.
class Cdp {
  constructor(proc) {
    this.out = proc.stdio[3];
    this.next = 0;
    this.pending = new Map();
    let buf = '';
    proc.stdio[4].setEncoding('utf8').on('data', d => {
      buf += d;
      for (let i; (i = buf.indexOf('\0')) >= 0; buf = buf.slice(i + 1)) {
        const msg = JSON.parse(buf.slice(0, i));
        const p = this.pending.get(msg.id);
        if (!p) continue;
        this.pending.delete(msg.id);
        if (msg.error) p.reject(new Error(msg.error.message)); else p.resolve(msg.result);
      }
    });
  }
  send(method, params = {}, sessionId = undefined) {
    const id = ++this.next;
    this.out.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
  }
}

function get(url, headers = {}) {
  return new Promise(resolve => {
    http.get(url, { headers }, res => { res.resume(); res.destroy(); resolve(res.statusCode); })
      .on('error', e => resolve(e.message));
  });
}

async function main() {
  for (let t = 0; !/http:\/\/\S+/.test(serverOut); t++) {
    if (t > 300) throw new Error('the console printed no address: ' + serverOut);
    await sleep(100);
  }
  const url = serverOut.match(/http:\/\/\S+/)[0];
  const base = url.replace(/\/\?token=.*/, '');
  const token = url.replace(/.*token=/, '');

  // Listening beyond the default: no token, no access (the page, the stream, the controls).
  check('a request without the token is refused', await get(base + '/') === 403 &&
        await get(base + '/video') === 403, 'answered');
  check('the token in a header is accepted', await get(base + '/', { 'X-Orv-Token': token }) === 200, 'refused');
  check('another site\'s origin is refused',
        await get(base + '/', { 'X-Orv-Token': token, Origin: 'http://example.com' }) === 403, 'answered');

  browser = spawn(chromium, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
    '--no-first-run', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--user-data-dir=' + path.join(work, 'profile'), '--remote-debugging-pipe',
    '--window-size=1280,1020', 'about:blank'],
    { stdio: ['ignore', 'ignore', fs.openSync(path.join(work, 'chromium.err'), 'w'), 'pipe', 'pipe'] });
  const cdp = new Cdp(browser);
  const { targetId } = await cdp.send('Target.createTarget', { url });
  const { sessionId } = await cdp.send('Target.attachToTarget', { targetId, flatten: true });
  const page = async expr => {
    const r = await cdp.send('Runtime.evaluate', { expression: expr, awaitPromise: true, returnByValue: true }, sessionId);
    if (r.exceptionDetails) throw new Error(expr + ': ' + r.exceptionDetails.text);
    return r.result.value;
  };
  const until = async (expr, ms) => {
    for (const end = Date.now() + ms; Date.now() < end; await sleep(200))
      if (await page(`(() => { try { return !!(${expr}); } catch (e) { return false; } })()`)) return true;
    return false;
  };
  const lastSeq = () => page('orv.strip.length ? orv.strip[orv.strip.length - 1][0] : 0');
  // The mean bit rate the page shows over `ms`.
  const meanBps = async ms => {
    const samples = [];
    for (const end = Date.now() + ms; Date.now() < end; await sleep(250)) samples.push(await page('orv.last.bps'));
    return samples.reduce((a, b) => a + b, 0) / samples.length;
  };
  const click = (control, value) => page(`(() => {
      const c = document.querySelector('${control}');
      ${value === undefined ? '' : `c.querySelector('input').value = '${value}';`}
      c.querySelector('.answer').textContent = '';
      c.querySelector('button').click(); })()`);
  const answerOf = async control => {
    await until(`document.querySelector('${control} .answer').textContent !== ''`, 5000);
    return page(`document.querySelector('${control} .answer').textContent`);
  };

  check('the page decodes the live picture', await until('orv.decoded >= 30', 30000),
        `decoded ${await page('window.orv && [orv.decoded, orv.pageDropped, orv.serverDropped].join(" ")')}; ${await page("document.querySelector('#decoder-state').textContent")}`);
  const spread = await page(`(() => {
      const c = document.querySelector('#picture');
      const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      let lo = 255, hi = 0;
      for (let i = 0; i < px.length; i += 4) { const y = (px[i] + px[i + 1] + px[i + 2]) / 3; lo = Math.min(lo, y); hi = Math.max(hi, y); }
      return hi - lo; })()`);
  check('the picture is not uniform', spread > 40, `brightness spread ${spread}`);
  const seq = await lastSeq();
  check('the frame-size strip follows the stream',
        await until(`orv.strip[orv.strip.length - 1][0] >= ${seq + 15} && document.querySelector('#strip-chart canvas')`, 5000),
        'no new frames after ' + seq);

  // The encoder fields come from the console's settings table, holding the values in force.
  const fields = await page(`['size', 'iframe-period', 'rate-control'].map(k =>
      document.querySelector('[data-set=' + k + '] input, [data-set=' + k + '] select').value).join(' ')`);
  check('the encoder fields start from the settings in force', fields === '640x480 30 cbr', fields);

  const before = await meanBps(2000);
  await click('[data-set=bitrate]', 300000);
  const bitrateAnswer = await answerOf('[data-set=bitrate]');
  check('a bit-rate change is answered with the value read back', bitrateAnswer === 'accepted · camera holds 300000', bitrateAnswer);
  await sleep(1500);
  const after = await meanBps(2000);
  check('a lower bit rate lowers the measured bit rate', after < before * 0.6, `${before} then ${after} bit/s`);

  await click('#iframe');
  await answerOf('#iframe');
  const asked = await page("Number(document.querySelector('#iframe .answer').textContent.replace(/.* /, ''))");
  check('an I-frame request marks an I-frame within a few frames',
        await until(`orv.strip.some(f => f[2] && f[0] > ${asked} && f[0] <= ${asked + 5})`, 3000),
        'none after frame ' + asked);

  // Each kind of malformed message is refused in control_request_test; here, that a refusal
  // reaches the page as an HTTP error.
  const malformed = [
    ['a value out of range', '{"op":"ptz","axis":"pan","speed":100000}'],
  ];
  for (const [what, body] of malformed) {
    const r = await page(`fetch('api/control', { method: 'POST', headers: { 'Content-Type': 'application/json' },
        body: ${JSON.stringify(body)} }).then(async r => [r.status, (await r.json()).error])`);
    check('a message with ' + what + ' gets an error', r[0] === 400 && r[1], JSON.stringify(r));
  }
  const afterBad = await lastSeq();
  check('the capture goes on after them', await until(`orv.strip[orv.strip.length - 1][0] >= ${afterBad + 15}`, 5000), 'stalled');

  // Each control's answer beside it, a refusal included.
  const answers = [
    ['[data-set=size]', '1000x100', 'refused by the camera · camera holds 640x480'],
    ['[data-axis=pan]', '8', 'accepted · moving at 8'],
    ['#osd', '0x01', 'accepted · status 0'],
    ['#osd-status', undefined, 'accepted · 0'],
    ['#hdmi', undefined, 'accepted · 1'],
  ];
  for (const [control, value, expected] of answers) {
    await click(control, value);
    const got = await answerOf(control);
    check(`${control} answers "${expected}"`, got === expected, got);
  }

  await click('#record');
  await until("document.querySelector('#record button').textContent === 'Stop'", 5000);
  await sleep(2000);
  await click('#record');
  // Ended once the status says so; the answer names the file, before or after the stop's reply.
  await until("document.querySelector('#record button').textContent === 'Record'", 5000);
  const recorded = ((await answerOf('#record')).match(/\S+\.(mp4|mkv)/) || [''])[0];
  let frames = 0;
  try {
    frames = Number(execFileSync(ffprobe, ['-v', 'error', '-count_frames', '-select_streams', 'v:0',
      '-show_entries', 'stream=nb_read_frames', '-of', 'csv=p=0', recorded]).toString());
  } catch (e) { /* frames stays 0 */ }
  check('the record button writes an MP4 that decodes', frames >= 30, recorded + ': ' + frames + ' frames');

  const shot = await cdp.send('Page.captureScreenshot',
    { format: 'png', clip: { x: 0, y: 0, width: 1280, height: 940, scale: 0.6 } }, sessionId);
  fs.writeFileSync(path.join(work, 'console.png'), Buffer.from(shot.data, 'base64'));
}

main().catch(e => { check('the run', false, e.stack); }).finally(async () => {
  await cleanup();
  console.log(failed ? `${failed} failed` : 'all passed');
  process.exit(failed ? 1 : 0);
});
