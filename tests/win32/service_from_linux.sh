#!/usr/bin/env bash
# tavik-service.exe under Wine, reached from the Linux side over 127.0.0.1 as another PC's
# browser would reach it: curl fetches the practice page and sends a vendor request, and
# headless Chromium loads the page and runs its script (the page's title and its drawing).
#   service_from_linux.sh SOURCE_DIR SERVICE_EXE WINEPREFIX
set -euo pipefail
source_dir="$1" service="$2" prefix="$3"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
work=$(mktemp -d)
WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  wine "$service" --config "Z:$source_dir/web/service.conf" --port "$port" 2>"$work/service.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

base="http://127.0.0.1:$port"
for _ in $(seq 1 150); do
  curl -sf -o "$work/fz.html" --max-time 2 "$base/fz.html" && break
  kill -0 "$pid" 2>/dev/null || { echo "tavik-service.exe ended:"; cat "$work/service.log"; exit 1; }
  sleep 0.2
done
cmp "$work/fz.html" "$source_dir/web/practice/fz.html"

# The main parameters, in the vendor's envelope.
reply=$(curl -sf --max-time 5 "$base/rps.php?type=8&lanmac=51515151&lanreadmac=51515151&lanip=127.0.0.1&ver=9.1.4")
case "$reply" in
  *"#AA"*"*AA"*) ;;
  *) echo "main parameters: unexpected reply: $reply"; exit 1 ;;
esac

# The page in a browser: its script draws the page and asks the service for a captcha.
if command -v chromium >/dev/null; then
  flags=(--headless --disable-gpu --user-data-dir="$work/chromium" --no-first-run
         --virtual-time-budget=3000 --dump-dom)
  [ "$(id -u)" -eq 0 ] && flags+=(--no-sandbox)
  timeout 60 chromium "${flags[@]}" "$base/fz.html" >"$work/dom.html" 2>/dev/null
  grep -q "额度投标拍卖" "$work/dom.html" || { echo "no practice page in Chromium"; exit 1; }
fi
echo "tavik-service.exe served $base to Linux clients"
