#!/usr/bin/env python3
"""Small SWF writer for first-frame reference cases (plain Python 3, no dependencies).

Writes uncompressed (FWS) and zlib (CWS) movies from a compact description:

    case = {
      "stage": (w, h),             # pixels (stage rectangle 0,0 .. w,h)
      "fps": 24,                   # 8.8 fixed frame rate
      "bg": "#rrggbb",             # SetBackgroundColor (omit for none)
      "version": 10,               # SWF version byte (>= 8 writes FileAttributes, AVM1)
      "compress": False,           # True -> CWS
      "shapes": [shape, ...],      # DefineShape/2/3/4, written in order
      "sprites": [sprite, ...],    # DefineSprite, after the shapes
      "place": [place, ...],       # main timeline frame 1, then ShowFrame
      "more_frames": [[place | {"remove": depth}, ...], ...],   # frames 2.. (RemoveObject2)
    }

    shape = {"id": 1, "tag": 1..4, "fills": [fill...], "lines": [line...],
             "records": [rec...], "winding": False (DefineShape4 nonzero rule)}
    fill  = ("solid", "#rrggbb[aa]")
          | ("linear", {"p0": (x, y), "p1": (x, y)}, stops[, spread, interp])
          | ("radial", {"c": (x, y), "r": r}, stops[, spread, interp])
          | ("focal",  {"c": (x, y), "r": r, "focal": -1..1}, stops)   # DefineShape4
          | ("linear"/"radial", {"matrix": (a, b, c, d, tx, ty)}, stops)   # raw, twips
      stops = [(ratio 0..255, "#rrggbb[aa]"), ...]  (2..8; 15 for DefineShape4)
    line  = (width_px, "#rrggbb[aa]")  or, for DefineShape4, a dict
            {"w": px, "color": c, "cap": "round|none|square", "join": "round|bevel|miter",
             "miter": 3.0, "endcap": ...}
    rec   = ("S", {"fill0": i, "fill1": j, "line": k, "move": (x, y),
                   "new": (fills, lines)})      # style change (1-based, 0 = none)
          | ("L", x, y)                         # straight edge to absolute point (px)
          | ("Q", cx, cy, x, y)                 # quadratic edge, control + anchor (px)

    place = {"char": id, "depth": d, "x": px, "y": px, "sx": 1, "sy": 1, "rot": deg,
             "matrix": (a, b, c, d, tx_px, ty_px)   # instead of x/y/sx/sy/rot
             "cx": {"mult": (r, g, b, a), "add": (r, g, b, a)},   # floats / ints
             "tag": "PO2" (default) | "PO1" (PlaceObject, CXFORM without alpha)}
    sprite = {"id": id, "frames": [[place...], [place...]], "stop": True}
             ("stop" adds DoAction{ActionStop} to the sprite's frame 1 so that a player
              that keeps running, like the reference player, stays on frame 1)

Coordinates are pixels and converted to twips (x20, rounded). Run as a script to
write every case in CASES to a folder:   python3 swfgen.py OUTDIR [case ...]
"""
import json
import math
import os
import struct
import sys
import zlib

TWIPS = 20


# --------------------------------------------------------------------------- bits
class Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def ub(self, nbits, v):
        if nbits == 0:
            if v != 0:
                raise ValueError("UB[0] nonzero: %d" % v)
            return
        if v < 0 or v >= (1 << nbits):
            raise ValueError("UB[%d] out of range: %d" % (nbits, v))
        for i in range(nbits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((v >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = 0
                self.n = 0

    def sb(self, nbits, v):
        if nbits == 0:
            if v != 0:
                raise ValueError("SB[0] nonzero")
            return
        lo, hi = -(1 << (nbits - 1)), (1 << (nbits - 1)) - 1
        if v < lo or v > hi:
            raise ValueError("SB[%d] out of range: %d" % (nbits, v))
        self.ub(nbits, v & ((1 << nbits) - 1))

    def align(self):
        if self.n:
            self.out.append(self.acc << (8 - self.n))
            self.acc = 0
            self.n = 0

    def raw(self, b):
        self.align()
        self.out += b

    def u8(self, v):
        self.raw(struct.pack("<B", v))

    def u16(self, v):
        self.raw(struct.pack("<H", v))

    def u32(self, v):
        self.raw(struct.pack("<I", v))

    def data(self):
        self.align()
        return bytes(self.out)


def sbits(*vals):
    """Bits needed to hold every value as a signed field."""
    n = 0
    for v in vals:
        v = int(v)
        n = max(n, (v if v >= 0 else ~v).bit_length() + 1)
    return n


def ubits(*vals):
    return max([int(v).bit_length() for v in vals] + [0])


def tw(px):
    return int(round(px * TWIPS))


def fixed16(f):
    return int(round(f * 65536))


def color(s, alpha):
    s = s.lstrip("#")
    r, g, b = int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16)
    a = int(s[6:8], 16) if len(s) >= 8 else 255
    if not alpha and a != 255:
        raise ValueError("alpha colour %s in an RGB-only record" % s)
    return bytes([r, g, b, a]) if alpha else bytes([r, g, b])


# ----------------------------------------------------------------- basic records
def write_rect(bw, xmin, xmax, ymin, ymax):
    n = sbits(xmin, xmax, ymin, ymax)
    bw.align()
    bw.ub(5, n)
    for v in (xmin, xmax, ymin, ymax):
        bw.sb(n, v)
    bw.align()


def write_matrix(bw, a, b, c, d, tx, ty):
    """a=ScaleX b=RotateSkew0 c=RotateSkew1 d=ScaleY, tx/ty in twips.
    x' = a*x + c*y + tx ; y' = b*x + d*y + ty"""
    bw.align()
    fa, fb, fc, fd = fixed16(a), fixed16(b), fixed16(c), fixed16(d)
    if fa != 65536 or fd != 65536:
        bw.ub(1, 1)
        n = sbits(fa, fd)
        bw.ub(5, n)
        bw.sb(n, fa)
        bw.sb(n, fd)
    else:
        bw.ub(1, 0)
    if fb != 0 or fc != 0:
        bw.ub(1, 1)
        n = sbits(fb, fc)
        bw.ub(5, n)
        bw.sb(n, fb)
        bw.sb(n, fc)
    else:
        bw.ub(1, 0)
    n = sbits(tx, ty) if (tx or ty) else 0
    bw.ub(5, n)
    bw.sb(n, tx)
    bw.sb(n, ty)
    bw.align()


def write_cxform(bw, cx, alpha):
    mult = cx.get("mult")
    add = cx.get("add")
    k = 4 if alpha else 3
    m = [int(round(v * 256)) for v in mult[:k]] if mult else []
    ad = [int(v) for v in add[:k]] if add else []
    bw.align()
    bw.ub(1, 1 if add else 0)
    bw.ub(1, 1 if mult else 0)
    n = max(sbits(*(m + ad)), 1)
    bw.ub(4, n)
    for v in m:
        bw.sb(n, v)
    for v in ad:
        bw.sb(n, v)
    bw.align()


def tag(code, body):
    if len(body) < 63 and code not in (6, 21, 35, 36, 20):
        return struct.pack("<H", (code << 6) | len(body)) + body
    return struct.pack("<HI", (code << 6) | 0x3F, len(body)) + body


# ----------------------------------------------------------------------- shapes
def gradient_matrix(kind, geo):
    if "matrix" in geo:
        return geo["matrix"]
    if kind == "linear":
        (x0, y0), (x1, y1) = geo["p0"], geo["p1"]
        dx, dy = tw(x1) - tw(x0), tw(y1) - tw(y0)
        length = math.hypot(dx, dy)
        s = length / 32768.0
        ang = math.atan2(dy, dx)
        a, b = s * math.cos(ang), s * math.sin(ang)
        return (a, b, -b, a, (tw(x0) + tw(x1)) // 2, (tw(y0) + tw(y1)) // 2)
    cx, cy = geo["c"]
    s = tw(geo["r"]) / 16384.0
    return (s, 0.0, 0.0, s, tw(cx), tw(cy))


def write_fill(bw, fill, shape_tag):
    alpha = shape_tag >= 3
    kind = fill[0]
    bw.align()
    if kind == "solid":
        bw.u8(0x00)
        bw.raw(color(fill[1], alpha))
        return
    if kind == "bitmap":
        # ("bitmap", bitmap_id, (a, b, c, d, tx_px, ty_px), "clipped"|"repeat", smooth)
        # the matrix maps bitmap pixels to shape pixels (a = 1: one bitmap pixel per pixel)
        bid, (a, b, c, d, tx, ty) = fill[1], fill[2]
        mode = fill[3] if len(fill) > 3 else "clipped"
        smooth = fill[4] if len(fill) > 4 else False
        bw.u8({"repeat": 0x40, "clipped": 0x41}[mode] + (0 if smooth else 2))
        bw.u16(bid)
        write_matrix(bw, a * TWIPS, b * TWIPS, c * TWIPS, d * TWIPS, tw(tx), tw(ty))
        return
    code = {"linear": 0x10, "radial": 0x12, "focal": 0x13}[kind]
    if kind == "focal" and shape_tag < 4:
        raise ValueError("focal gradient needs DefineShape4")
    geo, stops = fill[1], fill[2]
    spread = fill[3] if len(fill) > 3 else 0
    interp = fill[4] if len(fill) > 4 else 0
    maxstops = 15 if shape_tag >= 4 else 8
    if not (1 <= len(stops) <= maxstops):
        raise ValueError("gradient stop count")
    bw.u8(code)
    write_matrix(bw, *gradient_matrix(kind, geo))
    bw.ub(2, spread)
    bw.ub(2, interp)
    bw.ub(4, len(stops))
    for ratio, col in stops:
        bw.u8(ratio)
        bw.raw(color(col, alpha))
    if kind == "focal":
        bw.raw(struct.pack("<h", int(round(geo.get("focal", 0.0) * 256))))


CAPS = {"round": 0, "none": 1, "square": 2}
JOINS = {"round": 0, "bevel": 1, "miter": 2}
# LINESTYLE2 scale mode -> (NoHScale, NoVScale): "horizontal" = the width follows the
# horizontal scale only (ActionScript's LineScaleMode.HORIZONTAL), "vertical" likewise
LINE_SCALE = {"normal": (0, 0), "horizontal": (0, 1), "vertical": (1, 0), "none": (1, 1)}


def line_scale_kinds(shape):
    """(any line with a non-scaling axis, any normal line) over every line array of a shape."""
    arrays = [shape.get("lines", [])] + [r[1]["new"][1] for r in shape["records"]
                                          if r[0] == "S" and "new" in r[1]]
    modes = [(l.get("scale", "normal") if isinstance(l, dict) else "normal") for a in arrays for l in a]
    return any(m != "normal" for m in modes), any(m == "normal" for m in modes)


def write_line(bw, line, shape_tag):
    bw.align()
    if shape_tag < 4:
        w, col = line
        bw.u16(tw(w))
        bw.raw(color(col, shape_tag >= 3))
        return
    if not isinstance(line, dict):
        line = {"w": line[0], "color": line[1]}
    bw.u16(tw(line["w"]))
    cap = CAPS[line.get("cap", "round")]
    join = JOINS[line.get("join", "round")]
    bw.ub(2, cap)
    bw.ub(2, join)
    no_h, no_v = LINE_SCALE[line.get("scale", "normal")]
    bw.ub(1, 0)  # HasFillFlag
    bw.ub(1, no_h)  # NoHScale
    bw.ub(1, no_v)  # NoVScale
    bw.ub(1, 0)  # PixelHinting
    bw.ub(5, 0)
    bw.ub(1, 0)  # NoClose
    bw.ub(2, CAPS[line.get("endcap", line.get("cap", "round"))])
    if join == 2:
        bw.u16(int(round(line.get("miter", 3.0) * 256)))
    bw.raw(color(line["color"], True))


def write_style_arrays(bw, fills, lines, shape_tag):
    bw.align()
    if len(fills) >= 255:
        bw.u8(0xFF)
        bw.u16(len(fills))
    else:
        bw.u8(len(fills))
    for f in fills:
        write_fill(bw, f, shape_tag)
    if len(lines) >= 255:
        bw.u8(0xFF)
        bw.u16(len(lines))
    else:
        bw.u8(len(lines))
    for ln in lines:
        write_line(bw, ln, shape_tag)
    nf, nl = ubits(len(fills)), ubits(len(lines))
    bw.ub(4, nf)
    bw.ub(4, nl)
    return nf, nl


def line_width(line):
    if isinstance(line, dict):
        return line["w"]
    return line[0]


def shape_bounds(shape):
    xs, ys = [], []
    maxw = max([line_width(l) for l in shape.get("lines", [])] + [0])
    for rec in shape["records"]:
        if rec[0] == "S":
            st = rec[1]
            if "move" in st:
                xs.append(st["move"][0])
                ys.append(st["move"][1])
            if "new" in st:
                maxw = max([maxw] + [line_width(l) for l in st["new"][1]])
        elif rec[0] == "L":
            xs.append(rec[1])
            ys.append(rec[2])
        elif rec[0] == "Q":
            xs += [rec[1], rec[3]]
            ys += [rec[2], rec[4]]
    if not xs:
        xs, ys = [0], [0]
    edge = (tw(min(xs)), tw(max(xs)), tw(min(ys)), tw(max(ys)))
    p = tw(maxw / 2.0)
    return (edge[0] - p, edge[1] + p, edge[2] - p, edge[3] + p), edge


def define_shape(shape):
    st = shape["tag"]
    code = {1: 2, 2: 22, 3: 32, 4: 83}[st]
    bw = Bits()
    bw.u16(shape["id"])
    bounds, edge = shape_bounds(shape)
    write_rect(bw, *bounds)
    if st == 4:
        write_rect(bw, *edge)
        bw.ub(5, 0)
        nonscaling, scaling = line_scale_kinds(shape)
        bw.ub(1, 1 if shape.get("winding") else 0)  # UsesFillWindingRule
        bw.ub(1, 1 if nonscaling else 0)  # UsesNonScalingStrokes
        bw.ub(1, 1 if (scaling or not nonscaling) else 0)  # UsesScalingStrokes
    nf, nl = write_style_arrays(bw, shape.get("fills", []), shape.get("lines", []), st)
    px, py = 0, 0  # pen, twips
    for rec in shape["records"]:
        kind = rec[0]
        if kind == "S":
            s = rec[1]
            new = "new" in s
            if new and st < 2:
                raise ValueError("StateNewStyles needs DefineShape2+")
            flags = [new, "line" in s, "fill1" in s, "fill0" in s, "move" in s]
            if not any(flags):
                raise ValueError("empty style change record")
            bw.ub(1, 0)
            for f in flags:
                bw.ub(1, 1 if f else 0)
            if "move" in s:
                mx, my = tw(s["move"][0]), tw(s["move"][1])
                n = sbits(mx, my) if (mx or my) else 0
                bw.ub(5, n)
                bw.sb(n, mx)
                bw.sb(n, my)
                px, py = mx, my
            if "fill0" in s:
                bw.ub(nf, s["fill0"])
            if "fill1" in s:
                bw.ub(nf, s["fill1"])
            if "line" in s:
                bw.ub(nl, s["line"])
            if new:
                nf, nl = write_style_arrays(bw, s["new"][0], s["new"][1], st)
        elif kind == "L":
            x, y = tw(rec[1]), tw(rec[2])
            dx, dy = x - px, y - py
            if dx == 0 and dy == 0:
                continue
            n = max(sbits(dx, dy), 2)
            bw.ub(1, 1)
            bw.ub(1, 1)
            bw.ub(4, n - 2)
            if dx != 0 and dy != 0:
                bw.ub(1, 1)
                bw.sb(n, dx)
                bw.sb(n, dy)
            elif dx == 0:
                bw.ub(1, 0)
                bw.ub(1, 1)
                bw.sb(n, dy)
            else:
                bw.ub(1, 0)
                bw.ub(1, 0)
                bw.sb(n, dx)
            px, py = x, y
        elif kind == "Q":
            cx, cy, ax, ay = tw(rec[1]), tw(rec[2]), tw(rec[3]), tw(rec[4])
            d = (cx - px, cy - py, ax - cx, ay - cy)
            n = max(sbits(*d), 2)
            bw.ub(1, 1)
            bw.ub(1, 0)
            bw.ub(4, n - 2)
            for v in d:
                bw.sb(n, v)
            px, py = ax, ay
        else:
            raise ValueError("record " + repr(kind))
    bw.ub(6, 0)  # EndShapeRecord
    return tag(code, bw.data())


# ---------------------------------------------------------------------- placing
def place_matrix(p):
    if "matrix" in p:
        a, b, c, d, tx, ty = p["matrix"]
        return a, b, c, d, tw(tx), tw(ty)
    sx, sy = p.get("sx", 1.0), p.get("sy", 1.0)
    r = math.radians(p.get("rot", 0.0))
    return (sx * math.cos(r), sx * math.sin(r), -sy * math.sin(r), sy * math.cos(r),
            tw(p.get("x", 0.0)), tw(p.get("y", 0.0)))


BLEND_MODES = {"normal": 1, "layer": 2, "multiply": 3, "screen": 4, "lighten": 5, "darken": 6,
               "difference": 7, "add": 8, "subtract": 9, "invert": 10, "alpha": 11, "erase": 12,
               "overlay": 13, "hardlight": 14}
FILTER_IDS = {"dropshadow": 0, "blur": 1, "glow": 2, "bevel": 3, "gradientglow": 4,
              "convolution": 5, "colormatrix": 6, "gradientbevel": 7}


def fixed(v):
    """FIXED 16.16, little-endian (filter blur sizes and distances are pixels, angles radians)."""
    return struct.pack("<i", int(round(v * 65536)))


def fixed8(v):
    return struct.pack("<h", int(round(v * 256)))


def write_filter(bw, f):
    """One FILTER record. f = {"type": ..., "blur": (x, y) px, "angle": degrees, "distance": px,
    "strength": 1.0, "inner": False, "knockout": False, "ontop": False, "passes": 1, ...}."""
    t = f["type"]
    bw.u8(FILTER_IDS[t])
    blur = lambda: fixed(f["blur"][0]) + fixed(f["blur"][1])
    ang = lambda: fixed(math.radians(f.get("angle", 45.0)))
    passes = f.get("passes", 1)
    inner, knock = 1 if f.get("inner") else 0, 1 if f.get("knockout") else 0
    if t == "dropshadow":
        bw.raw(color(f["color"], True) + blur() + ang() + fixed(f.get("distance", 4.0))
               + fixed8(f.get("strength", 1.0)))
        bw.ub(1, inner)
        bw.ub(1, knock)
        bw.ub(1, 1)  # CompositeSource
        bw.ub(5, passes)
    elif t == "blur":
        bw.raw(blur())
        bw.ub(5, passes)
        bw.ub(3, 0)
    elif t == "glow":
        bw.raw(color(f["color"], True) + blur() + fixed8(f.get("strength", 1.0)))
        bw.ub(1, inner)
        bw.ub(1, knock)
        bw.ub(1, 1)
        bw.ub(5, passes)
    elif t in ("bevel", "gradientglow", "gradientbevel"):
        if t == "bevel":
            # field order as the file format description gives it: ShadowColor, HighlightColor
            bw.raw(color(f["shadow"], True) + color(f["highlight"], True))
        else:
            stops = f["stops"]
            bw.u8(len(stops))
            bw.raw(b"".join(color(c, True) for _, c in stops) + bytes(r for r, _ in stops))
        bw.raw(blur() + ang() + fixed(f.get("distance", 4.0)) + fixed8(f.get("strength", 1.0)))
        bw.ub(1, inner)
        bw.ub(1, knock)
        bw.ub(1, 1)
        bw.ub(1, 1 if f.get("ontop") else 0)
        bw.ub(4, passes)
    elif t == "convolution":
        cols, rows = f["cols"], f["rows"]
        if len(f["matrix"]) != cols * rows:
            raise ValueError("convolution matrix size")
        bw.raw(bytes([cols, rows]) + struct.pack("<ff", f.get("divisor", 1.0), f.get("bias", 0.0))
               + struct.pack("<%df" % (cols * rows), *f["matrix"]) + color(f.get("default", "#00000000"), True))
        bw.ub(6, 0)
        bw.ub(1, 1 if f.get("clamp", True) else 0)
        bw.ub(1, 1 if f.get("preserve_alpha", True) else 0)
    elif t == "colormatrix":
        if len(f["matrix"]) != 20:
            raise ValueError("colour matrix needs 20 values")
        bw.raw(struct.pack("<20f", *f["matrix"]))
    bw.align()


def place_object(p):
    bw = Bits()
    kind = p.get("tag", "PO2")
    if kind == "PO1":
        bw.u16(p["char"])
        bw.u16(p["depth"])
        write_matrix(bw, *place_matrix(p))
        if "cx" in p:
            write_cxform(bw, p["cx"], False)
        return tag(4, bw.data())
    has_cx = "cx" in p
    has_clip = "clip" in p
    has_char = "char" in p
    has_matrix = "char" in p or any(k in p for k in ("x", "y", "sx", "sy", "rot", "matrix"))
    flags = ((1 << 0) if p.get("move") else 0) | ((1 << 1) if has_char else 0) | ((1 << 2) if has_matrix else 0) \
        | ((1 << 3) if has_cx else 0) | ((1 << 5) if "name" in p else 0) | ((1 << 6) if has_clip else 0)
    bw.u8(flags)
    if kind == "PO3":
        # PlaceObject3, second flag byte (high bit first): Reserved, OpaqueBackground, HasVisible,
        # HasImage, HasClassName, HasCacheAsBitmap, HasBlendMode, HasFilterList
        flags2 = ((1 << 6) if "opaque_bg" in p else 0) | ((1 << 5) if "visible" in p else 0) \
            | ((1 << 4) if p.get("image") else 0) | ((1 << 2) if "cache" in p else 0) \
            | ((1 << 1) if "blend" in p else 0) | ((1 << 0) if "filters" in p else 0)
        bw.u8(flags2)
    bw.u16(p["depth"])
    if has_char:
        bw.u16(p["char"])
    if has_matrix:
        write_matrix(bw, *place_matrix(p))
    if has_cx:
        write_cxform(bw, p["cx"], True)
    if "name" in p:
        bw.raw(p["name"].encode("utf-8") + b"\0")
    if has_clip:
        bw.u16(p["clip"])
    if kind == "PO3":
        if "filters" in p:
            bw.u8(len(p["filters"]))
            for f in p["filters"]:
                write_filter(bw, f)
        if "blend" in p:
            bw.u8(BLEND_MODES[p["blend"]])
        if "cache" in p:
            bw.u8(1 if p["cache"] else 0)
        if "visible" in p:
            bw.u8(1 if p["visible"] else 0)
        if "opaque_bg" in p:
            bw.raw(color(p["opaque_bg"], True))
        return tag(70, bw.data())
    return tag(26, bw.data())


def define_bits_lossless2(bm):
    """DefineBitsLossless2, format 5 (32-bit ARGB, zlib). bm = {"id", "w", "h", "argb": [(a, r, g, b)
    straight alpha, row by row]}; the file stores the colours premultiplied by alpha."""
    w, h, px = bm["w"], bm["h"], bm["argb"]
    if len(px) != w * h:
        raise ValueError("bitmap %d: %d pixels for %dx%d" % (bm["id"], len(px), w, h))
    raw = bytearray()
    for a, r, g, b in px:
        raw += bytes([a, (r * a + 127) // 255, (g * a + 127) // 255, (b * a + 127) // 255])
    return tag(36, struct.pack("<HBHH", bm["id"], 5, w, h) + zlib.compress(bytes(raw), 9))


# ------------------------------------------------------------ AVM1 frame actions
# An action list is a list of tuples (frame numbers are 1-based, as in ActionScript):
#   ("stop",) ("play",) ("next",) ("prev",)         ActionStop/Play/NextFrame/PreviousFrame
#   ("goto", n)          ActionGotoFrame, frame index n-1 (UI16)
#   ("gotolabel", s)     ActionGoToLabel
#   ("settarget", s)     ActionSetTarget ("" returns to the timeline that runs the actions)
#   ("pool", [s, ...])   ActionConstantPool
#   ("push", [v, ...])   ActionPush; v = ("str", s) | ("float", f) | ("double", f) | ("int", i)
#                        | ("const", k) (constant-pool index, UI8) | ("bool", b) | ("null",)
#   ("goto2", play[, scene_bias])   ActionGotoFrame2: pops a frame number (1-based) or a label
ACTION_CODES = {"next": 0x04, "prev": 0x05, "play": 0x06, "stop": 0x07, "goto": 0x81,
                "pool": 0x88, "settarget": 0x8B, "gotolabel": 0x8C, "push": 0x96, "goto2": 0x9F}


def cstr(s):
    return s.encode("utf-8") + b"\0"


def push_value(v):
    t = v[0]
    if t == "str":
        return b"\x00" + cstr(v[1])
    if t == "float":
        return b"\x01" + struct.pack("<f", v[1])
    if t == "null":
        return b"\x02"
    if t == "bool":
        return b"\x05" + bytes([1 if v[1] else 0])
    if t == "double":
        # the two 32-bit halves of the little-endian double are stored high half first
        raw = struct.pack("<d", v[1])
        return b"\x06" + raw[4:] + raw[:4]
    if t == "int":
        return b"\x07" + struct.pack("<i", v[1])
    if t == "const":
        return (b"\x08" + bytes([v[1]])) if v[1] < 256 else (b"\x09" + struct.pack("<H", v[1]))
    raise ValueError("push value " + repr(v))


def encode_action(a):
    op = a[0]
    code = ACTION_CODES[op]
    if code < 0x80:
        return bytes([code])
    if op == "goto":
        if a[1] < 1:
            raise ValueError("goto frame numbers are 1-based")
        payload = struct.pack("<H", a[1] - 1)
    elif op in ("gotolabel", "settarget"):
        payload = cstr(a[1])
    elif op == "pool":
        payload = struct.pack("<H", len(a[1])) + b"".join(cstr(x) for x in a[1])
    elif op == "push":
        payload = b"".join(push_value(v) for v in a[1])
    elif op == "goto2":
        bias = a[2] if len(a) > 2 else None
        payload = bytes([(2 if bias is not None else 0) | (1 if a[1] else 0)])
        if bias is not None:
            payload += struct.pack("<H", bias)
    return bytes([code]) + struct.pack("<H", len(payload)) + payload


# Stack operations without operands, by the names the scripts below use.
STACK_OPS = {"add": 0x47, "sub": 0x0B, "mul": 0x0C, "div": 0x0D, "mod": 0x3F, "less": 0x48, "greater": 0x67,
             "not": 0x12, "eq": 0x49, "getvar": 0x1C, "setvar": 0x1D, "getmember": 0x4E, "setmember": 0x4F,
             "callfunc": 0x3D, "callmethod": 0x52, "pop": 0x17, "return": 0x3E, "initobject": 0x43,
             "initarray": 0x42, "local": 0x3C, "inc": 0x50, "delete": 0x3A, "trace": 0x26, "dup": 0x4C,
             "newobject": 0x40}


def encode_actions(actions):
    """Action records with ("label", L) marks and ("jump", L) / ("if", L) branches to them, and
    ("function", name, [params], [body]) for DefineFunction (its body's labels its own)."""
    def size(a):
        if a[0] == "label":
            return 0
        if a[0] in ("jump", "if"):
            return 5
        return len(encode_one(a, {}, 0))

    def encode_one(a, labels, at):
        if a[0] in STACK_OPS:
            return bytes([STACK_OPS[a[0]]])
        if a[0] in ("jump", "if"):
            return bytes([0x99 if a[0] == "jump" else 0x9D]) + struct.pack("<Hh", 2, labels.get(a[1], at + 5) - at - 5)
        if a[0] == "function":
            body = encode_actions(a[3])
            payload = cstr(a[1]) + struct.pack("<H", len(a[2])) + b"".join(cstr(x) for x in a[2]) \
                + struct.pack("<H", len(body))
            return b"\x9b" + struct.pack("<H", len(payload)) + payload + body
        return encode_action(a)

    labels, at = {}, 0
    for a in actions:
        if a[0] == "label":
            labels[a[1]] = at
        at += size(a)
    out, at = b"", 0
    for a in actions:
        if a[0] != "label":
            out += encode_one(a, labels, at)
            at = len(out)
    return out


def do_action(actions):
    """DoAction tag: the records, then ActionEndFlag."""
    return tag(12, encode_actions(actions) + b"\0")


def frame_label(name):
    return tag(43, cstr(name))


def define_sprite(sp):
    body = struct.pack("<HH", sp["id"], len(sp["frames"]))
    labels, actions = sp.get("labels", {}), sp.get("actions", {})
    for i, frame in enumerate(sp["frames"]):
        if i + 1 in labels:
            body += frame_label(labels[i + 1])
        for p in frame:
            body += tag(28, struct.pack("<H", p["remove"])) if "remove" in p else place_object(p)
        if i == 0 and sp.get("stop"):
            body += tag(12, b"\x07\x00")  # DoAction: ActionStop, ActionEndFlag
        if i + 1 in actions:
            body += do_action(actions[i + 1])
        body += tag(1, b"")
    body += tag(0, b"")
    return tag(39, body)


# ------------------------------------------------------------------------ movie
def build(case):
    w, h = case["stage"]
    ox, oy = case.get("origin", (0, 0))  # the stage rect's xMin, yMin (px)
    version = case.get("version", 10)
    hdr = Bits()
    write_rect(hdr, tw(ox), tw(ox + w), tw(oy), tw(oy + h))
    fps = case.get("fps", 24)
    hdr.raw(struct.pack("<H", int(round(fps * 256))))
    hdr.u16(1 + len(case.get("more_frames", [])))
    body = hdr.data()
    if version >= 8:
        body += tag(69, struct.pack("<I", 0))  # FileAttributes: AVM1, no network, no metadata
    if "bg" in case:
        body += tag(9, color(case["bg"], False))
    for bm in case.get("bitmaps", []):
        body += define_bits_lossless2(bm)
    for s in case.get("shapes", []):
        body += define_shape(s)
    for f in case.get("fonts", []):
        body += define_font2(f)
    for t in case.get("static_texts", []):
        body += define_text(t)
    for t in case.get("texts", []):
        body += define_edit_text(t)
    for b in case.get("buttons", []):
        body += define_button2(b)
    for sp in case.get("sprites", []):
        body += define_sprite(sp)
    if case.get("exports"):
        exports = case["exports"]
        body += tag(56, struct.pack("<H", len(exports)) + b"".join(struct.pack("<H", i) + cstr(n) for i, n in exports))
    labels, actions = case.get("labels", {}), case.get("actions", {})
    for i, frame in enumerate([case.get("place", [])] + case.get("more_frames", [])):
        if i + 1 in labels:
            body += frame_label(labels[i + 1])  # FrameLabel
        for p in frame:
            if "remove" in p:
                body += tag(28, struct.pack("<H", p["remove"]))  # RemoveObject2
            else:
                body += place_object(p)
        if i + 1 in actions:
            body += do_action(actions[i + 1])  # DoAction, after the frame's display list tags
        body += tag(1, b"")
    body += tag(0, b"")
    length = 8 + len(body)
    if case.get("compress"):
        return b"CWS" + bytes([version]) + struct.pack("<I", length) + zlib.compress(body, 9)
    return b"FWS" + bytes([version]) + struct.pack("<I", length) + body


# ---------------------------------------------------------------------- helpers
def S(**kw):
    return ("S", kw)


def rect_path(x, y, w, h, **style):
    """Clockwise on screen (y down): interior on the right -> fill1."""
    st = dict(style)
    st["move"] = (x, y)
    return [S(**st), ("L", x + w, y), ("L", x + w, y + h), ("L", x, y + h), ("L", x, y)]


def rect_path_ccw(x, y, w, h, **style):
    st = dict(style)
    st["move"] = (x, y)
    return [S(**st), ("L", x, y + h), ("L", x + w, y + h), ("L", x + w, y), ("L", x, y)]


def circle_path(cx, cy, r, n=8, ccw=False, **style):
    """n quadratic segments; control points at r / cos(pi/n)."""
    st = dict(style)
    st["move"] = (cx + r, cy)
    recs = [S(**st)]
    step = 2 * math.pi / n * (-1 if ccw else 1)
    rc = r / math.cos(math.pi / n)
    for i in range(n):
        a1 = (i + 0.5) * step
        a2 = (i + 1) * step
        recs.append(("Q", cx + rc * math.cos(a1), cy + rc * math.sin(a1),
                     cx + r * math.cos(a2), cy + r * math.sin(a2)))
    return recs


def poly_path(pts, **style):
    st = dict(style)
    st["move"] = pts[0]
    return [S(**st)] + [("L", x, y) for x, y in pts[1:]] + [("L", pts[0][0], pts[0][1])]


def star_points(cx, cy, r, k=5):
    """Pentagram visiting every second vertex (self-intersecting)."""
    pts = []
    for i in range(k):
        a = -math.pi / 2 + i * 2 * (2 * math.pi / k)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


# ------------------------------------------------------------------------ cases
CASES = {}


def case(name, doc):
    def deco(fn):
        c = fn()
        c["doc"] = doc
        CASES[name] = c
        return fn
    return deco


@case("01-bg-only", "550x400 stage, SetBackgroundColor #336699, nothing placed (FWS, v10).")
def _():
    return {"stage": (550, 400), "fps": 24, "bg": "#336699"}


@case("02-solid-rects", "DefineShape (1) RGB solid fills: 3 rects in one shape with 3 fill styles, "
      "one rect shape placed twice (PlaceObject and PlaceObject2, translate only). FWS v6 "
      "(no FileAttributes).")
def _():
    s1 = {"id": 1, "tag": 1,
          "fills": [("solid", "#e02020"), ("solid", "#20a040"), ("solid", "#2040e0")],
          "records": rect_path(10, 10, 100, 60, fill1=1) + rect_path(130, 10, 60, 100, fill1=2)
          + rect_path(210, 10, 80, 80, fill1=3)}
    s2 = {"id": 2, "tag": 1, "fills": [("solid", "#f0c000")], "records": rect_path(0, 0, 50, 30, fill1=1)}
    return {"stage": (320, 200), "fps": 12, "bg": "#ffffff", "version": 6, "shapes": [s1, s2],
            "place": [{"char": 1, "depth": 1},
                      {"char": 2, "depth": 2, "x": 20, "y": 140, "tag": "PO1"},
                      {"char": 2, "depth": 3, "x": 100.5, "y": 140.25}]}


@case("03-overlap-alpha", "DefineShape3 RGBA solid fills at 50% alpha: red, green, blue squares "
      "overlapping; depth order 1<2<3; an opaque black bar under all (depth 0 analogue = depth 1).")
def _():
    bar = {"id": 1, "tag": 3, "fills": [("solid", "#000000")], "records": rect_path(0, 90, 300, 20, fill1=1)}
    mk = lambda i, c: {"id": i, "tag": 3, "fills": [("solid", c)], "records": rect_path(0, 0, 120, 120, fill1=1)}
    return {"stage": (300, 200), "bg": "#ffffff",
            "shapes": [bar, mk(2, "#ff000080"), mk(3, "#00ff0080"), mk(4, "#0000ff80")],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2, "x": 30, "y": 20},
                      {"char": 3, "depth": 3, "x": 90, "y": 40}, {"char": 4, "depth": 4, "x": 150, "y": 60}]}


@case("04-curves-circle", "DefineShape2: circle of 8 quadratic edges, orange fill + 3px dark outline; "
      "a 4-curve oval (controls at the box corners: a rounded-rectangle look); a wavy band (curves on "
      "both sides, 1px outline); CWS compressed.")
def _():
    circ = {"id": 1, "tag": 2, "fills": [("solid", "#ff8800")], "lines": [(3, "#202020")],
            "records": circle_path(80, 80, 60, 8, fill1=1, line=1)}
    ell = {"id": 2, "tag": 2, "fills": [("solid", "#3080ff")], "lines": [],
           "records": [S(move=(0, -40), fill1=1), ("Q", 70, -40, 70, 0), ("Q", 70, 40, 0, 40),
                       ("Q", -70, 40, -70, 0), ("Q", -70, -40, 0, -40)]}
    wave = {"id": 3, "tag": 2, "fills": [("solid", "#40b040")], "lines": [(1, "#004000")],
            "records": [S(move=(0, 0), fill1=1, line=1), ("Q", 25, -30, 50, 0), ("Q", 75, 30, 100, 0),
                        ("Q", 125, -30, 150, 0), ("L", 150, 25), ("Q", 125, -5, 100, 25),
                        ("Q", 75, 55, 50, 25), ("Q", 25, -5, 0, 25), ("L", 0, 0)]}
    return {"stage": (400, 240), "bg": "#f0f0f0", "compress": True, "shapes": [circ, ell, wave],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2, "x": 260, "y": 70},
                      {"char": 3, "depth": 3, "x": 200, "y": 170}]}


@case("05-linear-gradient", "DefineShape3 linear gradients: 2 stops red->blue horizontal; 3 stops with "
      "alpha; 8 stops rainbow; a 45-degree diagonal 2-stop on a square.")
def _():
    g1 = {"id": 1, "tag": 3,
          "fills": [("linear", {"p0": (10, 0), "p1": (290, 0)}, [(0, "#ff0000"), (255, "#0000ff")])],
          "records": rect_path(10, 10, 280, 40, fill1=1)}
    g2 = {"id": 2, "tag": 3,
          "fills": [("linear", {"p0": (10, 0), "p1": (290, 0)},
                     [(0, "#00000000"), (128, "#00a000ff"), (255, "#ffff0080")])],
          "records": rect_path(10, 60, 280, 40, fill1=1)}
    rainbow = ["#ff0000", "#ff8000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#8000ff", "#ff00ff"]
    g3 = {"id": 3, "tag": 3,
          "fills": [("linear", {"p0": (10, 0), "p1": (290, 0)},
                     [(int(round(i * 255 / 7)), c) for i, c in enumerate(rainbow)])],
          "records": rect_path(10, 110, 280, 40, fill1=1)}
    g4 = {"id": 4, "tag": 3,
          "fills": [("linear", {"p0": (310, 10), "p1": (390, 90)}, [(0, "#ffffff"), (255, "#000000")])],
          "records": rect_path(310, 10, 80, 80, fill1=1)}
    stripes = {"id": 5, "tag": 1, "fills": [("solid", "#808080")],
               "records": sum([rect_path(10 + 20 * i, 70, 10, 20, fill1=1) for i in range(14)], [])}
    return {"stage": (400, 160), "bg": "#ffffff", "shapes": [stripes, g1, g2, g3, g4],
            "place": [{"char": 5, "depth": 1}, {"char": 1, "depth": 2}, {"char": 2, "depth": 3},
                      {"char": 3, "depth": 4}, {"char": 4, "depth": 5}]}


@case("06-radial-gradient", "Radial gradients: DefineShape2 white->red on a circle; DefineShape3 4 stops "
      "with alpha on a square (pad spread beyond r); DefineShape4 focal gradient (focal 0.6).")
def _():
    r1 = {"id": 1, "tag": 2, "fills": [("radial", {"c": (70, 80), "r": 60}, [(0, "#ffffff"), (255, "#c00000")])],
          "records": circle_path(70, 80, 60, 8, fill1=1)}
    r2 = {"id": 2, "tag": 3,
          "fills": [("radial", {"c": (210, 80), "r": 50},
                     [(0, "#ffff00ff"), (80, "#ff8000ff"), (200, "#0000ff80"), (255, "#00000000")])],
          "records": rect_path(145, 15, 130, 130, fill1=1)}
    r3 = {"id": 3, "tag": 4,
          "fills": [("focal", {"c": (350, 80), "r": 60, "focal": 0.6}, [(0, "#ffffff"), (255, "#006000")])],
          "records": circle_path(350, 80, 60, 8, fill1=1)}
    return {"stage": (420, 160), "bg": "#d0d0d0", "compress": True, "shapes": [r1, r2, r3],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}, {"char": 3, "depth": 3}]}


@case("07-thick-lines", "Line styles only (no fill): DefineShape widths 1, 4, 10, 20 px straight; "
      "a curved 6px stroke; a closed 8px square outline; DefineShape4 LINESTYLE2 caps none/square "
      "and joins bevel/miter.")
def _():
    s1 = {"id": 1, "tag": 1, "fills": [],
          "lines": [(1, "#000000"), (4, "#d00000"), (10, "#0060d0"), (20, "#00a000"), (6, "#8000a0"), (8, "#e08000")],
          "records": [S(line=1, move=(20, 20)), ("L", 200, 20),
                      S(line=2, move=(20, 40)), ("L", 200, 40),
                      S(line=3, move=(20, 65)), ("L", 200, 65),
                      S(line=4, move=(20, 100)), ("L", 200, 100),
                      S(line=5, move=(20, 150)), ("Q", 110, 90, 200, 150),
                      S(line=6, move=(230, 20)), ("L", 310, 20), ("L", 310, 100), ("L", 230, 100), ("L", 230, 20)]}
    s2 = {"id": 2, "tag": 4, "fills": [],
          "lines": [{"w": 12, "color": "#404040", "cap": "none", "join": "bevel"},
                    {"w": 12, "color": "#c04040", "cap": "square", "join": "miter", "miter": 4.0}],
          "records": [S(line=1, move=(240, 140)), ("L", 280, 180), ("L", 320, 140),
                      S(line=2, move=(340, 140)), ("L", 370, 180), ("L", 390, 130)]}
    return {"stage": (400, 200), "bg": "#ffffff", "shapes": [s1, s2],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}]}


@case("08-rotate-scale", "One DefineShape3 arrow (two colours) placed 6 times with PlaceObject2 matrices: "
      "identity, scale 2x1, rotate 45, rotate -90 + scale 0.5, flip x (sx=-1), skew (raw matrix).")
def _():
    arrow = {"id": 1, "tag": 3, "fills": [("solid", "#2060c0"), ("solid", "#e04040")],
             "records": poly_path([(-20, -10), (10, -10), (10, -20), (30, 0), (10, 20), (10, 10), (-20, 10)], fill1=1)
             + rect_path(-20, -10, 8, 20, fill1=2)}
    return {"stage": (480, 160), "bg": "#ffffff", "shapes": [arrow],
            "place": [{"char": 1, "depth": 1, "x": 40, "y": 50},
                      {"char": 1, "depth": 2, "x": 130, "y": 50, "sx": 2, "sy": 1},
                      {"char": 1, "depth": 3, "x": 240, "y": 50, "rot": 45},
                      {"char": 1, "depth": 4, "x": 320, "y": 50, "rot": -90, "sx": 0.5, "sy": 0.5},
                      {"char": 1, "depth": 5, "x": 400, "y": 50, "sx": -1},
                      {"char": 1, "depth": 6, "matrix": (1.5, 0.0, 0.8, 1.5, 200, 120)}]}


@case("09-colour-transform", "Colour transforms on one 2-colour shape: none; mult (1,0,0); add (+128,0,0); "
      "alpha mult 0.5; mult 0.5 + add 64 with alpha 0.25; PlaceObject (1) CXFORM without alpha "
      "(mult 0,1,1).")
def _():
    sq = {"id": 1, "tag": 3, "fills": [("solid", "#4080c0"), ("solid", "#ffffff")],
          "records": rect_path(0, 0, 60, 60, fill1=1) + rect_path(15, 15, 30, 30, fill1=2)}
    bar = {"id": 2, "tag": 1, "fills": [("solid", "#000000")], "records": rect_path(0, 70, 500, 20, fill1=1)}
    pl = [{"char": 2, "depth": 1}]
    cxs = [None, {"mult": (1, 0, 0, 1)}, {"add": (128, 0, 0, 0)}, {"mult": (1, 1, 1, 0.5)},
           {"mult": (0.5, 0.5, 0.5, 0.25), "add": (64, 64, 64, 0)}]
    for i, cx in enumerate(cxs):
        p = {"char": 1, "depth": 2 + i, "x": 10 + 80 * i, "y": 50}
        if cx:
            p["cx"] = cx
        pl.append(p)
    pl.append({"char": 1, "depth": 10, "x": 410, "y": 50, "tag": "PO1", "cx": {"mult": (0, 1, 1)}})
    return {"stage": (480, 160), "bg": "#e8e8e8", "shapes": [sq, bar], "place": pl}


@case("10-sprite", "DefineSprite (2 frames): frame 1 places a green circle + red square (sprite's own "
      "depths) and a stop action, frame 2 would place a blue square (must NOT show). Sprite placed twice (translate; "
      "rotate 30 + scale 1.5 + alpha 0.6). CWS.")
def _():
    c = {"id": 1, "tag": 2, "fills": [("solid", "#20a020")], "records": circle_path(0, 0, 30, 8, fill1=1)}
    r = {"id": 2, "tag": 2, "fills": [("solid", "#d02020")], "records": rect_path(10, 10, 30, 30, fill1=1)}
    b = {"id": 3, "tag": 2, "fills": [("solid", "#2020d0")], "records": rect_path(-40, -40, 30, 30, fill1=1)}
    sp = {"id": 10, "stop": True, "frames": [[{"char": 1, "depth": 1}, {"char": 2, "depth": 2}],
                                             [{"char": 3, "depth": 3}]]}
    return {"stage": (320, 200), "bg": "#ffffff", "compress": True, "shapes": [c, r, b], "sprites": [sp],
            "place": [{"char": 10, "depth": 1, "x": 80, "y": 100},
                      {"char": 10, "depth": 2, "x": 220, "y": 100, "rot": 30, "sx": 1.5, "sy": 1.5,
                       "cx": {"mult": (1, 1, 1, 0.6)}}]}


@case("11-shared-edge", "Two fill styles sharing edges (authoring-tool style fill0/fill1): a square split "
      "by a vertical edge (fill0=2 left... / fill1=1), and a square split by a curved edge; outer "
      "edges carry one side only. No seams expected between the halves.")
def _():
    # square 20..140 x 20..140 split at x=80; left half fill 1 (red), right half fill 2 (blue)
    # Outer boundary clockwise: top edge left part has fill1=1 (interior below = right side of
    # an edge going +x).  The shared edge goes downward (0,+) at x=80: its right side (screen
    # left, since walking +y the right hand points -x) is the red half -> fill1=1, left side
    # (screen right) is the blue half -> fill0=2.
    recs = [S(move=(20, 20), fill0=0, fill1=1), ("L", 80, 20),
            S(fill1=2), ("L", 140, 20), ("L", 140, 140), ("L", 80, 140),
            S(fill1=1), ("L", 20, 140), ("L", 20, 20),
            S(move=(80, 20), fill0=2, fill1=1), ("L", 80, 140)]
    s1 = {"id": 1, "tag": 2, "fills": [("solid", "#d03030"), ("solid", "#3050d0")], "records": recs}
    # second: 160..280 square split by a curve from top-middle to bottom-middle bulging right
    recs2 = [S(move=(160, 20), fill0=0, fill1=1), ("L", 220, 20),
             S(fill1=2), ("L", 280, 20), ("L", 280, 140), ("L", 220, 140),
             S(fill1=1), ("L", 160, 140), ("L", 160, 20),
             S(move=(220, 20), fill0=2, fill1=1), ("Q", 280, 80, 220, 140)]
    s2 = {"id": 2, "tag": 2, "fills": [("solid", "#30a060"), ("solid", "#f0d020")], "records": recs2}
    return {"stage": (300, 160), "bg": "#ffffff", "shapes": [s1, s2],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}]}


@case("12-hole-fill0-fill1", "Holes expressed with fill sides: a square with a square hole (outer clockwise "
      "fill1=1, inner clockwise with fill0=1 i.e. filled side outside) and a ring (outer circle fill1, "
      "inner circle counter-clockwise fill1 -> hole). Background stripes show through the holes.")
def _():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#a0a0a0")],
               "records": sum([rect_path(0, 10 * i, 340, 5, fill1=1) for i in range(18)], [])}
    sq = {"id": 2, "tag": 1, "fills": [("solid", "#1060c0")],
          "records": rect_path(20, 20, 140, 140, fill1=1) + rect_path(60, 60, 60, 60, fill0=1, fill1=0)}
    ring = {"id": 3, "tag": 1, "fills": [("solid", "#c04010")],
            "records": circle_path(250, 90, 70, 8, fill1=1) + circle_path(250, 90, 35, 8, ccw=True, fill0=0, fill1=1)}
    return {"stage": (340, 180), "bg": "#ffffff", "shapes": [stripes, sq, ring],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}, {"char": 3, "depth": 3}]}


@case("13-winding-rules", "Self-intersecting pentagram, one contour, fill1=1: DefineShape3 (even-odd: "
      "centre pentagon empty) and DefineShape4 with UsesFillWindingRule (nonzero: centre filled). "
      "Plus two same-direction nested squares with fill1 only (DefineShape3 -> even-odd hole).")
def _():
    st1 = {"id": 1, "tag": 3, "fills": [("solid", "#8020a0")], "records": poly_path(star_points(80, 85, 70), fill1=1)}
    st2 = {"id": 2, "tag": 4, "winding": True, "fills": [("solid", "#8020a0")],
           "records": poly_path(star_points(240, 85, 70), fill1=1)}
    nest = {"id": 3, "tag": 3, "fills": [("solid", "#208060")],
            "records": rect_path(330, 20, 130, 130, fill1=1) + rect_path(365, 55, 60, 60, fill1=1)}
    return {"stage": (480, 170), "bg": "#ffffff", "shapes": [st1, st2, nest],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}, {"char": 3, "depth": 3}]}


@case("14-new-styles", "DefineShape2 with StateNewStyles mid-shape: first rect uses fill array A "
      "(red), then a style change record brings new fill+line arrays (green fill, 5px blue line) and "
      "the next one selects them for the second rect; then a line-only edge (5px blue).")
def _():
    recs = (rect_path(20, 20, 100, 80, fill1=1)
            + [S(new=([("solid", "#20b040")], [(5, "#2040d0")]), move=(150, 20)),
               S(fill0=0, fill1=1, line=1), ("L", 260, 20), ("L", 260, 100), ("L", 150, 100), ("L", 150, 20),
               S(fill1=0, line=1, move=(20, 130)), ("L", 260, 130)])
    s = {"id": 1, "tag": 2, "fills": [("solid", "#d02020")], "lines": [], "records": recs}
    return {"stage": (280, 150), "bg": "#ffffff", "shapes": [s], "place": [{"char": 1, "depth": 1}]}


@case("15-odd-stage", "Stage 199x101 (odd size, fps 30.5 8.8 fixed), bg #000000, a shape partly outside "
      "the stage (clipped), a 0.5px-offset 1px hairline grid via 1px-wide rectangles. FWS v8.")
def _():
    out = {"id": 1, "tag": 3, "fills": [("solid", "#ffcc00")], "records": circle_path(190, 95, 40, 8, fill1=1)}
    grid = {"id": 2, "tag": 1, "fills": [("solid", "#ffffff")],
            "records": sum([rect_path(10 + 20 * i, 10, 1, 60, fill1=1) for i in range(6)], [])
            + rect_path(10, 10, 101, 1, fill1=1)}
    return {"stage": (199, 101), "fps": 30.5, "bg": "#000000", "version": 8, "shapes": [out, grid],
            "place": [{"char": 1, "depth": 1}, {"char": 2, "depth": 2}]}


@case("16-two-frames", "Main timeline of 3 frames at 24 fps, no actions: frame 1 shows a red square "
      "(left); frame 2 removes it and places a blue square (right); frame 3 adds a green bar. Only the "
      "red square must show (the reference player is held on frame 1).")
def _():
    sq = lambda i, c: {"id": i, "tag": 1, "fills": [("solid", c)], "records": rect_path(0, 0, 80, 80, fill1=1)}
    bar = {"id": 3, "tag": 1, "fills": [("solid", "#00a000")], "records": rect_path(0, 0, 200, 20, fill1=1)}
    return {"stage": (240, 140), "fps": 24, "bg": "#ffffff", "shapes": [sq(1, "#e00000"), sq(2, "#0000e0"), bar],
            "place": [{"char": 1, "depth": 1, "x": 20, "y": 20}],
            "more_frames": [[{"remove": 1}, {"char": 2, "depth": 2, "x": 140, "y": 20}],
                            [{"char": 3, "depth": 3, "x": 20, "y": 110}]]}


@case("17-sprite-no-stop", "DefineSprite of 3 frames and no actions: frame 1 places an orange "
      "triangle, frame 2 a cyan square, frame 3 removes the triangle. Placed at 3 sizes (scale 0.5, 1, "
      "2). Only the triangles must show (first frame of the sprite).")
def _():
    tri = {"id": 1, "tag": 3, "fills": [("solid", "#ff9000")], "lines": [(2, "#603000")],
           "records": poly_path([(0, -30), (30, 25), (-30, 25)], fill1=1, line=1)}
    sq = {"id": 2, "tag": 3, "fills": [("solid", "#00c0c0")], "records": rect_path(-20, -20, 40, 40, fill1=1)}
    sp = {"id": 5, "frames": [[{"char": 1, "depth": 1}], [{"char": 2, "depth": 2}], [{"remove": 1}]]}
    return {"stage": (360, 160), "fps": 24, "bg": "#f8f8e8", "shapes": [tri, sq], "sprites": [sp],
            "place": [{"char": 5, "depth": 1, "x": 50, "y": 80, "sx": 0.5, "sy": 0.5},
                      {"char": 5, "depth": 2, "x": 130, "y": 80},
                      {"char": 5, "depth": 3, "x": 260, "y": 80, "sx": 2, "sy": 2}]}


# ------------------------------------------------------------- cases 18 and up
# Effects of SWF 8 and later: PlaceObject3 blend modes, filters, cacheAsBitmap and opaque
# background, bitmaps as display objects, LINESTYLE2 scale modes, gradient ratio edge cases,
# masks. Every effect is applied to a sprite (a movie clip), as authoring tools do.
BLEND_BAR_COLOURS = ["#000000", "#808080", "#e04020", "#2060e0"]   # fifth bar: the stage's white


def blend_backdrop(sid):
    """Four vertical bars of 20x100 px at x 0..80 (black, grey, red, blue); x 80..100 is left to the
    stage background (white)."""
    recs = []
    for i in range(4):
        recs += rect_path(20 * i, 0, 20, 100, fill1=i + 1)
    return {"id": sid, "tag": 3, "fills": [("solid", c) for c in BLEND_BAR_COLOURS], "records": recs}


def blend_source(sid):
    """The blended object: three horizontal bands across x 5..95: opaque green (y 8..36), an opaque
    black->white ramp (y 36..64), yellow at 50% alpha (y 64..92)."""
    return {"id": sid, "tag": 3,
            "fills": [("solid", "#40c060"), ("linear", {"p0": (5, 0), "p1": (95, 0)}, [(0, "#000000"), (255, "#ffffff")]),
                      ("solid", "#ffd02080")],
            "records": rect_path(5, 8, 90, 28, fill1=1) + rect_path(5, 36, 90, 28, fill1=2)
            + rect_path(5, 64, 90, 28, fill1=3)}


def blend_tiles(modes):
    """3x2 tiles of 100x100 at (5 + 105 i, 10 + 115 j): the backdrop bars at depth 2k+1 and a sprite
    holding the source shape at depth 2k+2 with the given blend mode (None: no source)."""
    place = []
    for k, mode in enumerate(modes):
        x, y = 5 + 105 * (k % 3), 10 + 115 * (k // 3)
        place.append({"char": 1, "depth": 2 * k + 1, "x": x, "y": y})
        if mode:
            place.append({"char": 10, "depth": 2 * k + 2, "x": x, "y": y, "tag": "PO3", "blend": mode})
    return {"stage": (320, 240), "bg": "#ffffff", "shapes": [blend_backdrop(1), blend_source(2)],
            "sprites": [{"id": 10, "frames": [[{"char": 2, "depth": 1}]]}], "place": place}


@case("18-blend-multiply-screen-lighten-darken-difference-add", "PlaceObject3 blend modes on a sprite "
      "over a backdrop of black, grey, red, blue bars and white: multiply, screen, lighten (top row), "
      "darken, difference, add (bottom row). The sprite holds opaque green, an opaque black-white "
      "ramp and 50% yellow bands.")
def _():
    return blend_tiles(["multiply", "screen", "lighten", "darken", "difference", "add"])


@case("19-blend-subtract-invert-overlay-hardlight", "PlaceObject3 blend modes, same tiles as 18: "
      "subtract, invert, overlay (top row), hardlight, normal (code 1, for comparison), and the "
      "backdrop alone (bottom row).")
def _():
    return blend_tiles(["subtract", "invert", "overlay", "hardlight", "normal", None])


@case("20-blend-layer-erase", "Blend mode erase inside a parent sprite with blend mode layer, over "
      "grey stripes: left, the layer sprite with its base only (an orange 120x90 rect with a green "
      "bar); right, the same plus a child with blend erase (an opaque disc and a bar at 50% alpha): "
      "the disc cuts a hole that shows the stripes, the bar half-erases the base.")
def _():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#b0b0b0")],
               "records": sum([rect_path(10 * i, 0, 5, 130, fill1=1) for i in range(32)], [])}
    base = {"id": 4, "tag": 3, "fills": [("solid", "#f08000"), ("solid", "#208040")],
            "records": rect_path(0, 0, 120, 90, fill1=1) + rect_path(20, 20, 30, 50, fill1=2)}
    eraser = {"id": 6, "tag": 3, "fills": [("solid", "#000000ff"), ("solid", "#00000080")],
              "records": circle_path(85, 45, 25, 8, fill1=1) + rect_path(0, 60, 120, 15, fill1=2)}
    plain_grp = {"id": 11, "frames": [[{"char": 4, "depth": 1}]]}
    erase_grp = {"id": 12, "frames": [[{"char": 4, "depth": 1},
                                       {"char": 6, "depth": 2, "tag": "PO3", "blend": "erase"}]]}
    return {"stage": (320, 130), "bg": "#ffffff", "shapes": [stripes, base, eraser],
            "sprites": [plain_grp, erase_grp],
            "place": [{"char": 1, "depth": 1},
                      {"char": 11, "depth": 2, "x": 20, "y": 20, "tag": "PO3", "blend": "layer"},
                      {"char": 12, "depth": 3, "x": 180, "y": 20, "tag": "PO3", "blend": "layer"}]}


def filter_subject(sid):
    """60x60 orange square with a white 24x24 inner square and a dark 2 px outline, centred on 0,0."""
    return {"id": sid, "tag": 3, "fills": [("solid", "#f09020"), ("solid", "#ffffff")],
            "lines": [(2, "#403020")],
            "records": rect_path(-30, -30, 60, 60, fill1=1, line=1) + rect_path(-12, -12, 24, 24, fill1=2, line=0)}


def filter_tiles(filter_lists, bg="#e8e8e8", subject=None, extra_shapes=()):
    """One sprite (id 10) holding the subject, placed with PlaceObject3 in a 3x2 grid of 105x115
    cells (centres 55 + 105 i, 62 + 115 j) with each filter list (None: no filter list)."""
    place = []
    for k, fl in enumerate(filter_lists):
        p = {"char": 10, "depth": k + 1, "x": 55 + 105 * (k % 3), "y": 62 + 115 * (k // 3), "tag": "PO3"}
        if fl is not None:
            p["filters"] = fl
        place.append(p)
    return {"stage": (320, 240), "bg": bg, "shapes": [subject or filter_subject(1)] + list(extra_shapes),
            "sprites": [{"id": 10, "frames": [[{"char": 1, "depth": 1}]]}], "place": place}


@case("21-filter-dropshadow-blur", "PlaceObject3 filters on a sprite (orange square, white centre, dark "
      "outline): drop shadow (black 60%, blur 4, 45 degrees, distance 6); inner shadow (blur 6, "
      "distance 5); none (top row); blur 8x8 with 1 pass; blur 8x8 with 3 passes; blur 16x0 with 2 "
      "passes (bottom row).")
def _():
    return filter_tiles([
        [{"type": "dropshadow", "color": "#00000099", "blur": (4, 4), "angle": 45, "distance": 6, "passes": 1}],
        [{"type": "dropshadow", "color": "#000000cc", "blur": (6, 6), "angle": 45, "distance": 5,
          "inner": True, "passes": 1}],
        None,
        [{"type": "blur", "blur": (8, 8), "passes": 1}],
        [{"type": "blur", "blur": (8, 8), "passes": 3}],
        [{"type": "blur", "blur": (16, 0), "passes": 2}]])


@case("22-filter-glow-bevel", "Glow and bevel filters on the sprite of 21: outer glow (red, blur 10, "
      "strength 2); inner glow (blue, blur 10, strength 2); knockout outer glow (green: the glow "
      "alone, the sprite cut out) (top row); bevel, inner (first colour dark navy, second white, blur "
      "4, distance 4, 45 degrees); bevel with on-top set (full); none (bottom row).")
def _():
    bev = lambda **kw: dict({"type": "bevel", "shadow": "#000060ff", "highlight": "#ffffffff", "blur": (4, 4),
                             "angle": 45, "distance": 4, "strength": 1.0, "inner": True, "passes": 1}, **kw)
    return filter_tiles([
        [{"type": "glow", "color": "#ff0000ff", "blur": (10, 10), "strength": 2.0, "passes": 2}],
        [{"type": "glow", "color": "#0040ffff", "blur": (10, 10), "strength": 2.0, "inner": True, "passes": 2}],
        [{"type": "glow", "color": "#00a000ff", "blur": (10, 10), "strength": 2.0, "knockout": True, "passes": 2}],
        [bev()],
        [bev(inner=False, ontop=True)],
        None])


@case("23-filter-colormatrix", "Colour matrix filters on a sprite of four coloured quadrants, a "
      "white disc and black stripes: none; colour matrix to grey (0.299, 0.587, 0.114); colour matrix "
      "swapping channels (r<-b, g<-r, b<-g) with +40 added to red; the same swap with alpha "
      "multiplied by 0.5 (second row).")
def _():
    subj = {"id": 1, "tag": 3,
            "fills": [("solid", "#e02020"), ("solid", "#20a040"), ("solid", "#2040e0"), ("solid", "#f0d000"),
                      ("solid", "#ffffff"), ("solid", "#000000")],
            "records": rect_path(-40, -40, 40, 40, fill1=1) + rect_path(0, -40, 40, 40, fill1=2)
            + rect_path(-40, 0, 40, 40, fill1=3) + rect_path(0, 0, 40, 40, fill1=4)
            + circle_path(0, 0, 18, 8, fill1=5)
            + sum([rect_path(-36 + 6 * i, 24, 2, 12, fill1=6) for i in range(5)], [])}
    grey = [0.299, 0.587, 0.114, 0, 0] * 3 + [0, 0, 0, 1, 0]
    swap = [0, 0, 1, 0, 40, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0]
    half = swap[:18] + [0.5, 0]
    return filter_tiles([None, [{"type": "colormatrix", "matrix": grey}], [{"type": "colormatrix", "matrix": swap}],
                         [{"type": "colormatrix", "matrix": half}]], subject=subj)


@case("24-filter-group-and-chain", "Filters on a sprite that holds three overlapping shapes (blue "
      "square, red disc at 60% alpha, green triangle): none; drop shadow of the group (one shadow of "
      "the union) (top row); two filters in a row: glow (red) then drop shadow (the shadow has the "
      "glow's outline); drop shadow then glow (the glow surrounds the shadow too) (bottom row).")
def _():
    sq = {"id": 1, "tag": 3, "fills": [("solid", "#3060d0")], "records": rect_path(-45, -35, 55, 55, fill1=1)}
    disc = {"id": 2, "tag": 3, "fills": [("solid", "#e0303099")], "records": circle_path(15, -5, 28, 8, fill1=1)}
    tri = {"id": 3, "tag": 3, "fills": [("solid", "#30b050")],
           "records": poly_path([(-20, 5), (15, 40), (-50, 40)], fill1=1)}
    grp = {"id": 10, "frames": [[{"char": 1, "depth": 1}, {"char": 2, "depth": 2}, {"char": 3, "depth": 3}]]}
    glow = {"type": "glow", "color": "#ff0000ff", "blur": (6, 6), "strength": 2.0, "passes": 1}
    shadow = {"type": "dropshadow", "color": "#000000b0", "blur": (3, 3), "angle": 45, "distance": 10,
              "strength": 1.0, "passes": 1}
    fl = [None, [shadow], [glow, shadow], [shadow, glow]]
    place = []
    for k, f in enumerate(fl):
        p = {"char": 10, "depth": k + 1, "x": 80 + 160 * (k % 2), "y": 60 + 120 * (k // 2), "tag": "PO3"}
        if f:
            p["filters"] = f
        place.append(p)
    return {"stage": (320, 240), "bg": "#f4f4f4", "shapes": [sq, disc, tri], "sprites": [grp], "place": place}


@case("25-cache-as-bitmap-opaque-bg", "PlaceObject3 cacheAsBitmap and opaque background (SWF 11) on a "
      "sprite of a disc and a triangle with a gap between them, over grey stripes: plain; "
      "cacheAsBitmap (looks the same) (top row); cacheAsBitmap + opaque background yellow (the "
      "sprite's bounding box filled yellow); opaque background light blue without cacheAsBitmap "
      "(same, blue) (bottom row).")
def _():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#c0c0c0")],
               "records": sum([rect_path(0, 8 * i, 320, 4, fill1=1) for i in range(30)], [])}
    disc = {"id": 2, "tag": 3, "fills": [("solid", "#d03030")], "lines": [(2, "#401010")],
            "records": circle_path(-25, -10, 22, 8, fill1=1, line=1)}
    tri = {"id": 3, "tag": 3, "fills": [("solid", "#2070d0")],
           "records": poly_path([(20, -35), (50, 35), (5, 35)], fill1=1)}
    sp = {"id": 10, "frames": [[{"char": 2, "depth": 1}, {"char": 3, "depth": 2}]]}
    pos = [(80, 60), (240, 60), (80, 180), (240, 180)]
    extra = [{}, {"cache": True}, {"cache": True, "opaque_bg": "#ffe060ff"}, {"opaque_bg": "#a0d8ffff"}]
    place = [{"char": 1, "depth": 1}]
    for k, ((x, y), e) in enumerate(zip(pos, extra)):
        place.append(dict({"char": 10, "depth": k + 2, "x": x, "y": y, "tag": "PO3"}, **e))
    return {"stage": (320, 240), "bg": "#ffffff", "version": 11, "shapes": [stripes, disc, tri],
            "sprites": [sp], "place": place}


def bitmap_pixels():
    """32x24 straight-alpha ARGB: four opaque 16x12 quadrants (red, green, blue, yellow), a
    one-pixel black and white checker in a 8x8 block at (2,2), a fully transparent 6x6 hole at
    (13,9) and a white band at 50% alpha in rows 18..20."""
    quad = [(255, 220, 40, 40), (255, 40, 170, 60), (255, 40, 70, 220), (255, 240, 210, 0)]
    px = []
    for y in range(24):
        for x in range(32):
            p = quad[(1 if x >= 16 else 0) + (2 if y >= 12 else 0)]
            if 2 <= x < 10 and 2 <= y < 10:
                p = (255, 0, 0, 0) if (x + y) % 2 else (255, 255, 255, 255)
            if 13 <= x < 19 and 9 <= y < 15:
                p = (0, 0, 0, 0)
            if 18 <= y < 21:
                p = (128, 255, 255, 255)
            px.append(p)
    return px


@case("26-bitmap-direct-and-fill", "DefineBitsLossless2 (32x24 ARGB: four colour quadrants, a 1 px "
      "checker, a transparent 6x6 hole, a white band at 50% alpha) over grey stripes: placed directly "
      "with PlaceObject3 at (20,20) with the HasImage flag (no class name) and at (80,20) with "
      "HasCharacter only (top row); the same bitmap as a clipped, unsmoothed bitmap fill of a 32x24 "
      "rect at (20,120) (pixel-identical to the direct one), of a 96x72 rect (fill matrix scale 3: "
      "3x3 blocks) and a repeating fill over a 120x50 rect.")
def _():
    bm = {"id": 1, "w": 32, "h": 24, "argb": bitmap_pixels()}
    stripes = {"id": 2, "tag": 1, "fills": [("solid", "#b8b8b8")],
               "records": sum([rect_path(0, 10 * i, 320, 5, fill1=1) for i in range(24)], [])}
    f1 = {"id": 3, "tag": 3, "fills": [("bitmap", 1, (1, 0, 0, 1, 0, 0), "clipped", False)],
          "records": rect_path(0, 0, 32, 24, fill1=1)}
    f3 = {"id": 4, "tag": 3, "fills": [("bitmap", 1, (3, 0, 0, 3, 0, 0), "clipped", False)],
          "records": rect_path(0, 0, 96, 72, fill1=1)}
    rep = {"id": 5, "tag": 3, "fills": [("bitmap", 1, (1, 0, 0, 1, 0, 0), "repeat", False)],
           "records": rect_path(0, 0, 120, 50, fill1=1)}
    return {"stage": (320, 220), "bg": "#ffffff", "bitmaps": [bm], "shapes": [stripes, f1, f3, rep],
            "place": [{"char": 2, "depth": 1},
                      {"char": 1, "depth": 2, "x": 20, "y": 20, "tag": "PO3", "image": True},
                      {"char": 1, "depth": 3, "x": 80, "y": 20, "tag": "PO3"},
                      {"char": 3, "depth": 4, "x": 20, "y": 120},
                      {"char": 4, "depth": 5, "x": 80, "y": 120},
                      {"char": 5, "depth": 6, "x": 190, "y": 130}]}


@case("27-hairline-scaled", "Hairlines: DefineShape4 10x10 squares with a 0-width stroke (black) "
      "and a 1-twip stroke (red), and a DefineShape3 one with a 1-twip stroke (blue), placed at scale 1, "
      "scale 4 and squashed (4 x 1.5) with a rotation of 30 degrees: every outline stays about 1 px "
      "wide; next to them a 2 px stroke at scale 4 (8 px) for contrast.")
def _():
    hair = {"id": 1, "tag": 4, "fills": [],
            "lines": [{"w": 0, "color": "#000000"}, {"w": 0.05, "color": "#c00000"}],
            "records": rect_path(0, 0, 10, 10, line=1) + rect_path(14, 0, 10, 10, line=2)}
    hair3 = {"id": 2, "tag": 3, "fills": [], "lines": [(0.05, "#0040c0")], "records": rect_path(0, 0, 10, 10, line=1)}
    thick = {"id": 3, "tag": 3, "fills": [], "lines": [(2, "#208040")], "records": rect_path(0, 0, 10, 10, line=1)}
    return {"stage": (320, 200), "bg": "#ffffff", "shapes": [hair, hair3, thick],
            "place": [{"char": 1, "depth": 1, "x": 10, "y": 10},
                      {"char": 2, "depth": 2, "x": 40, "y": 10},
                      {"char": 1, "depth": 3, "x": 10, "y": 35, "sx": 4, "sy": 4},
                      {"char": 2, "depth": 4, "x": 120, "y": 35, "sx": 4, "sy": 4},
                      {"char": 3, "depth": 5, "x": 180, "y": 35, "sx": 4, "sy": 4},
                      {"char": 1, "depth": 6, "x": 40, "y": 110, "sx": 4, "sy": 1.5, "rot": 30},
                      {"char": 2, "depth": 7, "x": 200, "y": 120, "sx": 4, "sy": 1.5, "rot": 30}]}


@case("28-gradient-ratio-edge-cases", "DefineShape4 linear gradients in 280x30 bars: repeated ratio "
      "(red 0, red 128, blue 128, blue 255: a hard edge in the middle); three stops at ratio 100 (white "
      "0, yellow 100, green 100, black 100, black 255); ratios out of order (red 0, green 200, blue 100, "
      "white 255); 15 stops alternating black and white; a radial gradient with repeated ratios "
      "(rings).")
def _():
    bar = lambda sid, y, stops: {"id": sid, "tag": 4,
                                 "fills": [("linear", {"p0": (20, 0), "p1": (300, 0)}, stops)],
                                 "records": rect_path(20, y, 280, 30, fill1=1)}
    g1 = bar(1, 10, [(0, "#ff0000"), (128, "#ff0000"), (128, "#0000ff"), (255, "#0000ff")])
    g2 = bar(2, 50, [(0, "#ffffff"), (100, "#ffff00"), (100, "#00a000"), (100, "#000000"), (255, "#000000")])
    g3 = bar(3, 90, [(0, "#ff0000"), (200, "#00c000"), (100, "#0000ff"), (255, "#ffffff")])
    g4 = bar(4, 130, [(int(round(i * 255 / 14)), "#000000" if i % 2 else "#ffffff") for i in range(15)])
    rings = {"id": 5, "tag": 4,
             "fills": [("radial", {"c": (160, 205), "r": 30},
                        [(0, "#ffd000"), (85, "#ffd000"), (85, "#c02020"), (170, "#c02020"), (170, "#2040c0"),
                         (255, "#2040c0")])],
             "records": rect_path(100, 172, 120, 66, fill1=1)}
    return {"stage": (320, 240), "bg": "#e0e0e0", "shapes": [g1, g2, g3, g4, rings],
            "place": [{"char": i, "depth": i} for i in range(1, 6)]}


@case("29-mask-rotated", "Clip depth (PlaceObject2 ClipDepth) over stripes: a disc mask clips a "
      "square rotated 30 degrees and a bar (the disc's edge and the rotated square's edges inside "
      "it are anti-aliased); a square mask rotated 20 degrees clips unrotated coloured bands.")
def _():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#d0d0d0")],
               "records": sum([rect_path(6 * i, 0, 3, 180, fill1=1) for i in range(40)], [])}
    disc = {"id": 2, "tag": 3, "fills": [("solid", "#000000")], "records": circle_path(0, 0, 55, 8, fill1=1)}
    sq = {"id": 3, "tag": 3, "fills": [("solid", "#2060d0"), ("solid", "#f0c000")],
          "records": rect_path(-40, -40, 80, 80, fill1=1) + rect_path(-15, -15, 30, 30, fill1=2)}
    bar = {"id": 4, "tag": 3, "fills": [("solid", "#d03030")], "records": rect_path(-60, 30, 120, 16, fill1=1)}
    msq = {"id": 5, "tag": 3, "fills": [("solid", "#000000")], "records": rect_path(-40, -40, 80, 80, fill1=1)}
    bands = {"id": 6, "tag": 3, "fills": [("solid", "#30a050"), ("solid", "#8030c0"), ("solid", "#f07000")],
             "records": rect_path(-60, -60, 120, 40, fill1=1) + rect_path(-60, -20, 120, 40, fill1=2)
             + rect_path(-60, 20, 120, 40, fill1=3)}
    return {"stage": (240, 180), "bg": "#ffffff", "shapes": [stripes, disc, sq, bar, msq, bands],
            "place": [{"char": 1, "depth": 1},
                      {"char": 2, "depth": 2, "x": 65, "y": 90, "clip": 4},
                      {"char": 3, "depth": 3, "x": 65, "y": 90, "rot": 30},
                      {"char": 4, "depth": 4, "x": 65, "y": 90},
                      {"char": 5, "depth": 5, "x": 180, "y": 90, "rot": 20, "clip": 6},
                      {"char": 6, "depth": 6, "x": 180, "y": 90}]}


# ------------------------------------------------- cases 40 and up: text fields, buttons
# (written by this project's copy of the writer; the cases above are the shared set's)
def define_edit_text(t):
    """DefineEditText: {"id", "bounds": (x0, y0, x1, y1) px, "border": True} with no text and no font
    (read-only, not selectable: only its border and background show); or with "font" (an id of an
    embedded font, drawn with its outlines), "height" px, "color", "text", "html", "multiline",
    "wrap", "leading" px."""
    bw = Bits()
    bw.u16(t["id"])
    x0, y0, x1, y1 = t["bounds"]
    write_rect(bw, tw(x0), tw(x1), tw(y0), tw(y1))
    has_text = "text" in t
    layout = "leading" in t
    # HasText WordWrap Multiline Password ReadOnly HasTextColor HasMaxLength HasFont
    bw.u8((0x80 if has_text else 0) | (0x40 if t.get("wrap") else 0) | (0x20 if t.get("multiline") else 0)
          | 0x08 | (0x04 if "color" in t else 0) | (0x01 if "font" in t else 0))
    # HasFontClass AutoSize HasLayout NoSelect Border WasStatic HTML UseOutlines
    bw.u8((0x20 if layout else 0) | 0x10 | (0x08 if t.get("border") else 0) | (0x02 if t.get("html") else 0)
          | (0x01 if "font" in t else 0))
    if "font" in t:
        bw.u16(t["font"])
        bw.u16(tw(t["height"]))
    if "color" in t:
        bw.raw(color(t["color"], True))
    if layout:
        bw.u8(0)  # align left
        bw.u16(0)
        bw.u16(0)
        bw.u16(0)
        bw.raw(struct.pack("<h", tw(t["leading"])))
    bw.raw(cstr(t.get("var", "")))  # variable name
    if has_text:
        bw.raw(cstr(t["text"]))
    return tag(37, bw.data())


def glyph_records(polys):
    """A glyph's SHAPE: one fill bit, no line bits; each polygon (font units, y down from the
    baseline) a contour with fill 1 on its right."""
    bw = Bits()
    bw.ub(4, 1)
    bw.ub(4, 0)
    first = True
    for pts in polys:
        x, y = pts[0]
        bw.ub(1, 0)
        bw.ub(5, 0x01 | (0x04 if first else 0))  # StateMoveTo (+ StateFillStyle1)
        n = sbits(x, y)
        bw.ub(5, n)
        bw.sb(n, x)
        bw.sb(n, y)
        if first:
            bw.ub(1, 1)
            first = False
        px, py = x, y
        for x, y in pts[1:] + pts[:1]:
            dx, dy = x - px, y - py
            n = max(sbits(dx, dy), 2)
            bw.ub(1, 1)
            bw.ub(1, 1)
            bw.ub(4, n - 2)
            bw.ub(1, 1)
            bw.sb(n, dx)
            bw.sb(n, dy)
            px, py = x, y
    bw.ub(6, 0)
    bw.align()
    return bytes(bw.out)


def block_glyph(code, advance, stem, slant):
    """A made-up glyph for a lowercase letter or a digit: a baseline bar and up to three stems
    chosen by its code, `stem` units thick, leaning by `slant` units per unit of height.
    Font units, 1024 to the em, x-height 520."""
    if code == ord(" "):
        return []
    h = 520
    lean = lambda x, y: (int(round(x - slant * y)), y)
    polys = [[lean(40, 0), lean(40, -stem), lean(advance - 60, -stem), lean(advance - 60, 0)]]
    top = -stem
    digit = ord("0") <= code <= ord("9")
    k = code - (ord("0") if digit else ord("a")) + 1
    width = advance - 100
    for i in range(3):
        if i == 0 or (k >> (i - 1)) & 1:
            x = 40 + i * (width - stem) // 2
            polys.append([lean(x, top), lean(x, -h), lean(x + stem, -h), lean(x + stem, top)])
    # Digits also take a top and a middle bar by their next bits, so that each of the ten differs.
    for bit, y in ((4, -h + stem), (8, -h // 2 + stem // 2)):
        if digit and k & bit:
            polys.append([lean(40, y), lean(40, y - stem), lean(advance - 60, y - stem), lean(advance - 60, y)])
    return polys


def define_font2(f):
    """DefineFont2 with a layout: {"id", "name", "bold", "italic", "chars": "abc ", "advance",
    "stem", "slant"} (block glyphs, see block_glyph)."""
    chars = sorted(set(f["chars"]))
    glyphs = [glyph_records(block_glyph(ord(c), f["advance"] if c != " " else 300, f["stem"], f["slant"]))
              for c in chars]
    bw = Bits()
    bw.u16(f["id"])
    bw.u8(0x80 | 0x08 | 0x04 | (0x02 if f.get("italic") else 0) | (0x01 if f.get("bold") else 0))
    bw.u8(1)  # language: Latin
    name = f["name"].encode()
    bw.u8(len(name))
    bw.raw(name)
    bw.u16(len(chars))
    table = 4 * (len(chars) + 1)
    offsets, at = [], table
    for g in glyphs:
        offsets.append(at)
        at += len(g)
    for o in offsets + [at]:
        bw.raw(struct.pack("<I", o))
    for g in glyphs:
        bw.raw(g)
    for c in chars:
        bw.u16(ord(c))
    bw.u16(900)  # ascent
    bw.u16(260)  # descent
    bw.raw(struct.pack("<h", 40))  # leading
    for c in chars:
        bw.raw(struct.pack("<h", f["advance"] if c != " " else 300))
    for c in chars:
        write_rect(bw, 0, f["advance"], -600, 0)
    bw.u16(0)  # no kerning
    return tag(48, bw.data())


def define_text(t):
    """DefineText: {"id", "bounds" px, "runs": [{"font", "height" px, "color", "x", "y" px,
    "text"}]}; each run's glyph indices follow its font's sorted characters and its advances the
    font's (given as "advances": {font id: (chars, advance)})."""
    bw = Bits()
    bw.u16(t["id"])
    x0, y0, x1, y1 = t["bounds"]
    write_rect(bw, tw(x0), tw(x1), tw(y0), tw(y1))
    write_matrix(bw, 1, 0, 0, 1, 0, 0)
    bw.u8(8)  # glyph bits
    bw.u8(16)  # advance bits
    for run in t["runs"]:
        chars, advance = t["advances"][run["font"]]
        chars = sorted(set(chars))
        flags = 0x80 | 0x08 | 0x04 | (0x01 if "x" in run else 0) | (0x02 if "y" in run else 0)
        bw.u8(flags)
        bw.u16(run["font"])
        bw.raw(color(run["color"], False))
        if "x" in run:
            bw.raw(struct.pack("<h", tw(run["x"])))
        if "y" in run:
            bw.raw(struct.pack("<h", tw(run["y"])))
        bw.u16(tw(run["height"]))
        bw.u8(len(run["text"]))
        for c in run["text"]:
            bw.ub(8, chars.index(c))
            adv = (advance if c != " " else 300) * tw(run["height"]) / 1024.0
            bw.sb(16, int(round(adv)))
        bw.align()
    bw.u8(0)
    return tag(11, bw.data())


BUTTON_STATES = {"up": 1, "over": 2, "down": 4, "hit": 8}


def define_button2(b):
    """DefineButton2: {"id", "parts": [{"states": ("up", "hit"), "char", "depth", x/y/sx/sy/rot or
    matrix}], "actions": [("release", [action, ...])]} (no actions when absent)."""
    bw = Bits()
    bw.u16(b["id"])
    bw.u8(0)  # not a menu
    parts = Bits()
    for p in b["parts"]:
        parts.u8(sum(BUTTON_STATES[s] for s in p["states"]))
        parts.u16(p["char"])
        parts.u16(p["depth"])
        write_matrix(parts, *place_matrix(p))
        write_cxform(parts, p.get("cx", {"mult": (1, 1, 1, 1)}), True)
    parts.u8(0)
    records = parts.data()
    # Each condition's actions, after a size that is 0 on the last; "release" is OverDownToOverUp.
    conditions = b["actions"] if "actions" in b else []
    bw.u16(2 + len(records) if conditions else 0)
    bw.raw(records)
    for i, (when, actions) in enumerate(conditions):
        body = struct.pack("<H", {"release": 0x0008, "press": 0x0004}[when]) + encode_actions(actions) + b"\0"
        bw.raw(struct.pack("<H", 0 if i + 1 == len(conditions) else 2 + len(body)) + body)
    return tag(34, bw.data())


def fill_sides_path(polys):
    """Edges of polygons that tile the plane, each written once as an authoring tool writes them:
    fill1 the polygon on the edge's right (clockwise on screen), fill0 the one on its left (0 outside).
    Edges with the same style on both sides are left out. polys = [(style, [(x, y), ...]), ...]."""
    edges = {}
    order = []
    for style, pts in polys:
        area = sum(pts[i][0] * pts[(i + 1) % len(pts)][1] - pts[(i + 1) % len(pts)][0] * pts[i][1]
                   for i in range(len(pts)))
        if area < 0:
            pts = pts[::-1]
        for i in range(len(pts)):
            a, b = pts[i], pts[(i + 1) % len(pts)]
            key = (min(a, b), max(a, b))
            if key not in edges:
                edges[key] = {"from": a, "to": b, "fill1": style, "fill0": 0}
                order.append(key)
            else:
                edges[key]["fill0"] = style
    recs = []
    for key in order:
        e = edges[key]
        if e["fill0"] == e["fill1"]:
            continue
        recs += [S(move=e["from"], fill0=e["fill0"], fill1=e["fill1"]), ("L", e["to"][0], e["to"][1])]
    return recs


def four_fill_records(x, y):
    """A 200x140 rect at (x, y) in four fills: a curved divider top to bottom (two quadratic edges
    bulging opposite ways) and a straight one across, meeting in the middle; fill1 on the right of
    each edge, fill0 on its left."""
    X = lambda v: x + v
    Y = lambda v: y + v
    return [S(move=(X(0), Y(0)), fill0=0, fill1=1), ("L", X(100), Y(0)),
            S(fill1=2), ("L", X(200), Y(0)), ("L", X(200), Y(70)),
            S(fill1=4), ("L", X(200), Y(140)), ("L", X(100), Y(140)),
            S(fill1=3), ("L", X(0), Y(140)), ("L", X(0), Y(70)),
            S(fill1=1), ("L", X(0), Y(0)),
            S(move=(X(100), Y(0)), fill0=2, fill1=1), ("Q", X(140), Y(35), X(100), Y(70)),
            S(fill0=4, fill1=3), ("Q", X(60), Y(105), X(100), Y(140)),
            S(move=(X(0), Y(70)), fill0=1, fill1=3), ("L", X(100), Y(70)),
            S(fill0=2, fill1=4), ("L", X(200), Y(70))]


FOUR_FILLS = [("solid", "#d03030"), ("solid", "#3050d0"), ("solid", "#30a060"), ("solid", "#f0d020")]


def tessellation(cols, rows, cell, seed_colours):
    """cols x rows quads of `cell` px, each cut by a diagonal into two triangles, the inner corners
    moved by a fixed pseudo-random offset so no edge is axis-aligned; style = a few colours."""
    def corner(i, j):
        if 0 < i < cols and 0 < j < rows:
            h = (i * 7919 + j * 104729) % 1000
            return (round(i * cell + (h % 37 - 18) * cell / 100.0, 2),
                    round(j * cell + ((h // 37) % 29 - 14) * cell / 100.0, 2))
        return (i * cell, j * cell)
    polys = []
    for j in range(rows):
        for i in range(cols):
            a, b, c, d = corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)
            k = 2 * (j * cols + i)
            if (i + j) % 2:
                polys += [(seed_colours[(k * 5 + j) % len(seed_colours)] , [a, b, c]),
                          (seed_colours[((k + 1) * 3 + i) % len(seed_colours)], [a, c, d])]
            else:
                polys += [(seed_colours[(k * 5 + j) % len(seed_colours)], [a, b, d]),
                          (seed_colours[((k + 1) * 3 + i) % len(seed_colours)], [b, c, d])]
    return polys


@case("40-four-fills-curved-edges", "A DefineShape2 rect of four fill styles meeting along a curved "
      "divider (two quadratic edges) and a straight one, each shared edge written once with fill0 "
      "and fill1 as authoring tools write them: at 1:1 on whole pixels, at 0.7 rotated 17 degrees at "
      "a fractional place, and at 0.35 x 0.5. No background shows between the fills.")
def _():
    s = {"id": 1, "tag": 2, "fills": FOUR_FILLS, "records": four_fill_records(0, 0)}
    return {"stage": (480, 200), "bg": "#ffffff", "shapes": [s],
            "place": [{"char": 1, "depth": 1, "x": 20, "y": 20},
                      {"char": 1, "depth": 2, "x": 270.3, "y": 15.6, "sx": 0.7, "sy": 0.7, "rot": 17},
                      {"char": 1, "depth": 3, "x": 400.45, "y": 100.2, "sx": 0.35, "sy": 0.5}]}


@case("41-abutting-shapes", "Two shapes placed separately whose edges meet: left and right halves of "
      "a square split by a straight vertical edge, by a diagonal and by a curve, over a black bar, at "
      "whole and fractional places. Each shape's edge is anti-aliased on its own, so the bar may show "
      "faintly between them, as the reference player draws it.")
def _():
    bar = {"id": 1, "tag": 1, "fills": [("solid", "#000000")],
           "records": rect_path(0, 60, 400, 20, fill1=1) + rect_path(0, 175, 400, 20, fill1=1)}
    left = lambda sid, top, bottom, ctrl: {
        "id": sid, "tag": 2, "fills": [("solid", "#d03030")],
        "records": [S(move=(0, 0), fill1=1), ("L", top, 0)]
        + ([("Q", ctrl[0], ctrl[1], bottom, 100)] if ctrl else [("L", bottom, 100)])
        + [("L", 0, 100), ("L", 0, 0)]}
    right = lambda sid, top, bottom, ctrl: {
        "id": sid, "tag": 2, "fills": [("solid", "#3050d0")],
        "records": [S(move=(top, 0), fill1=1), ("L", 100, 0), ("L", 100, 100), ("L", bottom, 100)]
        + ([("Q", ctrl[0], ctrl[1], top, 0)] if ctrl else [("L", top, 0)])}
    shapes = [bar, left(2, 50, 50, None), right(3, 50, 50, None), left(4, 30, 70, None), right(5, 30, 70, None),
              left(6, 50, 50, (90, 50)), right(7, 50, 50, (90, 50))]
    place = [{"char": 1, "depth": 1}]
    spots = [(10, 20), (140, 20), (270, 20), (10.4, 135.3), (140.5, 135.5), (270.25, 135.75)]
    for k, (x, y) in enumerate(spots):
        pair = 2 + 2 * (k % 3)
        place += [{"char": pair, "depth": 2 + 2 * k, "x": x, "y": y},
                  {"char": pair + 1, "depth": 3 + 2 * k, "x": x, "y": y}]
    return {"stage": (400, 250), "bg": "#ffffff", "shapes": shapes, "place": place}


@case("42-tessellation-500", "A DefineShape2 of 500 triangles (25 x 10 quads cut by diagonals, inner "
      "corners moved off the grid) in four colours, every shared edge written once with fill0 and "
      "fill1 (edges between triangles of one colour left out); placed at 1:1 and at 0.6 rotated 8 "
      "degrees at a fractional place. No background shows between the triangles.")
def _():
    colours = [1, 2, 3, 4]
    s = {"id": 1, "tag": 2, "fills": FOUR_FILLS,
         "records": fill_sides_path(tessellation(25, 10, 12, colours))}
    return {"stage": (340, 240), "bg": "#ffffff", "shapes": [s],
            "place": [{"char": 1, "depth": 1, "x": 10, "y": 8},
                      {"char": 1, "depth": 2, "x": 20.35, "y": 150.6, "sx": 0.6, "sy": 0.6, "rot": -8}]}


@case("43-blend-over-shared-edges", "Blend modes multiply, screen, add and difference (PlaceObject3 on "
      "sprites) of the four-fill shape of 40 (at 0.45) and a 60-triangle tessellation, over grey and "
      "black bars. A seam between fills would show as a line of the backdrop's own colour.")
def _():
    bars = {"id": 1, "tag": 1, "fills": [("solid", "#808080"), ("solid", "#000000"), ("solid", "#c0c0ff")],
            "records": sum([rect_path(0, 30 * i, 320, 15, fill1=1 + i % 3) for i in range(8)], [])}
    four = {"id": 2, "tag": 2, "fills": FOUR_FILLS, "records": four_fill_records(0, 0)}
    tess = {"id": 3, "tag": 2, "fills": FOUR_FILLS, "records": fill_sides_path(tessellation(6, 5, 10, [1, 2, 3, 4]))}
    sp = {"id": 10, "frames": [[{"char": 2, "depth": 1, "sx": 0.45, "sy": 0.45},
                                {"char": 3, "depth": 2, "x": 5.5, "y": 65.5}]]}
    place = [{"char": 1, "depth": 1}]
    for k, mode in enumerate(["multiply", "screen", "add", "difference"]):
        place.append({"char": 10, "depth": 2 + k, "x": 10 + 100 * (k % 3) + 0.3, "y": 8 + 120 * (k // 3) + 0.6,
                      "tag": "PO3", "blend": mode})
    return {"stage": (320, 240), "bg": "#ffffff", "shapes": [bars, four, tess], "sprites": [sp], "place": place}


def alpha_erase_case():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#b0b0b0")],
               "records": sum([rect_path(10 * i, 0, 5, 260, fill1=1) for i in range(32)], [])}
    base = {"id": 4, "tag": 3, "fills": [("solid", "#f08000"), ("solid", "#208040")],
            "records": rect_path(0, 0, 120, 90, fill1=1) + rect_path(20, 20, 30, 50, fill1=2)}
    cutter = {"id": 6, "tag": 3, "fills": [("solid", "#000000ff"), ("solid", "#00000080")],
              "records": circle_path(85, 45, 25, 8, fill1=1) + rect_path(0, 60, 120, 15, fill1=2)}
    cut_sp = {"id": 7, "frames": [[{"char": 6, "depth": 1}]]}
    alpha_grp = {"id": 12, "frames": [[{"char": 4, "depth": 1},
                                       {"char": 6, "depth": 2, "tag": "PO3", "blend": "alpha"}]]}
    erase_grp = {"id": 13, "frames": [[{"char": 4, "depth": 1},
                                       {"char": 6, "depth": 2, "tag": "PO3", "blend": "erase"}]]}
    return {"stage": (320, 260), "bg": "#ffffff", "shapes": [stripes, base, cutter],
            "sprites": [cut_sp, alpha_grp, erase_grp],
            "place": [{"char": 1, "depth": 1},
                      {"char": 4, "depth": 2, "x": 20, "y": 20},
                      {"char": 7, "depth": 3, "x": 20, "y": 20, "tag": "PO3", "blend": "alpha"},
                      {"char": 4, "depth": 4, "x": 180, "y": 20},
                      {"char": 7, "depth": 5, "x": 180, "y": 20, "tag": "PO3", "blend": "erase"}]}


@case("44-alpha-erase-without-layer", "Blend modes alpha and erase over an orange base with a green "
      "bar, over grey stripes. Top row, on the root with no layer parent: an alpha sprite and an erase "
      "sprite (an opaque disc and a 50% bar) placed over the base: neither shows nor cuts. Bottom right, "
      "inside a sprite with blend mode layer: base + erase child (the disc cuts a hole, the bar halves "
      "the base's alpha).")
def _():
    c = alpha_erase_case()
    c["place"] = c["place"][:5] + [{"char": 13, "depth": 7, "x": 180, "y": 150, "tag": "PO3", "blend": "layer"}]
    return c


@case("45-gradient-ramps-and-repeated-ratios", "DefineShape3 linear gradients across wide bars: a 2-stop "
      "black-white ramp over 300 px, a 2-stop red-blue ramp over 255 px, a 3-stop red-green-blue ramp "
      "over 300 px; two stops sharing ratio 64 (hard edge at a quarter); two pairs sharing ratios 85 "
      "and 170 (three flat bands); the pair at ratio 0 and at 255 (the outer stops of the pair decide "
      "the ends).")
def _():
    bar = lambda sid, y, x0, x1, stops: {"id": sid, "tag": 3,
                                         "fills": [("linear", {"p0": (x0, 0), "p1": (x1, 0)}, stops)],
                                         "records": rect_path(10, y, 300, 24, fill1=1)}
    return {"stage": (320, 200), "bg": "#e0e0e0",
            "shapes": [bar(1, 6, 10, 310, [(0, "#000000"), (255, "#ffffff")]),
                       bar(2, 38, 30, 285, [(0, "#ff0000"), (255, "#0000ff")]),
                       bar(3, 70, 10, 310, [(0, "#ff0000"), (128, "#00ff00"), (255, "#0000ff")]),
                       bar(4, 102, 10, 310, [(0, "#ffffff"), (64, "#ff8000"), (64, "#0040c0"), (255, "#000000")]),
                       bar(5, 134, 10, 310, [(0, "#ff0000"), (85, "#ff0000"), (85, "#00a000"), (170, "#00a000"),
                                             (170, "#0000ff"), (255, "#0000ff")]),
                       bar(6, 166, 10, 310, [(0, "#ffff00"), (0, "#ff0000"), (255, "#000000"), (255, "#00ffff")])],
            "place": [{"char": i, "depth": i} for i in range(1, 7)]}


@case("46-stroke-scale-modes-skewed", "DefineShape4 strokes (6 px, a square outline with a diagonal and "
      "a curve) in each LINESTYLE2 scale mode (normal, none, horizontal, vertical; one row each), "
      "placed with a skew (column 1) and an uneven scale 2.5 x 0.6 (column 2) and 0.6 x 1.6 (column 3). The "
      "reference player ignores the scale modes: every row is drawn as the normal one.")
def _():
    shapes = []
    for k, mode in enumerate(["normal", "none", "horizontal", "vertical"]):
        shapes.append({"id": 1 + k, "tag": 4, "fills": [],
                       "lines": [{"w": 6, "color": ["#203080", "#b03020", "#208040", "#806000"][k], "scale": mode}],
                       "records": rect_path(0, 0, 30, 30, line=1)
                       + [S(move=(0, 0)), ("L", 30, 30), S(move=(0, 30)), ("Q", 15, 0, 30, 30)]})
    place = []
    for k in range(4):
        y = 15 + 70 * k
        place += [{"char": 1 + k, "depth": 1 + 3 * k, "matrix": (1.2, 0.3, 0.6, 1.1, 20, y)},
                  {"char": 1 + k, "depth": 2 + 3 * k, "x": 120, "y": y + 10, "sx": 2.5, "sy": 0.6},
                  {"char": 1 + k, "depth": 3 + 3 * k, "x": 250, "y": y - 2, "sx": 0.6, "sy": 1.6}]
    return {"stage": (320, 300), "bg": "#ffffff", "shapes": shapes, "place": place}


def detailed_bitmap():
    """128x96 opaque: 16x16 colour blocks, a 2 px black grid and a one-pixel checker in the top-left
    block, so a quarter-size draw must average them."""
    px = []
    for y in range(96):
        for x in range(128):
            bx, by = x // 16, y // 16
            c = ((bx * 53 + by * 97) % 200 + 40, (bx * 31 + by * 17) % 200 + 40, (bx * 71 + by * 43) % 200 + 40)
            if x % 16 < 2 or y % 16 < 2:
                c = (0, 0, 0)
            if bx == 0 and by == 0 and x >= 2 and y >= 2:
                c = (255, 255, 255) if (x + y) % 2 else (0, 0, 0)
            px.append((255,) + c)
    return px


@case("47-bitmap-fill-quarter-smoothed", "A 128x96 DefineBitsLossless2 bitmap (colour blocks, a 2 px "
      "black grid, a one-pixel checker) as a smoothed bitmap fill at a quarter of its size (32x24): "
      "clipped at a whole place and at a fractional one, and repeating over a 150x60 rect; at 1:1 "
      "smoothed for comparison.")
def _():
    bm = {"id": 1, "w": 128, "h": 96, "argb": detailed_bitmap()}
    q = {"id": 2, "tag": 3, "fills": [("bitmap", 1, (0.25, 0, 0, 0.25, 0, 0), "clipped", True)],
         "records": rect_path(0, 0, 32, 24, fill1=1)}
    rep = {"id": 3, "tag": 3, "fills": [("bitmap", 1, (0.25, 0, 0, 0.25, 0, 0), "repeat", True)],
           "records": rect_path(0, 0, 150, 60, fill1=1)}
    full = {"id": 4, "tag": 3, "fills": [("bitmap", 1, (1, 0, 0, 1, 0, 0), "clipped", True)],
            "records": rect_path(0, 0, 128, 96, fill1=1)}
    return {"stage": (320, 220), "bg": "#ffffff", "bitmaps": [bm], "shapes": [q, rep, full],
            "place": [{"char": 2, "depth": 1, "x": 20, "y": 20},
                      {"char": 2, "depth": 2, "x": 70.5, "y": 20.25},
                      {"char": 3, "depth": 3, "x": 20, "y": 70},
                      {"char": 4, "depth": 4, "x": 180, "y": 20}]}


@case("48-text-field-border-fractional", "DefineEditText fields with a border and no text (read-only, "
      "not selectable): bounds on whole pixels, on fractional twips, placed at fractional places "
      "(.25, .5, .75) and scaled 1.5; over a grey backdrop so the white background shows.")
def _():
    back = {"id": 1, "tag": 1, "fills": [("solid", "#a0a0a0")], "records": rect_path(0, 0, 320, 160, fill1=1)}
    texts = [{"id": 2, "bounds": (0, 0, 60, 20), "border": True},
             {"id": 3, "bounds": (0.35, 0.6, 50.85, 18.4), "border": True},
             {"id": 4, "bounds": (-2, -2, 40, 30), "border": True}]
    place = [{"char": 1, "depth": 1},
             {"char": 2, "depth": 2, "x": 10, "y": 10},
             {"char": 2, "depth": 3, "x": 90.25, "y": 10.5},
             {"char": 2, "depth": 4, "x": 170.5, "y": 10.75},
             {"char": 3, "depth": 5, "x": 10, "y": 50},
             {"char": 3, "depth": 6, "x": 90.75, "y": 50.25},
             {"char": 4, "depth": 7, "x": 20.5, "y": 90.5, "sx": 1.5, "sy": 1.5},
             {"char": 2, "depth": 8, "x": 150.3, "y": 100.6, "sx": 1.5, "sy": 1.5}]
    return {"stage": (320, 160), "bg": "#ffffff", "shapes": [back], "texts": texts, "place": place}


@case("49-button-in-cached-sprite", "A DefineButton2 (up state: a red disc with a dark outline; over "
      "and down: a green square; hit: a square) inside a sprite, placed plain, with cacheAsBitmap, and "
      "with cacheAsBitmap and an opaque light blue background (the sprite's bounding box filled), over "
      "grey stripes (SWF 11).")
def _():
    stripes = {"id": 1, "tag": 1, "fills": [("solid", "#c0c0c0")],
               "records": sum([rect_path(0, 8 * i, 320, 4, fill1=1) for i in range(20)], [])}
    disc = {"id": 2, "tag": 3, "fills": [("solid", "#d03030")], "lines": [(2, "#401010")],
            "records": circle_path(0, 0, 30, 8, fill1=1, line=1)}
    sq = {"id": 3, "tag": 3, "fills": [("solid", "#30a060")], "records": rect_path(-30, -30, 60, 60, fill1=1)}
    btn = {"id": 5, "parts": [{"states": ("up",), "char": 2, "depth": 1},
                              {"states": ("over", "down"), "char": 3, "depth": 2},
                              {"states": ("hit",), "char": 3, "depth": 3}]}
    sp = {"id": 10, "frames": [[{"char": 5, "depth": 1, "x": 10.5, "y": 5.25}]]}
    return {"stage": (320, 160), "bg": "#ffffff", "version": 11, "shapes": [stripes, disc, sq],
            "buttons": [btn], "sprites": [sp],
            "place": [{"char": 1, "depth": 1},
                      {"char": 10, "depth": 2, "x": 50, "y": 75, "tag": "PO3"},
                      {"char": 10, "depth": 3, "x": 150, "y": 75, "tag": "PO3", "cache": True},
                      {"char": 10, "depth": 4, "x": 250, "y": 75, "tag": "PO3", "cache": True,
                       "opaque_bg": "#a0d8ffff"}]}


@case("50-alpha-inside-layer", "Blend mode alpha inside a sprite with blend mode layer, over grey "
      "stripes: the base of 44 and an alpha child (an opaque disc and a 50% bar). The reference player "
      "draws nothing of the layer at all (its reading, not the documented one: the base kept where the "
      "disc is, halved under the bar).")
def _():
    c = alpha_erase_case()
    c["place"] = c["place"][:1] + [{"char": 12, "depth": 6, "x": 20, "y": 150, "tag": "PO3", "blend": "layer"}]
    return c

def bars_on_stage(ox, oy):
    bars = {"id": 1, "tag": 1, "fills": [("solid", "#2040a0")],
            "records": rect_path(50, 100, 300, 10, fill1=1) + rect_path(370, 40, 10, 150, fill1=1)
            + rect_path(20, 20, 200, 1, fill1=1) + rect_path(20, 30.5, 200, 1, fill1=1)
            + rect_path(20, 299, 200, 1, fill1=1) + rect_path(399, 200, 1, 60, fill1=1)}
    corner = {"id": 2, "tag": 1, "fills": [("solid", "#c03020")], "records": rect_path(0, 0, 40, 40, fill1=1)}
    return {"stage": (400.5, 300.35), "origin": (ox, oy), "bg": "#ffffff", "shapes": [bars, corner],
            "place": [{"char": 1, "depth": 1, "x": ox, "y": oy},
                      {"char": 2, "depth": 2, "x": ox + 360.5, "y": oy + 260.35}]}


@case("51-bars-on-fractional-stage", "Stage 400.5 x 300.35 px (8010 x 6007 twips, not whole pixels), "
      "white: a 300x10 bar at (50, 100), a 10x150 bar at (370, 40), 1 px bars at y 20, 30.5 and 299 and "
      "at x 399, and a 40x40 square at the bottom-right corner (360.5, 260.35) reaching the stage's edges.")
def _():
    return bars_on_stage(0, 0)


@case("54-bars-on-offset-stage", "The bars of 51 on a stage rect of the same size that starts at "
      "(10.5, 20.35) px (xMin 210, yMin 407 twips), everything placed that much further: where the "
      "player puts the rect's corner, the picture is 51's.")
def _():
    return bars_on_stage(10.5, 20.35)


def stroke_pen_shape(sid, colour, mode):
    """A 30x20 rectangle and a curve under it, stroked 10 px in a LINESTYLE2 scale mode."""
    return {"id": sid, "tag": 4, "fills": [],
            "lines": [{"w": 10, "color": colour, "scale": mode}],
            "records": rect_path(0, 0, 30, 20, line=1) + [S(move=(0, 34)), ("Q", 15, 14, 30, 34)]}


STROKE_PLACES = [{"x": 25, "sx": 3, "sy": 1}, {"matrix": (1, 0, 0.8, 1, 170, 0)},
                 {"x": 290, "rot": 30}]


@case("52-stroke-pen-transformed", "DefineShape4 normal-scaled 10 px strokes (a rectangle and a curve) "
      "under scale 3 x 1, a skew (c = 0.8) and a rotation of 30 degrees: the pen is transformed with the "
      "shape, so the stroke is 30 px wide across the stretched axis and 10 px across the other.")
def _():
    place = []
    for k, pl in enumerate(STROKE_PLACES):
        p = dict(pl, char=1, depth=1 + k)
        if "matrix" in p:
            a, b, c, d, tx, ty = p["matrix"]
            p["matrix"] = (a, b, c, d, tx, 40)
        else:
            p["y"] = 40
        place.append(p)
    return {"stage": (400, 130), "bg": "#ffffff", "shapes": [stroke_pen_shape(1, "#203080", "normal")],
            "place": place}


@case("53-stroke-scale-modes", "The shape of 52 in each LINESTYLE2 scale mode (normal, horizontal, "
      "vertical, none; a row each) under scale 3 x 1, a skew (c = 0.8) and a rotation of 30 degrees. The "
      "format: NoHScale keeps the width from following the object's horizontal scale, NoVScale its "
      "vertical one, both together leave it 10 stage pixels. The reference player ignores the modes "
      "(every row drawn as the normal one).")
def _():
    modes = ["normal", "horizontal", "vertical", "none"]
    colours = ["#203080", "#b03020", "#208040", "#806000"]
    place = []
    for r, mode in enumerate(modes):
        y = 30 + 90 * r
        for k, pl in enumerate(STROKE_PLACES):
            p = dict(pl, char=1 + r, depth=1 + 3 * r + k)
            if "matrix" in p:
                a, b, c, d, tx, ty = p["matrix"]
                p["matrix"] = (a, b, c, d, tx, y)
            else:
                p["y"] = y
            place.append(p)
    return {"stage": (400, 380), "bg": "#ffffff",
            "shapes": [stroke_pen_shape(1 + r, colours[r], m) for r, m in enumerate(modes)], "place": place}


TEXT_PLAIN = "plain again the quick brown fox jumps over a lazy dog while words wrap at the edge"
TEXT_FACES = [{"id": 1, "name": "Blocky", "chars": TEXT_PLAIN + " ", "advance": 600, "stem": 70, "slant": 0},
              {"id": 2, "name": "Blocky", "bold": True, "chars": "bold ", "advance": 680, "stem": 150,
               "slant": 0},
              {"id": 3, "name": "Blocky", "italic": True, "chars": "ital ", "advance": 600, "stem": 70,
               "slant": 0.3}]


@case("55-text-runs-and-wrap", "Three embedded DefineFont2 faces of one family \"Blocky\" (plain, bold, "
      "italic; made-up block glyphs, each face holding only the letters it shows, as authoring embeds "
      "them): a DefineText with runs plain, bold, italic, plain; two HTML DefineEditText fields "
      "(UseOutlines) with <b> and <i> runs and a plain run after them, one whose own font is the plain "
      "face and one whose font is the bold face; and a multiline word-wrapped HTML field whose "
      "paragraph wraps (276 px wide: \"jumps\" ends 2.5 px inside the 2 px gutters, a space short of them).")
def _():
    adv = {f["id"]: (f["chars"], f["advance"]) for f in TEXT_FACES}
    static = {"id": 10, "bounds": (0, -20, 300, 10), "advances": adv,
              "runs": [{"font": 1, "height": 20, "color": "#000000", "x": 0, "y": 0, "text": "plain "},
                       {"font": 2, "height": 20, "color": "#000000", "text": "bold "},
                       {"font": 3, "height": 20, "color": "#000000", "text": "ital "},
                       {"font": 1, "height": 20, "color": "#000000", "text": "again"}]}
    runs = "<p>plain <b>bold</b> <i>ital</i> again</p>"
    field = lambda i, font, text, bounds, **kw: dict({"id": i, "bounds": bounds, "font": font, "height": 20,
                                                       "color": "#203080ff", "text": text, "html": True}, **kw)
    wrap = ("<p>the quick brown fox jumps over a lazy dog while words wrap at the edge</p>")
    texts = [field(11, 1, runs, (0, 0, 380, 30)), field(12, 2, runs, (0, 0, 380, 30)),
             field(13, 1, wrap, (0, 0, 276, 120), multiline=True, wrap=True)]
    return {"stage": (400, 300), "bg": "#ffffff", "fonts": TEXT_FACES, "static_texts": [static],
            "texts": texts,
            "place": [{"char": 10, "depth": 1, "x": 10, "y": 30},
                      {"char": 11, "depth": 2, "x": 10, "y": 50},
                      {"char": 12, "depth": 3, "x": 10, "y": 90},
                      {"char": 13, "depth": 4, "x": 10, "y": 140}]}


@case("60-gradient-spreads", "DefineShape3 gradients smaller than their shapes in each spread mode (pad, "
      "reflect, repeat; one column each): a linear ramp 60 px long across a 96 px bar whose stops share "
      "ratio 128 (red, yellow | blue, green) and a 2-stop black-white one; a radial one of radius 22 in a "
      "96 x 96 square (white, orange at 100 and blue at 100, dark blue); a linear ramp at 30 degrees.")
def _():
    shapes, place = [], []
    for k, spread in enumerate((0, 1, 2)):
        x = 10 + 104 * k
        sid = 1 + 5 * k
        shapes += [
            {"id": sid, "tag": 3,
             "fills": [("linear", {"p0": (x + 18, 0), "p1": (x + 78, 0)},
                        [(0, "#ff0000"), (128, "#ffff00"), (128, "#0000ff"), (255, "#00c000")], spread)],
             "records": rect_path(x, 10, 96, 30, fill1=1)},
            {"id": sid + 1, "tag": 3,
             "fills": [("linear", {"p0": (x + 28, 0), "p1": (x + 68, 0)}, [(0, "#000000"), (255, "#ffffff")],
                        spread)],
             "records": rect_path(x, 46, 96, 20, fill1=1)},
            {"id": sid + 2, "tag": 3,
             "fills": [("radial", {"c": (x + 48, 120), "r": 22},
                        [(0, "#ffffff"), (100, "#ff9000"), (100, "#2060ff"), (255, "#002060")], spread)],
             "records": rect_path(x, 72, 96, 96, fill1=1)},
            {"id": sid + 3, "tag": 3,
             "fills": [("linear", {"p0": (x + 38, 190), "p1": (x + 38 + 26 * math.cos(math.pi / 6),
                                                              190 + 26 * math.sin(math.pi / 6))},
                        [(0, "#8000c0"), (255, "#f0f0a0")], spread)],
             "records": rect_path(x, 174, 96, 56, fill1=1)}]
        place += [{"char": sid + j, "depth": sid + j} for j in range(4)]
    return {"stage": (330, 240), "bg": "#e0e0e0", "shapes": shapes, "place": place}


def fine_bitmap():
    """120x120 opaque: a one-pixel black-white checker (left half of the top rows), one-pixel stripes
    (right half), and below them coloured noise, so that a smaller draw must average texels."""
    seed = [61]

    def rnd():
        seed[0] = (seed[0] * 1103515245 + 12345) & 0x7FFFFFFF
        return seed[0] >> 23

    px = []
    for y in range(120):
        for x in range(120):
            if y < 60 and x < 60:
                v = 255 if (x + y) % 2 else 0
                c = (v, v, v)
            elif y < 60:
                c = (230, 40, 40) if x % 2 else (40, 40, 230)
            else:
                c = (rnd(), rnd(), rnd())
            px.append((255,) + c)
    return px


def minified_fills(smooth):
    """The bitmap of fine_bitmap() as clipped fills at 1/3 (40x40) and 1/5 (24x24) on whole places, at 1/3
    on a fractional place and at 1/3 rotated 20 degrees."""
    bm = {"id": 1, "w": 120, "h": 120, "argb": fine_bitmap()}
    shapes = [{"id": 2 + j, "tag": 3, "fills": [("bitmap", 1, (scale, 0, 0, scale, 0, 0), "clipped", smooth)],
               "records": rect_path(0, 0, 120 * scale, 120 * scale, fill1=1)} for j, scale in enumerate((1 / 3, 1 / 5))]
    place = [{"char": 2, "depth": 1, "x": 15, "y": 15}, {"char": 3, "depth": 2, "x": 75, "y": 15},
             {"char": 2, "depth": 3, "x": 120.4, "y": 15.3}, {"char": 2, "depth": 4, "x": 200, "y": 15, "rot": 20}]
    return {"stage": (280, 90), "bg": "#ffffff", "bitmaps": [bm], "shapes": shapes, "place": place}


@case("61-bitmap-fill-minified-unsmoothed", "A 120x120 DefineBitsLossless2 bitmap of one-pixel detail (a "
      "checker, stripes, noise) as unsmoothed clipped bitmap fills at 1/3 and 1/5, at 1/3 also at a "
      "fractional place and rotated 20 degrees: the nearest texel of the bitmap itself, as drawn at any size.")
def _():
    return minified_fills(False)


@case("62-bitmap-fill-minified-smoothed", "The fills of 61 smoothed. The reference player samples the "
      "bitmap itself bilinearly at any size (the one-pixel checker keeps its pattern at 1/3, speckled); "
      "Flash Player draws smoothed bitmaps smaller than their size from halved copies (mipmaps), which "
      "average the detail to grey.")
def _():
    return minified_fills(True)


# ------------------------------------------------------------ a scripted game
def P(*values):
    """One push of Python values: str, int, float, bool, None (null)."""
    def one(v):
        if v is None:
            return ("null",)
        if isinstance(v, bool):
            return ("bool", v)
        if isinstance(v, int):
            return ("int", v)
        if isinstance(v, float):
            return ("double", v)
        return ("str", v)
    return [("push", [one(v) for v in values])]


def get(path):
    """The value of a dotted path: a variable, then its members."""
    head, *rest = path.split(".")
    out = P(head) + [("getvar",)]
    for m in rest:
        out += P(m) + [("getmember",)]
    return out


def put(path, value):
    """path = value, value being actions that leave one value."""
    head, *rest = path.split(".")
    if not rest:
        return P(head) + value + [("setvar",)]
    return get(".".join([head] + rest[:-1])) + P(rest[-1]) + value + [("setmember",)]


def call(path, *args, keep=False):
    """path(args) as a function or a method call; its result dropped unless kept."""
    out = []
    for a in reversed(args):
        out += a if isinstance(a, list) else P(a)
    out += P(len(args))
    if "." in path:
        obj, method = path.rsplit(".", 1)
        out += get(obj) + P(method) + [("callmethod",)]
    else:
        out += P(path) + [("callfunc",)]
    return out if keep else out + [("pop",)]


def game_case():
    """The scripted game; see its case's description."""
    rect = lambda x, y, w, h, **style: rect_path(x, y, w, h, **style)
    bar = {"id": 1, "tag": 1, "fills": [("solid", "#40b050")], "records": rect(0, 0, 200, 16, fill1=1)}
    frame = {"id": 2, "tag": 3, "lines": [(2, "#d0e0d0")], "records": rect(59, 111, 202, 18, line=1)}
    up = {"id": 3, "tag": 3, "fills": [("solid", "#3060c0")], "lines": [(2, "#c0d0ff")],
          "records": rect(-60, -20, 120, 40, fill1=1, line=1)}
    over = {"id": 4, "tag": 3, "fills": [("solid", "#f0a020")], "lines": [(2, "#fff0c0")],
            "records": rect(-60, -20, 120, 40, fill1=1, line=1)}
    ball = {"id": 6, "tag": 3, "fills": [("solid", "#e04020")], "lines": [(1, "#401000")],
            "records": circle_path(0, 0, 12, 8, fill1=1, line=1)}
    button = {"id": 5, "parts": [{"states": ("up",), "char": 3, "depth": 1},
                                 {"states": ("over", "down"), "char": 4, "depth": 1},
                                 {"states": ("hit",), "char": 3, "depth": 2}],
              "actions": [("release", [("gotolabel", "game"), ("stop",)])]}
    font = {"id": 8, "name": "Blocky", "chars": "0123456789 ", "advance": 600, "stem": 90, "slant": 0}
    score = {"id": 9, "bounds": (0, 0, 120, 30), "font": 8, "height": 26, "color": "#ffffff", "var": "score"}
    sprites = [{"id": 7, "frames": [[{"char": 6, "depth": 1}]]},
               {"id": 11, "frames": [[{"char": 1, "depth": 1}]]}] + \
        [{"id": i, "frames": [[]]} for i in (12, 13, 14)]
    this = lambda: P("this") + [("getvar",)]
    # The preloader: the bar grows by 30 a frame up to the share loaded, then the menu.
    preload = [("stop",)] + put("shown", P(10)) + put("bar._xscale", get("shown")) + \
        this() + P("onEnterFrame") + [("function", "", [],
            put("shown", get("shown") + P(30) + [("add",)]) +
            P("p") + P(100) + call("this.getBytesLoaded", keep=True) + [("mul",)] +
            call("this.getBytesTotal", keep=True) + [("div",)] + [("local",)] +
            get("shown") + get("p") + [("less",), ("not",), ("if", "low")] + put("p", get("shown")) +
            [("label", "low")] + put("bar._xscale", get("p")) +
            get("p") + P(100) + [("less",), ("if", "wait"), ("gotolabel", "menu"), ("stop",), ("label", "wait")])] + \
        [("setmember",)]
    # The menu starts the game itself after thirty frames (2.5 s) when nobody clicks.
    menu = put("wait", P(0)) + this() + P("onEnterFrame") + [("function", "", [],
            put("wait", get("wait") + P(1) + [("add",)]) +
            get("wait") + P(30) + [("less",), ("if", "later"), ("gotolabel", "game"), ("stop",), ("label", "later")])] + \
        [("setmember",)]
    neg = lambda m: put("this." + m, P(0) + get("this." + m) + [("sub",)])
    move = [("function", "moveBall", [],
             put("this._x", get("this._x") + get("this.vx") + [("add",)]) +
             put("this._y", get("this._y") + get("this.vy") + [("add",)]) +
             get("this._x") + P(300) + [("greater",), ("not",), ("if", "a")] + neg("vx") + [("label", "a")] +
             get("this._x") + P(20) + [("less",), ("not",), ("if", "b")] + neg("vx") + [("label", "b")] +
             get("this._y") + P(220) + [("greater",), ("not",), ("if", "c")] + neg("vy") + [("label", "c")] +
             get("this._y") + P(20) + [("less",), ("not",), ("if", "d")] + neg("vy") + [("label", "d")])]
    game = [("stop",)] + move + \
        call("bg.beginFill", 0x183050) + call("bg.moveTo", 0, 0) + call("bg.lineTo", 320, 0) + \
        call("bg.lineTo", 320, 240) + call("bg.lineTo", 0, 240) + call("bg.lineTo", 0, 0) + call("bg.endFill") + \
        call("bg.beginFill", 0x287038) + call("bg.moveTo", 0, 200) + call("bg.curveTo", 160, 120, 320, 200) + \
        call("bg.lineTo", 320, 240) + call("bg.lineTo", 0, 240) + call("bg.lineTo", 0, 200) + call("bg.endFill") + \
        call("bg.lineStyle", 2, 0xffd040, 100) + call("bg.moveTo", 20, 36) + call("bg.lineTo", 300, 36) + \
        call("win.beginFill", 0xff0000) + call("win.moveTo", 30, 50) + call("win.lineTo", 290, 50) + \
        call("win.curveTo", 300, 130, 290, 210) + call("win.lineTo", 30, 210) + call("win.curveTo", 20, 130, 30, 50) + \
        call("win.endFill") + call("field.setMask", get("win")) + put("i", P(0)) + [("label", "next")] + \
        get("i") + P(6) + [("less",), ("not",), ("if", "done")] + \
        put("c", call("field.attachMovie", "ball", P("b") + get("i") + [("add",)], get("i"), keep=True)) + \
        put("c._x", P(20) + get("i") + P(50) + [("mul",), ("add",)]) + \
        put("c._y", P(60) + get("i") + P(25) + [("mul",), ("add",)]) + \
        put("c.vx", P(3) + get("i") + [("add",)]) + put("c.vy", P(5) + get("i") + [("sub",)]) + \
        put("c.onEnterFrame", get("moveBall")) + put("i", get("i") + P(1) + [("add",)]) + \
        [("jump", "next"), ("label", "done")] + put("score", P(0)) + \
        this() + P("onEnterFrame") + [("function", "", [], put("score", get("score") + P(10) + [("add",)]))] + \
        [("setmember",)]
    return {"stage": (320, 240), "bg": "#202838", "version": 8, "fps": 12,
            "shapes": [bar, frame, up, over, ball], "fonts": [font], "texts": [score], "buttons": [button],
            "sprites": sprites, "exports": [(7, "ball")],
            "labels": {2: "menu", 3: "game"}, "actions": {1: preload, 2: menu, 3: game},
            "place": [{"char": 11, "depth": 1, "x": 60, "y": 112, "name": "bar"}, {"char": 2, "depth": 2}],
            "more_frames": [[{"remove": 1}, {"remove": 2}, {"char": 5, "depth": 3, "x": 160, "y": 130}],
                            [{"remove": 3}, {"char": 12, "depth": 1, "name": "bg"},
                             {"char": 13, "depth": 2, "name": "field"}, {"char": 14, "depth": 3, "name": "win"},
                             {"char": 9, "depth": 4, "x": 10, "y": 8}]]}


@case("70-scripted-game", "A small game whose scripts make what shows (SWF 8): a preloader whose "
      "onEnterFrame grows a bar up to getBytesLoaded/getBytesTotal, then gotoAndStop(\"menu\"); a menu "
      "whose button's release handler does gotoAndStop(\"game\"), and which starts the game itself after "
      "thirty frames; the game draws its background with the drawing API, attaches six exported \"ball\" "
      "clips into a holder masked by setMask with a drawn window, moves them in their onEnterFrame, and "
      "counts a score in a text field bound to the variable score with an embedded font.")
def _():
    return game_case()


def main(argv):
    if len(argv) < 2:
        print(__doc__.split("\n\n")[0])
        print("usage: swfgen.py OUTDIR [case ...] | --list")
        return 2
    if argv[1] == "--list":
        for k, v in CASES.items():
            print("%s\t%dx%d\t%s" % (k, v["stage"][0], v["stage"][1], v["doc"]))
        return 0
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    names = argv[2:] or list(CASES)
    index = {}
    for n in names:
        c = CASES[n]
        data = build(c)
        with open(os.path.join(out, n + ".swf"), "wb") as f:
            f.write(data)
        index[n] = {"stage": list(c["stage"]), "bg": c.get("bg"), "compressed": bool(c.get("compress")),
                    "version": c.get("version", 10), "bytes": len(data), "doc": c["doc"]}
    with open(os.path.join(out, "cases.json"), "w") as f:
        json.dump(index, f, indent=1)
    print("wrote %d cases to %s" % (len(names), out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
