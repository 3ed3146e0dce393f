#!/usr/bin/env python3
"""The filter dialog held to its tables (rules.py), through the real boundary: the built module in
the stand-in host, worked by `flarimond dialog` as a user would, the dialog's items and record read
from its dump.

Usage: dialog_tables_test.py PATH/TO/flarimond [unittest options]
"""
import json
import math
import os
import subprocess
import sys
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rules  # noqa: E402
from rules import f32  # noqa: E402

PROGRAM = None
STANDARD_CENTRE = (306.0, 396.0)  # the view of the default 612 x 792 page
SWATCHES = 5  # the swatch list the tests give the document


def run_dialog(record=None, script=(), draws=None, page=None, fails=()):
    """The dialog's dump after the host opened it on `record` (all 84 fields) and the script's
    actions were taken."""
    with tempfile.TemporaryDirectory() as d:
        dump = os.path.join(d, "dump.json")
        swatches = os.path.join(d, "swatches.json")
        with open(swatches, "w") as f:
            json.dump([{"name": "[None]", "color": "none"}, {"name": "[Registration]", "color": "registration"},
                       {"name": "White", "color": "grey:0"}, {"name": "Black", "color": "grey:1"},
                       {"name": "Sea", "color": "rgb:0,0.4,0.6"}], f)
        args = [PROGRAM, "dialog", "--dump", dump, "--seed", "1", "--swatches", swatches]
        if record is not None:
            assert sorted(record) == sorted(n for n, _, _ in rules.FIELDS)
            params = os.path.join(d, "record.json")
            with open(params, "w") as f:
                json.dump(record, f)
            args += ["--params", params]
        if script:
            path = os.path.join(d, "script.txt")
            with open(path, "w") as f:
                f.write("\n".join(script) + "\n")
            args += ["--dialog-script", path]
        if draws is not None:
            args += ["--draws", ",".join(repr(x) for x in draws)]
        if page:
            args += ["--page", page]
        for fail in fails:
            args += ["--fail", fail]
        done = subprocess.run(args, capture_output=True, text=True)
        if done.returncode != 0:
            raise AssertionError("%s\nexit %d: %s" % (" ".join(args), done.returncode, done.stderr))
        with open(dump) as f:
            out = json.load(f)
    out["item"] = {i["id"]: i for i in out["items"]}
    return out


def run_many(runs):
    """run_dialog for each dict of its arguments, several at a time; the dumps in order."""
    with ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        return list(pool.map(lambda kw: run_dialog(**kw), runs))


def reading(item, value):
    """What a spin edit reports for a value put into it: clamped to its range, and a float one
    rounded to its two decimals (as a single-precision real)."""
    lo, hi = (float(x) if x != "swatches" else SWATCHES for x in item.range)
    v = min(max(value, lo), hi)
    if item.decimals == 0:
        return int(v)
    return f32(math.copysign(math.floor(abs(v) * 100 + 0.5), v) / 100)


VALUE_KINDS = ("int", "float", "factor", "check", "popup")


def value_items():
    return [i for i in rules.LAYOUT if i.kind in VALUE_KINDS]


def same(a, b):
    return f32(a) == f32(b) if isinstance(a, float) or isinstance(b, float) else a == b


class DialogTest(unittest.TestCase):
    def assertRecord(self, got, want, skip=()):
        diff = {k: (got[k], want[k]) for k in want if k not in skip and not same(got[k], want[k])}
        self.assertEqual(diff, {}, "field: (dialog, rules)")

    def assertControlsShow(self, dump, record):
        """Every value item shows its field (a factor spin edit the member factorMode selects)."""
        diff = {}
        for item in value_items():
            field = item.field_for(record["factorMode"])
            shown = dump["item"][item.id]
            got = shown["selected"] if item.kind == "popup" else shown["value"]
            if not same(float(got), float(record[field])):
                diff[item.id] = (field, got, record[field])
        self.assertEqual(diff, {}, "item: (field, shown, record)")


def base(**changes):
    """The defaults for the standard view, preview off, with the changes."""
    record = rules.defaults(STANDARD_CENTRE)
    record["preview"] = 0
    record.update(changes)
    return record


def unusual(**changes):
    """Every field away from its default and inside its control's range, with two decimals at
    most, so that each field a button writes, and each it leaves, shows. Preview off."""
    record = {
        "uniqueElements": 1, "randomInitialGap": 1, "randomSpread": 1, "randomShape": 1,
        "randomBurstType": 1, "placeBelow": 1, "alternateFlip": 1, "randomScale": 1, "randomStyle": 1,
        "randomBurstCount": 1, "randomAngle": 1, "randomLength": 1, "randomCenter": 1, "randomHeight": 1,
        "randomApply": 1, "preview": 0, "randomOpacity": 1, "randomWidth": 1, "applyToUniqueElements": 0,
        "applyToStars": 1, "scaling": 5, "fillColor": 6, "fillSwatch": 3, "fillSteps": 9,
        "strokeColor": 11, "strokeSwatch": 4, "strokeSteps": 3, "pattern": 2, "starPulse": 5,
        "elementPulse": 6, "factorMode": 1, "preset": 9, "shapeOption": 3, "reverseOption": 2,
        "burstApplySkip": 2, "burstApplyRun": 3, "burstType": 12, "starCount": 3, "currentPage": 4,
        "burstCount": 24, "sketchRepeats": 2, "sketchColor": 3, "startX": 55.5, "startY": -77.25,
        "viewZoom": 150.0, "initialGapX": 12.5, "initialGapY": -6.25, "spreadX": 30.0, "spreadY": -40.0,
        "pathInterpolate": 20.0, "length": 222.0, "angle": 33.0, "sketchWeight": 12.0, "sketchShift": 7.0,
        "dropShadow": 1, "randomShadowScaling": 1, "halfFillShadow": 1, "randomShadowDirection": 1,
        "randomShadowOpacity": 1, "randomSketchWeight": 0, "randomSketchShift": 0, "finalRun": 0,
        "previewValid": 0, "dialogLeft": 40, "dialogTop": 30, "dialogRight": 640, "dialogBottom": 290,
        "dialogBoundsSaved": 1}
    record.update({f: 110.0 + 5 * k for k, f in enumerate(rules.FACTORS)})
    record.update(changes)
    return record


# ---- The layout --------------------------------------------------------------------------------

class Layout(DialogTest):
    def test_the_layout_agrees_with_the_page_membership(self):
        for n, ids in rules.PAGES.items():
            self.assertEqual(sorted(ids), sorted(i.id for i in rules.LAYOUT if i.page == n), n)
        self.assertEqual(sorted(rules.CREATION_ORDER), sorted(rules.ITEM))

    def test_every_item_is_built_as_laid_out(self):
        dump = run_dialog(base())
        self.assertEqual(dump["size"], rules.DIALOG_SIZE)
        self.assertEqual([i["id"] for i in dump["items"]], rules.CREATION_ORDER)
        for item in rules.LAYOUT:
            with self.subTest(item=item.id):
                got = dump["item"][item.id]
                self.assertEqual(got["kind"], rules.TYPE_NAMES[item.kind])
                self.assertEqual(got["rect"], item.rect)
                self.assertEqual(got.get("text", ""), item.text or "")
                if item.range:
                    lo, hi = (float(x) if x != "swatches" else SWATCHES for x in item.range)
                    self.assertEqual((got["min"], got["max"], got["decimals"]), (lo, hi, item.decimals))
                else:
                    self.assertNotIn("min", got)

    def test_the_stored_page_comes_up_through_its_lead_item(self):
        # Pages 0 and 8 come up as page 1. The lead item's value notifier previews (preview on),
        # which sets previewValid; the tab's page notifier shows the page and marks its label.
        dumps = run_many([dict(record=base(preview=1, currentPage=stored)) for stored in range(0, 9)])
        for stored, dump in enumerate(dumps):
            shown = stored if 1 <= stored <= 7 else 1
            with self.subTest(currentPage=stored):
                self.assertPageShown(dump, shown)
                self.assertEqual(dump["record"]["previewValid"], 1)

    def test_a_tab_shows_its_page(self):
        dumps = run_many([dict(record=base(currentPage=n % 7 + 1), script=["page %d" % n]) for n in rules.PAGES])
        for n, dump in zip(rules.PAGES, dumps):
            with self.subTest(page=n):
                self.assertPageShown(dump, n)

    def test_the_page_notifier_walks_the_rows_in_order(self):
        # Pages 1 to 7, each row in its order. A show made to fail leaves its item as it was, so
        # failing the j-th call of a tab press tells which item that call was for: opened on the
        # item's own page, the press on another tab leaves that one item visible.
        walk = [i for n in sorted(rules.PAGES) for i in rules.PAGES[n]]
        hidden_at_creation = sum(len(rules.PAGES[n]) for n in rules.PAGES if n > 1)
        before_press = hidden_at_creation + len(walk)  # the creation, then the stored page's bring-up
        cases = [(item, rules.ITEM[item].page % 7 + 1) for item in walk]
        dumps = run_many([dict(record=base(currentPage=rules.ITEM[item].page), script=["page %d" % other],
                               fails=["item.show@%d" % (before_press + j + 1)])
                          for j, (item, other) in enumerate(cases)])
        common = {i.id for i in rules.LAYOUT if i.page == 0}
        for (item, other), dump in zip(cases, dumps):
            with self.subTest(item=item):
                visible = {i["id"] for i in dump["items"] if i["visible"]}
                self.assertEqual(visible, common | set(rules.PAGES[other]) | {item})

    def assertPageShown(self, dump, n):
        visible = {i["id"] for i in dump["items"] if i["visible"]}
        common = {i.id for i in rules.LAYOUT if i.page == 0}
        self.assertEqual(visible, common | set(rules.PAGES[n]))
        emphasised = {i["id"] for i in dump["items"] if i["font"] != rules.FONT_NORMAL}
        self.assertEqual(emphasised, {rules.LABEL[n]})
        self.assertEqual(dump["item"][rules.LABEL[n]]["font"], rules.FONT_EMPHASISED)
        self.assertEqual(dump["record"]["currentPage"], n)


class Popups(DialogTest):
    def test_every_list_offers_its_entries_and_selects_its_field(self):
        fields = {i.id: i.field for i in rules.LAYOUT if i.kind == "popup"}
        self.assertEqual(sorted(fields), sorted(rules.POPUPS))
        last = {fields[p]: len(entries) - 1 for p, entries in rules.POPUPS.items()}
        middle = {fields[p]: (len(entries) * 2) // 3 for p, entries in rules.POPUPS.items()}
        for selected, dump in zip((last, middle), run_many([dict(record=base(**last)), dict(record=base(**middle))])):
            for popup, entries in rules.POPUPS.items():
                with self.subTest(popup=popup):
                    self.assertEqual(dump["item"][popup]["entries"], entries)
                    self.assertEqual(dump["item"][popup]["selected"], selected[fields[popup]])


# ---- The value notifier ------------------------------------------------------------------------

class EnablingRules(DialogTest):
    # Each controlling field through its values, the fields out of step with each other so that
    # no rule's states repeat another's.
    CASES = [dict(fillColor=k, strokeColor=(k + 7) % 15, starCount=[1, 2, 100, 3][k % 4],
                  angle=[0.0, -0.01, 0.01, -360.0, 360.0][k % 5], dropShadow=k % 2,
                  sketchRepeats=[0, 1, 60][k % 3], randomBurstType=(k // 2) % 2,
                  randomShape=(k // 4) % 2, randomCenter=(k // 8 + k) % 2)
             for k in range(15)]

    def test_cases_tell_the_rules_apart(self):
        columns = [tuple(holds(base(**c)) for c in self.CASES) for holds, _ in rules.ENABLING]
        flipped = [tuple(not x for x in col) for col in columns]
        self.assertEqual(len(set(columns + flipped)), 2 * len(columns))

    def test_each_controlling_value_enables_and_disables_its_items(self):
        for case, dump in zip(self.CASES, run_many([dict(record=base(**c)) for c in self.CASES])):
            with self.subTest(**case):
                enabled = {i["id"] for i in dump["items"] if i["enabled"]}
                self.assertEqual(enabled, rules.enabled_items(base(**case)))


def flag_items():
    return [i for i in rules.LAYOUT if i.kind == "check"]


# Runs that give every check box its own pattern of values (the bits of its position + 1), so that
# a flag read from any other box shows in some run.
FLAG_RUNS = 6
CONTROLLERS = {"dropShadow": 1, "randomBurstType": 0, "randomShape": 0, "randomCenter": 0}


def flag_bits(run):
    return {i.field: ((n + 1) >> run) & 1 for n, i in enumerate(flag_items())}


# Two sets of distinct numbers for the other controls, inside their ranges (and small enough
# designs that the previews of the runs with preview on draw quickly and succeed).
NUMBERS = [
    dict(factorMode=1, fillSwatch=2, pattern=3, sketchColor=4, strokeSwatch=5, fillColor=6,
         shapeOption=7, strokeColor=8, scaling=9, burstType=10, sketchRepeats=11, reverseOption=0,
         starCount=14, burstCount=15, burstApplySkip=16, burstApplyRun=17, fillSteps=18, strokeSteps=19,
         starPulse=20, elementPulse=21, viewZoom=22.25, startX=23.5, startY=-24.75, initialGapX=25.25,
         initialGapY=-26.5, spreadX=27.75, spreadY=-28.25, pathInterpolate=29.5, length=30.75,
         angle=-31.25, sketchWeight=32.5, sketchShift=33.75),
    dict(factorMode=0, strokeSwatch=1, reverseOption=2, starCount=3, burstCount=4, fillSwatch=5,
         strokeColor=6, pattern=7, sketchRepeats=8, sketchColor=9, fillColor=11, shapeOption=12,
         burstApplySkip=13, burstApplyRun=14, burstType=27, scaling=40, fillSteps=990, strokeSteps=991,
         starPulse=992, elementPulse=993, viewZoom=444.5, startX=-3999.25, startY=3998.5,
         initialGapX=-1997.75, initialGapY=1996.25, spreadX=-995.5, spreadY=994.75,
         pathInterpolate=93.25, length=5992.5, angle=-359.75, sketchWeight=391.25, sketchShift=190.5),
]
FACTOR_VALUES = [{f: 50.25 + 6.5 * k for k, f in enumerate(rules.FACTORS)},
                 {f: 149.75 - 3.25 * k for k, f in enumerate(rules.FACTORS)}]


class ValueNotifier(DialogTest):
    def test_controls_show_their_fields_and_read_them_back(self):
        # The init procedure puts every field into its control; the lead item's value notifier
        # reads each back into its own field.
        records = [base(**flag_bits(run), **NUMBERS[run % 2], **FACTOR_VALUES[run % 2]) for run in range(FLAG_RUNS)]
        for run, (record, dump) in enumerate(zip(records, run_many([dict(record=r) for r in records]))):
            with self.subTest(run=run):
                self.assertControlsShow(dump, record)
                self.assertRecord(dump["record"], dict(record, previewValid=record["preview"]))

    def test_each_control_is_read_into_its_own_field(self):
        # Opened on one set of values (the controls that enable others enabling them), then every
        # control worked on its page to another value, the controlling ones last; the factor
        # popup chooses the member the factor spin edits write, then chooses the other one back.
        runs = [self.worked(run) for run in range(FLAG_RUNS)]
        dumps = run_many([dict(record=record, script=script) for record, script, _ in runs])
        for run, ((_, _, want), dump) in enumerate(zip(runs, dumps)):
            with self.subTest(run=run):
                self.assertRecord(dump["record"], dict(want, previewValid=want["preview"]))
                self.assertControlsShow(dump, dump["record"])
                enabled = {i["id"] for i in dump["items"] if i["enabled"]}
                self.assertEqual(enabled, rules.enabled_items(dump["record"]))

    @staticmethod
    def worked(run):
        """The record a run opens on, its script, and the record the script should leave."""
        first, then = NUMBERS[run % 2], NUMBERS[1 - run % 2]
        bits = flag_bits(run)
        record = base(**{f: 1 - b for f, b in bits.items()})
        record.update(CONTROLLERS, **first, **FACTOR_VALUES[run % 2])
        record.update(fillColor=6, strokeColor=6)
        script, want = [], dict(record)
        for page in rules.PAGES:
            script.append("page %d" % page)
            items = [rules.ITEM[i] for i in rules.PAGES[page]]
            last = [i for i in items if i.field in ("dropShadow", "fillColor", "strokeColor")]
            for item in [i for i in items if i not in last] + last:
                if item.kind == "popup":
                    if item.id == 125:
                        continue
                    script.append("choose %d %d" % (item.id, then[item.field]))
                    want[item.field] = then[item.field]
                elif item.kind == "check":
                    script.append("check %d %d" % (item.id, bits[item.field]))
                    want[item.field] = bits[item.field]
                elif item.kind in ("int", "float"):
                    script.append("set %d %r" % (item.id, then[item.field]))
                    want[item.field] = then[item.field]
                elif item.kind == "factor":
                    if item.id == 11:  # the page's first factor: choose the member first
                        script.append("choose 125 %d" % then["factorMode"])
                    member = item.field_for(then["factorMode"])
                    value = FACTOR_VALUES[1 - run % 2][member]
                    script.append("set %d %r" % (item.id, value))
                    want[member] = value
            if page == 4:
                script.append("choose 125 %d" % first["factorMode"])
        want["currentPage"] = 7
        script.append("check 3 %d" % bits["preview"])
        want["preview"] = bits["preview"]
        script.append("set 25 %r" % then["viewZoom"])  # the zoom notifier's own field
        want["viewZoom"] = then["viewZoom"]
        return record, script, want


class PickTracker(DialogTest):
    # A pick's value, stored as computed: the page bring-up after it is made to fail its first
    # notification (the third notification the host is asked for, after the two of the opening),
    # so no re-read through the spin edit changes it. The spin edit shows it within its range.
    POINTS = {150: (-188, 0), 151: (7000, 0), 152: (206, 496), 153: (-2500, 0), 154: (0, 2345),
              155: (1234, 0), 156: (0, -777), 165: (5000, 0), 166: (0, -4321),
              # a tenth taken as x times 0.1 in single precision: x / 10 would round these otherwise
              **{157 + k: (-2998 + 5 * k, 0) for k in range(8)}}

    def test_each_button_sets_its_field_from_the_picked_point(self):
        cases = [(button, field, value, mode) for button, field, value in rules.PICKS
                 for mode in ((0, 1) if field.endswith("*") else (0,))]
        dumps = run_many([dict(record=base(factorMode=mode, currentPage=rules.ITEM[button].page),
                               script=["pick %d %r %r" % ((button,) + self.POINTS[button])],
                               fails=["item.sendNotify@3=-1"]) for button, _, _, mode in cases])
        for (button, field, value, mode), dump in zip(cases, dumps):
            with self.subTest(button=button, factorMode=mode):
                spin = rules.ITEM[rules.ITEM[button].field]
                want = value(*self.POINTS[button], STANDARD_CENTRE)
                got = dump["record"][spin.field_for(mode)]
                if button == 152:  # the host's arithmetic of the angle
                    self.assertAlmostEqual(got, want, places=4)
                else:
                    self.assertTrue(same(got, want), (got, want))
                self.assertTrue(same(dump["item"][spin.id]["value"], reading(spin, got)))
                self.assertEqual(dump["record"]["currentPage"], rules.ITEM[button].page)

    def test_the_burst_count_is_truncated_toward_zero(self):
        cases = [(188, 18), (-188, -18), (9, 0), (-19, -1)]
        dumps = run_many([dict(record=base(), script=["pick 150 %r 0" % x], fails=["item.sendNotify@3=-1"])
                          for x, _ in cases])
        for (x, want), dump in zip(cases, dumps):
            with self.subTest(x=x):
                self.assertEqual(dump["record"]["burstCount"], want)

    def test_a_pick_reread_stores_what_the_spin_edit_holds(self):
        dump = run_dialog(base(), script=["pick 150 -187.9 0", "pick 151 7000 0"])
        self.assertEqual((dump["record"]["burstCount"], dump["record"]["length"]), (2, 6000))

    def test_a_point_the_host_cannot_convert_is_the_origin(self):
        # The tracker tests no host result: the point it did not get stays at the origin.
        dump = run_dialog(base(), script=["pick 151 123 45", "pick 154 123 45"],
                          fails=["view.viewPointToArtworkPoint@1", "view.viewPointToArtworkPoint@2"])
        self.assertEqual((dump["record"]["length"], dump["record"]["initialGapY"]), (0, 0))


# ---- Get Parameters' defaults, presets and Tumble ----------------------------------------------

ODD_PAGE, ODD_CENTRE = "999x501", (499.5, 250.5)


class Defaults(DialogTest):
    def test_a_first_run_makes_the_defaults_around_the_view_centre(self):
        dump = run_dialog(page=ODD_PAGE)
        want = rules.defaults(ODD_CENTRE)
        self.assertEqual((want["startX"], want["startY"]), (299.5, 250.5))
        # The first preview ran; the saved bounds are not written.
        self.assertRecord(dump["record"], dict(want, previewValid=1),
                          skip=("dialogLeft", "dialogTop", "dialogRight", "dialogBottom"))

    def test_a_view_centre_the_host_does_not_give_is_the_origin(self):
        # Get Parameters tests no result of its view lookups: the start then lies about the origin.
        # So does a preset's reset (the second lookup, after Get Parameters' own).
        first, preset = run_many([dict(page=ODD_PAGE, fails=["view.getViewCenter@1"]),
                                  dict(record=unusual(), script=["choose 123 1"], page=ODD_PAGE,
                                       fails=["view.getViewCenter@2"])])
        for dump in (first, preset):
            self.assertEqual((dump["record"]["startX"], dump["record"]["startY"]), (-200, 0))


class Presets(DialogTest):
    def test_the_preset_table_names_the_list(self):
        self.assertEqual([" " + name for name, _, _ in rules.PRESETS], rules.POPUPS[123])

    def test_each_preset_is_the_reset_with_its_changes(self):
        # Chosen away from the standard view, on the factors page with the per-element members
        # shown (even positions) or on page 6 with the per-star members (odd positions).
        befores = [unusual() if position % 2 == 0 else unusual(currentPage=6, factorMode=0)
                   for position in range(len(rules.PRESETS))]
        dumps = run_many([dict(record=before, script=["choose 123 %d" % position], page=ODD_PAGE)
                          for position, before in enumerate(befores)])
        for position, (before, dump) in enumerate(zip(befores, dumps)):
            with self.subTest(preset=rules.PRESETS[position][0]):
                want = rules.defaults(ODD_CENTRE)
                want.update({k: before[k] for k in rules.PRESET_KEEPS})
                want.update(rules.preset_changes(position), preset=position, previewValid=1)
                self.assertRecord(dump["record"], want)
                self.assertControlsShow(dump, want)
                self.assertPageShownIs(dump, before["currentPage"])

    def assertPageShownIs(self, dump, n):
        self.assertEqual({i["id"] for i in dump["items"] if i["font"] == rules.FONT_EMPHASISED},
                         {rules.LABEL[n]})


SIXTEENTHS = [3, 11, 5, 13, 7, 1, 15, 9, 2, 14, 6, 10, 4, 12, 8]


class Tumble(DialogTest):
    @staticmethod
    def draws_for(choose, values=None, pool=None):
        """Tumble's draws, and the record it leaves: choose(step, chance) says whether a step's
        chance passes (given the draw just above its threshold, or the draw at it); each formula
        draw comes from values(step) or else in turn from `pool` (distinct sixteenths unless given)."""
        draws = []
        turn = iter((pool or [s / 16 for s in SIXTEENTHS]) * 20)

        def draw(step, chance):
            if chance is not None:
                d = rules.above_chance(chance) if choose(step, chance) else rules.at_chance(chance)
            else:
                v = values(step) if values else None
                d = v if v is not None else next(turn)
            draws.append(d)
            return d

        record = rules.tumble(unusual(), draw)
        return draws, record

    def expect(self, record):
        """What the controls give back at the page bring-up after Tumble."""
        out = dict(record)
        for item in value_items():
            if item.kind in ("int", "float", "factor") and item.id != 25:
                field = item.field_for(record["factorMode"])
                out[field] = reading(item, record[field])
        return out

    CASES = [
        ("every chance passes just above its threshold", lambda s, t: True, None, {}),
        ("every chance fails at its threshold", lambda s, t: False, None,
         {"starCount": 1, "angle": 0.0, "burstType": 0}),
        ("step 1 alone: two stars, and step 13 with both its chances",
         lambda s, t: s in (1, "13a", "13b"), {1: 0.5}.get, {"starCount": 2}),
        ("step 1 alone: three stars; step 13's first chance fails",
         lambda s, t: s in (1, "13b"), {1: 0.75}.get, {"starCount": 3, "angleFactorPerStar": 100.0}),
        ("step 2 alone: six stars; step 13's second chance fails",
         lambda s, t: s in (2, "13a"), {2: 0.9375}.get, {"starCount": 6, "opacityFactorPerStar": 100.0}),
        ("step 3 alone: nine stars", lambda s, t: s == 3, {3: 0.9375}.get, {"starCount": 9}),
        ("one star after step 1 skips step 13 and its draws", lambda s, t: True,
         {1: 0.25, 2: 0.0625, 3: 0.0625}.get, {"starCount": 1, "lengthFactorPerStar": 100.0}),
        ("the largest draws", lambda s, t: True, lambda s: f32(1 - 2 ** -24),
         {"starCount": 9, "burstCount": 50, "burstType": 29, "shapeOption": 13, "reverseOption": 8,
          "burstApplySkip": 5, "burstApplyRun": 6, "starPulse": 7, "elementPulse": 7, "fillColor": 13,
          "fillSwatch": 21, "fillSteps": 4}),
        ("the smallest draws: below the ranges of their spin edits", lambda s, t: s != 3,
         lambda s: 0.0, {"starCount": 1, "burstCount": 1, "starPulse": 0, "elementPulse": 0}),
    ]

    def test_what_tumble_resets_and_keeps_is_the_whole_record(self):
        run_state = {"finalRun", "dialogLeft", "dialogTop", "dialogRight", "dialogBottom", "dialogBoundsSaved"}
        self.assertFalse(set(rules.TUMBLE_RESET) & set(rules.TUMBLE_KEEPS))
        self.assertEqual(set(rules.TUMBLE_RESET) | set(rules.TUMBLE_KEEPS) | run_state, set(rules.KIND))

    def test_draws_in_order_and_what_the_controls_keep(self):
        made = [self.draws_for(choose, values) for _, choose, values, _ in self.CASES]
        dumps = run_many([dict(record=unusual(), script=["press 111"], draws=draws) for draws, _ in made])
        for (name, _, _, checks), (draws, record), dump in zip(self.CASES, made, dumps):
            with self.subTest(name):
                for field, value in checks.items():  # the model's own reading of the case
                    self.assertTrue(same(record[field], value), (field, record[field]))
                self.assertRecord(dump["record"], self.expect(record))
                self.assertControlsShow(dump, dump["record"])

    def test_each_value_is_computed_in_single_precision_in_the_written_order(self):
        # Draws that are no binary fractions, so that each rounding shows: 100 x (r + 1) - 100 r
        # is not 100 r + 100 - 100 r for r = 0.2 (steps 13 and 18 take it), and the page bring-up's
        # re-read made to fail (its first notification, the fourth the host is asked for after the
        # opening's two and the factor popup's), so the record holds what Tumble computed.
        pool = [f32(x) for x in (0.1, 0.7, 0.35, 0.6, 0.45, 0.2, 0.9, 0.15, 0.2, 0.85, 0.3, 0.65)]
        draws, record = self.draws_for(lambda s, t: True, pool=pool)
        self.assertGreater(record["starCount"], 1)
        dump = run_dialog(unusual(), script=["press 111"], draws=draws, fails=["item.sendNotify@4=-1"])
        self.assertRecord(dump["record"], record)

    def test_each_threshold_is_strict(self):
        # One chance at a time just above its threshold, the others at theirs.
        steps = [1, 2, 3, 6, 7, 8, 9, 10] + list(range(14, 41))
        made = [self.draws_for(lambda s, t, only=only: s == only) for only in steps]
        dumps = run_many([dict(record=unusual(), script=["press 111"], draws=draws) for draws, _ in made])
        for only, (draws, record), dump in zip(steps, made, dumps):
            with self.subTest(step=only):
                self.assertRecord(dump["record"], self.expect(record))


def main():
    global PROGRAM
    PROGRAM = os.path.abspath(sys.argv[1])
    # FLARIMOND_FAIL_FAST=1 (the mutation runner sets it): the first failing table decides.
    fail_fast = ["--failfast"] if os.environ.get("FLARIMOND_FAIL_FAST") == "1" else []
    unittest.main(argv=[sys.argv[0]] + fail_fast + sys.argv[2:], verbosity=1)


if __name__ == "__main__":
    main()
