"""The host's real maths as the generation meets it: degrees to radians, matrices (each product and
sum in single precision, in the host's order, with the C library's sinf and cosf), and the exact
bounds of an art's curves, which the host works out in double."""

import ctypes
import ctypes.util
import math

import numpy as np

F = np.float32

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
