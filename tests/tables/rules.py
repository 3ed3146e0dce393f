"""The filter dialog's tables as the filter's rules state them, typed by hand.

Nothing here is read from the plug-in: the tests hold the built module to these tables through
the stand-in host. Where two rules state the same thing (a page's items in the layout and in the
page membership), both are typed and the tests check that they agree.
"""
import math
import struct


def f32(x):
    """x rounded to single precision."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def next_f32(x, step=1):
    """The single-precision number just above x (x >= 0); just below it with step -1."""
    bits = struct.unpack("<I", struct.pack("<f", x))[0]
    return struct.unpack("<f", struct.pack("<I", bits + step))[0]


# ---- The record: every field in stored order, with its kind and default. "viewX"/"viewY": the
# first view's centre (minus 200 for x); "-": not written.
FACTOR_PAIRS = ["fan", "length", "fill", "height", "angle", "spread", "initialGap", "opacity"]
FACTORS = [p + "FactorPer" + m for p in FACTOR_PAIRS for m in ("Star", "Element")]

_FIELDS = """
uniqueElements flag 0       randomInitialGap flag 0     randomSpread flag 0
randomShape flag 0          randomBurstType flag 0      placeBelow flag 0
alternateFlip flag 0        randomScale flag 0          randomStyle flag 0
randomBurstCount flag 0     randomAngle flag 0          randomLength flag 0
randomCenter flag 0         randomHeight flag 0         randomApply flag 0
preview flag 1              randomOpacity flag 0        randomWidth flag 0
applyToUniqueElements flag 1                            applyToStars flag 0
scaling index 0             fillColor index 0           fillSwatch int 2
fillSteps int 0             strokeColor index 0         strokeSwatch int 2
strokeSteps int 0           pattern index 0             starPulse int 999
elementPulse int 999        factorMode index 0          preset index 0
shapeOption index 0         reverseOption index 0       burstApplySkip int 0
burstApplyRun int 1         burstType index 0           starCount int 1
currentPage int 1           burstCount int 10           sketchRepeats int 0
sketchColor index 0         startX float viewX          startY float viewY
viewZoom float 100          initialGapX float 0         initialGapY float 0
spreadX float 0             spreadY float 0             pathInterpolate float 0
length float 300            angle float 0               sketchWeight float 0
sketchShift float 0         FACTORS float 100
dropShadow flag 0           randomShadowScaling flag 0  halfFillShadow flag 0
randomShadowDirection flag 0                            randomShadowOpacity flag 0
randomSketchWeight flag 1   randomSketchShift flag 1    finalRun flag -
previewValid flag 0         dialogLeft int -            dialogTop int -
dialogRight int -           dialogBottom int -          dialogBoundsSaved flag 0
"""


def _fields():
    words = _FIELDS.split()
    out = []
    for i in range(0, len(words), 3):
        name, kind, default = words[i:i + 3]
        for n in (FACTORS if name == "FACTORS" else [name]):
            out.append((n, kind, default))
    return out


FIELDS = _fields()  # (name, kind, default) in stored order
KIND = {name: kind for name, kind, _ in FIELDS}


def defaults(view_centre):
    """The record Get Parameters makes for a view centred at (h, v); the fields it does not
    write hold 0 here."""
    h, v = view_centre
    record = {}
    for name, kind, default in FIELDS:
        if default == "viewX":
            record[name] = f32(f32(h) - 200.0)
        elif default == "viewY":
            record[name] = f32(v)
        elif default == "-":
            record[name] = 0
        else:
            record[name] = float(default) if kind == "float" else int(default)
    return record


# ---- The dialog's items, page by page, in the order each page's table lists them.
# id kind left top right bottom [field] [min max] ["text"]
#   kinds: tab (a page's picture button), pick (a pick button; its field is its spin edit's id),
#   static, push, check, popup, int and float (spin edits), factor (a float spin edit for the
#   factor pair named, -1000..1000).
_LAYOUT = """
page 0
130 tab 10 5 60 35
131 tab 80 5 130 35
132 tab 150 5 200 35
133 tab 220 5 270 35
134 tab 290 5 340 35
135 tab 360 5 410 35
136 tab 430 5 480 35
137 static 8 40 79 55 "Flarimond"
138 static 84 40 149 55 "Stars"
139 static 155 40 219 55 "Xtra"
140 static 222 40 289 55 "Factors"
141 static 293 40 359 55 "Styles"
142 static 360 40 429 55 "Settings"
143 static 430 40 499 55 "Settings1"
2 push 510 40 590 60 "Cancel"
110 push 510 70 590 90 "Shuffle"
111 push 510 100 590 120 "Tumble"
3 check 510 130 590 144 preview "Preview"
123 popup 510 150 590 170 preset
25 float 530 235 590 255 viewZoom 1 500
page 1
41 static 10 82 178 102 "Bursts"
5 int 180 82 240 102 burstCount 2 150
150 pick 250 82 270 102 5
42 static 10 104 178 124 "Length (p)"
6 float 180 104 240 124 length -3000 6000
151 pick 250 104 270 124 6
43 static 10 126 178 146 "Angle (o)"
7 float 180 126 240 146 angle -360 360
152 pick 250 126 270 146 7
120 popup 10 158 240 178 burstType
47 static 10 190 178 210 "Initial gap (p)"
19 float 180 190 240 210 initialGapX -2000 2000
153 pick 250 190 270 210 19
20 float 280 190 340 210 initialGapY -2000 2000
154 pick 350 190 370 210 20
page 2
40 static 10 70 178 90 "Stars"
4 int 180 70 240 90 starCount 1 100
122 popup 10 100 240 120 shapeOption
121 popup 10 130 240 150 reverseOption
31 popup 10 160 240 180 scaling
60 static 10 190 178 210 "Start"
29 float 180 190 240 210 startX -4000 4000
165 pick 250 190 270 210 29
30 float 280 190 340 210 startY -4000 4000
166 pick 350 190 370 210 30
page 3
44 static 10 60 178 80 "Burst apply"
8 int 180 60 240 80 burstApplySkip 0 100
9 int 280 60 340 80 burstApplyRun 1 100
46 static 10 82 178 102 "Path interpolate"
10 float 180 82 240 102 pathInterpolate 0 100
45 static 10 104 178 124 "Spread (p)"
16 float 180 104 240 124 spreadX -1000 1000
155 pick 250 104 270 124 16
17 float 280 104 340 124 spreadY -1000 1000
156 pick 350 104 370 124 17
48 static 10 126 178 146 "Pulse / factor"
23 int 180 126 240 146 starPulse 1 999
24 int 280 126 340 146 elementPulse 1 999
124 popup 10 150 160 170 sketchColor
57 static 10 175 178 195 "Sketch weight (/10p)"
26 float 180 175 240 195 sketchWeight 0 400
58 static 10 197 178 217 "Sketch shift (p)"
27 float 180 197 240 217 sketchShift 0 200
59 static 10 219 178 239 "Sketch repeats"
28 int 180 219 240 239 sketchRepeats 0 60
page 4
49 static 10 60 178 80 "Fan (%)"
11 factor 180 60 240 80 fan
157 pick 250 60 270 80 11
50 static 10 82 178 102 "Length (%)"
12 factor 180 82 240 102 length
158 pick 250 82 270 102 12
51 static 10 104 178 124 "Fill (%)"
13 factor 180 104 240 124 fill
159 pick 250 104 270 124 13
52 static 10 126 178 146 "Height (%)"
14 factor 180 126 240 146 height
160 pick 250 126 270 146 14
53 static 10 148 178 168 "Angle (%)"
15 factor 180 148 240 168 angle
161 pick 250 148 270 168 15
125 popup 290 150 390 170 factorMode
54 static 10 170 178 190 "Spread (%)"
18 factor 180 170 240 190 spread
162 pick 250 170 270 190 18
55 static 10 192 178 212 "Initial gap (%)"
21 factor 180 192 240 212 initialGap
163 pick 250 192 270 212 21
56 static 10 214 178 234 "Opacity (%)"
22 factor 180 214 240 234 opacity
164 pick 250 214 270 234 22
page 5
180 popup 10 70 180 90 fillColor
181 int 190 70 250 90 fillSwatch 0 swatches
182 int 260 70 320 90 fillSteps 0 1000
183 popup 10 100 180 120 strokeColor
184 int 190 100 250 120 strokeSwatch 0 swatches
185 int 260 100 320 120 strokeSteps 0 1000
94 check 10 130 500 144 applyToUniqueElements "Apply to unique elements (if unique set)"
95 check 10 147 500 161 applyToStars "Apply to stars (if stars > 1)"
186 popup 10 187 180 207 pattern
page 6
70 check 10 80 249 94 randomOpacity "Opacity [R]"
74 check 250 80 500 94 randomHeight "Height [R]"
71 check 10 97 249 111 randomWidth "Width [R]"
75 check 250 97 500 111 randomCenter "Center [R]"
79 check 10 114 249 128 randomStyle "Style [R]"
77 check 250 114 500 128 randomLength "Length [R]"
72 check 10 131 249 145 randomApply "Apply [R]"
76 check 250 131 500 145 randomAngle "Angle [R]"
73 check 10 148 249 162 placeBelow "Place below"
80 check 250 148 500 162 randomScale "Scale [R]"
85 check 10 165 249 179 randomSpread "Spread [R]"
81 check 250 165 500 179 alternateFlip "Alternate flip"
82 check 10 182 249 196 randomBurstType "BurstType [R]"
84 check 250 182 500 196 randomInitialGap "Initial gap [R]"
78 check 10 199 249 213 randomBurstCount "Burst [R]"
83 check 10 216 249 230 randomShape "Shape [R]"
page 7
92 check 10 80 500 94 dropShadow "Drop shadow"
88 check 10 97 500 111 randomShadowDirection "Shadow direction [R]"
89 check 10 114 500 128 randomShadowOpacity "Shadow opacity [R]"
90 check 10 131 500 145 halfFillShadow "Half fill shadow"
91 check 10 148 500 162 randomShadowScaling "Shadow scaling [R]"
86 check 10 165 500 179 randomSketchShift "Sketch shift [R]"
87 check 10 182 500 196 randomSketchWeight "Sketch weight [R]"
93 check 10 199 500 213 uniqueElements "Unique elements"
"""

TYPE_NAMES = {
    "tab": "ADM Picture Push Button Type", "pick": "ADM Picture Push Button Type",
    "static": "ADM Text Static Type", "push": "ADM Text Push Button Type",
    "check": "ADM Text Check Box Type", "popup": "ADM Popup List Type",
    "int": "ADM Spin Edit Type", "float": "ADM Spin Edit Type", "factor": "ADM Spin Edit Type",
}


class Item:
    def __init__(self, page, line):
        self.text = line.split('"')[1] if '"' in line else None
        words = line.split('"')[0].split()
        self.page = page
        self.id = int(words[0])
        self.kind = words[1]
        self.rect = [int(w) for w in words[2:6]]
        rest = words[6:]
        self.field = rest[0] if rest else None
        self.range = (rest[1], rest[2]) if len(rest) == 3 else ("-1000", "1000") if self.kind == "factor" else None
        if self.kind == "pick":
            self.field = int(self.field)  # the spin edit the button fills

    @property
    def decimals(self):
        return 2 if self.kind in ("float", "factor") else 0

    def field_for(self, factor_mode):
        """The record field the item shows and edits (a factor pair's member by factorMode)."""
        if self.kind == "factor":
            return self.field + "FactorPer" + ("Element" if factor_mode else "Star")
        return self.field


def _layout():
    items, page = [], None
    for line in _LAYOUT.strip().split("\n"):
        if line.startswith("page "):
            page = int(line.split()[1])
        else:
            items.append(Item(page, line))
    return items


LAYOUT = _layout()
ITEM = {i.id: i for i in LAYOUT}
DIALOG_SIZE = [600, 260]

# The order in which the init procedure creates the items.
CREATION_ORDER = (
    [5, 6, 7, 19, 20, 25, 4, 29, 30, 8, 9, 10, 16, 17, 23, 24, 26, 27, 28, 11, 12, 13, 14, 15, 18, 21,
     22, 181, 182, 184, 185]
    + [41, 42, 43, 47, 40, 60, 44, 46, 45, 48, 57, 58, 59] + list(range(49, 57))
    + [150, 151, 152, 153, 154, 165, 166] + list(range(155, 165))
    + [123, 120, 122, 121, 31, 124, 125, 180, 183, 186]
    + [3, 94, 95, 70, 71, 79, 72, 73, 85, 82, 78, 83, 74, 75, 77, 76, 80, 81, 84, 92, 88, 89, 90, 91,
       86, 87, 93]
    + [2, 110, 111] + list(range(130, 137)) + list(range(137, 144)))

# Page membership, in the order of each page's row: what the page notifier shows and hides.
PAGES = {
    1: [5, 41, 6, 7, 42, 43, 120, 19, 20, 47, 150, 151, 152, 153, 154],
    2: [4, 40, 122, 121, 31, 29, 30, 60, 165, 166],
    3: [8, 9, 44, 10, 46, 16, 17, 45, 48, 23, 24, 124, 27, 26, 28, 58, 57, 59, 155, 156],
    4: [11, 49, 12, 50, 13, 51, 14, 52, 15, 53, 18, 54, 21, 55, 22, 56, 125, 157, 158, 159, 160, 161,
        162, 163, 164],
    5: [180, 182, 181, 183, 185, 184, 186, 94, 95],
    6: [70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85],
    7: [92, 88, 89, 91, 86, 87, 90, 93],
}
TAB = {n: 129 + n for n in PAGES}
LABEL = {n: 136 + n for n in PAGES}
LEAD = {1: 5, 2: 4, 3: 8, 4: 11, 5: 180, 6: 70, 7: 92}
FONT_NORMAL, FONT_EMPHASISED = 0, 5

# ---- Popup lists: every entry in order (an entry's id is its position).
_COLOURS = [" To white", " To black", " Random colors", " Random swatches", " To white / midpoint",
            " To swatch", " To half color", " To inverted", " Alternate white", " Alternate black",
            " Alternate swatch", " Alternate inverted", " To half color inverted", " 10% reduction"]
POPUPS = {
    120: [" Burst %02d" % n for n in range(1, 31)],
    122: [" Shape options - Triangle", " Block", " Chisel", " Triangle2", " Triangle3", " Spike",
          " Triangle4", " Block2", " Block3", " Scalpel", " Zag", " Diamond", " Triangle5", " Triangle6"],
    121: [" Reverse options - Ignore", " Basic reverse", " Reverse random / star",
          " Alternate random / star", " Alternate3 / star", " Alternate4 / star", " Alternate5 / star",
          " Alternate4/2 / star", " Alternate3"],
    31: [" Scaling - ignore"] + [" Scaling %d" % n for n in range(1, 43)],
    125: [" Factor per star", " Factor per element"],
    180: [" Fill color - Ignore"] + _COLOURS,
    183: [" Stroke color - Ignore"] + _COLOURS,
    186: [" Pattern - ignore"] + [" Pattern center %d" % n for n in range(1, 11)],
    123: [" Reset", " Star20", " Random burst shapes", " Random burst alternate", " 3D Star 1",
          " 3D Star 2", " 3D Star faded", " Skip 2", " Skip 2 3D", " 3D Star curve", " 3D Star gap",
          " 3D Emblem", " 3D Cut", " 3D Colorful Cut", " 3D Smear", " Subtle", " Fine star", " Thinner",
          " Edged", " Different Edge", " Break away", " Crystal", " Kite", " Reversed", " Blade",
          " MultiBackground", " Background1", " Background2", " Swatched", " Styled (slow)", " Emboss",
          " Mixed shapes", " Mixed shapes alternate", " Mixed shapes curve", " 3D Angled", " Tile"],
    124: [" Sketch color options - Use black", " Use same color as original path", " Use random color",
          " Use random swatch color", " Reduced", " Random reduced", " Random black / color",
          " Use shift (otherwise black)", " Use black + random opacity",
          " Use random color + random opacity", " Reducing opacity", " Use white + random opacity"],
}

# ---- Enabling rules, in the value notifier's order: (condition, items enabled when it holds).
ENABLING = [
    (lambda r: r["dropShadow"] != 0, [88, 89, 91, 90]),
    (lambda r: r["sketchRepeats"] != 0, [26, 27, 124, 86, 87]),
    (lambda r: r["angle"] != 0.0, [76]),
    (lambda r: r["starCount"] != 1, [81, 23]),
    (lambda r: r["randomBurstType"] == 0, [120]),
    (lambda r: r["randomShape"] == 0, [122]),
    (lambda r: r["randomCenter"] == 0, [29, 30]),
    (lambda r: r["fillColor"] in (6, 11), [181]),
    (lambda r: r["strokeColor"] in (6, 11), [184]),
    (lambda r: r["fillColor"] in (1, 2, 5, 6, 7, 8, 13), [182]),
    (lambda r: r["strokeColor"] in (1, 2, 5, 6, 7, 8, 13), [185]),
]


def enabled_items(record):
    """Every item that is enabled after the value notifier has run on this record."""
    disabled = {i for holds, items in ENABLING if not holds(record) for i in items}
    return {i.id for i in LAYOUT} - disabled


# ---- Presets: (entry, the preset it builds on or None, its own changes).
PRESETS = [
    ("Reset", None, {}),
    ("Star20", None, {"burstCount": 20}),
    ("Random burst shapes", None, {"burstCount": 15, "randomBurstType": 1}),
    ("Random burst alternate", None, {"burstCount": 15, "randomBurstType": 1, "reverseOption": 3,
                                      "starCount": 2, "fillFactorPerStar": 75}),
    ("3D Star 1", None, {"burstCount": 15, "reverseOption": 3, "starCount": 2, "fillFactorPerStar": 75}),
    ("3D Star 2", 4, {"heightFactorPerStar": 70}),
    ("3D Star faded", 5, {"pathInterpolate": 80}),
    ("Skip 2", None, {"burstCount": 20, "burstApplySkip": 2, "burstApplyRun": 2}),
    ("Skip 2 3D", None, {"burstType": 1, "burstCount": 20, "burstApplySkip": 2, "burstApplyRun": 2,
                         "fillColor": 3, "lengthFactorPerStar": 70}),
    ("3D Star curve", None, {"fillColor": 3, "reverseOption": 3, "spreadY": -100, "starCount": 2}),
    ("3D Star gap", None, {"starCount": 3, "initialGapX": 200, "spreadY": 100, "burstType": 7,
                           "reverseOption": 3, "fillColor": 3}),
    ("3D Emblem", None, {"reverseOption": 3, "fillFactorPerStar": 50, "burstApplyRun": 1,
                         "burstApplySkip": 1, "burstCount": 16, "starCount": 2}),
    ("3D Cut", None, {"starCount": 2, "burstCount": 16, "reverseOption": 3, "burstApplySkip": 1,
                      "burstApplyRun": 1, "lengthFactorPerStar": 80, "fillFactorPerStar": 50,
                      "heightFactorPerStar": 191}),
    ("3D Colorful Cut", None, {"fillColor": 3, "reverseOption": 3, "heightFactorPerStar": 82,
                               "lengthFactorPerStar": 98, "burstApplyRun": 1, "burstApplySkip": 1,
                               "burstCount": 16, "starCount": 3}),
    ("3D Smear", None, {"starCount": 12, "burstCount": 8, "lengthFactorPerStar": 93,
                        "fillFactorPerStar": 91, "heightFactorPerStar": 105, "reverseOption": 6}),
    ("Subtle", 14, {"opacityFactorPerStar": 50}),
    ("Fine star", None, {"reverseOption": 6, "heightFactorPerStar": 108, "fillFactorPerStar": 102,
                         "lengthFactorPerStar": 93, "burstCount": 14, "starCount": 12}),
    ("Thinner", 16, {"burstType": 5}),
    ("Edged", None, {"starCount": 2, "burstCount": 12, "fillFactorPerStar": 86, "burstType": 7,
                     "reverseOption": 3}),
    ("Different Edge", 18, {"heightFactorPerStar": 54}),
    ("Break away", 19, {"initialGapX": 300}),
    ("Crystal", None, {"reverseOption": 5, "burstType": 7, "heightFactorPerStar": 54,
                       "fillFactorPerStar": 86, "initialGapX": 300, "burstCount": 19, "starCount": 4}),
    ("Kite", None, {"starCount": 2, "length": 294, "initialGapX": 100, "initialGapFactorPerStar": 400,
                    "burstType": 7, "fillColor": 3}),
    ("Reversed", 22, {"reverseOption": 1}),
    ("Blade", 23, {"shapeOption": 1}),
    ("MultiBackground", 24, {"randomCenter": 1, "starCount": 12}),
    ("Background1", 25, {"angle": 45}),
    ("Background2", 26, {"randomOpacity": 1}),
    ("Swatched", None, {"starCount": 8, "fillColor": 4, "randomScale": 1}),
    ("Styled (slow)", None, {"starCount": 8, "randomStyle": 1, "randomScale": 1}),
    ("Emboss", None, {"starCount": 8, "randomOpacity": 1, "fillColor": 2, "randomScale": 1}),
    ("Mixed shapes", None, {"fillColor": 2, "starCount": 4, "randomHeight": 1, "randomBurstType": 1,
                            "randomShape": 1, "length": 150}),
    ("Mixed shapes alternate", 31, {"reverseOption": 4}),
    ("Mixed shapes curve", None, {"spreadY": -50, "spreadFactorPerStar": 130, "fillFactorPerStar": 91,
                                  "starCount": 4, "length": 150, "randomHeight": 1,
                                  "randomBurstType": 1, "randomShape": 1, "reverseOption": 4}),
    ("3D Angled", None, {"starCount": 2, "reverseOption": 3, "fillFactorPerStar": 80, "angle": 15}),
    ("Tile", None, {"pattern": 1}),
]

# What the reset of a preset leaves as it was.
PRESET_KEEPS = ["factorMode", "currentPage", "viewZoom", "finalRun", "dialogLeft", "dialogTop",
                "dialogRight", "dialogBottom", "dialogBoundsSaved"]


def preset_changes(position):
    name, base, changes = PRESETS[position]
    out = dict(preset_changes(base)) if base is not None else {}
    out.update(changes)
    return out


# ---- Tumble: the reset, then the draws in order. A chance T passes when r x 100 > T (in
# single precision, as every real of the filter is).
TUMBLE_RESET = dict(
    starCount=1, burstCount=10, length=300.0, angle=0.0, burstApplySkip=0, burstApplyRun=1,
    pathInterpolate=0.0, initialGapX=0.0, initialGapY=0.0, spreadX=0.0, spreadY=0.0, burstType=0,
    reverseOption=0, shapeOption=0, starPulse=999, elementPulse=999, randomApply=0, randomHeight=0,
    randomAngle=0, randomLength=0, randomBurstCount=0, randomBurstType=0, randomShape=0,
    randomCenter=0, randomScale=0, alternateFlip=0, placeBelow=0, randomInitialGap=0, randomSpread=0,
    fillColor=0, fillSwatch=2, fillSteps=0, strokeColor=0, strokeSwatch=2, strokeSteps=0,
    uniqueElements=0, previewValid=0, **{f: 100.0 for f in FACTORS})
TUMBLE_KEEPS = ["preview", "randomOpacity", "randomWidth", "randomStyle", "applyToUniqueElements",
                "applyToStars", "scaling", "pattern", "startX", "startY", "sketchRepeats",
                "sketchColor", "sketchWeight", "sketchShift", "randomSketchWeight", "randomSketchShift",
                "dropShadow", "randomShadowScaling", "halfFillShadow", "randomShadowDirection",
                "randomShadowOpacity", "preset", "factorMode", "currentPage", "viewZoom"]


def passes(r, chance):
    return f32(f32(r) * 100.0) > chance


def at_chance(chance):
    """The largest draw that does not pass the chance."""
    r = f32(chance / 100.0)
    while passes(r, chance):
        r = next_f32(r, -1)
    while not passes(next_f32(r), chance):
        r = next_f32(r)
    return r


def above_chance(chance):
    """The smallest draw that passes the chance."""
    return next_f32(at_chance(chance))


def trunc(x):
    return int(float(x))


class F:
    """A single-precision real: each operation rounds its result, as the filter's arithmetic does."""

    def __init__(self, v):
        self.v = f32(v)

    def __float__(self):
        return self.v

    def __mul__(self, o): return F(self.v * float(o))
    __rmul__ = __mul__
    def __add__(self, o): return F(self.v + float(o))
    __radd__ = __add__
    def __sub__(self, o): return F(self.v - float(o))
    def __rsub__(self, o): return F(float(o) - self.v)


# Tumble's draws are named by step; step 13's own two chances are "13a" and "13b".
def tumble(record, draw):
    """The record after Tumble's reset and draws, before the controls read it back. draw(step,
    chance) gives each draw: the one a step's chance is decided by (chance T), or one of its
    formula (chance None)."""
    p = dict(record)
    p.update(TUMBLE_RESET)

    def chance(step, t):
        return passes(draw(step, t), t)

    def r(step):
        return F(draw(step, None))

    if chance(1, 50): p["starCount"] = 1 + trunc(3 * r(1))
    if chance(2, 80): p["starCount"] = 1 + trunc(6 * r(2))
    if chance(3, 90): p["starCount"] = 1 + trunc(9 * r(3))
    p["burstCount"] = 1 + trunc(50 * r(4))
    p["length"] = 400 * r(5)
    if chance(6, 80): p["angle"] = -80 * r(6)
    if chance(7, 80): p["angle"] = 80 * r(7)
    if chance(8, 60): p["burstType"] = min(trunc(30 * r(8)), 29)
    if chance(9, 70): p["initialGapX"] = 140 * r(9) - 20 * r(9)
    if chance(10, 70): p["initialGapY"] = 140 * r(10) - 20 * r(10)
    p["shapeOption"] = min(trunc(14 * r(11)), 13)
    p["reverseOption"] = min(trunc(9 * r(12)), 8)
    if p["starCount"] > 1:
        p["lengthFactorPerStar"] = 10 + 100 * r(13)
        p["fillFactorPerStar"] = 200 * r(13)
        p["heightFactorPerStar"] = 10 + 100 * r(13)
        p["spreadFactorPerStar"] = 100 * r(13)
        if chance("13a", 70):
            p["angleFactorPerStar"] = 100 * r("13a") + 100 - 100 * r("13a")
            p["initialGapFactorPerStar"] = 100 * (r("13a") + 1) - 100 * r("13a")
        if chance("13b", 70): p["opacityFactorPerStar"] = 100 * r("13b")
    if chance(14, 80): p["lengthFactorPerElement"] = 10 + 100 * r(14)
    if chance(15, 80): p["fillFactorPerElement"] = 200 * r(15)
    if chance(16, 80): p["heightFactorPerElement"] = 10 + 100 * r(16)
    if chance(17, 80): p["spreadFactorPerElement"] = 100 * r(17)
    if chance(18, 80):
        p["angleFactorPerElement"] = 100 * r(18) + 100 - 100 * r(18)
        p["initialGapFactorPerElement"] = 100 * (r(18) + 1) - 100 * r(18)
    if chance(19, 80): p["opacityFactorPerElement"] = 100 * r(19)
    if chance(20, 80):
        p["spreadX"] = 200 * r(20) - 200 * r(20)
        p["spreadY"] = 200 * r(20) - 200 * r(20)
    if chance(21, 85):
        p["burstApplySkip"] = trunc(6 * r(21))
        p["burstApplyRun"] = 1 + trunc(6 * r(21))
    if chance(22, 85): p["pathInterpolate"] = 100 * r(22)
    if chance(23, 70): p["starPulse"] = trunc(8 * r(23))
    if chance(24, 85): p["elementPulse"] = trunc(8 * r(24))
    for step, flag in enumerate(["randomApply", "randomHeight", "randomAngle", "randomLength",
                                 "uniqueElements", "randomBurstCount", "randomBurstType", "randomShape",
                                 "randomCenter", "randomScale", "alternateFlip", "placeBelow",
                                 "randomInitialGap", "randomSpread"], start=25):
        if chance(step, 85 if flag == "uniqueElements" else 95): p[flag] = 1
    for step, side in [(39, "fill"), (40, "stroke")]:
        if chance(step, 75):
            p[side + "Color"] = trunc(14 * r(step))
            p[side + "Swatch"] = 2 + trunc(20 * r(step))
            p[side + "Steps"] = trunc(5 * r(step))
    return {k: float(v) if isinstance(v, F) else v for k, v in p.items()}


# ---- Pick buttons: (button, field, value from the artwork point (x, y) and the view centre).
def _angle(x, y, centre):
    return math.degrees(math.atan2(y - centre[1], x - centre[0]))


PICKS = [
    (150, "burstCount", lambda x, y, c: trunc(f32(f32(x) * f32(0.1)))),
    (151, "length", lambda x, y, c: x),
    (152, "angle", lambda x, y, c: _angle(x, y, c)),
    (153, "initialGapX", lambda x, y, c: x),
    (154, "initialGapY", lambda x, y, c: y),
    (155, "spreadX", lambda x, y, c: x),
    (156, "spreadY", lambda x, y, c: y),
] + [(157 + k, FACTOR_PAIRS[k] + "Factor*", lambda x, y, c: f32(f32(x) * f32(0.1))) for k in range(8)] + [
    (165, "startX", lambda x, y, c: x),
    (166, "startY", lambda x, y, c: y),
]
