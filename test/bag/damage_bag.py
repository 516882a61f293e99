#!/usr/bin/env python3
"""Damaged copies of an uncompressed MCAP bag, and bags that cannot be read,
made by hand from the format's layout (records: opcode, uint64 length).

Usage: damage_bag.py BAG_FOLDER OUT_DIR
"""
import os
import sqlite3
import struct
import sys

folder, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
name = os.path.basename(folder.rstrip("/"))
data = open(os.path.join(folder, f"{name}_0.mcap"), "rb").read()

CHUNK, DATA_END = 0x06, 0x0F
chunks, at = [], 8
while at < len(data):
    opcode, length = data[at], struct.unpack_from("<Q", data, at + 1)[0]
    if opcode == CHUNK:
        chunks.append((at, length))
    if opcode == DATA_END:
        break
    at += 9 + length
assert len(chunks) >= 3, f"{len(chunks)} chunks: record with smaller chunks"
second, second_length = chunks[1]
# A chunk's content: start time, end time, uncompressed size (8 each), CRC (4),
# compression (string), records length (8), records.
fields = second + 9
compression_length = struct.unpack_from("<I", data, fields + 28)[0]
records = fields + 32 + compression_length + 8


def write(file, content):
    with open(os.path.join(out, file), "wb") as target:
        target.write(content)


damaged = bytearray(data)
damaged[records + 200] ^= 0xFF  # inside its first message: the CRC no longer matches
write("bad_crc.mcap", damaged)
damaged = bytearray(data)
struct.pack_into("<Q", damaged, second + 1, second_length + 12345)
write("lying_length.mcap", damaged)
damaged = bytearray(data)
struct.pack_into("<Q", damaged, fields + 16, 1 << 40)
write("huge_chunk.mcap", damaged)
damaged = bytearray(data)
first_type = damaged.find(b"orvane_h26x_msgs/msg/Compressed")  # in the first chunk; the summary keeps its own
damaged[first_type:first_type + 31] = b"orvane_h26x_msgs/msg/Compresxed"
struct.pack_into("<I", damaged, chunks[0][0] + 9 + 24, 0)  # CRC 0: not checked
write("wrong_type.mcap", damaged)
write("cut.mcap", data[:second + second_length // 2])

for bag, metadata in (
    ("escaping_metadata", "rosbag2_bagfile_information:\n  version: 5\n  relative_file_paths:\n    - ../../etc/passwd\n"),
    ("garbled_metadata", "rosbag2_bagfile_information: [version: {5\n"),
):
    os.makedirs(os.path.join(out, bag), exist_ok=True)
    write(os.path.join(bag, "metadata.yaml"), metadata.encode())
    write(os.path.join(bag, f"{bag}_0.mcap"), data)

db = sqlite3.connect(os.path.join(out, "no_messages_table"))
db.execute("CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL, "
           "serialization_format TEXT NOT NULL, offered_qos_profiles TEXT NOT NULL)")
db.execute("INSERT INTO topics VALUES (1, '/camera/h26x', 'orvane_h26x_msgs/msg/Compressed', 'cdr', '')")
db.commit()
db.close()
db = sqlite3.connect(os.path.join(out, "unknown_topic.db3"))
db.execute("CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL, "
           "serialization_format TEXT NOT NULL, offered_qos_profiles TEXT NOT NULL)")
db.execute("CREATE TABLE messages(id INTEGER PRIMARY KEY, topic_id INTEGER NOT NULL, timestamp INTEGER NOT NULL, "
           "data BLOB NOT NULL)")
db.execute("INSERT INTO topics VALUES (1, '/camera/h26x', 'orvane_h26x_msgs/msg/Compressed', 'cdr', '')")
db.execute("INSERT INTO messages VALUES (1, 99, 1, x'00010000')")
db.commit()
db.close()
print(f"{out}: damaged copies of {name}_0.mcap ({len(chunks)} chunks) and unreadable bags")
