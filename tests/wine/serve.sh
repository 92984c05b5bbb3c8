#!/usr/bin/env bash
# The Windows 98 path end to end over the network: varnok-cli.exe --serve under Wine, told it is
# Windows 98, its IN and OUT answered by the driver's card (scenario card-serve), and the Linux
# varnok-cli --host as the client, on 127.0.0.1: the modern machine, the old PC and its card.
#   serve.sh <varnok-cli> <varnok-cli.exe> <file>
set -uo pipefail
client=$1 exe=$2 file=$3
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# The server's token, given to it with --token and to the client in VARNOK_TOKEN.
token=$(python3 -c 'import secrets; print(secrets.token_urlsafe(18))')
staged=$E2E_DIR/serve98
E2E_WINDOWS=98 "$(dirname "$0")/e2e.sh" staged serve98 "$exe" "$file" -- card-serve "$staged/$(basename "$exe")" \
  "$staged/$(basename "$file")" "$port" "$token" &
driver=$!
# Until the server listens (exit code 7: nothing there yet), while the driver runs.
status=7
for ((i = 0; i < 120 * ${E2E_SCALE:-1} && status == 7; i++)); do
  sleep 0.5
  kill -0 $driver 2>/dev/null || break
  VARNOK_TOKEN=$token timeout 60 "$client" --host "127.0.0.1:$port" --address 6004000 "$file" >"$E2E_DIR/serve98.out" 2>&1
  status=$?
done
wait $driver
driver_status=$?
echo "client (exit code $status):"
cat "$E2E_DIR/serve98.out"
[ $status = 0 ] && grep -q "^sent $(stat -c %s "$file") bytes to 06004000 in .*, checksum matched$" "$E2E_DIR/serve98.out" &&
  [ $driver_status = 0 ]
