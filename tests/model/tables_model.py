"""The fixed tables of the generation: the record's fields, the running factors, the burst types,
the reverse options and the scaling rows, as the generator's rules give them, in single
precision."""

import numpy as np

from host_model import F

# The record's 84 fields, in order, with their kinds ('i' integer, flag or list position; 'f' real).
FIELDS = [
    ("uniqueElements", "i"), ("randomInitialGap", "i"), ("randomSpread", "i"), ("randomShape", "i"),
    ("randomBurstType", "i"), ("placeBelow", "i"), ("alternateFlip", "i"), ("randomScale", "i"),
    ("randomStyle", "i"), ("randomBurstCount", "i"), ("randomAngle", "i"), ("randomLength", "i"),
    ("randomCenter", "i"), ("randomHeight", "i"), ("randomApply", "i"), ("preview", "i"),
    ("randomOpacity", "i"), ("randomWidth", "i"), ("applyToUniqueElements", "i"), ("applyToStars", "i"),
    ("scaling", "i"), ("fillColor", "i"), ("fillSwatch", "i"), ("fillSteps", "i"), ("strokeColor", "i"),
    ("strokeSwatch", "i"), ("strokeSteps", "i"), ("pattern", "i"), ("starPulse", "i"), ("elementPulse", "i"),
    ("factorMode", "i"), ("preset", "i"), ("shapeOption", "i"), ("reverseOption", "i"),
    ("burstApplySkip", "i"), ("burstApplyRun", "i"), ("burstType", "i"), ("starCount", "i"),
    ("currentPage", "i"), ("burstCount", "i"), ("sketchRepeats", "i"), ("sketchColor", "i"),
    ("startX", "f"), ("startY", "f"), ("viewZoom", "f"), ("initialGapX", "f"), ("initialGapY", "f"),
    ("spreadX", "f"), ("spreadY", "f"), ("pathInterpolate", "f"), ("length", "f"), ("angle", "f"),
    ("sketchWeight", "f"), ("sketchShift", "f"),
    ("fanFactorPerStar", "f"), ("fanFactorPerElement", "f"), ("lengthFactorPerStar", "f"),
    ("lengthFactorPerElement", "f"), ("fillFactorPerStar", "f"), ("fillFactorPerElement", "f"),
    ("heightFactorPerStar", "f"), ("heightFactorPerElement", "f"), ("angleFactorPerStar", "f"),
    ("angleFactorPerElement", "f"), ("spreadFactorPerStar", "f"), ("spreadFactorPerElement", "f"),
    ("initialGapFactorPerStar", "f"), ("initialGapFactorPerElement", "f"), ("opacityFactorPerStar", "f"),
    ("opacityFactorPerElement", "f"),
    ("dropShadow", "i"), ("randomShadowScaling", "i"), ("halfFillShadow", "i"), ("randomShadowDirection", "i"),
    ("randomShadowOpacity", "i"), ("randomSketchWeight", "i"), ("randomSketchShift", "i"), ("finalRun", "i"),
    ("previewValid", "i"), ("dialogLeft", "i"), ("dialogTop", "i"), ("dialogRight", "i"), ("dialogBottom", "i"),
    ("dialogBoundsSaved", "i"),
]
assert len(FIELDS) == 84

# The eight running factors, each a per-star and a per-element percentage.
FACTORS = ["fan", "length", "fill", "height", "angle", "spread", "initialGap", "opacity"]


class Unsettled(Exception):
    """The rules leave open what the plug-in does here, and the draws that follow depend on it."""


# ---- Tables -------------------------------------------------------------------------------------

THIRD, SEVENTH, NINTH, TWELFTH = F(1 / 3), F(1 / 7), F(1 / 9), F(1 / 12)
FIFTEENTH, THIRTIETH, TWENTYFOURTH, FOUR_THIRDS = F(1 / 15), F(1 / 30), F(1 / 24), F(4 / 3)


def burst_distances(t, s):
    """length1, length2, height1, height2 of burst type t for size s."""
    h = F(0.5)
    one_of = {
        0: (s, s, s * THIRD, s * THIRD),
        1: (s, s, s * THIRD, (s * THIRD) * h),
        2: (s, s * h, s * THIRD, s * THIRD),
        3: (s, s * F(0.2), s * h, s * F(3)),
        4: (s, s, s * SEVENTH, s * SEVENTH),
        5: (s, s, s * F(0.1), s * F(0.1)),
        6: (s, s * h, s * F(0.1), s * F(0.1)),
        7: (s, s, s * h, s * h),
        8: (s, s, s + s, s + s),
        9: (s, s, s * F(3), s * F(3)),
        10: (s, s, s * F(3), (s * F(3)) * h),
        11: (s, s * h, s * F(3), (s * F(3)) * h),
        12: (s + s, s * THIRD, s * h, (s * h) * F(4)),
        13: (s * h, s + s, s * FOUR_THIRDS, (s * FOUR_THIRDS) * F(0.1)),
        14: (s, s, s * F(3), s * F(3)),
        15: (s, s, s * F(4), s * F(4)),
        16: (s, s, s * F(5), s * F(5)),
        17: (s, s, s * F(0.125), s * F(0.125)),
        18: (s, s, s * NINTH, s * NINTH),
        19: (s, s, s * F(0.1), s * F(0.1)),
        20: (s, s, s * TWELFTH, s * TWELFTH),
        21: (s, s, s * FIFTEENTH, s * FIFTEENTH),
        22: (s, s, s * F(0.05), s * F(0.05)),
        23: (s, s, s * F(0.04), s * F(0.04)),
        24: (s, s, s * THIRTIETH, s * THIRTIETH),
        25: (s, s, s * F(0.05), (s * F(0.05)) * h),
        26: (s, s, s * TWENTYFOURTH, (s * TWENTYFOURTH) * h),
        27: (s, s, s * THIRTIETH, (s * THIRTIETH) * h),
        28: (s, s, s * F(0.025), (s * F(0.025)) * h),
        29: (s, s, s * F(0.02), (s * F(0.02)) * h),
    }
    return one_of[t]


def reversed_for(option, star, draw):
    """Whether the heights of a new element of this star are negated (option 2 takes a draw)."""
    if option == 1:
        return True
    if option == 2:
        return draw() > F(0.5)
    return {3: star % 2 == 1, 4: star % 3 == 1, 5: star % 4 == 2, 6: star % 5 == 2,
            7: star % 4 in (1, 3), 8: star % 3 == 2}.get(option, False)


def _frac(num, den):
    return F(num) / F(den)


def _by(i, values):
    v = values[i % len(values)]
    return v if isinstance(v, np.float32) else _frac(*v) if isinstance(v, tuple) else F(v)


def scale_factors(row, i, draw):
    """(scaleX, scaleY) of the scaling row for element index i (rows 27 and 28 take a draw)."""
    half, third, quarter = F(0.5), _frac(1, 3), F(0.25)
    one = F(1)
    if row == 0:
        s = one
    elif row in (1, 6):
        s = one if i % 2 == 0 else half
    elif row in (2, 7):
        s = one if i % 3 == 0 else half
    elif row == 3:
        s = one if i % 4 == 0 else half
    elif row == 4:
        s = one if i % 2 == 0 else quarter
    elif row == 5:
        s = one if i % 2 == 0 else F(0.125)
    elif row == 8:
        s = _frac(1, i + 1)
    elif row == 9:
        if i % 12 == 0:
            return one, one
        if i % 4 != 0:
            return quarter, _frac(1, 6)
        return third, quarter
    elif row == 10:
        if i % 5 != 0:
            s = _frac(1, 6)
        elif i % 2 == 1:
            s = _frac(1, 5)
        elif i % 3 != 0:
            s = quarter
        else:
            s = one
    elif row == 11:
        s = _frac(1, i + 2)
    elif row == 12:
        s = _frac(1, i + 3)
    elif row == 13:
        s = _frac(1, 1 + i % 2)
    elif row == 14:
        s = _frac(1, 1 + i % 3)
    elif row == 15:
        s = _frac(1, 1 + i % 4)
    elif row == 16:
        s = F(1 + i % 2) * half
    elif row == 17:
        s = one if i % 10 == 0 else half
    elif row == 18:
        s = one if i % 6 == 0 else half
    elif row in (19, 23):
        s = one if i % 6 == 0 else third
    elif row == 20:
        s = _frac(1, i + 1) if i % 6 == 0 else third
    elif row == 21:
        s = one if i % 6 == 0 else quarter
    elif row == 22:
        s = one if i % 15 == 0 else half
    elif row == 24:
        s = one if i % 4 == 1 and i % 3 == 2 else half
    elif row == 25:
        s = one if i % 4 == 1 and i % 5 == 2 else third
    elif row == 26:
        s = one if i % 4 == 2 and i % 5 == 3 else quarter
    elif row == 27:
        r = draw()
        s = one if i % 2 == 0 else r
    elif row == 28:
        r = draw()
        s = one if i % 3 == 0 else r
    elif row == 29:
        s = _by(i, [1, (1, 2), (1, 3), (1, 4), (1, 5)])
    elif row == 30:
        s = _by(i, [(1, 5), (1, 4), (1, 3), (1, 2), 1])
    elif row == 31:
        s = _by(i, [1, (1, 2), (1, 3), (1, 4), (1, 5), (1, 6), (1, 7)])
    elif row == 32:
        s = _by(i, [1, F(0.8), F(0.6), F(0.4), F(0.2)])
    elif row == 33:
        s = _by(i, [1, (5, 6), (2, 3), (1, 2), (1, 3), (1, 6)])
    elif row == 34:
        s = one if i % 2 == 1 else quarter if i % 3 == 1 else half
    elif row == 35:
        s = one if i % 3 != 0 else quarter if i % 5 == 1 else half
    elif row == 36:
        s = one if i % 2 == 0 else _frac(1, 6) if i % 4 == 1 else third
    elif row == 37:
        s = _by(i, [1, (1, 2), (1, 3), (1, 4), (1, 3), (1, 2), 1])
    elif row == 38:
        s = _by(i, [(1, 5), (1, 4), (1, 3), (1, 2), 1, (1, 2), (1, 3), (1, 4)])
    elif row == 39:
        s = _by(i, [(1, 6), (1, 4), (1, 2), 1, (1, 2), (1, 4), (1, 6)])
    elif row == 40:
        s = _by(i, [(1, 8), (1, 6), (1, 5), (1, 3), 1, (1, 3), (1, 5), (1, 6), (1, 8)])
    elif row == 41:
        s = _by(i, [(1, 4), (1, 2), (1, 4), 1, (1, 4), (1, 2), (1, 4)])
    elif row == 42:
        s = _by(i, [1, (1, 2), (1, 3), 1, (1, 3), (1, 2), 1])
    else:
        raise Unsettled(f"scaling row {row} is outside the list")
    return s, s
