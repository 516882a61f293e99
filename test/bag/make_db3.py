#!/usr/bin/env python3
"""Writes a rosbag2 SQLite storage file (Humble's schema) with Python's own
sqlite3, from the JSON lines `check_bag.mjs dump` prints: topic lines, then
message lines. The messages go in shuffled by row id, as several writers'
would, so that a reader must order them by timestamp.

Usage: make_db3.py IN.jsonl OUT.db3
"""
import base64
import json
import random
import sqlite3
import sys

source, target = sys.argv[1], sys.argv[2]
topics, messages = [], []
with open(source) as lines:
    for line in lines:
        entry = json.loads(line)
        (messages if "data" in entry else topics).append(entry)

db = sqlite3.connect(target)
db.executescript("""
CREATE TABLE schema(schema_version INTEGER PRIMARY KEY, ros_distro TEXT NOT NULL);
CREATE TABLE metadata(id INTEGER PRIMARY KEY, metadata_version INTEGER NOT NULL, metadata TEXT NOT NULL);
CREATE TABLE topics(id INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL,
  serialization_format TEXT NOT NULL, offered_qos_profiles TEXT NOT NULL);
CREATE TABLE messages(id INTEGER PRIMARY KEY, topic_id INTEGER NOT NULL, timestamp INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE INDEX timestamp_idx ON messages (timestamp ASC);
INSERT INTO schema VALUES (3, 'humble');
""")
ids = {}
for number, topic in enumerate(topics, start=1):
    ids[topic["topic"]] = number
    db.execute("INSERT INTO topics VALUES (?, ?, ?, 'cdr', ?)", (number, topic["topic"], topic["type"], topic["qos"]))
rows = list(range(1, len(messages) + 1))
random.Random(7).shuffle(rows)
for row, message in zip(rows, messages):
    db.execute("INSERT INTO messages VALUES (?, ?, ?, ?)",
               (row, ids[message["topic"]], int(message["time"]), base64.b64decode(message["data"])))
db.commit()
db.close()
print(f"{target}: {len(messages)} messages on {len(topics)} topics")
