#!/usr/bin/env python3
"""Writes a large bulletin file of varied, realistic TAF products for benchmarks.

The file has a feed's layout: products framed by SOH and ETX with CR CR LF line ends (some
with bare LF), WMO headings (FTxx CCCC DDHHMM, sometimes with AAA/RRA/CCA), AFOS lines,
collectives of several stations (with a TAF line before every report, or one for the whole
collective), current (DDHH/DDHH, FMDDHHMM) and old (DDHHHH, FMHHMM) forms, amendments,
TEMPO/PROB/BECMG/FM periods on lines of their own or inside a line, PROB30 TEMPO, wind shear,
military groups, NIL reports, some non-TAF products to skip and some lines longer than the
reader's 128-character line. Most stations are identifiers of the shipped station database
(data/sao.cty), so that the heading of a report names the place; the rest are unknown there.

The output is the same for the same seed and size. A second file, <out>.count, holds the
number of TAF reports written on its first line, and on its second a station list of a few
frequent stations and the number of their reports ("LIST KXXX,KYYY,KZZZ N"), for the benchmark
of a station-list run.

Today's groups come at the rates of current international reports: about a third of them carry
9999 and TX/TN, one in twenty CAVOK, one report in six a PROB30/40 TEMPO period; NSC and NCD,
direction ranges (180V240), gusts of 100 kt and more, INTER periods and CNL reports now and then.

With --bare-of the file holds the reports of a bulletin file made by this script instead, each
on one line without the bulletin around it ("TAF [AMD] CCCC ... ="), as web pages and station
files give them: the same reports, so that reading bulletins and reading bare reports can be
compared report for report.

    python3 bench/make_bulletins.py OUT [--mb 200] [--seed 1]
    python3 bench/make_bulletins.py OUT --bare-of BULLETINS
"""
import argparse
import os
import random
import re

PREFIXES = ["K", "K", "K", "K", "P", "C", "E", "L", "R", "Y", "Z", "S", "M", "T"]
LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"


HERE = os.path.dirname(os.path.abspath(__file__))
CITY_FILE = os.path.join(os.path.dirname(HERE), "data", "sao.cty")
KNOWN_SHARE = 0.85  # share of the stations taken from the station database
LIST_SIZE = 3       # stations in the benchmark's station list


def known_stations():
    """The four-letter identifiers of the shipped station database, sorted."""
    ids = set()
    with open(CITY_FILE) as f:
        for line in f:
            words = line.split()
            if len(words) >= 4 and re.fullmatch(r"[A-Z]{4}", words[3]):
                ids.add(words[3])
    return sorted(ids)


def stations(rng, n):
    known = known_stations()
    out = rng.sample(known, min(len(known), int(n * KNOWN_SHARE)))
    seen = set(known)
    while len(out) < n:
        sid = rng.choice(PREFIXES) + "".join(rng.choice(LETTERS) for _ in range(3))
        if sid not in seen:
            seen.add(sid)
            out.append(sid)
    rng.shuffle(out)
    return out


def wind(rng, metric):
    if rng.random() < 0.05:
        return "00000KT"
    if rng.random() < 0.08:
        return "VRB%02dKT" % rng.randint(2, 6)
    d = rng.randrange(10, 370, 10)
    s = rng.randint(3, 28)
    unit = "MPS" if metric and rng.random() < 0.3 else "KT"
    if unit == "KT" and rng.random() < 0.005:
        return "%03d%02dG%03d%s" % (d, s + 60, s + 80, unit)  # storm winds, gusts of 100 kt or more
    if rng.random() < 0.25:
        return "%03d%02dG%02d%s" % (d, s, s + rng.randint(8, 20), unit)
    return "%03d%02d%s" % (d, s, unit)


def variable_direction(rng, wind_group):
    """A direction range after some winds, as international reports write it (180V240)."""
    if wind_group.startswith(("00000", "VRB")) or rng.random() >= 0.04:
        return []
    d = int(wind_group[:3])
    return ["%03dV%03d" % ((d - 30) % 360 or 360, (d + 30) % 360 or 360)]


def visibility(rng, metric):
    if metric:
        # International reports: with about four visibilities a report, about one report in
        # twenty carries CAVOK and a third 9999.
        r = rng.random()
        if r < 0.0115:
            return "CAVOK"
        if r < 0.095:
            return "9999"
        return rng.choice(["8000", "7000", "6000", "5000", "4000", "3000", "2500", "1500", "0800",
                           "0300"])
    return rng.choice(["P6SM", "P6SM", "P6SM", "6SM", "5SM", "3SM", "2SM", "1 1/2SM", "1SM",
                       "3/4SM", "1/2SM", "1/4SM"])


WEATHER = ["-RA", "RA", "+RA", "-SHRA", "SHRA", "TSRA", "+TSRA", "-SN", "SN", "-SHSN", "BR",
           "FG", "HZ", "-DZ", "FZRA", "-FZDZ", "VCSH", "VCTS", "BLSN", "-RASN", "DU", "FU"]


def weather(rng, vis):
    if vis in ("P6SM", "9999", "CAVOK") and rng.random() < 0.7:
        return []
    n = rng.choice([0, 1, 1, 1, 2])
    return rng.sample(WEATHER, n)


def clouds(rng, metric):
    if rng.random() < 0.12:
        return [rng.choice(["NSC", "NSC", "NCD"] if metric else ["SKC", "CLR"])]
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
    groups += variable_direction(rng, groups[0])
    vis = visibility(rng, metric)
    groups.append(vis)
    groups += weather(rng, vis)
    if vis != "CAVOK":
        groups += clouds(rng, metric)
    if military:
        if rng.random() < 0.4:
            groups.append("6%d%03d%d" % (rng.randint(1, 9), rng.randint(0, 200), rng.randint(1, 9)))
        if rng.random() < 0.3:
            groups.append("5%d%03d%d" % (rng.randint(1, 9), rng.randint(0, 200), rng.randint(1, 9)))
        groups.append("QNH%04dINS" % rng.randint(2880, 3080))
    return groups


def change_group(rng, day, t, current, metric, military):
    """One change period: its introduction and its groups."""
    t2 = (t + rng.randint(2, 4)) % 24
    span = "%02d%02d/%02d%02d" % (day, t, day, t2) if current else "%02d%02d" % (t, t2)
    kind = rng.random()
    if kind < 0.45:
        intro = "FM%02d%02d00" % (day, t) if current else "FM%02d00" % t
        return intro, conditions(rng, metric, military)
    if kind < 0.7:
        word = "INTER " if not current and rng.random() < 0.05 else "TEMPO "
        return word + span, conditions(rng, metric, False)[1:]
    if kind < 0.85:
        prob = "PROB%d " % rng.choice([30, 40])
        if rng.random() < 0.35:
            prob += "TEMPO "
        return prob + span, conditions(rng, metric, False)[1:]
    return "BECMG " + span, conditions(rng, metric, False)[:2]


def report_lines(rng, sid, day, hour, current, metric, military):
    issue = "%02d%02d%02dZ" % (day, hour, rng.choice([20, 25, 30, 35, 40]))
    if rng.random() < 0.02:
        return ["%s %s NIL=" % (sid, issue)]
    start = (hour + 1) % 24
    end_day = day + 1 if day < 28 else 1
    if current:
        valid = "%02d%02d/%02d%02d" % (day, start, end_day, start if rng.random() < 0.5 else 24)
    else:
        valid = "%02d%02d%02d" % (day, start, start)
    head = [sid, issue, valid]
    if rng.random() < 0.08:
        head.insert(0, "AMD")
    if rng.random() < 0.005:
        return [" ".join(head + ["CNL="])]
    first = head + conditions(rng, metric, military)
    if current and metric and rng.random() < 0.34:
        # Maximum and minimum temperatures, in about a third of international reports.
        first.append("TX%02d/%02d%02dZ" % (rng.randint(5, 35), day, rng.randint(12, 16)))
        low = rng.randint(-8, 20)
        first.append("TN%s%02d/%02d%02dZ" % ("M" if low < 0 else "", abs(low), end_day,
                                             rng.randint(3, 6)))
    if not metric and rng.random() < 0.05:
        first.append("WS020/%03d%02dKT" % (rng.randrange(10, 370, 10), rng.randint(30, 50)))
    lines = [" ".join(first)]
    t = start
    for _ in range(rng.randint(1, 6)):
        t = (t + rng.randint(2, 5)) % 24
        intro, groups = change_group(rng, day, t, current, metric, military)
        text = " ".join([intro] + groups)
        if rng.random() < 0.25 and len(lines[-1]) + len(text) < 69:
            lines[-1] += " " + text  # a change period inside the line, as some offices write
        else:
            lines.append("     " + text)
    if military and rng.random() < 0.5:
        lines.append("     T%02d/%02dZ TM%02d/%02dZ" % (rng.randint(0, 35), rng.randint(0, 23),
                                                      rng.randint(1, 20), rng.randint(0, 23)))
    if rng.random() < 0.02:
        lines.append("     AMD NOT SKED")
    if rng.random() < 0.03:
        # a line longer than the reader's line length
        lines[-1] += " " + " ".join("RMK%02d" % i for i in range(30))
    lines[-1] += "="
    return lines


def product(rng, seq, ids, day, hour):
    """A TAF product for the stations ids: its text and the number of its reports."""
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
    one_taf_line = len(ids) > 1 and rng.random() < 0.4  # a collective under one TAF line
    if one_taf_line:
        lines.append("TAF")
    for sid in ids:
        if not one_taf_line:
            lines.append("TAF AMD" if rng.random() < 0.05 else "TAF")
        report = report_lines(rng, sid, day, hour, current, metric, military)
        if report[0].startswith("AMD "):
            # An amendment word before the station goes where bulletins put it: on the TAF
            # line, or with TAF in front of the station in a collective under one TAF line.
            if one_taf_line:
                report[0] = "TAF " + report[0]
            else:
                lines[-1] = "TAF AMD"
                report[0] = report[0][len("AMD "):]
        lines += report
    lines.append("\x03")
    end = "\n" if rng.random() < 0.2 else "\r\r\n"
    return "".join(l + end for l in lines), len(ids)


def is_heading_word(line):
    """The TAF line before a report or a collective ("TAF", "TAF AMD") or the AFOS line of a
    one-station product ("TAFxxx")."""
    return line in ("TAF", "TAF AMD") or (line.startswith("TAF") and len(line) == 6
                                         and " " not in line)


def bare_of(bulletins, out_path):
    """Writes the reports of bulletins (a file of this script) one per line; returns their
    number and that of the stations of the bulletins' station list."""
    with open(bulletins + ".count") as f:
        listed = f.read().split("\n")[1].split()[1].split(",")
    reports = listed_reports = 0
    with open(bulletins, newline="") as f:
        data = f.read()
    with open(out_path, "w", newline="") as out:
        for product in data.split("\x03"):
            lines = [l.strip() for l in product.replace("\r", "").split("\n")]
            lines = [l for l in lines if l and l != "\x01"]
            if len(lines) < 2 or not lines[1].startswith("FT"):
                continue  # another product
            report, amendment = [], False
            for line in lines[2:]:
                if not report and is_heading_word(line):
                    amendment = line == "TAF AMD"
                    continue
                report.append(line)
                if line.endswith("="):
                    text = " ".join(report)
                    if not text.startswith("TAF "):
                        text = ("TAF AMD " if amendment else "TAF ") + text
                    out.write(text + "\n")
                    reports += 1
                    listed_reports += text.split()[2 if text.startswith("TAF AMD ") else 1] in listed
                    report = []
    return reports, listed, listed_reports


def other_product(rng, seq, day, hour):
    lines = ["\x01", "%03d " % (seq % 1000), "FXUS6%d KABC %02d%02d00" % (rng.randint(1, 9), day, hour),
             "AFDABC", "AREA FORECAST DISCUSSION", "SHOWERS ENDING THIS EVENING=", "$$", "\x03"]
    return "".join(l + "\r\r\n" for l in lines)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--mb", type=float, default=200.0)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--bare-of", metavar="BULLETINS",
                    help="the reports of BULLETINS one per line instead of bulletins")
    args = ap.parse_args()
    if args.bare_of:
        reports, listed, listed_reports = bare_of(args.bare_of, args.out)
        write_count(args.out, reports, listed, listed_reports)
        return
    rng = random.Random(args.seed)
    ids = stations(rng, 3000)
    known = set(known_stations())
    listed = [sid for sid in ids if sid in known][:LIST_SIZE]
    limit = int(args.mb * 1024 * 1024)
    written = 0
    reports = 0
    listed_reports = 0
    seq = 0
    with open(args.out, "w", newline="") as out:
        while written < limit:
            seq += 1
            day, hour = rng.randint(1, 28), rng.randint(0, 23)
            if rng.random() < 0.05:
                text = other_product(rng, seq, day, hour)
            else:
                n = 1 if rng.random() < 0.6 else rng.randint(2, 12)
                chosen = rng.sample(ids, n)
                text, count = product(rng, seq, chosen, day, hour)
                reports += count
                listed_reports += sum(1 for sid in chosen if sid in listed)
            out.write(text)
            written += len(text)
    write_count(args.out, reports, listed, listed_reports)


def write_count(out, reports, listed, listed_reports):
    with open(out + ".count", "w") as f:
        f.write("%d\n" % reports)
        f.write("LIST %s %d\n" % (",".join(listed), listed_reports))


if __name__ == "__main__":
    main()
