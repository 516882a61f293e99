// The streams page: the server's list of streams, and a tile a watched
// stream. H.264 access units arrive as they were sent and are decoded here
// by WebCodecs (Annex-B, the codec string read from the SPS); JPEG pictures
// are drawn as they come. Each frame message is a 32-byte little-endian
// header (kind, flags, header size, stream, stamp in ns, count, frames the
// server skipped for this page) and the payload.
'use strict';

const KIND_ACCESS_UNIT = 1;
const KIND_JPEG = 2;
const FLAG_KEY = 1;
const FLAG_CATCH_UP = 2;
const MAX_TILES = 16;
// Units waiting in a decoder beyond this: this page is behind, and goes on at the next key frame.
const MAX_DECODE_QUEUE = 24;
// A frame that arrives this much later than the stream's best (a busy page:
// the browser queues what the socket brings, unbounded) is skipped, and the
// page goes on at the next key frame. Relative to the best seen, so a camera
// whose clock is off does not count as late.
const MAX_LAG_MS = 1500;
const LAG_WINDOW_MS = 10000;

const params = new URLSearchParams(location.search);
const token = params.get('token');
const show = params.get('show');  // "all", or topics separated by commas
// A hash of every decoded picture, for tests: such a page takes every frame
// the server sends however late (it skips only where the server does).
const verify = params.get('verify') === '1';
// Every picture's stamp and latency kept (tests, benchmarks); else only the last few.
const record = verify || params.get('record') === '1';
const KEPT = 300;

const streams = new Map();  // id -> the server's description
const tiles = new Map();  // id -> tile
let socket = null;
let connectedAt = 0;

function nowMs() {
  return performance.timeOrigin + performance.now();
}

function hex2(value) {
  return value.toString(16).padStart(2, '0');
}

// "avc1.PPCCLL" from the first SPS in an Annex-B access unit, or null.
function avcCodec(bytes) {
  for (let i = 0; i + 6 < bytes.length; ++i) {
    if (bytes[i] === 0 && bytes[i + 1] === 0 && bytes[i + 2] === 1 && (bytes[i + 3] & 0x1f) === 7) {
      return 'avc1.' + hex2(bytes[i + 4]) + hex2(bytes[i + 5]) + hex2(bytes[i + 6]);
    }
  }
  return null;
}

function deliveryText(info) {
  if (info.delivery === 'video') {
    return info.codec;
  }
  return info.codec === 'h265' ? 'h265 as JPEG (decoded by the server, reduced rate)' : info.codec + ' as JPEG';
}

function percentile(values, share) {
  if (values.length === 0) {
    return NaN;
  }
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(share * sorted.length))];
}

function makeTile(id) {
  const info = streams.get(id);
  const element = document.createElement('div');
  element.className = 'tile';
  const canvas = document.createElement('canvas');
  canvas.width = info.width || 320;
  canvas.height = info.height || 240;
  const overlay = document.createElement('div');
  overlay.className = 'overlay';
  const still = document.createElement('button');
  still.textContent = 'PNG';
  still.title = 'save the picture shown as PNG';
  element.append(canvas, overlay, still);
  document.getElementById('grid').append(element);
  const tile = {
    id, element, canvas, context: canvas.getContext('2d'), overlay,
    decoder: null, codec: null, waitingForKey: true, catchingUp: 0,
    windowStart: nowMs(), windowBest: Infinity, previousBest: Infinity,
    shown: 0, caughtUp: 0, skippedByServer: 0, droppedHere: 0, errors: 0,
    latencies: [], shownAt: [], subscribedAt: nowMs(), firstShownAt: 0, firstShownStamp: 0,
    lastCount: 0, hashes: [], hashing: [], shownCounts: [], shownStamps: [],
  };
  still.onclick = () => {
    tile.canvas.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = `${info.topic.replace(/\//g, '_').replace(/^_/, '')}_${tile.lastCount}.png`;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    }, 'image/png');
  };
  tiles.set(id, tile);
  layout();
  return tile;
}

function layout() {
  const grid = document.getElementById('grid');
  grid.style.setProperty('--columns', Math.max(1, Math.ceil(Math.sqrt(tiles.size))));
}

function watch(id, on) {
  if (on && !tiles.has(id) && tiles.size < MAX_TILES) {
    makeTile(id);
    socket.send(`subscribe ${id}`);
  } else if (!on && tiles.has(id)) {
    socket.send(`unsubscribe ${id}`);
    const tile = tiles.get(id);
    if (tile.decoder && tile.decoder.state !== 'closed') {
      tile.decoder.close();
    }
    tile.element.remove();
    tiles.delete(id);
    layout();
  }
  renderList();
}

function shown(tile, stampMs, count) {
  const at = nowMs();
  tile.shown += 1;
  tile.lastCount = count;
  tile.latencies.push(at - stampMs);
  tile.shownAt.push(at);
  if (record) {
    tile.shownCounts.push(count);
    tile.shownStamps.push(stampMs);
  } else if (tile.latencies.length > 2 * KEPT) {
    tile.latencies.splice(0, KEPT);
  }
  if (tile.firstShownAt === 0) {
    tile.firstShownAt = at;
    tile.firstShownStamp = stampMs;
  }
}

function newDecoder(tile) {
  return new VideoDecoder({
    output: (frame) => {
      if (tile.canvas.width !== frame.displayWidth || tile.canvas.height !== frame.displayHeight) {
        tile.canvas.width = frame.displayWidth;
        tile.canvas.height = frame.displayHeight;
      }
      tile.context.drawImage(frame, 0, 0);
      tile.catchingUp = Math.max(0, tile.catchingUp - 1);
      shown(tile, frame.timestamp / 1000, tile.counts.get(frame.timestamp) ?? 0);
      tile.counts.delete(frame.timestamp);
      if (verify) {
        const buffer = new Uint8Array(frame.allocationSize());
        tile.hashing.push(frame.copyTo(buffer).then(() => crypto.subtle.digest('SHA-256', buffer))
          .then((digest) => Array.from(new Uint8Array(digest), hex2).join('')));
        frame.close();
      } else {
        frame.close();
      }
    },
    error: () => {
      // A damaged unit: start again at the next key frame.
      tile.errors += 1;
      tile.decoder = null;
      tile.waitingForKey = true;
    },
  });
}

function accessUnit(tile, flags, stampNs, count, payload) {
  const key = (flags & FLAG_KEY) !== 0;
  // The units a page joins with come at once: they do not count as falling behind.
  if ((flags & FLAG_CATCH_UP) !== 0) {
    tile.catchingUp += 1;
  } else if (!verify && tile.decoder && tile.decoder.decodeQueueSize > MAX_DECODE_QUEUE + tile.catchingUp) {
    tile.waitingForKey = true;  // this page cannot decode as fast as frames come
  }
  if (tile.waitingForKey && !key) {
    tile.droppedHere += 1;
    return;
  }
  if (key) {
    const codec = avcCodec(payload);
    if (codec && (codec !== tile.codec || !tile.decoder || tile.decoder.state === 'closed')) {
      if (tile.decoder && tile.decoder.state !== 'closed') {
        tile.decoder.close();
      }
      tile.decoder = newDecoder(tile);
      tile.counts = new Map();
      tile.decoder.configure({codec, optimizeForLatency: true});
      tile.codec = codec;
    }
    if (!tile.decoder) {
      return;
    }
    tile.waitingForKey = false;
  }
  const timestamp = Math.round(Number(stampNs) / 1000);
  tile.counts.set(timestamp, count);
  tile.decoder.decode(new EncodedVideoChunk({type: key ? 'key' : 'delta', timestamp, data: payload}));
}

async function picture(tile, stampNs, count, payload) {
  const bitmap = await createImageBitmap(new Blob([payload], {type: 'image/jpeg'}));
  if (tile.canvas.width !== bitmap.width || tile.canvas.height !== bitmap.height) {
    tile.canvas.width = bitmap.width;
    tile.canvas.height = bitmap.height;
  }
  tile.context.drawImage(bitmap, 0, 0);
  bitmap.close();
  shown(tile, Number(stampNs) / 1e6, count);
}

// Whether a frame arrives MAX_LAG_MS later than the stream's best lately.
function late(tile, stampNs) {
  const at = nowMs();
  const offset = at - Number(stampNs) / 1e6;
  if (at - tile.windowStart > LAG_WINDOW_MS) {
    tile.previousBest = tile.windowBest;
    tile.windowBest = Infinity;
    tile.windowStart = at;
  }
  tile.windowBest = Math.min(tile.windowBest, offset);
  return offset - Math.min(tile.previousBest, tile.windowBest) > MAX_LAG_MS;
}

// Frame messages handled, told to the server every few: it sends no more
// than a few frames a stream ahead of what this page has handled, so a page that falls
// behind is skipped to a key frame there instead of queued here.
let handled = 0;
let acknowledged = 0;
function acknowledge() {
  if (handled !== acknowledged && socket.readyState === WebSocket.OPEN) {
    socket.send(`ack ${handled}`);
    acknowledged = handled;
  }
}

function frameMessage(data) {
  handled += 1;
  if (handled % 4 === 0) {
    acknowledge();
  }
  const view = new DataView(data);
  const kind = view.getUint8(0);
  const flags = view.getUint8(1);
  const headerBytes = view.getUint8(2);
  const id = view.getUint32(4, true);
  const stampNs = view.getBigInt64(8, true);
  const count = Number(view.getBigUint64(16, true));
  const tile = tiles.get(id);
  if (!tile) {
    return;
  }
  tile.skippedByServer = view.getUint32(24, true);
  tile.caughtUp += (flags & FLAG_CATCH_UP) !== 0;
  if (!verify && (flags & FLAG_CATCH_UP) === 0 && late(tile, stampNs)) {
    tile.droppedHere += 1;
    if (kind === KIND_ACCESS_UNIT && (flags & FLAG_KEY) === 0) {
      tile.waitingForKey = true;
      return;
    }
    if (kind === KIND_JPEG) {
      return;
    }
    tile.droppedHere -= 1;  // a key frame is where a page behind starts again: taken
  }
  const payload = new Uint8Array(data, headerBytes);
  if (kind === KIND_ACCESS_UNIT) {
    accessUnit(tile, flags, stampNs, count, payload);
  } else if (kind === KIND_JPEG) {
    picture(tile, stampNs, count, payload).catch(() => { tile.errors += 1; });
  }
}

function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text;
  if (className) {
    td.className = className;
  }
  return td;
}

function renderList() {
  const body = document.getElementById('streams');
  body.replaceChildren();
  if (streams.size === 0) {
    cell(body.insertRow(), 'no streams yet').colSpan = 7;
    return;
  }
  for (const info of streams.values()) {
    const row = body.insertRow();
    row.dataset.topic = info.topic;
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = tiles.has(info.id);
    box.disabled = !box.checked && tiles.size >= MAX_TILES;
    box.onchange = () => watch(info.id, box.checked);
    row.insertCell().append(box);
    const state = info.ended ? 'ended' : '';
    cell(row, info.topic, state);
    cell(row, info.label, state);
    cell(row, deliveryText(info), state);
    cell(row, `${info.width}x${info.height}`, state);
    cell(row, info.ended ? 'ended' : info.fps.toFixed(1), state);
    cell(row, String(info.frames), state);
  }
}

function wanted(info) {
  if (!show || info.ended) {
    return false;
  }
  return show === 'all' || show.split(',').includes(info.topic);
}

function streamList(text) {
  const list = JSON.parse(text).streams;
  for (const info of list) {
    streams.set(info.id, info);
  }
  for (const tile of tiles.values()) {
    // An ended stream's last pictures are held for reordering: out with them.
    const ended = streams.get(tile.id).ended;
    if (ended && !tile.flushed && tile.decoder && tile.decoder.state === 'configured') {
      tile.decoder.flush().catch(() => {});
    }
    tile.flushed = ended;
  }
  for (const info of list) {
    if (wanted(info) && !tiles.has(info.id) && tiles.size < MAX_TILES) {
      watch(info.id, true);
    }
  }
  renderList();
}

function updateOverlays() {
  const at = nowMs();
  for (const tile of tiles.values()) {
    const info = streams.get(tile.id);
    while (tile.shownAt.length && tile.shownAt[0] < at - 1000 && tile.shownAt.length > 1 &&
      tile.shownAt[1] < at - 1000) {
      tile.shownAt.shift();
    }
    const rate = tile.shownAt.filter((time) => time >= at - 1000).length;
    const recent = tile.latencies.slice(-rate || -1);
    const latency = percentile(recent, 0.5);
    tile.overlay.textContent =
      `${info.topic} ${info.label} · ${tile.canvas.width}x${tile.canvas.height} · ${deliveryText(info)}\n` +
      `${rate} frames/s · dropped ${tile.skippedByServer + tile.droppedHere} · ` +
      `latency ${Number.isNaN(latency) ? '-' : latency.toFixed(0)} ms${info.ended ? ' · ended' : ''}`;
  }
}

function connect() {
  const address = `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws` +
    (token ? `?token=${encodeURIComponent(token)}` : '');
  socket = new WebSocket(address);
  socket.binaryType = 'arraybuffer';
  socket.onopen = () => {
    connectedAt = nowMs();
    document.getElementById('connection').textContent = 'connected';
  };
  socket.onmessage = (event) => {
    if (typeof event.data === 'string') {
      streamList(event.data);
    } else {
      frameMessage(event.data);
    }
  };
  socket.onclose = () => {
    document.getElementById('connection').textContent = 'disconnected: reload to connect again';
  };
}

// What the page saw, for tests and benchmarks.
window.h26xReport = async () => {
  const out = {connectedAt, tiles: []};
  for (const tile of tiles.values()) {
    out.tiles.push({
      id: tile.id, topic: streams.get(tile.id).topic, info: streams.get(tile.id),
      shown: tile.shown, caughtUp: tile.caughtUp, skippedByServer: tile.skippedByServer,
      droppedHere: tile.droppedHere, errors: tile.errors, latencies: tile.latencies,
      counts: tile.shownCounts, stamps: tile.shownStamps,
      subscribedAt: tile.subscribedAt, firstShownAt: tile.firstShownAt, firstShownStamp: tile.firstShownStamp,
      hashes: await Promise.all(tile.hashing),
    });
  }
  return out;
};

window.h26xShown = () => [...tiles.values()].reduce((sum, tile) => sum + tile.shown, 0);

connect();
setInterval(updateOverlays, 250);
setInterval(acknowledge, 50);
