"""The colours of the generation: the fill and stroke colour modes, the dimming of the fill, the
shadow's fill and the sketch colours, each on a colour record of the host (host_model.Colour),
in single precision in the order the rules write them (c·e/n is (c × e) / n).

A colour or component that is None is unknown (a swatch the document does not hold) and stays
unknown; where the draws that follow would depend on it, Unsettled is raised.
"""

from host_model import (CMYK_MODEL, COMPONENTS, F, FOUR, GREY, GREY_MODEL, RGB_MODEL, THREE, Colour)
from tables_model import Unsettled

ONE, HALF = F(1), F(0.5)


def _each(c, f):
    """Changes every component of the colour's kind; other kinds keep theirs."""
    for i in range(COMPONENTS.get(c.kind, 0)):
        c.c[i] = None if c.c[i] is None else f(c.c[i])


def _towards_white(c, fe, fn):
    if c.kind == THREE:
        _each(c, lambda v: v + (ONE - v) * fe / fn)
    else:
        _each(c, lambda v: v - v * fe / fn)


def _towards_black(c, fe, fn):
    if c.kind == THREE:
        _each(c, lambda v: v - v * fe / fn)
    else:
        _each(c, lambda v: v + (ONE - v) * fe / fn)


def colour_mode(colour, mode, which, e, n, draw, lookup, swatch_count, swatch_position):
    """One colour mode on a copy of colour with index e and n steps (n > 0); returns the new
    colour and whether the mode switches the paint flag on. lookup(k) is the swatch lookup."""
    c = colour.copy()
    kind = c.kind
    count = COMPONENTS.get(kind, 0)
    fe, fn = F(e), F(n)
    h = n // 2
    paint_on = mode in (4, 6, 11, 12)
    if mode == 1:
        _towards_white(c, fe, fn)
    elif mode == 2:
        _towards_black(c, fe, fn)
    elif mode == 3:
        if kind == GREY:
            c.c[0] = draw()
        elif kind == FOUR:
            c.c[0], c.c[1], c.c[2] = draw(), draw(), draw()
            r = draw()
            c.c[3] = None if c.c[3] is None else c.c[3] * r
        elif kind == THREE:
            c.c[0], c.c[1], c.c[2] = draw(), draw(), draw()
        else:
            raise Unsettled("random colours of a colour that is neither grey, four- nor three-colour")
    elif mode == 4:
        return lookup(1 + int(draw() * F(swatch_count))), True
    elif mode == 5:
        if e <= h:
            _towards_white(c, fe, fn)
        else:
            d = F(e - h)
            if kind == THREE:
                _each(c, lambda v: v - (ONE - v) * d / fn)
            else:
                _each(c, lambda v: v + v * d / fn)
    elif mode == 6:
        s = lookup(swatch_position)
        for i in range(count):
            c.c[i] = None if c.c[i] is None or s.c[i] is None else c.c[i] + (s.c[i] - c.c[i]) * fe / fn
    elif mode == 7:
        _each(c, lambda v: v - v * fe / F(2 * n))
    elif mode == 8:
        _each(c, lambda v: v + (ONE - F(2) * v) * fe / fn)
    elif mode in (9, 10):
        if e % 2 == 1:
            white = mode == 9
            value = ONE if (kind == THREE) == white else F(0)
            _each(c, lambda v: value)
    elif mode == 11:
        s = lookup(swatch_position)
        if e % 2 == 1:
            for i in range(count):
                c.c[i] = s.c[i]
    elif mode == 12:
        lookup(swatch_position)
        if e % 2 == 1:
            _each(c, lambda v: ONE - v)
    elif mode == 13:
        def towards_half(v):
            d = (ONE - v) * fe / F(2 * n)
            return v - d if v > ONE - v / F(2) else v + d
        _each(c, towards_half)
    elif mode == 14:
        # The stroke's " 10% reduction" is the implementer's choice.
        if which == "stroke":
            raise Unsettled("the stroke's 10% reduction")
        _each(c, lambda v: v - F(0.9) * v * fe / fn)
    else:
        raise Unsettled(f"colour mode {mode} is outside the list")
    if kind is None:
        c = Colour.unknown()
    return c, paint_on


def dim_fill(colour, factor):
    """The fill dimmed by the running fill factor: cyan, magenta, yellow, the three colours or the
    grey multiplied, then every component of the kind clamped to 0..1."""
    c = colour.copy()
    if c.kind in (FOUR, THREE, GREY):
        for i in range(3 if c.kind in (FOUR, THREE) else 1):
            c.c[i] = None if c.c[i] is None else c.c[i] * factor
        for i in range(COMPONENTS[c.kind]):
            c.c[i] = None if c.c[i] is None else min(ONE, max(F(0), c.c[i]))
    return c


def shadow_fill(colour, model, half):
    """A shadow's fill: the document's kind, with the element's components halved or black."""
    c = colour.copy()
    kinds = {GREY_MODEL: (GREY, 1, F(0)), RGB_MODEL: (THREE, 3, F(0)), CMYK_MODEL: (FOUR, 4, ONE)}
    if model not in kinds:
        return c
    c.kind, count, black = kinds[model]
    for i in range(count):
        if half:
            c.c[i] = None if c.c[i] is None else c.c[i] * HALF
        else:
            c.c[i] = black
    return c


def sketch_colour(colour, mode, draw, lookup, swatch_count, shift, last, opacity):
    """The stroke colour of a sketch copy and its opacity (None: unchanged). last holds the last
    out-handle vertical, anchor vertical and in-handle horizontal displacements (None before the
    first); opacity is the copy's."""
    c = colour.copy()
    count = COMPONENTS.get(c.kind, 0)

    def black():
        _each(c, lambda v: F(0) if c.kind == THREE else ONE)

    def white():
        _each(c, lambda v: ONE if c.kind == THREE else F(0))

    def random_colour():
        if c.kind in (FOUR, THREE):
            c.c[0], c.c[1], c.c[2] = draw(), draw(), draw()
        elif c.kind == GREY:
            c.c[0] = draw()
        else:
            raise Unsettled("a random sketch colour of a colour that is neither grey, four- nor three-colour")

    def reduce():
        _each(c, lambda v: v * F(0.8))

    new_opacity = None
    if mode == 0:
        black()
    elif mode == 1:
        pass
    elif mode == 2:
        random_colour()
    elif mode == 3:
        return lookup(1 + int(draw() * F(swatch_count))), None
    elif mode == 4:
        reduce()
    elif mode == 5:
        if draw() > HALF:
            reduce()
    elif mode == 6:
        if draw() > HALF:
            black()
        else:
            random_colour()
    elif mode == 7:
        if shift == F(0):
            black()
        else:
            for i in range(min(count, 3)):
                c.c[i] = None if last[i] is None else last[i] / shift
    elif mode in (8, 9, 11):
        new_opacity = draw()
        {8: black, 9: random_colour, 11: white}[mode]()
    elif mode == 10:
        new_opacity = opacity * F(0.8)
    else:
        raise Unsettled(f"sketch colour {mode} is outside the list")
    if c.kind is None and mode != 1:
        c = Colour.unknown()
    return c, new_opacity
