#!/usr/bin/env python3
"""The Inkscape extension end to end: its .inx files against Inkscape's own schema and the module's
dialog, and the effect program run exactly as Inkscape runs it on documents Inkscape saved.

Usage: inkscape_test.py PATH/TO/flarimond INX_DIR
  INX_DIR  the .inx files the build made (build/inkscape)
Needs inkscape and xmllint; with xvfb-run, one test also runs the effect through Inkscape itself.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import traceback
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.path.abspath(sys.argv[1])
INX_DIR = os.path.abspath(sys.argv[2])
SCHEMA = '/usr/share/inkscape/extensions/inkscape.extension.rng'
INX_NS = '{http://www.inkscape.org/namespace/inkscape/extension}'
SVG_NS = '{http://www.w3.org/2000/svg}'
DESIGN = '{urn:flarimond:design:1}design'
FIXTURES = ['layers.svg', 'empty-layer.svg']  # both saved by Inkscape 1.2

scratch = tempfile.mkdtemp(prefix='flarimond-inkscape-')
failures = []


def check(name, fn):
    try:
        fn()
        print(f'ok   {name}')
    except Exception as e:  # an error in a test fails it as an assertion does
        failures.append(name)
        print(f"FAIL {name}: {e!r}")
        traceback.print_exc()


def run(args, **kw):
    return subprocess.run(args, capture_output=True, timeout=120, **kw)


# The program by the name Inkscape calls it by.
EFFECT = os.path.join(scratch, 'flarimond-inkscape')
os.symlink(PROGRAM, EFFECT)


def effect(document, *params, ids=()):
    """Runs the effect as Inkscape does: parameters, then --id per selected object, then the path."""
    return run([EFFECT, *params, *[f'--id={i}' for i in ids], document])


def fixture(name):
    return os.path.join(HERE, name)


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def write(name, data):
    path = os.path.join(scratch, name)
    with open(path, 'wb') as f:
        f.write(data)
    return path


def by_id(root, ident):
    return next(e for e in root.iter() if e.get('id') == ident)


def arts(group):
    return [p.get('d') for p in group.iter(f'{SVG_NS}path')]


def description(group):
    return json.loads(next(group.iter(DESIGN)).text)


def test_inx():
    dump_path = os.path.join(scratch, 'dialog.json')
    r = run([PROGRAM, 'dialog', '--seed', '1', '--dump', dump_path])
    assert r.returncode == 0, r.stderr.decode()
    dump = json.load(open(dump_path))
    again = os.path.join(scratch, 'inx')
    r = run([PROGRAM, 'inkscape', '--inx', again])
    assert r.returncode == 0, r.stderr.decode()
    names = sorted(os.listdir(INX_DIR))
    assert names == ['flarimond_edit.inx', 'flarimond_new.inx', 'flarimond_vary.inx'], names
    for name in names:
        r = run(['xmllint', '--noout', '--relaxng', SCHEMA, os.path.join(INX_DIR, name)])
        assert r.returncode == 0, f'{name} does not validate: {r.stderr.decode()}'
        assert read(os.path.join(INX_DIR, name)) == read(os.path.join(again, name)), \
            f'{name} of the build is not what the module makes now'

    root = ET.parse(os.path.join(INX_DIR, 'flarimond_new.inx')).getroot()
    items = {i['id']: i for i in dump['items']}
    notebook = next(p for p in root.iter(f'{INX_NS}param') if p.get('type') == 'notebook')
    pages = notebook.findall(f'{INX_NS}page')
    assert [p.get('gui-text') for p in pages] == [items[136 + n]['text'] for n in range(1, 8)]
    presets = next(p for p in root.iter(f'{INX_NS}param') if p.get('name') == 'preset')
    entries = [o.text for o in presets.findall(f'{INX_NS}option')]
    assert entries[1:] == [e.strip() for e in items[123]['entries']], 'the presets, in the dialog\'s order'
    # Every field's parameter is of its control's kind, with its range, precision and default.
    kinds = {'ADM Spin Edit Type', 'ADM Text Check Box Type', 'ADM Popup List Type'}
    record = dump['record']
    fields = [p for page in pages for p in page.findall(f'{INX_NS}param')]
    assert len(fields) == len({p.get('name') for p in fields}), 'a field twice'
    spins = {}
    for i in dump['items']:
        if i['kind'] == 'ADM Spin Edit Type':
            spins.setdefault((i['min'], i['max'], i['decimals']), []).append(i)
    for p in fields:
        name, kind = p.get('name'), p.get('type')
        assert name in record, f'{name} is not a field of the record'
        if kind == 'bool':
            assert p.text == ('true' if record[name] else 'false'), name
        elif kind in ('int', 'float'):
            decimals = 0 if kind == 'int' else int(p.get('precision'))
            key = (float(p.get('min')), float(p.get('max')), decimals)
            assert key in spins, f'{name}: no spin edit of the dialog has {key}'
            assert float(p.text) == record[name], f'{name}: default {p.text}, record {record[name]}'
        else:
            assert kind == 'optiongroup', f'{name}: {kind}'
            values = [o.get('value') for o in p.findall(f'{INX_NS}option')]
            assert values == [str(n) for n in range(len(values))] and record[name] == 0, name
    assert len(fields) > 60, f'only {len(fields)} fields'
    assert kinds  # the dump's kinds are the ones read above


def new_design(name, *params):
    before = read(fixture(name))
    r = effect(fixture(name), *params, '--tab=page1', ids=['rect1'] if name == 'layers.svg' else ())
    assert r.returncode == 0 and r.stderr == b'', r.stderr.decode()
    return before, r.stdout


def test_new_default_is_render():
    before, after = new_design('layers.svg', '--effect=new')
    at = after.index(b'<g id="flarimond-1"')
    added = len(after) - len(before)
    assert after[:at] + after[at + added:] == before, 'something of the document changed'
    assert after[at:at + added].endswith(b'</g>\n')
    # The current layer holds it, last.
    root = ET.fromstring(after)
    assert list(by_id(root, 'layer2'))[-1].get('id') == 'flarimond-1'
    design = by_id(root, 'flarimond-1-design')
    d = description(design)
    # The program alone with only the path draws what render draws on that page with seed 1.
    page = d['document']['page']
    out = os.path.join(scratch, 'render.svg')
    r = run([PROGRAM, 'render', '--seed', '1', '--page', page, '-o', out])
    assert r.returncode == 0, r.stderr.decode()
    rendered = ET.parse(out).getroot()
    assert arts(design) == arts(by_id(rendered, 'design'))
    assert description(by_id(rendered, 'design'))['record'] == d['record']
    # The description's digest still describes the art: inspect says the art is the design's.
    path = write('new-default.svg', after)
    r = run([PROGRAM, 'inspect', path])
    assert r.returncode == 0 and b'no longer' not in r.stdout + r.stderr, (r.stdout + r.stderr).decode()


def test_new_in_layers_as_inkscape_draws_it():
    for name in FIXTURES:
        before, after = new_design(name, '--effect=new', '--preset=13', '--seed=3', '--burstCount=24')
        if name == 'empty-layer.svg':  # the empty layer <g ... /> opens to hold the design
            tag_end = before.index(b'/>', before.index(b'id="empty"'))
            assert after.startswith(before[:tag_end]) and after.endswith(before[tag_end + 2:]), name
        else:
            at = after.index(b'<g id="flarimond-1"')
            assert after[:at] + after[at + len(after) - len(before):] == before, name
        root = ET.fromstring(after)
        layer = 'layer2' if name == 'layers.svg' else 'empty'
        assert [g.get('id') for g in by_id(root, layer) if g.get('id', '').startswith('flarimond')] == ['flarimond-1']
        path = write('new-' + name, after)
        # Inkscape's picture of the group alone on the page, and the program's own PNG of it.
        ink = os.path.join(scratch, name + '.ink.png')
        r = run(['inkscape', path, '--export-type=png', f'--export-filename={ink}', '--export-id=flarimond-1',
                 '--export-id-only', '--export-area-page', '--export-width=400'])
        assert os.path.exists(ink), r.stderr.decode()
        own = os.path.join(scratch, name + '.own.png')
        r = run([PROGRAM, 'render', '--from', path, '--design', 'flarimond-1-design', '-o', own, '--width', '400'])
        assert r.returncode == 0, r.stderr.decode()
        r = run([sys.executable, os.path.join(HERE, '..', 'cli', 'png_diff.py'), ink, own, '3', '0.01'])
        assert r.returncode == 0, f'{name}: Inkscape draws another picture: {r.stdout.decode()}{r.stderr.decode()}'


def test_vary_in_place():
    # A design with random variations: a new seed and Shuffle draw it otherwise.
    _, placed = new_design('layers.svg', '--effect=new', '--randomLength=true', '--randomHeight=true')
    doc = write('placed.svg', placed)
    group = by_id(ET.fromstring(placed), 'flarimond-1')
    start_tag = placed[placed.index(b'<g id="flarimond-1"'):]
    start_tag = start_tag[:start_tag.index(b'>') + 1]
    seen = set()
    for how in ('--vary=seed', '--vary=shuffle', '--vary=tumble'):
        r = effect(doc, '--effect=vary', how, '--seed=9', ids=['flarimond-1'])
        assert r.returncode == 0, r.stderr.decode()
        # Only the wrapper's content changed: its tag (id, transform) and its place are the same.
        at = placed.index(start_tag) + len(start_tag)
        end = placed.index(b'</g>\n</g>', at) + len(b'</g>\n')
        out = r.stdout
        assert out.startswith(placed[:at]) and out.endswith(placed[end:]), how
        varied = by_id(ET.fromstring(r.stdout), 'flarimond-1')
        assert varied.get('transform') == group.get('transform')
        seen.add(tuple(arts(varied)))
    assert len(seen) == 3 and tuple(arts(group)) not in seen, 'a variation drew the design as it was'
    # A new seed draws what render --from draws with that seed.
    r = effect(doc, '--effect=vary', '--vary=seed', '--seed=9', ids=['flarimond-1'])
    out = os.path.join(scratch, 'seed9.svg')
    r2 = run([PROGRAM, 'render', '--from', doc, '--design', 'flarimond-1-design', '--seed', '9', '-o', out])
    assert r2.returncode == 0, r2.stderr.decode()
    assert arts(by_id(ET.fromstring(r.stdout), 'flarimond-1')) == arts(by_id(ET.parse(out).getroot(), 'design'))


def test_refused_selections():
    _, placed = new_design('layers.svg', '--effect=new')
    doc = write('refuse.svg', placed)
    for effect_name in ('vary', 'edit'):
        for ids, said in ((['rect1'], b'not a Flarimond design'), ([], b'nothing is selected'),
                          (['rect1', 'flarimond-1'], b'select one'), (['layer1'], b'not a Flarimond design'),
                          (['nosuch'], b'no object')):
            r = effect(doc, f'--effect={effect_name}', ids=ids)
            assert r.returncode != 0 and r.stdout == b'', f'{effect_name} {ids}: {r.returncode}'
            assert said in r.stderr, f'{effect_name} {ids}: {r.stderr.decode()}'
    r = effect(doc, '--effect=new', '--burstCount=1')
    assert r.returncode != 0 and r.stdout == b'' and b'burstCount' in r.stderr, r.stderr.decode()


def test_edit_without_a_browser():
    """A page that never comes is given up like one that left: the document as it was."""
    _, placed = new_design('layers.svg', '--effect=new')
    doc = write('unseen.svg', placed)
    env = dict(os.environ, FLARIMOND_BROWSER='true', FLARIMOND_IDLE_TIMEOUT='1')
    r = run([EFFECT, '--effect=edit', '--id=flarimond-1', doc], env=env)
    assert r.returncode == 0 and r.stdout == placed, r.stderr.decode()


def test_through_inkscape():
    if not shutil.which('xvfb-run'):
        raise AssertionError('xvfb-run is missing (scripts/setup.sh installs xvfb)')
    profile = os.path.join(scratch, 'profile')
    env = dict(os.environ, INKSCAPE_PROFILE_DIR=profile)
    r = run([PROGRAM, 'inkscape', '--install'], env=env)
    assert r.returncode == 0, r.stderr.decode()
    assert os.path.islink(os.path.join(profile, 'extensions', 'flarimond', 'flarimond-inkscape'))
    out = os.path.join(scratch, 'through.svg')
    r = run(['xvfb-run', '-a', 'inkscape', '--with-gui', '--batch-process',
             f'--actions=org.flarimond.new.noprefs;export-filename:{out};export-do', fixture('layers.svg')], env=env)
    assert os.path.exists(out), r.stderr.decode()[-2000:]
    drawn = by_id(ET.parse(out).getroot(), 'flarimond-1-design')
    _, own = new_design('layers.svg', '--effect=new')
    assert arts(drawn) == arts(by_id(ET.fromstring(own), 'flarimond-1-design'))
    r = run([PROGRAM, 'inkscape', '--uninstall'], env=env)
    assert r.returncode == 0 and not os.path.exists(os.path.join(profile, 'extensions', 'flarimond'))


for name, fn in [('the .inx files: Inkscape\'s schema, made again alike, the dialog\'s pages, fields and ranges',
                  test_inx),
                 ('New design with only the path draws render\'s default design, the document untouched',
                  test_new_default_is_render),
                 ('New design in a transformed layer and in an empty one: Inkscape draws the program\'s picture',
                  test_new_in_layers_as_inkscape_draws_it),
                 ('Vary: seed, Shuffle and Tumble in place, id and transform kept', test_vary_in_place),
                 ('a selection that is no design is refused on stderr, nothing on stdout', test_refused_selections),
                 ('Edit with a browser that never opens the page gives the document back', test_edit_without_a_browser),
                 ('through Inkscape itself: installed, run under Xvfb by its action', test_through_inkscape)]:
    check(name, fn)
shutil.rmtree(scratch, ignore_errors=True)
sys.exit(1 if failures else 0)
