#!/usr/bin/env python3
"""The benchmark figures of one run, each beside its target.

Reads the JSON outputs (--benchmark_out) that ./run.sh bench writes into one directory:
pipeline.json, export.json, design-read.json, plot.json and largest-N.json of this tree, and base-export.json and
base-largest-N.json of the baseline build (the host before the compact document) when there is
one. A benchmark run several times (repetitions) counts with its best time. Times are CPU time of
the drawing thread, except the PNG's, which is drawn on every core and so is timed on the clock.
Exits 1 when a figure misses its target.
"""
import json
import os
import sys


def load(directory, name):
    """The runs of NAME.json, or of NAME-1.json, NAME-2.json ... (one process each) together."""
    paths = [os.path.join(directory, name + ".json")]
    i = 1
    while os.path.exists(os.path.join(directory, "%s-%d.json" % (name, i))):
        paths.append(os.path.join(directory, "%s-%d.json" % (name, i)))
        i += 1
    runs = None
    for path in paths:
        if os.path.exists(path):
            with open(path) as f:
                runs = (runs or []) + [b for b in json.load(f)["benchmarks"]
                                       if b.get("run_type", "iteration") == "iteration"]
    return runs


def best(runs, prefix, key):
    """The least `key` among the runs whose name starts with prefix + '/' or is prefix."""
    values = [r[key] for r in runs or [] if r["name"] == prefix or r["name"].startswith(prefix + "/")]
    return min(values) if values else None


def main(directory):
    pipeline = load(directory, "pipeline")
    export = load(directory, "export")
    design_read = load(directory, "design-read")
    plot = load(directory, "plot")
    largest = load(directory, "largest")
    base_export = load(directory, "base-export")
    base_largest = load(directory, "base-largest")

    rows = []  # (figure, value, target text, met or None when only reported)

    def ratio(a, b):
        return a / b if a is not None and b else None

    small, large = best(pipeline, "BM_Scaling/12", "ns_per_art"), best(pipeline, "BM_Scaling/96", "ns_per_art")
    r = ratio(large, small)
    rows.append(("cost per art, 921,600 / 115,200 arts (%.0f / %.0f ns)" % (large or 0, small or 0), r, "<= 1.15",
                 r is not None and r <= 1.15))
    for stars in (12, 96):
        kernel = best(pipeline, "BM_Kernel/%d" % stars, "cpu_time")  # ms for stars * 9600 arts
        kernel_ns = kernel * 1e6 / (stars * 9600) if kernel else None
        piped = best(pipeline, "BM_Scaling/%d" % stars, "ns_per_art")
        r = ratio(piped, kernel_ns)
        rows.append(("pipeline / bare kernel at %d stars (%.0f / %.0f ns an art)" % (stars, piped or 0, kernel_ns or 0),
                     r, "<= 4", r is not None and r <= 4))

    peak = best(largest, "BM_LargestRecord", "peak_bytes_per_art")
    base_peak = best(base_largest, "BM_LargestRecord", "peak_bytes_per_art")
    rows.append(("peak memory of the largest record, bytes an art (baseline %.0f)" % (base_peak or 0), peak, "<= 200",
                 peak is not None and peak <= 200))
    gen, base_gen = best(largest, "BM_LargestRecord", "generate_cpu_s"), best(base_largest, "BM_LargestRecord",
                                                                            "generate_cpu_s")
    r = ratio(gen, base_gen)
    rows.append(("largest record drawn / baseline (%.2f / %.2f s CPU)" % (gen or 0, base_gen or 0), r, "<= 0.6",
                 r is not None and r <= 0.6))
    wall, base_wall = best(largest, "BM_LargestRecord", "generate_s"), best(base_largest, "BM_LargestRecord", "generate_s")
    r = ratio(wall, base_wall)
    rows.append(("  the same on the clock (%.2f / %.2f s)" % (wall or 0, base_wall or 0), r, "(report)", None))

    png, base_png = best(export, "BM_ExportPng", "real_time"), best(base_export, "BM_ExportPng", "real_time")
    r = ratio(png, base_png)
    rows.append(("PNG of 230,400 arts at 1200 px / baseline (%.0f / %.0f ms on the clock, %d cores)"
                 % (png or 0, base_png or 0, os.cpu_count() or 0), r, "<= 0.4", r is not None and r <= 0.4))
    work, base_work = best(export, "BM_ExportPng", "cpu_all_ms"), best(base_export, "BM_ExportPng", "cpu_time")
    r = ratio(work, base_work)
    rows.append(("  its CPU time on all threads / baseline's (%.0f / %.0f ms)" % (work or 0, base_work or 0), r,
                 "(report)", None))
    svg, base_svg = best(export, "BM_ExportSvg", "cpu_time"), best(base_export, "BM_ExportSvg", "cpu_time")
    r = ratio(svg, base_svg)
    rows.append(("SVG of 230,400 arts / baseline (%.0f / %.0f ms)" % (svg or 0, base_svg or 0), r, "<= 0.6",
                 r is not None and r <= 0.6))
    svg_fmt = best(export, "BM_FormatSvgNumbersOnly", "cpu_time")
    r = ratio(svg, svg_fmt)
    rows.append(("SVG / formatting its numbers alone (%.0f / %.0f ms)" % (svg or 0, svg_fmt or 0), r, "<= 1.5",
                 r is not None and r <= 1.5))
    js, fmt = best(export, "BM_ExportJson", "cpu_time"), best(export, "BM_FormatNumbers", "cpu_time")
    r = ratio(js, fmt)
    rows.append(("JSON / formatting its numbers alone (%.0f / %.0f ms)" % (js or 0, fmt or 0), r, "<= 1.5",
                 r is not None and r <= 1.5))

    for name, what in (("BM_ReadDesignSvg", "a design of 33,000 paths"),
                       ("BM_ReadNamespacesSvg", "the design's namespace declared 90,000 times")):
        ms = best(design_read, name, "cpu_time")
        rows.append(("reading the design of a 4 MB SVG: %s (ms CPU)" % what, ms, "<= 250", ms is not None and ms <= 250))

    for name, what in (("BM_PlotDefault", "the default design"), ("BM_PlotScaling1", "9,600 arts")):
        ms = best(plot, name, "cpu_time")
        before, after = best(plot, name, "segments_before"), best(plot, name, "segments_after")
        unsorted, sorted_ = best(plot, name, "travel_unsorted_mm"), best(plot, name, "travel_sorted_mm")
        rows.append(("plot of %s: time (ms CPU)" % what, ms, "(report)", None))
        rows.append(("  segments before / after hidden lines removed (%d / %d)" % (before or 0, after or 0),
                     ratio(after, before), "(report)", None))
        share = ratio(sorted_, unsorted)
        rows.append(("  pen-up travel sorted / unsorted (%.0f / %.0f mm)" % (sorted_ or 0, unsorted or 0), share,
                     "<= 0.3", share is not None and share <= 0.3))

    width = max(len(r[0]) for r in rows)
    print("\n%-*s  %8s  %-16s" % (width, "figure", "value", "target"))
    missed = 0
    for figure, value, target, met in rows:
        shown = "n/a" if value is None else ("%.3g" % value)
        verdict = "" if met is None else ("met" if met else "MISSED")
        missed += met is False
        print("%-*s  %8s  %-16s %s" % (width, figure, shown, target, verdict))
    if base_largest is None or base_export is None:
        print("(no baseline build: figures against the baseline are n/a)")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
