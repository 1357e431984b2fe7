#!/usr/bin/env bash
# The whole product over the last 90 seconds of a practice auction: tavik-service with the
# practice page, Chromium, the assistant on its starter practice scheme, openbox and the played
# user, under a private Xvfb (scripts/run --headless). Passes when:
#   - the second bid is entered at the strategy's second (48) and the third at its second (20);
#   - the page accepts both, each inside its ±300 window, and records nothing else;
#   - the page's record of the two bids (price, page time) matches the assistant's log;
#   - every mouse press on the display landed in the practice page's window;
#   - the page measured the latency of each OK click (printed; its target is in the README);
#   - the report written after the run, beside the log, marks both bids entered and accepted.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() {
  echo "end_to_end: $*" >&2
  echo "--- story" >&2
  cat "$out/story.txt" >&2
  exit 1
}

# Its own port and display; the build is already there (ctest runs after it).
env -u DISPLAY TAVIK_RUN_SKIP_BUILD=1 "$root/scripts/run" --headless --lead 90 --port 18391 \
  >"$out/story.txt" 2>&1 || fail "scripts/run failed"
{ iconv -f GBK -t UTF-8 "$root/build/practice-run/state/tavik/my.Log" | tr -d "\r" >"$out/log.txt"; } ||
  fail "no log"

# The status line after each bid's entry shows the remaining second.
entered() {
  grep -A1 -- "---$1" "$out/log.txt" | sed -n 's/.*---剩余时间:\([0-9]*\)(.*/\1/p' | head -1
}
[ "$(entered 准备第二次出价)" = 48 ] || fail "second bid not entered at 48 s: $(entered 准备第二次出价)"
[ "$(entered 准备第三次出价)" = 20 ] || fail "third bid not entered at 20 s: $(entered 准备第三次出价)"

record=$(sed -n 's/^  \(price=.*\)$/\1/p' "$out/story.txt")
[ "$(printf '%s\n' "$record" | grep -c .)" = 2 ] || fail "the page recorded other than two bids"
phase=2
while read -r line; do
  price=$(sed 's/.*price=\([0-9]*\).*/\1/' <<<"$line")
  time=$(sed 's/.*time=\([0-9:]*\).*/\1/' <<<"$line")
  lowest=$(sed 's/.*lowest=\([0-9]*\).*/\1/' <<<"$line")
  grep -q "accepted=true reason=ok" <<<"$line" || fail "bid $phase refused: $line"
  [ $((price - lowest)) -le 300 ] && [ $((lowest - price)) -le 300 ] ||
    fail "bid $phase outside the window: $line"
  grep -q -- "---$phase,$price,$time\$" "$out/log.txt" ||
    fail "the assistant's log does not show bid $phase as the page recorded it: $line"
  latency=$(sed 's/.*latencyMs=\([0-9]*\).*/\1/' <<<"$line")
  echo "end_to_end: bid $phase at $price, page time $time, lowest $lowest, OK click $latency ms after the bid was reachable (or Enter, if later)"
  phase=$((phase + 1))
done <<<"$record"

report=$(ls "$root/build/practice-run/state/tavik/"tavik-run-*.html 2>/dev/null | tail -1)
[ -n "$report" ] || fail "no report written after the run beside the log"
marks() { grep -o "data-kind=\"$1\"" "$report" | grep -c . || true; }
[ "$(marks bid_accepted)" = 2 ] || fail "the report marks $(marks bid_accepted) bids accepted, not 2"
[ "$(marks bid_button)" -ge 2 ] || fail "the report marks $(marks bid_button) bids entered"
! grep -q "没有找到拍卖页面" "$report" || fail "the report says the page was not found"
echo "end_to_end: report $report"

grep -q "^clicks: [1-9][0-9]*, outside the practice page: 0$" "$out/story.txt" ||
  fail "clicks outside the practice page: $(grep '^clicks:' "$out/story.txt")"
grep '^clicks:' "$out/story.txt"
echo "end_to_end: passed"
