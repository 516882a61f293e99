// Bags checked with the MCAP library of the format's authors (@mcap/core) and
// Foxglove's ROS 2 CDR reader and writer, none of them the project's code.
//
//   node check_bag.mjs read BAG [TOPIC=FILE[,FILE...]]...
//     A recorder's bag folder: metadata.yaml against its files, every file
//     read through its summary and again record by record with CRCs checked,
//     every message decoded with its schema text and written again by
//     Foxglove's writer to the same bytes. For each TOPIC=FILE the streams'
//     units put together are the file (a MultiCompressed topic: one file per
//     stream).
//   node check_bag.mjs copy BAG_FILE OUT.mcap zstd|none|unchunked
//     The messages of one MCAP file written again by @mcap/core's writer,
//     each re-serialized by Foxglove's writer: a file for the project's reader.
//   node check_bag.mjs dump BAG_FILE OUT.jsonl
//     Its topics and messages as JSON lines (the CDR in base64), for a test
//     that writes them into SQLite as rosbag2 does.
//   node check_bag.mjs count FILE
//     The messages in the whole chunks of a file that may be cut short (a
//     recorder killed), read record by record; prints the count.
//   node check_bag.mjs same BAG_FILE BAG_FILE TOPIC
//     The topic's messages hold the same bytes in both.
//   node check_bag.mjs foreign BAG_FILE SOURCE_TOPIC OUT
//     The sensor_msgs/Image and foxglove_msgs/CompressedVideo topics of a
//     file decoded with the official definitions (not the file's schemas):
//     each the CDR of what it holds, stamped and framed as SOURCE_TOPIC's
//     messages, key frames with their parameter sets. Writes each topic's
//     data joined (OUT.<topic>.raw / .h264 / .h265) and every message again
//     big-endian, written by hand with @foxglove/cdr, into OUT.be.mcap; and
//     OUT.hostile.mcap: each topic's first message whole, then cut short,
//     then with a data length past the end.
import { readFileSync, existsSync, statSync } from "node:fs";
import { open, writeFile } from "node:fs/promises";
import { McapIndexedReader, McapStreamReader, McapWriter } from "@mcap/core";
import { loadDecompressHandlers } from "@mcap/support";
import { parse as parseDefinitions } from "@foxglove/rosmsg";
import { MessageReader, MessageWriter } from "@foxglove/rosmsg2-serialization";
import { CdrWriter, EncapsulationKind } from "@foxglove/cdr";
import zstd from "@foxglove/wasm-zstd";
import YAML from "yaml";

const failures = [];
function check(good, what) {
  if (!good) {
    failures.push(what);
    console.error(`FAIL: ${what}`);
  }
}
const text = (bytes) => new TextDecoder().decode(bytes);
const decompressHandlers = await loadDecompressHandlers();

async function indexedReader(path) {
  const file = await open(path);
  const size = BigInt((await file.stat()).size);
  const readable = {
    size: async () => size,
    read: async (offset, length) => {
      const into = new Uint8Array(Number(length));
      await file.read(into, 0, into.length, Number(offset));
      return into;
    },
  };
  return { file, reader: await McapIndexedReader.Initialize({ readable, decompressHandlers }) };
}

// Every record of a file in order, CRCs checked (chunks, data section,
// summary), chunks unpacked.
function streamRecords(path) {
  const stream = new McapStreamReader({ decompressHandlers, validateCrcs: true, includeChunks: true });
  stream.append(readFileSync(path));
  const records = [];
  for (let record; (record = stream.nextRecord()); ) records.push(record);
  check(stream.done(), `${path}: the stream reader stops before the end of the file`);
  return records;
}

// A schema's codecs: Foxglove's parser over the ros2msg text.
function codecs(schema) {
  const definitions = parseDefinitions(text(schema.data), { ros2: true });
  return { reader: new MessageReader(definitions), writer: new MessageWriter(definitions) };
}

// CDR as it comes off a DDS wire: the serialization, then up to three zero
// bytes that pad it to a multiple of four (Fast DDS's payloads are padded).
function sameCdr(stored, written) {
  const padded = Math.ceil(written.length / 4) * 4;
  if (stored.length !== written.length && stored.length !== padded) return false;
  for (let k = 0; k < written.length; k++) if (stored[k] !== written[k]) return false;
  for (let k = written.length; k < stored.length; k++) if (stored[k] !== 0) return false;
  return true;
}

// The ros2msg text rosbag2 writes: the type's own .msg, then each type it
// uses after a line of 80 '=' and "MSG: package/Type".
function checkSchemaText(schema) {
  const sections = text(schema.data).split(`\n${"=".repeat(80)}\n`);
  for (const section of sections.slice(1)) {
    check(/^MSG: [A-Za-z0-9_]+\/[A-Za-z0-9_]+\n/.test(section), `${schema.name}: a dependency section begins "${section.slice(0, 40)}"`);
  }
  const named = sections.slice(1).map((section) => section.split("\n")[0].slice(5));
  const used = new Set();
  for (const line of text(schema.data).split("\n")) {
    const type = line.trim().split(/\s+/)[0].replace(/\[.*\]$/, "");
    if (type.includes("/")) used.add(type.replace("/msg/", "/"));
  }
  for (const type of used) check(named.includes(type), `${schema.name}: uses ${type} but its text does not define it`);
  return named;
}

async function readBag(folder, expectations) {
  const metadata = YAML.parse(readFileSync(`${folder}/metadata.yaml`, "utf8"), { intAsBigInt: true }).rosbag2_bagfile_information;
  check(metadata.version === 5n, "metadata.yaml: version 5");
  check(metadata.storage_identifier === "mcap", "metadata.yaml: storage_identifier mcap");
  check(JSON.stringify(metadata.relative_file_paths) === JSON.stringify(metadata.files.map((file) => file.path)),
    "metadata.yaml: relative_file_paths are the files' paths");
  const topicsStated = new Map(metadata.topics_with_message_count.map((entry) => [entry.topic_metadata.name, entry]));
  const seen = new Map(); // topic -> { count, messages (decoded) }
  let total = 0, first = null, last = null;

  for (const entry of metadata.files) {
    const path = `${folder}/${entry.path}`;
    check(existsSync(path), `${entry.path} is there`);
    const { file, reader } = await indexedReader(path);
    check(reader.header.profile === "ros2", `${entry.path}: profile ros2`);
    check(reader.chunkIndexes.length > 0 && reader.statistics !== undefined && reader.summaryOffsetsByOpcode.size > 0,
      `${entry.path}: a summary with chunk indexes, statistics and summary offsets`);

    // The summary's word against every record read in order.
    const records = streamRecords(path);
    const chunks = records.filter((record) => record.type === "Chunk").length;
    const indexes = records.filter((record) => record.type === "MessageIndex");
    const inFile = records.filter((record) => record.type === "Message");
    check(chunks === reader.chunkIndexes.length, `${entry.path}: ${chunks} chunks, ${reader.chunkIndexes.length} indexed`);
    check(indexes.reduce((sum, index) => sum + index.records.length, 0) === inFile.length,
      `${entry.path}: the message indexes list every message`);
    check(Number(reader.statistics.messageCount) === inFile.length && BigInt(inFile.length) === entry.message_count,
      `${entry.path}: ${inFile.length} messages, statistics say ${reader.statistics.messageCount}, metadata.yaml ${entry.message_count}`);

    const channelCodecs = new Map();
    for (const [id, channel] of reader.channelsById) {
      const schema = reader.schemasById.get(channel.schemaId);
      const stated = topicsStated.get(channel.topic);
      check(stated !== undefined, `${channel.topic}: in metadata.yaml`);
      check(schema.encoding === "ros2msg" && channel.messageEncoding === "cdr", `${channel.topic}: ros2msg schema, cdr messages`);
      check(stated?.topic_metadata.type === schema.name, `${channel.topic}: type ${schema.name} as metadata.yaml says`);
      check(stated?.topic_metadata.serialization_format === "cdr", `${channel.topic}: serialization_format cdr`);
      check(channel.metadata.get("offered_qos_profiles") === stated?.topic_metadata.offered_qos_profiles,
        `${channel.topic}: the channel's offered QoS as metadata.yaml's`);
      checkSchemaText(schema);
      channelCodecs.set(id, { topic: channel.topic, ...codecs(schema) });
    }

    // Through the summary's chunk indexes: every message decoded and written again.
    let count = 0, fileFirst = null, fileLast = null, previous = 0n;
    for await (const message of reader.readMessages({ validateCrcs: true })) {
      const { topic, reader: decode, writer } = channelCodecs.get(message.channelId);
      const value = decode.readMessage(message.data);
      check(sameCdr(message.data, writer.writeMessage(value)), `${topic}: message ${count} is not the CDR of what it holds`);
      check(message.publishTime === message.logTime, `${topic}: publish time is the log time`);
      check(message.logTime >= previous, `${topic}: log times in order`);
      previous = message.logTime;
      fileFirst ??= message.logTime;
      fileLast = message.logTime;
      const topicSeen = seen.get(topic) ?? { count: 0, messages: [] };
      topicSeen.count++;
      topicSeen.messages.push(value);
      seen.set(topic, topicSeen);
      count++;
    }
    check(BigInt(count) === entry.message_count, `${entry.path}: ${count} messages through the indexes`);
    check(BigInt(entry.starting_time.nanoseconds_since_epoch) === fileFirst &&
      BigInt(entry.duration.nanoseconds) === fileLast - fileFirst, `${entry.path}: starting time and duration`);
    first = first === null || fileFirst < first ? fileFirst : first;
    last = last === null || fileLast > last ? fileLast : last;
    total += count;
    await file.close();
  }
  check(BigInt(total) === metadata.message_count, `message_count ${metadata.message_count}, ${total} in the files`);
  check(BigInt(metadata.starting_time.nanoseconds_since_epoch) === first &&
    BigInt(metadata.duration.nanoseconds) === last - first, "the bag's starting time and duration");
  for (const [topic, entry] of topicsStated) {
    check(BigInt(seen.get(topic)?.count ?? -1) === entry.message_count, `${topic}: ${entry.message_count} messages stated, ${seen.get(topic)?.count} read`);
  }

  // What was sent: the streams' bytes, unit after unit, the marker last.
  for (const [topic, files] of expectations) {
    const messages = seen.get(topic)?.messages ?? [];
    const marker = messages.at(-1);
    check(marker?.header?.frame_id === "end-of-stream", `${topic}: ends with the end-of-stream marker`);
    const frames = messages.slice(0, -1);
    files.forEach((path, k) => {
      const units = frames.map((message) => (message.h26x_images ?? message.images)[k].data);
      const joined = Buffer.concat(units.map((unit) => Buffer.from(unit)));
      check(joined.equals(readFileSync(path)), `${topic}: stream ${k} is ${path} byte for byte`);
    });
    let stamp = -1n;
    for (const message of frames) {
      const { sec, nanosec, nsec } = message.header.stamp;  // the reader names it nsec, as ROS 1 did
      const now = BigInt(sec) * 1000000000n + BigInt(nanosec ?? nsec);
      check(now > stamp, `${topic}: stamps increase`);
      stamp = now;
    }
  }
  for (const [topic, entry] of seen) console.log(`${topic}: ${entry.count} messages, each the CDR of what it holds`);
}

// Where an McapWriter writes in memory: take() gives the bytes and starts anew.
function memoryWritable() {
  let chunks = [], position = 0n;
  return {
    write: async (buffer) => { chunks.push(Buffer.from(buffer)); position += BigInt(buffer.length); },
    position: () => position,
    take: () => { const bytes = Buffer.concat(chunks); chunks = []; position = 0n; return bytes; },
  };
}

// One MCAP file's messages, decoded and written again by the library's writer.
async function copy(path, out, mode) {
  const { file, reader } = await indexedReader(path);
  const writable = memoryWritable();
  await zstd.isLoaded;
  const writer = new McapWriter({
    writable,
    useChunks: mode !== "unchunked",
    chunkSize: 64 * 1024,  // many chunks
    compressChunk: mode === "zstd" ? (data) => ({ compression: "zstd", compressedData: zstd.compress(data, 3) }) : undefined,
    startChannelId: 7,
  });
  await writer.start({ profile: "ros2", library: "check_bag.mjs" });
  const channels = new Map();
  for (const [id, channel] of reader.channelsById) {
    const schema = reader.schemasById.get(channel.schemaId);
    const schemaId = await writer.registerSchema({ name: schema.name, encoding: schema.encoding, data: schema.data });
    const newId = await writer.registerChannel({ schemaId, topic: channel.topic, messageEncoding: "cdr", metadata: channel.metadata });
    channels.set(id, { id: newId, ...codecs(schema) });
  }
  let sequence = 0, count = 0;
  for await (const message of reader.readMessages()) {
    const channel = channels.get(message.channelId);
    const data = channel.writer.writeMessage(channel.reader.readMessage(message.data));
    await writer.addMessage({ channelId: channel.id, sequence: sequence++, logTime: message.logTime, publishTime: message.publishTime, data });
    count++;
  }
  await writer.end();
  await writeFile(out, writable.take());
  await file.close();
  console.log(`${out}: ${count} messages written by @mcap/core (${mode}), ${statSync(out).size} bytes`);
}

async function dump(path, out) {
  const { file, reader } = await indexedReader(path);
  const lines = [];
  for (const channel of reader.channelsById.values()) {
    const schema = reader.schemasById.get(channel.schemaId);
    lines.push(JSON.stringify({ topic: channel.topic, type: schema.name, qos: channel.metadata.get("offered_qos_profiles") ?? "" }));
  }
  for await (const message of reader.readMessages()) {
    const topic = reader.channelsById.get(message.channelId).topic;
    lines.push(JSON.stringify({ topic, time: message.logTime.toString(), data: Buffer.from(message.data).toString("base64") }));
  }
  await writeFile(out, lines.join("\n") + "\n");
  await file.close();
}

// Messages in whole chunks only: the stream reader stops where the file is cut.
function count(path) {
  const stream = new McapStreamReader({ decompressHandlers, validateCrcs: true });
  stream.append(readFileSync(path));
  let messages = 0;
  try {
    for (let record; (record = stream.nextRecord()); ) messages += record.type === "Message";
  } catch (error) {
    console.error(`${path}: ${error.message}`);
  }
  console.log(messages);
}

async function same(first, second, topic) {
  const datas = [];
  for (const path of [first, second]) {
    const { file, reader } = await indexedReader(path);
    const list = [];
    for await (const message of reader.readMessages({ topics: [topic] })) list.push(Buffer.from(message.data));
    datas.push(list);
    await file.close();
  }
  check(datas[0].length === datas[1].length, `${topic}: ${datas[0].length} and ${datas[1].length} messages`);
  check(datas[0].every((data, k) => data.equals(datas[1][k] ?? Buffer.alloc(0))), `${topic}: the same bytes in both`);
  console.log(`${topic}: ${datas[0].length} messages, the same bytes in both`);
}

// The official definitions' fields (sensor_msgs/msg/Image.msg, Foxglove's
// foxglove_msgs/msg/CompressedVideo.msg, and what they use), as rosbag2
// lays out a schema.
const section = (type, fields) => `${"=".repeat(80)}\nMSG: ${type}\n${fields}`;
const TIME = "int32 sec\nuint32 nanosec\n";
const OFFICIAL = {
  "sensor_msgs/msg/Image": "std_msgs/Header header\nuint32 height\nuint32 width\nstring encoding\n" +
    "uint8 is_bigendian\nuint32 step\nuint8[] data\n" +
    section("std_msgs/Header", "builtin_interfaces/Time stamp\nstring frame_id\n") + section("builtin_interfaces/Time", TIME),
  "foxglove_msgs/msg/CompressedVideo": "builtin_interfaces/Time timestamp\nstring frame_id\nuint8[] data\nstring format\n" +
    section("builtin_interfaces/Time", TIME),
};

// The NAL unit types of an Annex-B unit.
function nalTypes(data, format) {
  const types = [];
  for (let k = 0; k + 3 < data.length; k++) {
    if (data[k] === 0 && data[k + 1] === 0 && data[k + 2] === 1) {
      types.push(format === "h265" ? (data[k + 3] >> 1) & 0x3f : data[k + 3] & 0x1f);
      k += 2;
    }
  }
  return types;
}

function bigEndian(type, value) {
  const cdr = new CdrWriter({ kind: EncapsulationKind.CDR_BE });
  const stamp = type === "sensor_msgs/msg/Image" ? value.header.stamp : value.timestamp;
  cdr.int32(stamp.sec).uint32(stamp.nanosec ?? stamp.nsec);
  if (type === "sensor_msgs/msg/Image") {
    cdr.string(value.header.frame_id).uint32(value.height).uint32(value.width).string(value.encoding);
    cdr.uint8(value.is_bigendian).uint32(value.step).uint8Array(value.data, true);
  } else {
    cdr.string(value.frame_id).uint8Array(value.data, true).string(value.format);
  }
  return cdr.data;
}

async function foreign(path, sourceTopic, out) {
  const { file, reader } = await indexedReader(path);
  const writable = memoryWritable();
  const writer = new McapWriter({ writable });
  await writer.start({ profile: "ros2", library: "check_bag.mjs" });
  const hostile = [];  // [channel, bytes] in order
  const channels = new Map();
  for (const [id, channel] of reader.channelsById) {
    const schema = reader.schemasById.get(channel.schemaId);
    const official = OFFICIAL[schema.name];
    if (official === undefined) {
      channels.set(id, { topic: channel.topic, ...codecs(schema) });
      continue;
    }
    const data = new TextEncoder().encode(official);
    const schemaId = await writer.registerSchema({ name: schema.name, encoding: "ros2msg", data });
    const newId = await writer.registerChannel({ schemaId, topic: channel.topic, messageEncoding: "cdr", metadata: new Map() });
    channels.set(id, { topic: channel.topic, type: schema.name, id: newId, data: [], messages: 0, ...codecs({ data }) });
  }
  const sources = new Map();  // stamp -> frame_id of the source's messages
  const stamped = [];  // the foreign messages' (a message may be logged before its source)
  let sequence = 0;
  for await (const message of reader.readMessages()) {
    const channel = channels.get(message.channelId);
    const value = channel.reader.readMessage(message.data);
    if (channel.topic === sourceTopic && value.header.frame_id !== "end-of-stream") {
      const { sec, nanosec, nsec } = value.header.stamp;
      sources.set(`${sec}.${nanosec ?? nsec}`, value.header.frame_id);
    }
    if (channel.type === undefined) continue;
    const where = `${channel.topic} message ${channel.messages}`;
    check(sameCdr(message.data, channel.writer.writeMessage(value)), `${where}: not the CDR of what it holds`);
    const image = channel.type === "sensor_msgs/msg/Image";
    const { sec, nanosec, nsec } = image ? value.header.stamp : value.timestamp;
    const frame = image ? value.header.frame_id : value.frame_id;
    stamped.push({ where, stamp: `${sec}.${nanosec ?? nsec}`, frame });
    if (image) {
      const bytes = { rgb8: 3, bgr8: 3, mono8: 1 }[value.encoding];
      check(bytes !== undefined && value.is_bigendian === 0 && value.step === bytes * value.width &&
        value.data.length === value.step * value.height, `${where}: a packed ${value.encoding} image of ${value.width}x${value.height}`);
      channel.suffix = "raw";
    } else {
      const types = nalTypes(value.data, value.format);
      const key = value.format === "h265" ? types.some((t) => t >= 16 && t <= 23) : types.includes(5);
      const sets = value.format === "h265" ? [32, 33, 34] : [7, 8];
      check(["h264", "h265"].includes(value.format), `${where}: format ${value.format}`);
      check(!key || sets.every((t) => types.includes(t)), `${where}: a key frame with its parameter sets`);
      check(channel.messages > 0 || key, `${where}: the first message is a key frame`);
      channel.suffix = value.format;
    }
    channel.data.push(Buffer.from(value.data));
    channel.messages++;
    const data = bigEndian(channel.type, value);
    check(Buffer.from(channel.reader.readMessage(data).data).equals(Buffer.from(value.data)), `${where}: read back big-endian`);
    await writer.addMessage({ channelId: channel.id, sequence: sequence++, logTime: message.logTime, publishTime: message.publishTime, data });
    if (channel.messages === 1) {
      const lying = Buffer.from(message.data);
      const at = value.data.length > 255 ? lying.indexOf(Buffer.from(value.data.subarray(0, 64))) - 4 : -1;
      check(at > 0 && lying.readUInt32LE(at) === value.data.length, `${where}: its data length found`);
      lying.writeUInt32LE(0x7ffffff0, at);
      hostile.push([channel, message.data], [channel, message.data.subarray(0, message.data.length >> 1)], [channel, lying]);
    }
  }
  await writer.end();
  await writeFile(`${out}.be.mcap`, writable.take());
  const damaged = new McapWriter({ writable });
  await damaged.start({ profile: "ros2", library: "check_bag.mjs" });
  for (const channel of channels.values()) {
    if (channel.type === undefined) continue;
    const schemaId = await damaged.registerSchema({ name: channel.type, encoding: "ros2msg", data: new TextEncoder().encode(OFFICIAL[channel.type]) });
    channel.damagedId = await damaged.registerChannel({ schemaId, topic: channel.topic, messageEncoding: "cdr", metadata: new Map() });
  }
  for (const [k, [channel, data]] of hostile.entries()) {
    await damaged.addMessage({ channelId: channel.damagedId, sequence: k, logTime: BigInt(k + 1), publishTime: BigInt(k + 1), data });
  }
  await damaged.end();
  await writeFile(`${out}.hostile.mcap`, writable.take());
  await file.close();
  for (const { where, stamp, frame } of stamped) {
    check(sources.get(stamp) === frame, `${where}: stamp ${stamp} and frame '${frame}' are a source message's`);
  }
  for (const channel of channels.values()) {
    if (channel.type === undefined) continue;
    check(channel.messages === sources.size, `${channel.topic}: ${channel.messages} messages for ${sources.size} source frames`);
    await writeFile(`${out}${channel.topic.replaceAll("/", ".")}.${channel.suffix}`, Buffer.concat(channel.data));
    console.log(`${channel.topic} (${channel.type}): ${channel.messages} messages read with the official definition`);
  }
}

const [command, ...args] = process.argv.slice(2);
if (command === "read") {
  const expectations = new Map(args.slice(1).map((arg) => {
    const at = arg.indexOf("=");
    return [arg.slice(0, at), arg.slice(at + 1).split(",")];
  }));
  await readBag(args[0], expectations);
} else if (command === "copy") {
  await copy(args[0], args[1], args[2]);
} else if (command === "dump") {
  await dump(args[0], args[1]);
} else if (command === "count") {
  count(args[0]);
} else if (command === "same") {
  await same(args[0], args[1], args[2]);
} else if (command === "foreign") {
  await foreign(args[0], args[1], args[2]);
} else {
  console.error("usage: check_bag.mjs read|copy|dump|count|same|foreign ... (see its first lines)");
  process.exit(2);
}
if (failures.length) {
  console.error(`${failures.length} checks failed`);
  process.exit(1);
}
