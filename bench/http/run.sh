#!/usr/bin/env bash
# Requests per second of GET "/" at 32 concurrent connections, and the server's peak memory.
# Builds nothing: give it a built Bramble_srv (default: the release build's).
#   bench/http/run.sh [path/to/Bramble_srv] [duration, default 10s]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
program=${1:-$root/build/release/bin/Bramble_srv}
duration=${2:-10s}
[[ -x $program ]] || { echo "no server program at $program (build the release tree first)" >&2; exit 1; }
command -v wrk >/dev/null || { echo "wrk is not installed" >&2; exit 1; }

folder=$(mktemp -d)
server=""
cleanup() {
  [[ -n $server ]] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$folder"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("0.0.0.0", 0)); print(s.getsockname()[1])')
cp "$program" "$folder/Bramble_srv"
printf '[srv]\nHost=\nPort=%s\nUser=\nPass=\n' "$port" > "$folder/Bramble_srv.ini"

"$folder/Bramble_srv" > "$folder/out.txt" < /dev/null &
server=$!
for _ in $(seq 100); do
  grep -q "Servidor ativo" "$folder/out.txt" 2>/dev/null && break
  sleep 0.05
done
grep -q "Servidor ativo" "$folder/out.txt" || { cat "$folder/out.txt" >&2; exit 1; }

echo "server: $(cat "$folder/out.txt")"
wrk -t2 -c32 -d"$duration" "http://127.0.0.1:$port/"
echo "peak RSS of the server: $(grep VmHWM "/proc/$server/status" | awk '{print $2, $3}')"
