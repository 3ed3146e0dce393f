"""The stand-in host as the generation meets it, operation by operation, in single precision where
the host computes in single precision and in double where it computes in double: a document of
path arts in stacking order over the host's random source (host_random), real maths
(host_geometry) and colours (host_colours), whose names it passes on.

Every real is a numpy float32. numpy widens a float32 mixed with a Python float or int to
float64, so every constant is made a float32 first (F(...)), and the document refuses to store
anything but a float32 (an assertion), which catches a widening that slipped in.
"""

import math

import numpy as np

from host_colours import (CMYK_MODEL, COMPONENTS, FOUR, GREY, GREY_MODEL, KIND_NAMES, MODEL_NAMES,
                          RGB_MODEL, SPOT, THREE, Colour, Style, blend_styles, default_art_styles,
                          default_new_path_style, default_swatches, four, grey, parse_colour, spot, swatch_colour,
                          three)
from host_geometry import (F, about, apply, bounds, centre_of, concat, radians, rotation, scaling,
                           translation)
from host_random import Draws, Mt19937_64

# What the generation and the test take from the host, by name.
__all__ = ["ABOVE_ALL", "BELOW_ALL", "BELOW_REFERENCE", "Art", "Document", "HostFailed", "HostRefused", "CMYK_MODEL",
           "COMPONENTS", "FOUR", "GREY", "GREY_MODEL", "KIND_NAMES", "MODEL_NAMES", "RGB_MODEL", "SPOT", "THREE",
           "Colour", "Style", "blend_styles", "default_art_styles", "default_new_path_style", "default_swatches",
           "four", "grey", "parse_colour", "spot", "swatch_colour", "three", "F", "about", "apply", "bounds",
           "centre_of", "concat", "radians", "rotation", "scaling", "translation", "Draws", "Mt19937_64"]

ABOVE_ALL, BELOW_ALL, BELOW_REFERENCE = 5, 6, 2


class HostRefused(Exception):
    """The host refused an operation (a coordinate or matrix that is not finite): the run ends."""


class HostFailed(Exception):
    """The host answered an operation with an error code, which ends the run with that code."""

    def __init__(self, code, what):
        super().__init__(f"{what}: {code}")
        self.code = code


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
                 swatches=None, opacity=None, art_styles=None):
        """fill and stroke as the command line writes them (None: the model's default); opacity of
        new paths; art_styles: the document holds the first this many of the default named styles."""
        self.model = model
        self.page_width, self.page_height = F(page[0]), F(page[1])
        self.swatches = default_swatches(model) if swatches is None else swatches
        self.art_styles = default_art_styles()[:art_styles]
        self.new_path_opacity = F(1) if opacity is None else F(opacity)
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
        art.opacity = self.new_path_opacity
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
        if not 0 <= index < len(self.art_styles):
            raise HostFailed("NFnd", f"named art style {index} of {len(self.art_styles)}")
        _, style, opacity = self.art_styles[index]
        art.style = style.copy()
        art.opacity = opacity
        art.art_style = index

    def swatch(self, k):
        """The colour of swatch k, or an unknown colour for a swatch the document does not hold."""
        if 0 <= k < len(self.swatches):
            return self.swatches[k].copy()
        return Colour.unknown()
