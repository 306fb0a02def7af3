"""Start-up and memory figures from the launches of bench/run.sh.

Usage: startup_stats.py STARTUP_FILE MEMORY_FILE
Each line of both files: ROUND KIND MS KIB (KIB "-" when not read), KIND
one of program, floor, floor-gif. Prints RESULT lines (see bench_common.h)
on stdout and the sorted launch times on stderr.

The verdict is on the ratio of medians. Two more robust views go into the
note, because this machine's load comes in bursts: the median of the ratios
within each round (launches seconds apart share the machine's state), and
the ratio of lower quartiles (the machine at its quietest).
"""
import statistics
import sys

KINDS = ("program", "floor", "floor-gif")


def load(path):
    rows = {}
    for line in open(path):
        rnd, kind, ms, kib = line.split()
        rows.setdefault(kind, {})[int(rnd)] = (float(ms), None if kib == "-" else float(kib))
    return rows


def row(*cols):
    print("RESULT\t" + "\t".join(cols))


def quartile(values):
    return statistics.quantiles(values, n=4)[0] if len(values) > 1 else values[0]


def main():
    times = load(sys.argv[1])
    memory = load(sys.argv[2])
    for kind in KINDS:
        ms = sorted(v[0] for v in times[kind].values())
        print("  %-9s ms: %s" % (kind, " ".join("%.0f" % x for x in ms)), file=sys.stderr)
    ms = {k: [v[0] for v in times[k].values()] for k in KINDS}
    med = {k: statistics.median(ms[k]) for k in KINDS}
    low = {k: quartile(ms[k]) for k in KINDS}
    both = sorted(set(times["program"]) & set(times["floor"]) & set(times["floor-gif"]))

    def paired(floor):
        return statistics.median(times["program"][r][0] / times[floor][r][0] for r in both)

    p = med["program"]
    for floor, label, extra in (
            ("floor", "empty floor", "empty window"),
            ("floor-gif", "GIF floor", "window + one GIF")):
        ratio = p / med[floor]
        met = ratio <= 1.25
        note = ("medians; per-round ratio median %.2f; lower-quartile ratio %.2f (%.0f vs %.0f ms)"
                % (paired(floor), low["program"] / low[floor], low["program"], low[floor]))
        if floor == "floor-gif":
            note = ("the fair floor, as the program decodes one GIF flag (GIF floor - empty floor: "
                    "%+.0f ms in medians, %+.0f ms in lower quartiles); " % (
                        med["floor-gif"] - med["floor"], low["floor-gif"] - low["floor"]) + note)
        if not met:
            if floor == "floor":
                note += (". Missed: against an empty window both the flag's GIF decode and the "
                         "program's own start-up count; compare with the GIF floor")
            else:
                note += (". Missed: the %.0f ms over this floor are the program's own start-up "
                         "(15 child controls with their fonts, three resource bitmaps, comctl32 v6, "
                         "the message file, the port probe: see its row)" % (p - med[floor]))
        row("start-up to visible window vs %s [%d rounds]" % (label, len(both)),
            "%.1f ms" % p, "%.1f ms (%s)" % (med[floor], extra), "%.2f" % ratio,
            "ratio <= 1.25", "met" if met else "missed", note)

    kib = {k: statistics.median(v[1] for v in memory[k].values() if v[1]) for k in KINDS}
    for floor, label, extra in (
            ("floor", "empty floor", "empty window"),
            ("floor-gif", "GIF floor", "window + one GIF")):
        ratio = kib["program"] / kib[floor]
        met = ratio <= 1.2
        note = "PeakWorkingSetSize, medians of %d; under Wine it includes Wine's own libraries" % len(
            memory["program"])
        if not met:
            note += (". Missed: the program maps the picture decoder's libraries (ole32, oleaut32, "
                     "windowscodecs), which an empty window never loads, and comctl32 v6"
                     if floor == "floor" else
                     ". Missed: beyond the decoder, comctl32 v6 and the controls' fonts and bitmaps")
        row("peak working set vs %s [window shown + 500 ms]" % label,
            "%.1f MiB" % (kib["program"] / 1024), "%.1f MiB (%s)" % (kib[floor] / 1024, extra),
            "%.2f" % ratio, "ratio <= 1.2", "met" if met else "missed", note)


if __name__ == "__main__":
    main()
