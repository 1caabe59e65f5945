#!/usr/bin/env python3
"""Writes a large bulletin file of varied, realistic TAF products for benchmarks.

The file has a feed's layout: products framed by SOH and ETX with CR CR LF line ends, WMO
headings (FTxx CCCC DDHHMM, sometimes with AAA/RRA/CCA), AFOS lines, collectives of several
stations, current (DDHH/DDHH, FMDDHHMM) and old (DDHHHH, FMHHMM) forms, amendments,
TEMPO/PROB/BECMG/FM periods, military groups, some non-TAF products to skip and some lines
longer than the reader's 128-character line.

The output is the same for the same seed and size. A second file, <out>.count, holds the
number of TAF reports written.

    python3 bench/make_bulletins.py OUT [--mb 200] [--seed 1]
"""
import argparse
import random

PREFIXES = ["K", "K", "K", "K", "P", "C", "E", "L", "R", "Y", "Z", "S", "M", "T"]
LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def stations(rng, n):
    seen = set()
    out = []
    while len(out) < n:
        sid = rng.choice(PREFIXES) + "".join(rng.choice(LETTERS) for _ in range(3))
        if sid not in seen:
            seen.add(sid)
            out.append(sid)
    return out


def wind(rng, metric):
    if rng.random() < 0.05:
        return "00000KT"
    if rng.random() < 0.08:
        return "VRB%02dKT" % rng.randint(2, 6)
    d = rng.randrange(10, 370, 10)
    s = rng.randint(3, 28)
    unit = "MPS" if metric and rng.random() < 0.3 else "KT"
    if rng.random() < 0.25:
        return "%03d%02dG%02d%s" % (d, s, s + rng.randint(8, 20), unit)
    return "%03d%02d%s" % (d, s, unit)


def visibility(rng, metric):
    if metric:
        return rng.choice(["9999", "9999", "8000", "6000", "4000", "3000", "1500", "0800", "CAVOK"])
    return rng.choice(["P6SM", "P6SM", "P6SM", "6SM", "5SM", "3SM", "2SM", "1 1/2SM", "1SM",
                       "3/4SM", "1/2SM", "1/4SM"])


WEATHER = ["-RA", "RA", "+RA", "-SHRA", "SHRA", "TSRA", "+TSRA", "-SN", "SN", "-SHSN", "BR",
           "FG", "HZ", "-DZ", "FZRA", "-FZDZ", "VCSH", "VCTS", "BLSN", "-RASN", "DU", "FU"]


def weather(rng, vis):
    if vis in ("P6SM", "9999", "CAVOK") and rng.random() < 0.7:
        return []
    n = rng.choice([0, 1, 1, 1, 2])
    return rng.sample(WEATHER, n)


def clouds(rng):
    if rng.random() < 0.12:
        return [rng.choice(["SKC", "NSC", "CLR"])]
    out = []
    h = rng.randint(2, 40)
    for cover in rng.sample(["FEW", "SCT", "BKN", "OVC"], rng.randint(1, 3)):
        out.append("%s%03d%s" % (cover, h, "CB" if rng.random() < 0.05 else ""))
        h += rng.randint(5, 80)
    if rng.random() < 0.04:
        out = ["VV%03d" % rng.randint(1, 5)]
    return out


def conditions(rng, metric, military):
    groups = [wind(rng, metric)]
    vis = visibility(rng, metric)
    groups.append(vis)
    groups += weather(rng, vis)
    if vis != "CAVOK":
        groups += clouds(rng)
    if military:
        if rng.random() < 0.4:
            groups.append("6%d%03d%d" % (rng.randint(1, 9), rng.randint(0, 200), rng.randint(1, 9)))
        if rng.random() < 0.3:
            groups.append("5%d%03d%d" % (rng.randint(1, 9), rng.randint(0, 200), rng.randint(1, 9)))
        groups.append("QNH%04dINS" % rng.randint(2880, 3080))
    return groups


def report_lines(rng, sid, day, hour, current, metric, military):
    issue = "%02d%02d%02dZ" % (day, hour, rng.choice([20, 25, 30, 35, 40]))
    start = (hour + 1) % 24
    end_day = day + 1 if day < 28 else 1
    if current:
        valid = "%02d%02d/%02d%02d" % (day, start, end_day, start if rng.random() < 0.5 else 24)
    else:
        valid = "%02d%02d%02d" % (day, start, start)
    head = [sid, issue, valid]
    if rng.random() < 0.08:
        head.insert(0, "AMD")
    lines = [" ".join(head + conditions(rng, metric, military))]
    t = start
    for _ in range(rng.randint(1, 6)):
        t = (t + rng.randint(2, 5)) % 24
        kind = rng.random()
        t2 = (t + rng.randint(2, 4)) % 24
        if kind < 0.45:
            intro = "FM%02d%02d00" % (day, t) if current else "FM%02d00" % t
            groups = conditions(rng, metric, military)
        elif kind < 0.7:
            intro = "TEMPO " + ("%02d%02d/%02d%02d" % (day, t, day, t2) if current else "%02d%02d" % (t, t2))
            groups = conditions(rng, metric, False)[1:]
        elif kind < 0.85:
            intro = "PROB%d " % rng.choice([30, 40]) + ("%02d%02d/%02d%02d" % (day, t, day, t2) if current else "%02d%02d" % (t, t2))
            groups = conditions(rng, metric, False)[1:]
        else:
            intro = "BECMG " + ("%02d%02d/%02d%02d" % (day, t, day, t2) if current else "%02d%02d" % (t, t2))
            groups = conditions(rng, metric, False)[:2]
        lines.append("     " + " ".join([intro] + groups))
    if military and rng.random() < 0.5:
        lines.append("     T%02d/%02dZ TM%02d/%02dZ" % (rng.randint(0, 35), rng.randint(0, 23),
                                                      rng.randint(1, 20), rng.randint(0, 23)))
    if rng.random() < 0.03:
        # a line longer than the reader's line length
        lines[-1] += " " + " ".join("RMK%02d" % i for i in range(30))
    lines[-1] += "="
    return lines


def product(rng, seq, ids, day, hour):
    current = rng.random() < 0.75
    metric = ids[0][0] not in "KPC"
    military = rng.random() < 0.05
    ttaaii = "FT%s%02d" % (rng.choice(["US", "US", "AK", "CN", "UK", "XX"]), rng.randint(1, 99))
    heading = "%s K%s %02d%02d%02d" % (ttaaii, "".join(rng.choice(LETTERS) for _ in range(3)),
                                      day, hour, rng.randint(0, 59))
    if rng.random() < 0.1:
        heading += " " + rng.choice(["AAA", "RRA", "CCA"])
    lines = ["\x01", "%03d " % (seq % 1000), heading]
    if len(ids) == 1:
        lines.append("TAF" + ids[0][1:])
    count = 0
    for sid in ids:
        lines.append("TAF AMD" if rng.random() < 0.05 else "TAF")
        lines += report_lines(rng, sid, day, hour, current, metric, military)
        count += 1
    lines.append("\x03")
    return "".join(l + "\r\r\n" for l in lines), count


def other_product(rng, seq, day, hour):
    lines = ["\x01", "%03d " % (seq % 1000), "FXUS6%d KABC %02d%02d00" % (rng.randint(1, 9), day, hour),
             "AFDABC", "AREA FORECAST DISCUSSION", "SHOWERS ENDING THIS EVENING=", "$$", "\x03"]
    return "".join(l + "\r\r\n" for l in lines)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--mb", type=float, default=200.0)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    rng = random.Random(args.seed)
    ids = stations(rng, 3000)
    limit = int(args.mb * 1024 * 1024)
    written = 0
    reports = 0
    seq = 0
    with open(args.out, "w", newline="") as out:
        while written < limit:
            seq += 1
            day, hour = rng.randint(1, 28), rng.randint(0, 23)
            if rng.random() < 0.05:
                text = other_product(rng, seq, day, hour)
            else:
                n = 1 if rng.random() < 0.6 else rng.randint(2, 12)
                text, count = product(rng, seq, rng.sample(ids, n), day, hour)
                reports += count
            out.write(text)
            written += len(text)
    with open(args.out + ".count", "w") as f:
        f.write("%d\n" % reports)


if __name__ == "__main__":
    main()
