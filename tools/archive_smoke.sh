#!/usr/bin/env bash
# The cache folder analysis of the real program, in batch mode, on caches that
# real browsers wrote (FLICKHOLD_REAL_CACHES: the unpacked fixtures, each with
# its manifest.json): every movie listed with its address and site, and saved
# byte for byte in site folders.
#   archive_smoke.sh Flickhold.exe
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$(build_dir_of "$exe")"
caches=${FLICKHOLD_REAL_CACHES:-}
if [ -z "$caches" ] || [ ! -d "$caches" ]; then
  echo "archive: no fixtures (FLICKHOLD_REAL_CACHES)" >&2
  exit 1
fi
work="$WINEPREFIX/drive_c/flickhold_archive"
fail=0
for manifest in "$caches"/*/manifest.json; do
  fixture=$(dirname "$manifest")
  name=$(basename "$fixture")
  rm -rf "$work"
  mkdir -p "$work"
  "$FLICKHOLD_WINE" "$exe" "/source:archive:Z:${fixture//\//\\}" '/saveall:C:\flickhold_archive\out' /sitefolders \
    '/export:C:\flickhold_archive\list.csv' </dev/null >"$work/said" 2>/dev/null
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "archive: $name: exit $rc, said: $(tr -d '\r' <"$work/said")" >&2
    fail=1
    continue
  fi
  # Each movie of the manifest: a CSV record with its address and site, and
  # the saved copy that record names, with the original's sha256.
  python3 - "$manifest" "$work/list.csv" "$WINEPREFIX/drive_c" <<'PY' || fail=1
import csv, hashlib, json, sys
manifest, listing, drive_c = sys.argv[1:]
movies = json.load(open(manifest))["movies"]
with open(listing, encoding="utf-8-sig", newline="") as f:
    rows = {r["address"]: r for r in csv.DictReader(f)}
bad = 0
for m in movies:
    r = rows.get(m["url"])
    if r is None:
        print(f"archive: {manifest}: {m['url']} is not listed", file=sys.stderr); bad = 1; continue
    if r["site"] != m["site"] or not r["cache"]:
        print(f"archive: {m['url']}: site {r['site']!r}, cache {r['cache']!r}", file=sys.stderr); bad = 1
    saved = r["saved to"]
    path = drive_c + "/" + saved[3:].replace("\\", "/") if saved[:3].upper() == "C:\\" else ""
    try:
        digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    except OSError:
        digest = "unreadable"
    if digest != m["sha256"]:
        print(f"archive: {m['url']}: saved {saved!r} has sha256 {digest}", file=sys.stderr); bad = 1
sys.exit(bad)
PY
done
rm -rf "$work"
[ "$fail" -eq 0 ] && echo "archive: every manifest movie listed with its address and saved byte for byte"
exit "$fail"
