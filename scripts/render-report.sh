#!/usr/bin/env bash
# Renders a report page ("<output path>_report.html") to a PNG screenshot with headless
# Chromium, to see the page as a browser shows it. Installs Debian's chromium when it is missing.
#
#   scripts/render-report.sh REPORT.html [SCREENSHOT.png]
#
# The screenshot defaults to the report's name with ".png" instead of ".html". The browser gets
# a fresh, throw-away profile and no network services; the page itself needs no network.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 REPORT.html [SCREENSHOT.png]" >&2
  exit 2
fi
report=$1
screenshot=${2:-${report%.html}.png}
if [ ! -f "$report" ]; then
  echo "No such report page: $report" >&2
  exit 1
fi

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "Installing chromium"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq chromium
  browser=$(command -v chromium)
fi

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
report_path=$(realpath "$report")
screenshot_path=$(realpath -m "$screenshot")
rm -f "$screenshot_path"

"$browser" --headless --no-sandbox --disable-gpu --disable-background-networking \
  --disable-component-update --disable-sync --no-first-run \
  --user-data-dir="$profile" --screenshot="$screenshot_path" --window-size=1200,1600 \
  "file://$report_path" >/dev/null 2>"$profile/browser.log" || {
  cat "$profile/browser.log" >&2
  echo "Chromium could not render $report" >&2
  exit 1
}
if [ ! -s "$screenshot_path" ]; then
  cat "$profile/browser.log" >&2
  echo "Chromium wrote no screenshot for $report" >&2
  exit 1
fi
echo "$screenshot_path"
