"""The stand-in host as the generation meets it, in single precision where the host computes in
single precision and in double where it computes in double, operation by operation in the host's
order: its random source, colours and their blend, matrices, exact curve bounds and a document
of path arts in stacking order.

Every real is a numpy float32. numpy widens a float32 mixed with a Python float or int to
float64, so every constant here is made a float32 first (F(...)), and the document refuses to
store anything but a float32 (an assertion), which catches a widening that slipped in.
"""

import ctypes
import ctypes.util
import math

import numpy as np

F = np.float32
_MASK64 = (1 << 64) - 1

# ---- Random source ------------------------------------------------------------------------------


class Mt19937_64:
    """std::mt19937_64: the host seeds one with the run's seed."""

    N, M = 312, 156
    UPPER, LOWER = _MASK64 ^ ((1 << 31) - 1), (1 << 31) - 1

    def __init__(self, seed):
        mt = [seed & _MASK64]
        for i in range(1, self.N):
            prev = mt[-1]
            mt.append((6364136223846793005 * (prev ^ (prev >> 62)) + i) & _MASK64)
        self.mt = mt
        self.index = self.N

    def _twist(self):
        mt, n, m = self.mt, self.N, self.M
        for i in range(n):
            x = (mt[i] & self.UPPER) | (mt[(i + 1) % n] & self.LOWER)
            xa = x >> 1
            if x & 1:
                xa ^= 0xB5026F5AA96619E9
            mt[i] = mt[(i + m) % n] ^ xa
        self.index = 0

    def next(self):
        if self.index >= self.N:
            self._twist()
        y = self.mt[self.index]
        self.index += 1
        y ^= (y >> 29) & 0x5555555555555555
        y ^= (y << 17) & 0x71D67FFFEDA60000
        y ^= (y << 37) & 0xFFF7EEE000000000
        y ^= y >> 43
        return y & _MASK64


_TWO_TO_MINUS_24 = F(1.0 / 16777216.0)


class Draws:
    """The host's uniform draws: the exact first draws given (--draws), then the seeded generator,
    each draw 24 random bits times 2^-24. Counts what was taken."""

    def __init__(self, seed, first=()):
        self.first = [F(v) for v in first]
        self.engine = Mt19937_64(seed)
        self.count = 0

    def __call__(self):
        self.count += 1
        if self.first:
            return self.first.pop(0)
        return F(self.engine.next() >> 40) * _TWO_TO_MINUS_24


# ---- Real maths ---------------------------------------------------------------------------------

_libm = ctypes.CDLL(ctypes.util.find_library("m") or "libm.so.6")
for _name in ("sinf", "cosf"):
    getattr(_libm, _name).restype = ctypes.c_float
    getattr(_libm, _name).argtypes = [ctypes.c_float]


def sinf(x):
    # The host takes std::sin of a float: the C library's sinf, called here too.
    return F(_libm.sinf(float(x)))


def cosf(x):
    return F(_libm.cosf(float(x)))


_DEG_TO_RAD = F(F(math.pi) / F(180))  # pi and 180 as floats, divided in single precision


def radians(degrees):
    return degrees * _DEG_TO_RAD


def translation(tx, ty):
    return (F(1), F(0), F(0), F(1), tx, ty)


def scaling(sx, sy):
    return (sx, F(0), F(0), sy, F(0), F(0))


def rotation(angle):
    c, s = cosf(angle), sinf(angle)
    return (c, s, -s, c, F(0), F(0))


def concat(m, n):
    """m followed by n, each product and sum in single precision in the host's order."""
    ma, mb, mc, md, mtx, mty = m
    na, nb, nc, nd, ntx, nty = n
    return (ma * na + mb * nc, ma * nb + mb * nd, mc * na + md * nc, mc * nb + md * nd,
            mtx * na + mty * nc + ntx, mtx * nb + mty * nd + nty)


def about(cx, cy, *operations):
    """Translation by minus (cx, cy), the operations, translation back."""
    m = translation(-cx, -cy)
    for op in operations:
        m = concat(m, op)
    return concat(m, translation(cx, cy))


def apply(m, h, v):
    a, b, c, d, tx, ty = m
    return a * h + c * v + tx, b * h + d * v + ty


# ---- Curve bounds (the host works them out in double) -------------------------------------------


def _cubic_range(p0, p1, p2, p3, lo, hi):
    lo = min(lo, p0, p3)
    hi = max(hi, p0, p3)
    if min(p0, p3) <= min(p1, p2) and max(p1, p2) <= max(p0, p3):
        return lo, hi
    d0, d1, d2 = p1 - p0, p2 - p1, p3 - p2
    if (d0 >= 0 and d1 >= 0 and d2 >= 0) or (d0 <= 0 and d1 <= 0 and d2 <= 0):
        return lo, hi
    a = -p0 + 3 * p1 - 3 * p2 + p3
    b = 2 * (p0 - 2 * p1 + p2)
    c = p1 - p0
    roots = []
    eps = 1e-12
    if math.fabs(a) < eps:
        if math.fabs(b) > eps:
            roots.append(-c / b)
    else:
        disc = b * b - 4 * a * c
        if disc >= 0:
            sq = math.sqrt(disc)
            roots += [(-b + sq) / (2 * a), (-b - sq) / (2 * a)]
    for t in roots:
        if t <= 0 or t >= 1:
            continue
        u = 1 - t
        v = u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3
        lo = min(lo, v)
        hi = max(hi, v)
    return lo, hi


def _extent(segs, closed, anchor, out, into):
    lo = hi = float(segs[0][anchor])
    n = len(segs)
    for i in range(n if closed else n - 1):
        s, e = segs[i], segs[(i + 1) % n]
        lo, hi = _cubic_range(float(s[anchor]), float(s[out]), float(e[into]), float(e[anchor]), lo, hi)
    return F(lo), F(hi)


def bounds(art):
    """(left, top, right, bottom) of the curves through the art's segments."""
    if not art.segs:
        return F(1), F(0), F(-1), F(0)
    left, right = _extent(art.segs, art.closed, 0, 4, 2)
    bottom, top = _extent(art.segs, art.closed, 1, 5, 3)
    return left, top, right, bottom


def centre_of(rect):
    """left + (right - left) / 2 and bottom + (top - bottom) / 2."""
    left, top, right, bottom = rect
    return left + (right - left) / F(2), bottom + (top - bottom) / F(2)


# ---- Colours ------------------------------------------------------------------------------------

GREY, FOUR, SPOT, THREE = 0, 1, 2, 5
KIND_NAMES = {GREY: "grey", FOUR: "cmyk", THREE: "rgb", SPOT: "spot"}
COMPONENTS = {GREY: 1, FOUR: 4, THREE: 3}  # what the colour modes change; other kinds: none


class Colour:
    """A colour record: its kind and the first five reals of its union (grey; cyan, magenta,
    yellow, black; red, green, blue; a spot colour's tint and its c, m, y, k), with a spot
    colour's name. A kind or a real that is None is unknown: a swatch the document does not hold
    was asked for, and what the plug-in then works with is its own choice."""

    __slots__ = ("kind", "c", "name")

    def __init__(self, kind, c, name=""):
        self.kind = kind
        self.c = list(c) + [F(0)] * (5 - len(c))
        self.name = name

    @staticmethod
    def unknown():
        return Colour(None, [None] * 5)

    def copy(self):
        return Colour(self.kind, self.c, self.name)


def grey(g):
    return Colour(GREY, [F(g)])


def four(c, m, y, k):
    return Colour(FOUR, [F(c), F(m), F(y), F(k)])


def three(r, g, b):
    return Colour(THREE, [F(r), F(g), F(b)])


def spot(tint, c, m, y, k, name):
    return Colour(SPOT, [F(tint), F(c), F(m), F(y), F(k)], name)


def _clamp01(v):
    return min(F(1), max(F(0), v))


def _to_rgb(col):
    c = col.c
    if col.kind == GREY:
        v = _clamp01(F(1) - c[0])
        return v, v, v
    if col.kind == FOUR:
        k = F(1) - _clamp01(c[3])
        return ((F(1) - _clamp01(c[0])) * k, (F(1) - _clamp01(c[1])) * k, (F(1) - _clamp01(c[2])) * k)
    if col.kind == THREE:
        return _clamp01(c[0]), _clamp01(c[1]), _clamp01(c[2])
    if col.kind == SPOT:
        t = _clamp01(c[0])
        k = F(1) - _clamp01(c[4])
        full = [(F(1) - _clamp01(c[i])) * k for i in (1, 2, 3)]
        return tuple(F(1) - t * (F(1) - x) for x in full)
    return F(0), F(0), F(0)


def from_rgb(kind, r, g, b):
    """The colour of a process kind that looks like (r, g, b), as the host converts."""
    if kind == GREY:
        return Colour(GREY, [F(1) - (F(0.299) * r + F(0.587) * g + F(0.114) * b)])
    if kind == FOUR:
        k = F(1) - max(r, g, b)
        if k >= F(1):
            return four(0, 0, 0, 1)
        return Colour(FOUR, [(F(1) - r - k) / (F(1) - k), (F(1) - g - k) / (F(1) - k), (F(1) - b - k) / (F(1) - k), k])
    return Colour(THREE, [r, g, b])


def _known(col):
    return col.kind is not None and all(v is not None for v in col.c)


def _blend_colour(first, second, t):
    process = (GREY, FOUR, THREE)
    if _known(second) and second.kind not in process and t < F(0.5):
        return second.copy()
    if not _known(first) or not _known(second):
        return Colour.unknown()
    if first.kind not in process or second.kind not in process:
        return (second if t < F(0.5) else first).copy()
    a = first if first.kind == second.kind else from_rgb(second.kind, *_to_rgb(first))
    r = second.copy()
    for i in range(COMPONENTS[second.kind]):
        r.c[i] = second.c[i] + (a.c[i] - second.c[i]) * t
    return r


# ---- Path styles --------------------------------------------------------------------------------


class Style:
    __slots__ = ("fill_paint", "stroke_paint", "fill", "stroke", "width")

    def __init__(self, fill_paint, stroke_paint, fill, stroke, width):
        self.fill_paint, self.stroke_paint = fill_paint, stroke_paint
        self.fill, self.stroke, self.width = fill, stroke, F(width)

    def copy(self):
        return Style(self.fill_paint, self.stroke_paint, self.fill.copy(), self.stroke.copy(), self.width)


def blend_styles(first, second, t):
    """The host's interpolation of two path styles; t is the share of first."""
    return Style(second.fill_paint if t < F(0.5) else first.fill_paint,
                 second.stroke_paint if t < F(0.5) else first.stroke_paint,
                 _blend_colour(first.fill, second.fill, t), _blend_colour(first.stroke, second.stroke, t),
                 second.width + (first.width - second.width) * t)


def default_new_path_style(model):
    fill = four(0, 0, 0, 0) if model == CMYK_MODEL else grey(0) if model == GREY_MODEL else three(1, 1, 1)
    stroke = four(0, 0, 0, 1) if model == CMYK_MODEL else grey(1) if model == GREY_MODEL else three(0, 0, 0)
    return Style(True, True, fill, stroke, 1.0)


# ---- The document -------------------------------------------------------------------------------

GREY_MODEL, RGB_MODEL, CMYK_MODEL = 0, 1, 2
MODEL_NAMES = {"grey": GREY_MODEL, "rgb": RGB_MODEL, "cmyk": CMYK_MODEL}
ABOVE_ALL, BELOW_ALL, BELOW_REFERENCE = 5, 6, 2


def _in_model(model, r, g, b):
    kind = FOUR if model == CMYK_MODEL else GREY if model == GREY_MODEL else THREE
    return from_rgb(kind, F(r), F(g), F(b))


_DEFAULT_SWATCH_COLOURS = [
    (0.93, 0.11, 0.14), (0.97, 0.58, 0.11), (1.0, 0.95, 0.0), (0.55, 0.78, 0.25), (0.0, 0.65, 0.32),
    (0.0, 0.59, 0.58), (0.0, 0.68, 0.94), (0.43, 0.76, 0.91), (0.18, 0.19, 0.57), (0.40, 0.18, 0.57),
    (0.57, 0.15, 0.56), (0.93, 0.0, 0.55), (0.96, 0.60, 0.76), (0.55, 0.38, 0.24), (0.78, 0.65, 0.47),
    (0.50, 0.50, 0.0), (0.0, 0.0, 0.50), (0.50, 0.0, 0.0), (0.85, 0.65, 0.13), (0.75, 0.75, 0.75),
    (0.5, 0.5, 0.5), (0.75, 0.75, 0.75), (1.0, 0.50, 0.31), (0.60, 1.0, 0.60),
]


def default_swatches(model):
    s = [spot(0, 0, 0, 0, 0, "None"), spot(1, 1, 1, 1, 1, "Registration"), _in_model(model, 1, 1, 1),
         four(0, 0, 0, 1) if model == CMYK_MODEL else _in_model(model, 0, 0, 0)]
    return s + [_in_model(model, *rgb) for rgb in _DEFAULT_SWATCH_COLOURS]


def _art_style(name, fill, fill_paint, stroke, stroke_paint, width, opacity):
    return name, Style(fill_paint, stroke_paint, fill, stroke, width), F(opacity)


def default_art_styles():
    return [
        _art_style("[Default]", three(1, 1, 1), True, three(0, 0, 0), True, 1.0, 1.0),
        _art_style("Ink Outline", three(1, 1, 1), False, three(0, 0, 0), True, 2.0, 1.0),
        _art_style("Sunset Glow", three(0.98, 0.55, 0.2), True, three(0.75, 0.1, 0.2), True, 1.5, 0.9),
        _art_style("Sea Glass", three(0.4, 0.8, 0.75), True, three(0.1, 0.4, 0.45), True, 0.5, 0.6),
        _art_style("Night Sky", three(0.1, 0.12, 0.35), True, three(0.9, 0.85, 0.3), True, 0.75, 1.0),
        _art_style("Ghost", three(1, 1, 1), True, three(0.6, 0.6, 0.6), True, 0.25, 0.35),
        _art_style("Heavy Rule", three(0.2, 0.2, 0.2), True, three(0, 0, 0), True, 6.0, 1.0),
        _art_style("Gold Leaf", three(0.85, 0.68, 0.2), True, three(0.45, 0.3, 0.05), True, 1.0, 1.0),
    ]


def parse_colour(text):
    """A colour as the command line takes it: (paint, Colour or None)."""
    if text == "none":
        return False, None
    kind, _, rest = text.partition(":")
    values = [F(v) for v in rest.split(",")]
    return True, {"grey": grey, "rgb": three, "cmyk": four}[kind](*values)


def swatch_colour(text):
    """A colour of a --swatches file."""
    if text in ("none", "registration"):
        reg = text == "registration"
        return spot(1 if reg else 0, 1, 1, 1, 1, "Registration" if reg else "None")
    return parse_colour(text)[1]


class HostRefused(Exception):
    """The host refused an operation (a coordinate or matrix that is not finite): the run ends."""


class Art:
    __slots__ = ("segs", "closed", "style", "opacity", "art_style")

    def __init__(self, style):
        self.segs = []  # [anchor h, anchor v, in h, in v, out h, out v]
        self.closed = False
        self.style = style
        self.opacity = F(1)
        self.art_style = -1

    def copy(self):
        a = Art(self.style.copy())
        a.segs = [list(s) for s in self.segs]
        a.closed, a.opacity, a.art_style = self.closed, self.opacity, self.art_style
        return a


def _finite(values):
    return all(math.isfinite(v) for v in values)


class Document:
    def __init__(self, model=RGB_MODEL, page=(612.0, 792.0), fill=None, stroke=None, stroke_width=None,
                 swatches=None):
        """fill and stroke as the command line writes them (None: the model's default)."""
        self.model = model
        self.page_width, self.page_height = F(page[0]), F(page[1])
        self.swatches = default_swatches(model) if swatches is None else swatches
        self.art_styles = default_art_styles()
        style = default_new_path_style(model)
        if fill is not None:
            paint, colour = parse_colour(fill)
            style.fill_paint = paint
            if paint:
                style.fill = colour
        if stroke is not None:
            paint, colour = parse_colour(stroke)
            style.stroke_paint = paint
            if paint:
                style.stroke = colour
        if stroke_width is not None:
            style.width = F(stroke_width)
        self.new_path_style = style
        self.arts = []  # bottom to top

    def _place(self, art, order, reference=None):
        if order == ABOVE_ALL:
            self.arts.append(art)
        elif order == BELOW_ALL:
            self.arts.insert(0, art)
        else:
            self.arts.insert(self._index(reference), art)

    def _index(self, art):
        for i, a in enumerate(self.arts):
            if a is art:
                return i
        raise ValueError("not an art of the document")

    def new_art(self, order):
        art = Art(self.new_path_style.copy())
        self._place(art, order)
        return art

    def duplicate(self, art, order, reference=None):
        copy = art.copy()
        self._place(copy, order, reference)
        return copy

    def set_segment(self, art, index, seg):
        """Writes one segment; the path grows by one when index is its length."""
        assert all(type(v) is np.float32 for v in seg), seg
        if not _finite(seg):
            raise HostRefused("a path point that is not finite")
        if index == len(art.segs):
            art.segs.append(list(seg))
        else:
            art.segs[index] = list(seg)

    def transform(self, art, m):
        assert all(type(v) is np.float32 for v in m), m
        if not _finite(m):
            raise HostRefused("a matrix that is not finite")
        moved = []
        for s in art.segs:
            t = []
            for k in (0, 2, 4):
                t += apply(m, s[k], s[k + 1])
            if not _finite(t):
                raise HostRefused("a transform that carries a point past the largest float")
            moved.append(t)
        art.segs = moved

    def set_style(self, art, style):
        assert type(style.width) is np.float32
        for colour in (style.fill, style.stroke):
            n = COMPONENTS.get(colour.kind, 1 if colour.kind == SPOT else 0)
            for v in colour.c[:n]:
                assert v is None or type(v) is np.float32, colour.c
                if v is not None and not math.isfinite(v):
                    raise HostRefused("a colour that is not finite")
        if not math.isfinite(style.width):
            raise HostRefused("a stroke width that is not finite")
        art.style = style.copy()

    def set_opacity(self, art, opacity):
        assert type(opacity) is np.float32
        art.opacity = min(F(1), max(F(0), opacity))

    def apply_art_style(self, art, index):
        _, style, opacity = self.art_styles[index]
        art.style = style.copy()
        art.opacity = opacity
        art.art_style = index

    def swatch(self, k):
        """The colour of swatch k, or an unknown colour for a swatch the document does not hold."""
        if 0 <= k < len(self.swatches):
            return self.swatches[k].copy()
        return Colour.unknown()
