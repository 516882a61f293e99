// The browser viewer seen from outside: Debian's Chromium, headless, driven
// over the DevTools protocol (puppeteer-core), and plain sockets for what a
// browser would not send.
//
//   node check_web.mjs play BASE OUT.json TOPIC [LATE_AFTER_FRAMES]
//     one page watching TOPIC until its stream ends, hashing every decoded
//     picture; with LATE_AFTER_FRAMES a second page opens once the first has
//     shown that many frames. Prints "ready" once the first page is connected.
//   node check_web.mjs many BASE OUT.json STREAMS [CLOSE_AFTER [SCREENSHOT.png]]
//     a page watching every stream until STREAMS streams have ended; beside
//     it a page closed once the first has shown CLOSE_AFTER pictures (100;
//     the first page's screenshot then) and a socket that subscribes to
//     everything and never reads.
//   node check_web.mjs watch BASE OUT.json STREAMS
//     (benchmarks) a page watching every stream, no hashing, until STREAMS
//     streams have ended. Prints "ready" once connected.
//   node check_web.mjs video PORT OUT.json
//     (benchmarks) the usual server's way beside it: fragmented MP4 read on
//     stdin, served as it grows on 127.0.0.1:PORT to a page whose <video>
//     plays it; each picture's media time and the moment it was presented,
//     until the stream ends. Prints "ready" once the page has asked for it.
//   node check_web.mjs requests BASE
//     the security cases, each answered as it should be, the page still
//     served after each.
import fs from 'node:fs';
import net from 'node:net';
import puppeteer from 'puppeteer-core';

const [command, base, ...rest] = process.argv.slice(2);
const host = command === 'video' ? '' : new URL(base).host;

function fail(text) {
  console.error(`check_web: ${text}`);
  process.exit(1);
}

async function launch() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    // Root in a container has no user namespaces for the sandbox.
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}

async function open(browser, query) {
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1150});
  page.on('pageerror', (error) => console.error(`page error: ${error.message}`));
  await page.goto(`${base}?${query}`);
  await page.waitForFunction(() => document.getElementById('connection').textContent === 'connected');
  return page;
}

// Waits until `count` watched streams have ended and their pictures stopped coming.
async function untilEnded(page, count, seconds = 120) {
  await page.waitForFunction((n) => {
    const rows = [...document.querySelectorAll('#grid .tile')];
    return rows.length >= n && document.querySelectorAll('#streams td.ended').length >= n * 6;
  }, {timeout: seconds * 1000, polling: 200}, count);
  let before = -1;
  for (;;) {
    await new Promise((resolve) => setTimeout(resolve, 500));
    const report = await page.evaluate(() => window.h26xReport());
    const shown = report.tiles.reduce((sum, tile) => sum + tile.shown, 0);
    if (shown === before) {
      return report;
    }
    before = shown;
  }
}

async function play() {
  const [out, topic, lateAfter] = rest;
  const browser = await launch();
  const first = await open(browser, `show=${encodeURIComponent(topic)}&verify=1`);
  console.log('ready');
  let late = null;
  if (lateAfter) {
    await first.waitForFunction((n) => [...document.querySelectorAll('.tile')].length > 0 &&
      window.h26xShown?.() >= n, {timeout: 120000, polling: 20}, Number(lateAfter));
    late = await open(browser, `show=${encodeURIComponent(topic)}&verify=1`);
  }
  const report = {first: await untilEnded(first, 1)};
  if (late) {
    report.late = await untilEnded(late, 1);
  }
  fs.writeFileSync(out, JSON.stringify(report));
  await browser.close();
}

// A WebSocket client that subscribes to streams 1..n and then never reads.
function stalledViewer(n) {
  return new Promise((resolve, reject) => {
    const socket = net.connect({host: new URL(base).hostname, port: Number(new URL(base).port)});
    socket.on('error', reject);
    socket.on('connect', () => {
      socket.write(`GET /ws HTTP/1.1\r\nHost: ${host}\r\nOrigin: ${base.replace(/\/$/, '')}\r\n` +
        'Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n' +
        'Sec-WebSocket-Version: 13\r\n\r\n');
    });
    socket.once('data', (data) => {
      if (!data.toString().startsWith('HTTP/1.1 101')) {
        reject(new Error(`no upgrade: ${data.toString().split('\r\n')[0]}`));
        return;
      }
      for (let id = 1; id <= n; ++id) {
        // A masked text frame, as a client must send.
        const text = Buffer.from(`subscribe ${id}`);
        const frame = Buffer.concat([Buffer.from([0x81, 0x80 | text.length, 0, 0, 0, 0]), text]);
        socket.write(frame);
      }
      socket.pause();  // and never read again
      resolve(socket);
    });
  });
}

async function many() {
  const [out, count, closeAfter = '100', screenshot] = rest;
  const n = Number(count);
  const browser = await launch();
  const watcher = await open(browser, 'show=all&verify=1');
  const closed = await open(browser, 'show=all');
  console.log('ready');
  await watcher.waitForFunction((k) => document.querySelectorAll('.tile').length >= k,
    {timeout: 60000, polling: 50}, n);
  const stalled = await stalledViewer(n);
  await watcher.waitForFunction((k) => window.h26xShown() >= k, {timeout: 60000, polling: 50}, Number(closeAfter));
  if (screenshot) {
    await watcher.screenshot({path: screenshot, fullPage: true});
  }
  await closed.close();  // the tab goes mid-stream
  const report = await untilEnded(watcher, n);
  stalled.destroy();
  fs.writeFileSync(out, JSON.stringify({watcher: report}));
  await browser.close();
}

// One raw request; resolves with the status line's code (0: closed without one).
function request(text) {
  return new Promise((resolve) => {
    const socket = net.connect({host: new URL(base).hostname, port: Number(new URL(base).port)});
    let answer = '';
    socket.on('data', (data) => { answer += data.toString('latin1'); });
    socket.on('error', () => resolve(0));
    socket.on('close', () => resolve(Number(/^HTTP\/1\.1 (\d{3})/.exec(answer)?.[1] ?? 0)));
    socket.on('connect', () => socket.end(text));
  });
}

// 80 connections held open at once (more than the server takes): one more
// request is answered 503; the page is served again once they are gone.
async function flood() {
  const sockets = await Promise.all(Array.from({length: 80}, () => new Promise((resolve) => {
    const socket = net.connect({host: new URL(base).hostname, port: Number(new URL(base).port)}, () => resolve(socket));
    socket.on('error', () => resolve(socket));
  })));
  await new Promise((resolve) => setTimeout(resolve, 200));
  const status = await request(`GET / HTTP/1.1\r\nHost: ${host}\r\nConnection: close\r\n\r\n`);
  sockets.forEach((socket) => socket.destroy());
  await new Promise((resolve) => setTimeout(resolve, 200));
  return status;
}

async function requests() {
  const token = new URL(base).searchParams.get('token');
  const withToken = token ? `?token=${token}` : '';
  const get = (target, headers = '') => request(`GET ${target} HTTP/1.1\r\nHost: ${host}\r\n${headers}Connection: close\r\n\r\n`);
  const upgrade = (origin, target = `/ws${withToken}`) => get(target,
    `Origin: ${origin}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n` +
    'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n');
  const cases = [
    ['the page', () => get(`/${withToken}`), 200],
    ['a path out of the folder', () => get(`/../../etc/passwd${withToken}`), 400],
    ['an encoded "..": %2e%2e', () => get(`/%2e%2e/%2e%2e/etc/passwd${withToken}`), 400],
    ['an encoded slash', () => get(`/..%2f..%2fetc%2fpasswd${withToken}`), 400],
    ['a symbolic link in the folder', () => get(`/linked.txt${withToken}`), 404],
    ['a file not in the folder', () => get(`/missing.js${withToken}`), 404],
    ['a WebSocket from another site', () => upgrade('http://evil.example'), 403],
    ['a WebSocket from no page', () => get(`/ws${withToken}`,
      'Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n'), 403],
    ['another host name (DNS rebinding)', () => request(`GET /${withToken} HTTP/1.1\r\nHost: rebind.example:80\r\n\r\n`), 403],
    ['a request over 8 KiB', () => get(`/${withToken}`, `X-Big: ${'a'.repeat(16384)}\r\n`), 431],
    ['too many header fields', () => get(`/${withToken}`, Array.from({length: 60}, (_, k) => `X-F${k}: 1\r\n`).join('')), 431],
    ['a request with a body', () => request(`GET /${withToken} HTTP/1.1\r\nHost: ${host}\r\nContent-Length: 5\r\n\r\nhello`), 400],
    ['not GET', () => request(`DELETE /${withToken} HTTP/1.1\r\nHost: ${host}\r\nConnection: close\r\n\r\n`), 405],
    ['a flood of connections', flood, 503],
    ['malformed', () => request('GARBAGE\r\n\r\n'), 400],
    ['binary noise', () => request(Buffer.from(Array.from({length: 300}, (_, k) => (k * 7919) % 256)).toString('latin1')), 400],
  ];
  if (token) {
    cases.push(['no token', () => get('/'), 401], ['a wrong token', () => get('/?token=wrong'), 401],
      ['a WebSocket without the token', () => upgrade(base.replace(/\/\?.*$/, '').replace(/\/$/, ''), '/ws'), 401],
      ['the token as a header', () => get('/', `Authorization: Bearer ${token}\r\n`), 200]);
  }
  let failed = 0;
  for (const [name, send, expected] of cases) {
    const status = await send();
    const after = await get(`/${withToken}`);
    const good = status === expected && after === 200;
    failed += !good;
    console.log(`${good ? 'ok  ' : 'FAIL'} ${name}: ${status} (expected ${expected}); the page afterwards: ${after}`);
  }
  if (failed) {
    fail(`${failed} of ${cases.length} cases answered wrongly`);
  }
}

async function watch() {
  const [out, count] = rest;
  const browser = await launch();
  const page = await open(browser, 'show=all&record=1');
  console.log('ready');
  fs.writeFileSync(out, JSON.stringify(await untilEnded(page, Number(count), 600)));
  await browser.close();
}

async function video() {
  const [port, out] = [Number(base), rest[0]];
  const http = await import('node:http');
  const page = '<!DOCTYPE html><video id="v" muted autoplay playsinline src="/live.mp4"></video><script>' +
    'const v = document.getElementById("v"); window.seen = []; window.done = false;' +
    'const each = (now, meta) => { window.seen.push([meta.mediaTime, performance.timeOrigin + meta.presentationTime]);' +
    ' v.requestVideoFrameCallback(each); }; v.requestVideoFrameCallback(each);' +
    'v.onended = () => { window.done = true; };</script>';
  let viewer = null;
  const server = http.createServer((request, response) => {
    if (request.url === '/live.mp4' && !viewer) {
      viewer = response;
      response.writeHead(200, {'Content-Type': 'video/mp4', 'Cache-Control': 'no-store'});
      console.log('ready');
      process.stdin.on('data', (data) => response.write(data));
      process.stdin.on('end', () => response.end());
    } else if (request.url === '/') {
      response.writeHead(200, {'Content-Type': 'text/html'});
      response.end(page);
    } else {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(port, '127.0.0.1', resolve));
  const browser = await launch();
  const tab = await browser.newPage();
  await tab.goto(`http://127.0.0.1:${port}/`);
  await tab.waitForFunction(() => window.done, {timeout: 600000, polling: 500});
  fs.writeFileSync(out, JSON.stringify(await tab.evaluate(() => window.seen)));
  await browser.close();
  server.close();
}

const commands = {play, many, watch, video, requests};
if (!commands[command]) {
  fail(`unknown command ${command}`);
}
await commands[command]();
