"""A reference model of the design generation, written from the generator's rules alone: from a
parameter record, the document and the host's draws it makes every art the plug-in makes, in the
document's stacking order, with every real in single precision in the order the rules give.

    doc = host_model.Document(...)
    draws = host_model.Draws(seed)
    generate(record, doc, draws)   # doc.arts, bottom to top; draws.count draws taken

Where the rules leave the plug-in's choice open and that choice would change which draws follow,
generate raises Unsettled: such a record tells nothing about the rules.
"""

import numpy as np

from host_model import (ABOVE_ALL, BELOW_ALL, BELOW_REFERENCE, CMYK_MODEL, COMPONENTS, F, FOUR, GREY, GREY_MODEL,
                        RGB_MODEL, THREE, KIND_NAMES, Colour, about, blend_styles, bounds, centre_of, radians, rotation,
                        scaling, translation)

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


# ---- The generation -----------------------------------------------------------------------------


class Generation:
    def __init__(self, record, doc, draw):
        self.p = {name: (F(record[name]) if kind == "f" else int(record[name])) for name, kind in FIELDS}
        self.doc = doc
        self.draw = draw
        # Sketch colour 7 reads the last displacements; none exists before the first.
        self.last_anchor_v = self.last_in_h = self.last_out_v = None
        # What the record reached: popup values that took effect, random options that drew.
        self.reached = set()

    def hit(self, *what):
        self.reached.add(what)

    # -- the driver --

    def run(self):
        p, doc, draw = self.p, self.doc, self.draw
        self.swatch_count = len(doc.swatches)
        self.art_style_count = len(doc.art_styles)
        self.pct = {}
        for f in FACTORS:
            self.pct[f + "Star"] = p[f + "FactorPerStar"] * F(0.01)
            self.pct[f + "Element"] = p[f + "FactorPerElement"] * F(0.01)
        self.sketch_weight_pt = p["sketchWeight"] / F(10)
        self.shadow_dx, self.shadow_dy = F(20), F(-20)
        if p["randomShadowDirection"]:
            self.hit("randomShadowDirection")
            s1 = F(1) if draw() <= F(0.5) else F(-1)
            self.shadow_dx = draw() * s1 * F(20)
            s2 = F(1) if draw() <= F(0.5) else F(-1)
            self.shadow_dy = draw() * s2 * F(-20)
        self.page_width, self.page_height = doc.page_width, doc.page_height
        self.half_page_width = self.page_width * F(0.5)
        self.half_page_height = self.page_height * F(0.5)
        self.interpolation = p["pathInterpolate"] * F(0.01)
        self.part = {k: F(1) for k in self.pct}
        star_pulse_count = 1
        self.base_angle = radians(p["angle"])
        self.fill_star_steps = F(p["fillSteps"] if p["fillSteps"] != 0 else p["starCount"] - 1)
        self.stroke_star_steps = F(p["strokeSteps"] if p["strokeSteps"] != 0 else p["starCount"] - 1)
        self.art = None
        for star in range(p["starCount"]):
            self.star = star
            count = p["burstCount"]
            if p["randomBurstCount"]:
                self.hit("randomBurstCount")
                n = int(draw() * F(p["burstCount"]))
                count = n if n >= 2 else p["burstCount"]
            if count < 2:
                raise Unsettled("a star of fewer than two elements")
            self.angle_step = radians(F(360)) / F(count)
            self.half_turn = radians(F(180))
            self.skip_left, self.run_left = p["burstApplySkip"], p["burstApplyRun"]
            self.element_pulse_count = 1
            self.placement_angle, self.pending_angle = F(0), F(0)
            self.fill_element_steps = F(p["fillSteps"] if p["fillSteps"] != 0 else count)
            self.stroke_element_steps = F(p["strokeSteps"] if p["strokeSteps"] != 0 else count)
            if p["randomCenter"]:
                self.hit("randomCenter")
                self.cx = draw() * self.page_width
                self.cy = draw() * self.page_height
            else:
                self.cx, self.cy = p["startX"], p["startY"]
            for index in range(count):
                self.element(index)
            if star_pulse_count == p["starPulse"]:
                for f in FACTORS:
                    self.part[f + "Star"] = F(1)
                star_pulse_count = 1
            else:
                for f in FACTORS:
                    self.part[f + "Star"] = self.part[f + "Star"] * self.pct[f + "Star"]
                star_pulse_count += 1

    def factor(self, name):
        return self.part[name + "Star"] * self.part[name + "Element"]

    def element(self, index):
        p, doc = self.p, self.doc
        self.index = index
        if self.run_left > 0:
            drawn = True
            self.run_left -= 1
            self.skip_left = p["burstApplySkip"]
        elif self.skip_left > 0:
            drawn = False
            self.skip_left -= 1
        else:
            drawn = True
            self.run_left = p["burstApplyRun"] - 1
            self.skip_left = p["burstApplySkip"]
        if p["randomApply"]:
            self.hit("randomApply")
            if self.draw() > F(0.5):
                drawn = False
        if index == 0:
            drawn = True
        self.hit("element", "drawn" if drawn else "skipped")
        if p["placeBelow"]:
            self.hit("placeBelow")

        order = BELOW_ALL if p["placeBelow"] else ABOVE_ALL
        if not drawn:
            self.pending_angle = self.factor("fan") * self.placement_angle + self.pending_angle
        else:
            if index > 0 and not p["uniqueElements"]:
                self.art = doc.duplicate(self.art, order)
                self.hit("element", "copy")
            else:
                self.art = doc.new_art(order)
                if self.star == 0 and index == 0:
                    self.reference_style = self.art.style.copy()
                    self.reference_width = self.art.style.width
                    self.reference_opacity = self.art.opacity
                self.dimensions()
                self.shape()
                self.paint()
                self.own_transform()
            angle = (self.placement_angle + self.pending_angle) * self.factor("fan")
            doc.transform(self.art, about(self.cx, self.cy, rotation(angle)))
            self.pending_angle = F(0)
        self.placement_angle = (self.placement_angle if p["uniqueElements"] else F(0)) + self.angle_step
        if p["dropShadow"]:
            self.drop_shadow()
        self.pattern_mirror(self.art)
        self.sketch()
        if self.element_pulse_count == p["elementPulse"]:
            for f in FACTORS:
                self.part[f + "Element"] = F(1)
            self.element_pulse_count = 1
        else:
            for f in FACTORS:
                self.part[f + "Element"] = self.part[f + "Element"] * self.pct[f + "Element"]
            self.element_pulse_count += 1

    # -- element dimensions --

    def dimensions(self):
        p, draw = self.p, self.draw
        size = (p["length"] * self.part["lengthStar"]) * self.part["lengthElement"]
        t = p["burstType"]
        if p["randomBurstType"]:
            self.hit("randomBurstType")
            t = int(draw() * F(30))
            if t > 29:
                t = 0
        if not 0 <= t <= 29:
            raise Unsettled(f"burst type {t} is outside the list")
        self.hit("burstType", t)
        l1, l2, h1, h2 = burst_distances(t, size)
        if reversed_for(p["reverseOption"], self.star, draw):
            self.hit("reverseOption", p["reverseOption"])
            h1, h2 = -h1, -h2
        elif p["reverseOption"] == 0:
            self.hit("reverseOption", 0)
        hf = self.factor("height")
        h1, h2 = h1 * hf, h2 * hf
        if p["randomLength"]:
            self.hit("randomLength")
            l1 = draw() * l1
            l2 = draw() * l2
        if p["randomHeight"]:
            self.hit("randomHeight")
            h1 = draw() * h1
            h2 = draw() * h2
        if p["randomSpread"]:
            self.hit("randomSpread")
            self.handle_x = draw() * p["spreadX"]
            self.handle_y = draw() * p["spreadY"]
        else:
            self.handle_x, self.handle_y = p["spreadX"], p["spreadY"]
        if p["randomInitialGap"]:
            self.hit("randomInitialGap")
            gx = draw() * p["initialGapX"]
            gy = draw() * p["initialGapY"]
        else:
            gx, gy = p["initialGapX"], p["initialGapY"]
        g = self.factor("initialGap")
        self.base_x = gx * g + self.cx
        self.base_y = gy * g + self.cy
        self.l1, self.l2, self.h1, self.h2 = l1, l2, h1, h2

    # -- element shapes --

    def shape(self):
        p = self.p
        k = p["shapeOption"]
        if p["randomShape"]:
            self.hit("randomShape")
            k = int(self.draw() * F(14))
        self.hit("shapeOption", k)
        bx, by = self.base_x, self.base_y
        l1, l2, h1, h2 = self.l1, self.l2, self.h1, self.h2
        spread = self.factor("spread")
        hx, hy = self.handle_x * spread, self.handle_y * spread
        two, fifth, six_fifths, half = F(2), F(0.2), F(1.2), F(0.5)
        third, two_thirds = F(1 / 3), F(2 / 3)

        def plain(x, y):
            return [x, y, x, y, x, y]

        p0 = [bx, by, bx - hx, by - hy, bx + hx, by + hy]
        if k == 0:
            pts = [p0, plain(bx + l1, by + h1), plain(bx + l1 + l2, by + h1 - h2)]
        elif k == 1:
            pts = [p0, plain(bx + l1, by), plain(bx + l2 + h1, by - h2), plain(bx + h1, by - h1)]
        elif k == 2:
            pts = [p0, plain(bx + l1 * fifth, by + h1), plain(bx + l1 * six_fifths, by + h1),
                   plain(bx + l2 * six_fifths, by - h2), plain(bx + l2 * fifth, by - h2)]
        elif k == 3:
            pts = [p0, plain(bx + l1, by + h1), plain(bx + l2, by - h2)]
        elif k == 4:
            pts = [p0, plain(bx + l1, by), plain(bx + l2, by - h2)]
        elif k == 5:
            pts = [p0, plain(bx + l1, by + h1), plain(bx + l1 * two, by + h1), plain(bx + l2 * two, by - h2),
                   plain(bx + l2, by - h2)]
        elif k == 6:
            pts = [p0, plain(bx + l1 * two, by + h1), plain(bx + l1 * two + l2 * half, by + h1 - h2 * two)]
        elif k == 7:
            x2 = bx + l1 * two
            pts = [p0, plain(bx + l1, by + h1), [x2, by, x2 + hx, by + hy, x2 - hx, by - hy],
                   plain(bx + l1 * two + l2, by - h2)]
        elif k == 8:
            x2, y2 = bx + l1 + l1 * two, by + h1
            pts = [p0, plain(bx + l1, by + h1), [x2, y2, x2 + hx, y2 + hy, x2 - hx, y2 - hy],
                   plain(x2 + l2, by + h1 - h2)]
        elif k == 9:
            pts = [p0, plain(bx + l1, by), plain(bx + l1, by - h1), plain(bx + l1 - l2 * half, by - h1),
                   plain(bx + l1 - l2 * half, by - h1 - h2)]
        elif k == 10:
            pts = [p0, plain(bx + l1, by), plain(bx + l1, by - h1), plain(bx + l1 - l2 * third, by - h1),
                   plain(bx + l1 - l2 * third, by - h1 - h2), plain(bx + l1 - l2 * two_thirds, by - h1),
                   plain(bx + l1 - l2 * two_thirds, by - h1 - h2)]
        elif k == 11:
            hundred, two_hundred = F(100), F(200)
            pts = [p0, plain(bx + hundred, by + h1), plain(bx + l1 + hundred, by + h1),
                   plain(bx + l1 + two_hundred, by), plain(bx + l2 + hundred, by - h2), plain(bx + hundred, by - h2)]
        elif k == 12:
            pts = [p0, plain(bx + l1, by), plain(bx + l1, by - h2), plain(bx + l2, by - h1)]
        elif k == 13:
            x1, y1 = bx + l1, by + h1
            x2, y2 = bx + l1 + l2, by + h1 - h2
            pts = [plain(bx, by), [x1, y1, x1 + hx, y1 + hy, x1, y1], [x2, y2, x2, y2, x2 - hx, y2 - hy]]
        else:
            raise Unsettled(f"shape {k} is outside the list")
        for i, seg in enumerate(pts):
            self.doc.set_segment(self.art, i, seg)
        self.art.closed = True

    # -- element paint --

    def paint(self):
        p, doc, draw, art = self.p, self.doc, self.draw, self.art
        if p["applyToUniqueElements"]:
            self.colour_mode("fill", p["fillColor"], p["fillSwatch"], self.fill_element_steps, self.index)
            self.colour_mode("stroke", p["strokeColor"], p["strokeSwatch"], self.stroke_element_steps, self.index)
        if p["applyToStars"]:
            self.colour_mode("fill", p["fillColor"], p["fillSwatch"], self.fill_star_steps, self.star)
            self.colour_mode("stroke", p["strokeColor"], p["strokeSwatch"], self.stroke_star_steps, self.star)
        ff = self.factor("fill")
        if ff != F(1):
            self.hit("fill dimming")
            style = art.style.copy()
            c = style.fill
            if c.kind in (FOUR, THREE, GREY):
                for i in range(3 if c.kind in (FOUR, THREE) else 1):
                    c.c[i] = None if c.c[i] is None else c.c[i] * ff
                for i in range(COMPONENTS[c.kind]):
                    c.c[i] = None if c.c[i] is None else min(F(1), max(F(0), c.c[i]))
            doc.set_style(art, style)
        of = self.factor("opacity")
        if p["randomOpacity"]:
            self.hit("randomOpacity")
        doc.set_opacity(art, draw() * of if p["randomOpacity"] else of * self.reference_opacity)
        if p["randomWidth"]:
            self.hit("randomWidth")
            style = art.style.copy()
            style.width = draw() * self.reference_width
            doc.set_style(art, style)
        if p["randomStyle"]:
            self.hit("randomStyle")
            pos = int(draw() * F(self.art_style_count))
            if pos == 0:
                pos = 1 if self.art_style_count >= 1 else 0
            if pos >= self.art_style_count:
                raise Unsettled("an art style the document does not hold")
            doc.apply_art_style(art, pos)

    def lookup(self, k):
        """The swatch lookup: clamped to the list, positions 0 and 1 taken as 2."""
        k = min(k, self.swatch_count)
        k = max(k, 0)
        if k in (0, 1):
            k = 2
        if k >= self.swatch_count:
            self.hit("missing swatch")
        return self.doc.swatch(k)

    def colour_mode(self, which, mode, swatch_position, steps, e):
        n = int(steps)
        h = n // 2
        if mode == 0:
            self.hit(which + "Color", mode)
        if mode == 0 or n == 0:
            return
        style = self.art.style.copy()
        c = getattr(style, which)
        kind = c.kind
        self.hit(which + "Color", mode)
        self.hit(which + "Color by kind", f"{mode}/{KIND_NAMES.get(kind, 'unknown')}")
        count = COMPONENTS.get(kind, 0)
        one, fe, fn = F(1), F(e), F(n)
        paint_on = False

        def each(f):
            # Changes every component of the colour's kind; other kinds keep theirs.
            for i in range(count):
                c.c[i] = None if c.c[i] is None else f(c.c[i])

        if mode == 1:
            each((lambda v: v + (one - v) * fe / fn) if kind == THREE else (lambda v: v - v * fe / fn))
        elif mode == 2:
            each((lambda v: v - v * fe / fn) if kind == THREE else (lambda v: v + (one - v) * fe / fn))
        elif mode == 3:
            if kind == GREY:
                c.c[0] = self.draw()
            elif kind == FOUR:
                c.c[0], c.c[1], c.c[2] = self.draw(), self.draw(), self.draw()
                r = self.draw()
                c.c[3] = None if c.c[3] is None else c.c[3] * r
            elif kind == THREE:
                c.c[0], c.c[1], c.c[2] = self.draw(), self.draw(), self.draw()
            else:
                raise Unsettled("random colours of a colour that is neither grey, four- nor three-colour")
        elif mode == 4:
            k = 1 + int(self.draw() * F(self.swatch_count))
            c = self.lookup(k)
            paint_on = True
        elif mode == 5:
            if e <= h:
                each((lambda v: v + (one - v) * fe / fn) if kind == THREE else (lambda v: v - v * fe / fn))
            else:
                d = F(e - h)
                each((lambda v: v - (one - v) * d / fn) if kind == THREE else (lambda v: v + v * d / fn))
        elif mode == 6:
            paint_on = True
            s = self.lookup(swatch_position)
            for i in range(count):
                c.c[i] = None if c.c[i] is None or s.c[i] is None else c.c[i] + (s.c[i] - c.c[i]) * fe / fn
        elif mode == 7:
            each(lambda v: v - v * fe / F(2 * n))
        elif mode == 8:
            each(lambda v: v + (one - F(2) * v) * fe / fn)
        elif mode in (9, 10):
            if e % 2 == 1:
                white = mode == 9
                value = F(1) if (kind == THREE) == white else F(0)
                each(lambda v: value)
        elif mode == 11:
            paint_on = True
            s = self.lookup(swatch_position)
            if e % 2 == 1:
                for i in range(count):
                    c.c[i] = s.c[i]
        elif mode == 12:
            paint_on = True
            self.lookup(swatch_position)
            if e % 2 == 1:
                each(lambda v: one - v)
        elif mode == 13:
            def toward_half(v):
                d = (one - v) * fe / F(2 * n)
                return v - d if v > one - v / F(2) else v + d
            each(toward_half)
        elif mode == 14:
            if which == "stroke":
                raise Unsettled("the stroke's 10% reduction")
            each(lambda v: v - F(0.9) * v * fe / fn)
        else:
            raise Unsettled(f"colour mode {mode} is outside the list")
        if kind is None and mode != 4:
            c = Colour.unknown()
        setattr(style, which, c)
        if paint_on:
            setattr(style, which + "_paint", True)
        self.doc.set_style(self.art, style)

    # -- own transform, random rescale, path interpolation --

    def own_transform(self):
        p, doc, draw, art = self.p, self.doc, self.draw, self.art
        cx, cy = centre_of(bounds(art))
        spin = draw() * self.base_angle if p["randomAngle"] else self.base_angle
        if p["randomAngle"]:
            self.hit("randomAngle")
        spin = spin * self.factor("angle")
        if p["alternateFlip"] and self.star % 2 == 1:
            self.hit("alternateFlip")
            spin = spin + self.half_turn
        self.hit("scaling", p["scaling"])
        sx, sy = scale_factors(p["scaling"], self.index, draw)
        doc.transform(art, about(cx, cy, rotation(spin), scaling(sx, sy)))
        if p["randomScale"]:
            self.hit("randomScale")
            cx, cy = centre_of(bounds(art))
            sign = F(-1) if draw() > F(0.5) else F(1)
            s = F(1) + sign * draw() / F(3)
            doc.transform(art, about(cx, cy, scaling(s, s)))
        doc.set_style(art, blend_styles(self.reference_style, art.style, self.interpolation))

    # -- pattern-centre mirroring --

    def pattern_mirror(self, art):
        pattern = self.p["pattern"]
        if pattern == 0:
            return
        self.hit("pattern", pattern)
        rect = bounds(art)
        ecx, ecy = centre_of(rect)
        if pattern == 1:
            x, y = self.half_page_width, self.half_page_height
        elif pattern == 2:
            x, y = F(0), F(0)
        elif pattern == 3:
            x, y = ecx, ecy
        elif pattern == 4:
            x, y = F(0), ecy
        elif pattern == 5:
            x, y = ecx, F(0)
        elif pattern == 6:
            x, y = rect[2], rect[1]
        elif pattern == 7:
            r1 = self.draw()
            r2 = self.draw()
            x, y = r2 * self.page_width, r1 * self.page_height
        elif pattern == 8:
            x, y = self.base_x, self.base_y
        elif pattern == 9:
            x, y = self.half_page_width + F(100), self.half_page_height + F(100)
        elif pattern == 10:
            r1 = self.draw()
            r2 = self.draw()
            x, y = self.half_page_width + F(100) * r2, self.half_page_height + F(100) * r1
        else:
            raise Unsettled(f"pattern {pattern} is outside the list")
        self.mirror_about(art, x, y)

    def mirror_about(self, art, x, y):
        doc = self.doc
        copy1 = doc.duplicate(art, ABOVE_ALL)
        cx, cy = centre_of(bounds(copy1))
        dx, dy = F(2) * (x - cx), F(2) * (y - cy)
        doc.transform(copy1, translation(dx, F(0)))
        copy2 = doc.duplicate(art, ABOVE_ALL)
        doc.transform(copy2, translation(dx, dy))
        copy3 = doc.duplicate(art, ABOVE_ALL)
        doc.transform(copy3, translation(F(0), dy))
        for copy, sx, sy in ((copy1, -1, 1), (copy2, -1, -1), (copy3, 1, -1)):
            cx, cy = centre_of(bounds(copy))
            doc.transform(copy, about(cx, cy, scaling(F(sx), F(sy))))

    # -- drop shadow --

    def drop_shadow(self):
        p, doc, draw, art = self.p, self.doc, self.draw, self.art
        shadow = doc.duplicate(art, BELOW_REFERENCE, art)
        self.hit("dropShadow", ("grey", "rgb", "cmyk")[doc.model])
        if p["halfFillShadow"]:
            self.hit("halfFillShadow")
        style = art.style.copy()
        fill = style.fill
        half = F(0.5)

        def halve(i):
            fill.c[i] = None if fill.c[i] is None else fill.c[i] * half

        if doc.model == GREY_MODEL:
            fill.kind = GREY
            if p["halfFillShadow"]:
                halve(0)
            else:
                fill.c[0] = F(0)
        elif doc.model == RGB_MODEL:
            fill.kind = THREE
            for i in range(3):
                if p["halfFillShadow"]:
                    halve(i)
                else:
                    fill.c[i] = F(0)
        elif doc.model == CMYK_MODEL:
            fill.kind = FOUR
            for i in range(4):
                if p["halfFillShadow"]:
                    halve(i)
                else:
                    fill.c[i] = F(1)
        doc.set_style(shadow, style)
        if p["randomShadowOpacity"]:
            self.hit("randomShadowOpacity")
            doc.set_opacity(shadow, draw())
        doc.transform(shadow, translation(self.shadow_dx, self.shadow_dy))
        if p["randomShadowScaling"]:
            self.hit("randomShadowScaling")
            left, top, right, bottom = bounds(shadow)
            cx = left + (right - left) / F(2)
            doc.transform(shadow, about(cx, bottom, scaling(F(1), draw())))
        self.pattern_mirror(shadow)

    # -- sketch strokes --

    def sketch(self):
        p, doc, draw = self.p, self.doc, self.draw
        shift = p["sketchShift"]
        for _ in range(p["sketchRepeats"]):
            copy = doc.duplicate(self.art, ABOVE_ALL)
            self.hit("sketchColor", p["sketchColor"])
            sx = F(-1) if draw() > F(0.5) else F(1)
            shift_x = draw() * shift * sx
            sy = F(-1) if draw() > F(0.5) else F(1)
            shift_y = draw() * shift * sy
            if shift_x != F(0) or shift_y != F(0):
                for i in range(len(copy.segs)):
                    seg = list(copy.segs[i])
                    for k in range(6):
                        amount = shift_x if k % 2 == 0 else shift_y
                        if p["randomSketchShift"]:
                            self.hit("randomSketchShift")
                            tau = F(-1) if draw() > F(0.5) else F(1)
                            m = draw()
                        else:
                            tau, m = F(1), F(1)
                        moved = m * amount * tau
                        seg[k] = seg[k] + moved
                        if k == 1:
                            self.last_anchor_v = moved
                        elif k == 2:
                            self.last_in_h = moved
                        elif k == 5:
                            self.last_out_v = moved
                    doc.set_segment(copy, i, seg)
            style = copy.style.copy()
            style.stroke_paint = True
            self.sketch_colour(copy, style)
            style.fill_paint = False
            if p["randomSketchWeight"]:
                self.hit("randomSketchWeight")
            style.width = draw() * self.sketch_weight_pt if p["randomSketchWeight"] else self.sketch_weight_pt
            doc.set_style(copy, style)
            self.pattern_mirror(copy)

    def sketch_colour(self, copy, style):
        mode, draw = self.p["sketchColor"], self.draw
        c = style.stroke
        count = COMPONENTS.get(c.kind, 0)

        def black():
            for i in range(count):
                c.c[i] = F(0) if c.kind == THREE else F(1)

        def white():
            for i in range(count):
                c.c[i] = F(1) if c.kind == THREE else F(0)

        def random_colour():
            if c.kind in (FOUR, THREE):
                c.c[0], c.c[1], c.c[2] = draw(), draw(), draw()
            elif c.kind == GREY:
                c.c[0] = draw()
            else:
                raise Unsettled("a random sketch colour of a colour that is neither grey, four- nor three-colour")

        def reduce():
            for i in range(count):
                c.c[i] = None if c.c[i] is None else c.c[i] * F(0.8)

        if mode == 0:
            black()
        elif mode == 1:
            pass
        elif mode == 2:
            random_colour()
        elif mode == 3:
            style.stroke = self.lookup(1 + int(draw() * F(self.swatch_count)))
        elif mode == 4:
            reduce()
        elif mode == 5:
            if draw() > F(0.5):
                reduce()
        elif mode == 6:
            if draw() > F(0.5):
                black()
            else:
                random_colour()
        elif mode == 7:
            shift = self.p["sketchShift"]
            if shift == F(0):
                black()
            else:
                last = [self.last_out_v, self.last_anchor_v, self.last_in_h]
                for i in range(min(count, 3)):
                    c.c[i] = None if last[i] is None else last[i] / shift
        elif mode == 8:
            self.doc.set_opacity(copy, draw())
            black()
        elif mode == 9:
            self.doc.set_opacity(copy, draw())
            random_colour()
        elif mode == 10:
            self.doc.set_opacity(copy, copy.opacity * F(0.8))
        elif mode == 11:
            self.doc.set_opacity(copy, draw())
            white()
        else:
            raise Unsettled(f"sketch colour {mode} is outside the list")
        if c.kind is None and mode not in (1, 3):
            style.stroke = Colour.unknown()


def generate(record, doc, draw):
    """Draws the design of record into doc with the host's draws; returns doc.arts."""
    Generation(record, doc, draw).run()
    return doc.arts
