"""A reference model of the design generation, written from the generator's rules alone: from a
parameter record, the document and the host's draws it makes every art the plug-in makes, in the
document's stacking order, with every real in single precision in the order the rules give.

    doc = host_model.Document(...)
    draws = host_model.Draws(seed)
    generate(record, doc, draws)   # doc.arts, bottom to top; draws.count draws taken

Where the rules leave the plug-in's choice open and that choice would change which draws follow,
generate raises Unsettled: such a record tells nothing about the rules.
"""

from host_model import (ABOVE_ALL, BELOW_ALL, BELOW_REFERENCE, KIND_NAMES, F, about, blend_styles, bounds,
                        centre_of, radians, rotation, scaling, translation)
from paint_model import colour_mode, dim_fill, shadow_fill, sketch_colour
from tables_model import FACTORS, FIELDS, Unsettled, burst_distances, reversed_for, scale_factors  # noqa: F401

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
            style.fill = dim_fill(style.fill, ff)
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
        """applyColorMode on the fill or the stroke: nothing at all for mode 0 or no steps."""
        n = int(steps)
        if mode == 0:
            self.hit(which + "Color", mode)
        if mode == 0 or n == 0:
            return
        style = self.art.style.copy()
        colour = getattr(style, which)
        self.hit(which + "Color", mode)
        self.hit(which + "Color by kind", f"{mode}/{KIND_NAMES.get(colour.kind, 'unknown')}")
        colour, paint_on = colour_mode(colour, mode, which, e, n, self.draw, self.lookup, self.swatch_count,
                                       swatch_position)
        setattr(style, which, colour)
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
        style.fill = shadow_fill(style.fill, doc.model, p["halfFillShadow"])
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
            last = (self.last_out_v, self.last_anchor_v, self.last_in_h)
            style.stroke, opacity = sketch_colour(style.stroke, p["sketchColor"], draw, self.lookup, self.swatch_count,
                                                  shift, last, copy.opacity)
            if opacity is not None:
                doc.set_opacity(copy, opacity)
            style.fill_paint = False
            if p["randomSketchWeight"]:
                self.hit("randomSketchWeight")
            style.width = draw() * self.sketch_weight_pt if p["randomSketchWeight"] else self.sketch_weight_pt
            doc.set_style(copy, style)
            self.pattern_mirror(copy)


def generate(record, doc, draw):
    """Draws the design of record into doc with the host's draws; returns doc.arts."""
    Generation(record, doc, draw).run()
    return doc.arts
