"""Colours and path styles as the host keeps them: colour records (a kind and a union of
components), the blend of two path styles, the paint of new paths, the default swatch list and
named art styles, and the colours of the command line."""

import numpy as np

F = np.float32

GREY_MODEL, RGB_MODEL, CMYK_MODEL = 0, 1, 2
MODEL_NAMES = {"grey": GREY_MODEL, "rgb": RGB_MODEL, "cmyk": CMYK_MODEL}

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
