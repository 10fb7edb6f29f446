#!/usr/bin/env python3
"""Turns bench/run-bench's raw rows into its Markdown report.

    bench-report.py RAW OUT PAIRS FULL_PAIRS SIZES PLANT_MIB SMALL SMALL_BYTES
                    CORES LOADS COLD QUERIES ELAPSED_S [BARE_DELAY_MS]

RAW has one tab-separated row per run: volume tool round seconds avail_bytes
planted_left exit settle_seconds small_contents_left small_names_left
place_in_round, and (rows of later versions) on_volume_seconds and
record_phase_seconds from bench/watch-volume.py ("n/a" where there is none). Tools "tolvane-full" and "bare-full" are the runs on a full
volume. Every figure is given with its spread: median, first and third
quartile (linear interpolation between the sorted values), minimum and
maximum.
"""
import statistics
import sys

ORDER = ["tolvane", "bare", "dd", "scrub", "sfill", "tolvane-full", "bare-full"]
NAMES = {
    "tolvane": "(a) Tolvane.exe /P:T: /A, warm Wine",
    "bare": "(d) bare_wipe.exe, warm Wine",
    "dd": "(b) dd bs=2M conv=fsync + rm",
    "scrub": "(c) scrub -X -p fillzero",
    "sfill": "(c) sfill -I -l -l -z",
    "tolvane-full": "fixed cost: (a) on a full volume",
    "bare-full": "fixed cost: (d) on a full volume",
}


def spread(xs):
    """(median, q1, q3, min, max) of a non-empty list."""
    xs = sorted(xs)
    if len(xs) == 1:
        q1 = q3 = xs[0]
    else:
        q1, _, q3 = statistics.quantiles(xs, n=4, method="inclusive")
    return statistics.median(xs), q1, q3, xs[0], xs[-1]


def spread_row(label, xs, fmt):
    if not xs:
        return f"| {label} | 0 | - | - | - | - |"
    m, q1, q3, lo, hi = spread(xs)
    f = lambda x: format(x, fmt)
    return f"| {label} | {len(xs)} | {f(m)} | {f(q1)} to {f(q3)} | {f(lo)} | {f(hi)} |"


def num(text):
    """A figure of the raw rows, or None for "n/a"."""
    return None if text == "n/a" else float(text)


def main():
    (raw, out, pairs, full_pairs, sizes, plant, small, small_bytes, cores, loads, cold,
     queries, elapsed) = sys.argv[1:14]
    bare_delay = int(sys.argv[14]) if len(sys.argv) > 14 else 0
    baseline = sys.argv[15] if len(sys.argv) > 15 else ""
    sizes = dict(s.split("=") for s in sizes.split())
    rows = []
    for line in open(raw):
        if line.strip():
            r = line.rstrip("\n").split("\t")
            rows.append({
                "vol": r[0], "tool": r[1], "round": int(r[2]), "secs": float(r[3]),
                "avail": int(r[4]), "left": r[5], "exit": r[6], "settle": float(r[7]),
                "contents": r[8], "names": r[9], "place": int(r[10]),
                "onvol": num(r[11]) if len(r) > 11 else None,
                "record": num(r[12]) if len(r) > 12 else None,
            })

    lines = []
    for vol in dict.fromkeys(r["vol"] for r in rows):
        vr = [r for r in rows if r["vol"] == vol]
        by = {t: [r for r in vr if r["tool"] == t] for t in ORDER}
        med = {t: statistics.median(r["secs"] for r in rs) for t, rs in by.items() if rs}
        ntfs = any(r["contents"] != "n/a" for r in vr)

        lines.append(f"\n### {vol}, {sizes.get(vol, '?')} MiB\n")
        lines.append("Every run of each tool:\n")
        head = ("| tool | runs | median s | IQR s (Q1 to Q3) | min s | max s | ratio of medians to (b) dd"
                " | ratio of medians to (d) bare | MB/s | planted bytes left (per run) |")
        rule = "|---|---|---|---|---|---|---|---|---|---|"
        if ntfs:
            head += f" small files left of {small}, contents/names (per run) |"
            rule += "---|"
        lines += [head + " exit codes | space back after exit, max s |", rule + "---|---|"]
        for t in ORDER:
            tr = by[t]
            if not tr:
                continue
            m, q1, q3, lo, hi = spread([r["secs"] for r in tr])
            mbps = statistics.median(r["avail"] for r in tr) / m / 1e6 if m > 0 else 0
            rdd = f"{m / med['dd']:.2f}" if "dd" in med else "-"
            rbare = f"{m / med['bare']:.2f}" if "bare" in med else "-"
            row = (f"| {NAMES[t]} | {len(tr)} | {m:.3f} | {q1:.3f} to {q3:.3f} | {lo:.3f} | {hi:.3f}"
                   f" | {rdd} | {rbare} | {mbps:.0f} | {' '.join(r['left'] for r in tr)} |")
            if ntfs:
                row += " " + " ".join(f"{r['contents']}/{r['names']}" if r["contents"] != "n/a" else "n/a"
                                      for r in tr) + " |"
            codes = " ".join(sorted(set(r["exit"] for r in tr)))
            row += f" {codes} | {max(r['settle'] for r in tr):.3f} |"
            lines.append(row)

        # Pairs: the Tolvane and bare_wipe runs of the same round.
        def paired(a, b):
            sa = {r["round"]: r for r in by[a]}
            sb = {r["round"]: r for r in by[b]}
            return [(sa[k], sb[k]) for k in sorted(sa) if k in sb]

        wp = paired("tolvane", "bare")
        fp = paired("tolvane-full", "bare-full")
        lines.append("\nTolvane against bare_wipe in pairs (back to back, the first alternating):\n")
        lines.append("| measure | n | median | IQR (Q1 to Q3) | min | max |")
        lines.append("|---|---|---|---|---|---|")
        lines.append(spread_row("Tolvane - bare, s", [t["secs"] - b["secs"] for t, b in wp], ".3f"))
        lines.append(spread_row("  of which Tolvane ran first, s",
                                [t["secs"] - b["secs"] for t, b in wp if t["place"] < b["place"]], ".3f"))
        lines.append(spread_row("  of which bare_wipe ran first, s",
                                [t["secs"] - b["secs"] for t, b in wp if b["place"] < t["place"]], ".3f"))
        lines.append(spread_row("Tolvane / bare", [t["secs"] / b["secs"] for t, b in wp if b["secs"] > 0], ".2f"))
        on = [(t["onvol"], b["onvol"]) for t, b in wp if t["onvol"] is not None and b["onvol"]]
        if on:
            lines.append(spread_row("on the volume (first entry made to last wipe file deleted), "
                                    "Tolvane - bare, s", [t - b for t, b in on], ".3f"))
            lines.append(spread_row("on the volume, Tolvane / bare", [t / b for t, b in on], ".3f"))
        lines.append(spread_row("fixed cost of Tolvane (full volume), s", [r["secs"] for r in by["tolvane-full"]], ".3f"))
        lines.append(spread_row("fixed cost of bare_wipe (full volume), s", [r["secs"] for r in by["bare-full"]], ".3f"))
        lines.append(spread_row("fixed cost, Tolvane - bare (paired), s", [t["secs"] - b["secs"] for t, b in fp], ".3f"))
        if "tolvane-full" in med and "bare-full" in med:
            ft, fb = med["tolvane-full"], med["bare-full"]
            ratios = [(t["secs"] - ft) / (b["secs"] - fb) for t, b in wp if b["secs"] - fb > 0]
            lines.append(spread_row("write phase, (T_i - fixedT) / (B_i - fixedB)", ratios, ".2f"))
            if len(ratios) < len(wp):
                lines.append(f"\n{len(wp) - len(ratios)} pair(s) left out of the write-phase ratio: "
                             "bare_wipe took no longer than its fixed cost.")
            lines.append(f"\nfixedT and fixedB are the medians above: {ft:.3f} s and {fb:.3f} s.")

        # Time on the volume and Tolvane's record phase, per tool (bench/watch-volume.py).
        for key, title, first in (
                ("onvol", "Time on the volume, from the tool's first entry made to its last wipe"
                          " file deleted (inotify):", "tool"),
                ("record", "Tolvane's record phase, from its record folder made to the first"
                           " deletion after it (inotify):", "runs")):
            timed = [(t, [r[key] for r in by[t] if r[key] is not None]) for t in ORDER]
            if any(xs for _, xs in timed):
                lines.append(f"\n{title}\n")
                lines.append(f"| {first} | n | median s | IQR s (Q1 to Q3) | min s | max s |")
                lines.append("|---|---|---|---|---|---|")
                lines.extend(spread_row(NAMES[t], xs, ".3f") for t, xs in timed if xs)

    with open(out, "w") as f:
        f.write("Rerun: `sudo bench/run-bench --build build-x86_64` (after `tools/test-all` built it)\n\n")
        f.write(f"Pairs per volume: {pairs}; fixed-cost pairs on a full volume: {full_pairs}; "
                f"planted file {plant} MiB (ext4 and ntfs: tmpfs keeps no raw image); "
                f"on ntfs {small} small files of {small_bytes} bytes; {cores} cores; "
                f"whole run {elapsed} s.\n")
        f.write(f"Load averages (1/5/15 min): {loads}\n")
        if cold:
            f.write(f"Tolvane cold start (Wine server stopped first, one run): {cold}\n")
        if queries:
            f.write(f"GetDiskFreeSpaceExA under warm Wine: {queries}\n")
        if bare_delay:
            f.write(f"Every bare_wipe run was held back by {bare_delay} ms before it started"
                    " (--bare-delay).\n")
        text = "\n".join(lines) + "\n"
        if baseline:
            # (d) is another build's Tolvane.exe, run as Tolvane is.
            f.write(f"(d) is the Tolvane.exe of {baseline} (--baseline), not bare_wipe.\n")
            text = (text.replace("(d) bare_wipe.exe, warm Wine", "(d) baseline Tolvane.exe, warm Wine")
                    .replace("bare_wipe", "the baseline").replace("Tolvane - bare", "Tolvane - baseline")
                    .replace("Tolvane / bare", "Tolvane / baseline"))
        f.write(text)
    print(open(out).read())


if __name__ == "__main__":
    main()
