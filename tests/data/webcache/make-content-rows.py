#!/usr/bin/env python3
"""Writes content-rows.tsv from esedbexport's Containers and Container_1 tables
(the HTTP cache's rows: folder by SecureDirectory, times as seconds since 1970)."""
import calendar, sys, time

containers, rows, fill = sys.argv[1:4]


def table(path):
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n").split("\t") for line in f]
    return [dict(zip(lines[0], values)) for values in lines[1:]]


def seconds(text):
    # "Nov 29, 2021 22:47:25.505067300", UTC; the epoch of FILETIME is 0.
    if text.startswith("Jan 01, 1601"):
        return 0
    return calendar.timegm(time.strptime(text.split(".")[0], "%b %d, %Y %H:%M:%S"))


folders = next(r["SecureDirectories"] for r in table(containers) if r["ContainerId"] == "1")
# Long addresses esedbexport 20181229 leaves empty, from the independent reader's listing.
known = {r["EntryId"]: r["Url"] for r in table(fill)}
print("\t".join(["EntryId", "Folder", "Filename", "FileSize", "Modified", "Accessed", "Expires", "Url"]))
for r in sorted(table(rows), key=lambda r: int(r["EntryId"])):
    index = int(r["SecureDirectory"])
    print("\t".join([r["EntryId"], folders[(index - 1) * 8:index * 8], r["Filename"], r["FileSize"],
                     str(seconds(r["ModifiedTime"])), str(seconds(r["AccessedTime"])),
                     str(seconds(r["ExpiryTime"])), r["Url"] or known[r["EntryId"]]]))
