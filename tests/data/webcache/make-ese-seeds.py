#!/usr/bin/env python3
"""Writes fuzz_ese's seeds from the WebCache database: its first pages as they
are, and a small database cut from it (the catalog's root leading to one of
its leaves, and the Containers table's page), each page's XOR checksums
written again where its place or contents changed."""
import gzip, struct, sys

PAGE = 32768
source, out = sys.argv[1], sys.argv[2]
db = gzip.open(source).read()


def page(number):
    return bytearray(db[(number + 1) * PAGE:(number + 2) * PAGE])


def reseal(p, number):
    def xor(start, end):
        value = number
        for (word,) in struct.iter_unpack("<I", bytes(p[start:end])):
            value ^= word
        return value
    struct.pack_into("<Q", p, 64, number)
    for block in range(1, PAGE // 8192):
        struct.pack_into("<I", p, 32 + 8 * block, xor(block * 8192, (block + 1) * 8192))
    struct.pack_into("<I", p, 0, xor(8, 8192))
    return p


def tags(p):
    count = struct.unpack_from("<H", p, 34)[0] & 0x0FFF
    for i in range(count):
        size, offset = struct.unpack_from("<HH", p, PAGE - 4 * (i + 1))
        yield 80 + (offset & 0x7FFF), size & 0x7FFF


with open(out + "/first-pages", "wb") as f:
    f.write(db[:6 * PAGE])

# Pages 1 to 3 stay; the catalog's root (page 4) leads to its leaf of the
# Containers table, moved to page 5; the Containers table's root moves to 6.
root = page(4)
leaf_number = None
for at, size in list(tags(root))[1:]:
    leaf_number = leaf_number or struct.unpack_from("<I", root, at + size - 4)[0]
    struct.pack_into("<I", root, at + size - 4, 5)
leaf = page(leaf_number)
containers = None
for at, size in list(tags(leaf))[1:]:
    value = bytes(leaf[at:at + size])
    # A leaf entry: its flags in the top bits of the first number, a shared
    # key size when flag 4 is set, the local key, then the record.
    start = 2 if (value[1] >> 5) & 4 else 0
    record = start + 2 + (struct.unpack_from("<H", value, start)[0] & 0x1FFF)
    kind = struct.unpack_from("<H", value, record + 8)[0]
    if kind == 1 and value.endswith(b"Containers"):
        containers = struct.unpack_from("<I", value, record + 14)[0]
        struct.pack_into("<I", leaf, at + record + 14, 6)
small = bytearray(db[:5 * PAGE])
small += reseal(root, 4) + reseal(leaf, 5) + reseal(page(containers), 6)
with open(out + "/small-database", "wb") as f:
    f.write(small)
print("catalog leaf", leaf_number, "containers root", containers, "bytes", len(small))
