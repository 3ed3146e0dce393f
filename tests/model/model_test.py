#!/usr/bin/python3
"""Worked examples of the generator's rules, checked on the reference model itself, so that the
model and the plug-in cannot agree on a misreading that no example pins.

    /usr/bin/python3 tests/model/model_test.py
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import host_model as hm  # noqa: E402
from generation_model import Generation  # noqa: E402
from host_model import F  # noqa: E402
from paint_model import colour_mode, shadow_fill  # noqa: E402
from tables_model import FIELDS, burst_distances, scale_factors  # noqa: E402

DEFAULTS = dict({name: 0 for name, _ in FIELDS}, preview=1, applyToUniqueElements=1, fillSwatch=2, strokeSwatch=2,
                starPulse=999, elementPulse=999, burstApplyRun=1, starCount=1, currentPage=1, burstCount=10,
                startX=106.0, startY=396.0, viewZoom=100.0, length=300.0, randomSketchWeight=1,
                randomSketchShift=1, finalRun=1)
for _f in ("fan", "length", "fill", "height", "angle", "spread", "initialGap", "opacity"):
    DEFAULTS[_f + "FactorPerStar"] = DEFAULTS[_f + "FactorPerElement"] = 100.0


class ScriptedDraws:
    def __init__(self, values=(), then=0.25):
        self.values, self.then, self.count = [F(v) for v in values], F(then), 0

    def __call__(self):
        self.count += 1
        return self.values.pop(0) if self.values else self.then


def design(draws=None, doc=None, **fields):
    doc = doc or hm.Document()
    draws = draws or ScriptedDraws()
    Generation(dict(DEFAULTS, **fields), doc, draws).run()
    return doc.arts, draws


def anchors(art):
    return [(float(s[0]), float(s[1])) for s in art.segs]


class DriverTest(unittest.TestCase):
    def test_default_record_draws_a_triangle_and_nine_copies_a_tenth_of_a_turn_apart(self):
        arts, draws = design()
        self.assertEqual(len(arts), 10)
        self.assertEqual(anchors(arts[0]), [(106, 396), (406, 496), (706, 396)])
        self.assertEqual(draws.count, 0)
        # Copy k is element 0 turned k steps of 36 degrees about the centre.
        x, y = anchors(arts[3])[2]
        self.assertAlmostEqual(x, 106 + 600 * -0.309017, places=2)
        self.assertAlmostEqual(y, 396 + 600 * 0.951057, places=2)

    def test_run_of_two_and_skip_of_one_draws_elements_0_1_3_4(self):
        arts, _ = design(burstCount=6, burstApplyRun=2, burstApplySkip=1, uniqueElements=1)
        self.assertEqual(len(arts), 4)

    def test_random_apply_keeps_element_0_whatever_its_draw(self):
        arts, draws = design(ScriptedDraws([0.9, 0.9, 0.1]), burstCount=3, randomApply=1, uniqueElements=1)
        self.assertEqual(len(arts), 2)
        self.assertEqual(draws.count, 3)

    def test_random_burst_count_below_two_takes_the_burst_count(self):
        arts, _ = design(ScriptedDraws([0.1]), randomBurstCount=1)
        self.assertEqual(len(arts), 10)
        arts, _ = design(ScriptedDraws([0.5]), randomBurstCount=1)
        self.assertEqual(len(arts), 5)

    def test_element_parts_carry_over_to_the_next_star(self):
        arts, _ = design(starCount=2, uniqueElements=1, lengthFactorPerElement=90.0)
        part = F(1)
        for _ in range(10):
            part = part * (F(90) * F(0.01))
        self.assertAlmostEqual(anchors(arts[10])[1][0] - 106, 300 * 0.9 ** 10, places=3)
        self.assertEqual(arts[10].segs[1][0], F(106) + F(300) * part)


class GeometryTest(unittest.TestCase):
    def test_burst_types(self):
        self.assertEqual(burst_distances(0, F(300)), (300, 300, 100, 100))
        self.assertEqual([float(v) for v in burst_distances(13, F(300))], [150, 600, 400, 40])

    def test_diamond_of_length_0_keeps_its_fixed_offsets(self):
        arts, _ = design(burstCount=2, length=0.0, shapeOption=11, startX=0.0, startY=0.0)
        self.assertEqual(anchors(arts[0]), [(0, 0), (100, 0), (100, 0), (200, 0), (100, 0), (100, 0)])

    def test_reverse_option_3_negates_the_heights_of_odd_stars(self):
        arts, _ = design(starCount=3, burstCount=2, reverseOption=3, startX=0.0, startY=0.0)
        self.assertEqual([anchors(arts[k])[1][1] for k in (0, 2, 4)], [100, -100, 100])

    def test_scaling_rows(self):
        draw = ScriptedDraws()
        self.assertEqual([float(scale_factors(8, i, draw)[0]) for i in range(3)], [1, 0.5, float(F(1) / F(3))])
        self.assertEqual(float(scale_factors(11, 0, draw)[0]), 0.5)
        self.assertEqual([float(v) for v in scale_factors(9, 0, draw) + scale_factors(9, 4, draw)],
                         [1, 1, float(F(1) / F(3)), 0.25])
        self.assertEqual(float(scale_factors(40, 0, draw)[0]), 0.125)


class PaintTest(unittest.TestCase):
    def test_to_white_reaches_white_at_the_last_step(self):
        for colour, white in ((hm.three(0.2, 0.4, 0.6), [1, 1, 1]), (hm.four(0.2, 0.4, 0.6, 0.8), [0, 0, 0, 0]),
                              (hm.grey(0.7), [0])):
            got, paint_on = colour_mode(colour, 1, "fill", 5, 5, None, None, 0, 0)
            self.assertEqual([float(v) for v in got.c[:len(white)]], white)
            self.assertFalse(paint_on)

    def test_to_half_colour_inverted_moves_a_light_component_down_and_a_dark_one_up(self):
        got, _ = colour_mode(hm.grey(0.8), 13, "fill", 1, 1, None, None, 0, 0)
        self.assertLess(got.c[0], F(0.8))
        got, _ = colour_mode(hm.grey(0.5), 13, "fill", 1, 1, None, None, 0, 0)
        self.assertGreater(got.c[0], F(0.5))

    def test_shadow_fills(self):
        red = hm.three(1, 0, 0)
        self.assertEqual([float(v) for v in shadow_fill(red, hm.RGB_MODEL, False).c[:3]], [0, 0, 0])
        self.assertEqual([float(v) for v in shadow_fill(red, hm.RGB_MODEL, True).c[:3]], [0.5, 0, 0])
        self.assertEqual([float(v) for v in shadow_fill(red, hm.CMYK_MODEL, False).c[:4]], [1, 1, 1, 1])
        grey = shadow_fill(red, hm.GREY_MODEL, False)
        self.assertEqual((grey.kind, float(grey.c[0])), (hm.GREY, 0))

    def test_opacity_is_set_on_every_fresh_element(self):
        arts, _ = design(burstCount=2, uniqueElements=1, opacityFactorPerElement=50.0)
        self.assertEqual([float(a.opacity) for a in arts], [1, 0.5])


class HostTest(unittest.TestCase):
    def test_random_source_is_the_standard_64_bit_mersenne_twister(self):
        engine = hm.Mt19937_64(5489)
        for _ in range(9999):
            engine.next()
        self.assertEqual(engine.next(), 9981545732273789042)

    def test_bounds_reach_the_curves_extremes(self):
        art = hm.Art(hm.default_new_path_style(hm.RGB_MODEL))
        art.segs = [[F(0), F(0), F(0), F(0), F(0), F(30)], [F(10), F(0), F(10), F(30), F(10), F(0)]]
        self.assertEqual([float(v) for v in hm.bounds(art)], [0, 22.5, 10, 0])


if __name__ == "__main__":
    unittest.main()
