#!/usr/bin/env bash
# The cache folder analysis of the real program, in batch mode, on caches that
# real browsers wrote (FLICKHOLD_REAL_CACHES: the unpacked fixtures, each with
# its manifest.json): every movie listed with its address and site, and saved
# byte for byte in site folders; then a copied IE11 profile around the real
# WebCache database (FLICKHOLD_WEBCACHE) with movies as some rows' bodies.
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
# Analyses a folder afresh, saving and listing into $work; false (with what
# the program said) when it exits other than 0.
analyse() {
  local label=$1 folder=$2 rc
  shift 2
  rm -rf "$work"
  mkdir -p "$work"
  "$FLICKHOLD_WINE" "$exe" "/source:archive:Z:${folder//\//\\}" '/saveall:C:\flickhold_archive\out' "$@" \
    '/export:C:\flickhold_archive\list.csv' </dev/null >"$work/said" 2>/dev/null
  rc=$?
  [ "$rc" -eq 0 ] && return 0
  echo "archive: $label: exit $rc, said: $(tr -d '\r' <"$work/said")" >&2
  return 1
}
for manifest in "$caches"/*/manifest.json; do
  fixture=$(dirname "$manifest")
  name=$(basename "$fixture")
  if ! analyse "$name" "$fixture" /sitefolders; then
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

# All of them in one folder: the seven originals and the four caches that
# hold them, 35 rows of 7 movies. Each row's hash is its movie's, 5 rows
# share it, and with /unique each movie is written once, flat or in site
# folders under the first row's address, and every copy's row names that file.
for layout in flat sitefolders; do
  extra=()
  [ "$layout" = sitefolders ] && extra=(/sitefolders)
  if ! analyse "all caches, $layout" "$caches" "${extra[@]}" /unique; then
    fail=1
    continue
  fi
  python3 - "$caches" "$work" "$layout" <<'PY' || fail=1
import csv, glob, hashlib, json, os, sys
from urllib.parse import urlsplit
caches, work, layout = sys.argv[1:]
known = {m["sha256"] for f in glob.glob(caches + "/*/manifest.json") for m in json.load(open(f))["movies"]}
originals = {line.split()[0] for line in open(caches + "/originals/SHA256SUMS")}
with open(work + "/list.csv", encoding="utf-8-sig", newline="") as f:
    rows = list(csv.DictReader(f))
bad = []
if len(rows) != 35 or known != originals or len(known) != 7:
    bad.append(f"{len(rows)} rows, {len(known)} movies in the manifests")
first = {}
for r in rows:
    if r["sha256"] not in known or r["copies"] != "5":
        bad.append(f"{r['address'] or r['local path']}: sha256 {r['sha256']!r}, copies {r['copies']!r}")
    first.setdefault(r["sha256"], r)
    if r["saved to"] != first[r["sha256"]]["saved to"]:
        bad.append(f"{r['address'] or r['local path']}: saved to {r['saved to']!r}, its first copy's is not")
out = work + "/out"
files = [os.path.join(d, n) for d, _, names in os.walk(out) for n in names]
digests = sorted(hashlib.sha256(open(p, "rb").read()).hexdigest() for p in files)
if digests != sorted(known):
    bad.append(f"{len(files)} files written, not the 7 originals byte for byte")
for digest, r in first.items():
    # Flat: the list's name; in site folders: the host, the address's
    # folders and its last part (a row without one is unclassified).
    parts = [p for p in urlsplit(r["address"]).path.split("/") if p] or ["\ubbf8\ubd84\ub958", r["name"]]
    if r["address"]:
        parts.insert(0, r["site"])
    last = parts[-1][:-4] if parts[-1].endswith(".swf") else parts[-1]
    where = parts[:-1] + [last + ".swf"] if layout == "sitefolders" else [r["name"] + ".swf"]
    expected = "C:\\flickhold_archive\\out\\" + "\\".join(where)
    if r["saved to"] != expected:
        bad.append(f"{r['address']}: saved to {r['saved to']!r}, not {expected!r}")
for b in bad:
    print(f"archive: all caches, {layout}: {b}", file=sys.stderr)
sys.exit(1 if bad else 0)
PY
done

# IE10/11's WebCache database (FLICKHOLD_WEBCACHE), untouched, in a copied
# profile with movies placed as the body files of three of its rows (one in a
# folder found only by its 8-character name elsewhere in the copy): each
# listed once, with its row's address and times, and saved byte for byte.
webcache=${FLICKHOLD_WEBCACHE:-}
if [ -n "$webcache" ] && [ -f "$webcache/content-rows.tsv" ]; then
  profile=$(mktemp -d)
  windows="$profile/Users/Administrator/AppData/Local/Microsoft/Windows"
  mkdir -p "$windows/WebCache"
  gzip -dc "$webcache/WebCacheV01-win10-2021-dirty.dat.gz" >"$windows/WebCache/WebCacheV01.dat"
  python3 - "$webcache/content-rows.tsv" "$caches/originals" "$profile" >"$profile.expected" <<'PY' || fail=1
import csv, hashlib, json, os, sys
rows_file, originals, profile = sys.argv[1:]
rows = {r["Filename"]: r for r in csv.DictReader(open(rows_file, encoding="utf-8"), delimiter="\t")}
cache = "Users/Administrator/AppData/Local/Microsoft/Windows/INetCache/IE"
placed = [("E7LW1M9F.htm", cache, "tiny_fws.swf"), ("cb=gapi[1].js", cache, "small_cws.swf"),
          ("i1_1967ca6a[1].png", "elsewhere/copied", "video-js.swf")]
expected = []
for name, where, movie in placed:
    row = rows[name]
    folder = os.path.join(profile, where, row["Folder"])
    os.makedirs(folder, exist_ok=True)
    body = open(os.path.join(originals, movie), "rb").read()
    open(os.path.join(folder, name), "wb").write(body)
    expected.append({"url": row["Url"], "sha256": hashlib.sha256(body).hexdigest(), "modified": int(row["Modified"])})
json.dump(expected, sys.stdout)
PY
  if analyse "webcache" "$profile"; then
    python3 - "$profile.expected" "$work/list.csv" "$WINEPREFIX/drive_c" <<'PY' || fail=1
import csv, hashlib, json, sys
from email.utils import formatdate
expected, listing, drive_c = sys.argv[1:]
expected = json.load(open(expected))
with open(listing, encoding="utf-8-sig", newline="") as f:
    rows = list(csv.DictReader(f))
bad = [] if len(rows) == len(expected) else [f"{len(rows)} rows listed, not {len(expected)}"]
by_url = {r["address"]: r for r in rows}
for m in expected:
    r = by_url.get(m["url"])
    if r is None:
        bad.append(f"{m['url']} is not listed"); continue
    modified = formatdate(m["modified"], usegmt=True) if m["modified"] else ""
    if r["cache"] != "IE10/11 WebCache" or r["last modified"] != modified or not r["cache last access"]:
        bad.append(f"{m['url']}: cache {r['cache']!r}, last modified {r['last modified']!r}")
    saved = r["saved to"]
    path = drive_c + "/" + saved[3:].replace("\\", "/") if saved[:3].upper() == "C:\\" else ""
    try:
        digest = hashlib.sha256(open(path, "rb").read()).hexdigest()
    except OSError:
        digest = "unreadable"
    if digest != m["sha256"]:
        bad.append(f"{m['url']}: saved {saved!r} has sha256 {digest}")
for b in bad:
    print(f"archive: webcache: {b}", file=sys.stderr)
sys.exit(1 if bad else 0)
PY
  else
    fail=1
  fi
  rm -rf "$profile" "$profile.expected"
else
  echo "archive: no WebCache database (FLICKHOLD_WEBCACHE)" >&2
  fail=1
fi

rm -rf "$work"
[ "$fail" -eq 0 ] && echo "archive: every manifest movie listed with its address and saved byte for byte, once with /unique; WebCache rows' movies with their rows' addresses and times"
exit "$fail"
