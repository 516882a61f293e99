#!/usr/bin/env bash
# Runs two programs as separate processes: the first in the background (the
# receiving side), the second in the foreground once the first has started.
# Fails unless both succeed. Usage: run_pair.sh RECEIVER ARGS... -- SENDER ARGS...
set -u
receiver=()
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do receiver+=("$1"); shift; done
shift
"${receiver[@]}" &
receiver_pid=$!
sleep 0.2
"$@"
sender_status=$?
wait "$receiver_pid"
receiver_status=$?
echo "sender exit $sender_status, receiver exit $receiver_status"
[ "$sender_status" -eq 0 ] && [ "$receiver_status" -eq 0 ]
