#!/usr/bin/env python3
"""Writes the station database sao.cty from public-domain station data.

Sources (Debian packages, read from where they install):
  weather-util-data  /usr/share/weather-util/stations.gz  ICAO identifier, a description
                     "Name, State, Country" (or "Name, City, Region, CC") and a location
                     "(lat, lon)" in radians
  iso-codes          /usr/share/iso-codes/json/iso_3166-1.json and iso_3166-3.json
                     two-letter country codes of current and former countries

One line a station, the fields of the database format:
  name state region id priority lat lon elevation wmo 0
Names are upper case with blanks joined by "_" and at most 20 characters (common long words
shortened the way aviation names shorten them: INTL, ARPT, RGNL, ...). US and Canadian
stations carry their state or province with region US or CA; the others have state "-" and
their country code as region. The sources give no elevation and no WMO number: they are
written as missing (9999, 99999). Every station gets priority 5. Stations without a location
(the source's "unknown station in ..." entries) are left out.

The output depends only on the two packages, so the same versions give the same file byte
for byte. A summary of what was settled goes to standard error.

Usage: python3 tools/make_sao_cty.py [-o data/sao.cty] [--stations FILE] [--iso-dir DIR]
"""

import argparse
import gzip
import json
import math
import os
import re
import sys
import unicodedata

STATIONS = "/usr/share/weather-util/stations.gz"
ISO_DIR = "/usr/share/iso-codes/json"
DEFAULT_OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data",
                              "sao.cty")

NAME_MAX = 20
PRIORITY = 5            # kept by a store at priority 7 and above
ELEVATION_MISSING = 9999
WMO_MISSING = 99999

# Country names of the station list that the ISO names do not spell the same way.
COUNTRY_ALIASES = {
    "korea, south": "KR", "south korea": "KR", "korea, north": "KP", "north korea": "KP",
    "congo, republic of the": "CG", "congo, democratic republic of the": "CD",
    "gambia, the": "GM", "bahamas, the": "BS", "russia": "RU", "turkey": "TR",
    "swaziland": "SZ", "cape verde": "CV", "burma": "MM", "brunei": "BN",
    "east timor": "TL", "macau": "MO", "virgin islands": "VI",
    "british virgin islands": "VG", "saint helena": "SH",
    "south georgia and the islands": "GS", "falkland islands": "FK",
    "falkland islands, islas malvinas": "FK",
    "macedonia": "MK", "macedonia, the republic of": "MK",
    "macedonia, the former yugoslav republic of": "MK",
    "vatican city": "VA", "palestine": "PS", "ivory coast": "CI",
    "micronesia": "FM", "wallis and futuna islands": "WF",
}
# User-assigned codes in use for places without an ISO code.
EXTRA_CODES = {"XK": "Kosovo"}

US_STATES = set(
    "AL AK AZ AR CA CO CT DE DC FL GA HI ID IL IN IA KS KY LA ME MD MA MI MN MS MO MT NE NV "
    "NH NJ NM NY NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI WY "
    "AS GU MP PR VI UM".split())
# Territories named in full where a state code would stand.
US_TERRITORIES = {
    "northern mariana islands": "MP", "puerto rico": "PR", "guam": "GU",
    "american samoa": "AS", "virgin islands": "VI",
}
# Canadian provinces and territories as the station list writes them (dots and blanks
# removed, upper case).
CA_PROVINCES = {
    "AB": "AB", "ALTA": "AB", "ALBERTA": "AB",
    "BC": "BC", "BRITISHCOLUMBIA": "BC",
    "MB": "MB", "MAN": "MB", "MANITOBA": "MB",
    "NB": "NB", "NEWBRUNSWICK": "NB",
    "NL": "NL", "NF": "NL", "NFLD": "NL", "NEWFOUNDLAND": "NL", "LAB": "NL",
    "NEWFOUNDLANDANDLABRADOR": "NL",
    "NS": "NS", "NOVASCOTIA": "NS",
    "NT": "NT", "NWT": "NT", "NORTHWESTTERRITORIES": "NT",
    "NU": "NU", "NUNAVUT": "NU",
    "ON": "ON", "ONT": "ON", "ONTARIO": "ON",
    "PE": "PE", "PEI": "PE", "PRINCEEDWARDISLAND": "PE",
    "QC": "QC", "QUE": "QC", "PQ": "QC", "QUEBEC": "QC",
    "SK": "SK", "SASK": "SK", "SASKATCHEWAN": "SK",
    "YT": "YT", "YUKON": "YT", "YUKONTERRITORY": "YT",
}
# A Canadian station without a province takes the province of its nearest neighbours when
# the nearest ones all agree and lie close; otherwise it keeps "-".
NEIGHBOURS = 3
NEIGHBOUR_KM = 150.0
EARTH_KM = 6371.3

# Long words shortened as aviation names shorten them, longest phrases first.
ABBREVIATIONS = [
    ("Meteorological Aeronautical Presentation System", "MAPS"),
    ("Automatic Weather Reporting System", "AWRS"),
    ("Automatic Weather Observing System", "AWOS"),
    ("Royal Canadian Air Force", "RCAF"),
    ("Royal Air Force Base", "RAF"), ("Royal Air Force", "RAF"),
    ("Naval Air Station", "NAS"), ("Marine Corps Air Station", "MCAS"),
    ("Army Air Field", "AAF"), ("Air Force Base", "AFB"), ("Air Reserve Base", "ARB"),
    ("Air National Guard", "ANG"), ("Air Base", "AB"),
    ("International", "Intl"), ("Internacional", "Intl"), ("Interntl", "Intl"),
    ("Int'L.", "Intl"), ("Int'L", "Intl"), ("Int.", "Intl"),
    ("Airport", "Arpt"), ("Air-Port", "Arpt"), ("Regional", "Rgnl"),
    ("Municipal", "Muni"), ("Airfield", "Afld"), ("Memorial", "Mem"),
    ("County", "Co"), ("Mountain", "Mtn"), ("National", "Natl"), ("Field", "Fld"),
    ("Island", "Isl"), ("Saint", "St"), ("Fort", "Ft"), ("Airstrip", "Astrp"),
]
# Letters without a decomposition into a plain letter and marks.
LETTERS = {"ø": "o", "Ø": "O", "æ": "ae", "Æ": "AE", "œ": "oe", "Œ": "OE", "ß": "ss",
           "đ": "d", "Đ": "D", "ł": "l", "Ł": "L", "ı": "i", "þ": "th", "Þ": "TH",
           "ð": "d", "Ð": "D", "’": "'", "‘": "'"}


def fold(text):
    """Plain ASCII: marks dropped, special letters spelled out, anything else removed."""
    text = "".join(LETTERS.get(c, c) for c in text)
    text = unicodedata.normalize("NFKD", text)
    return "".join(c for c in text if ord(c) < 128 and not unicodedata.combining(c))


def name_key(text):
    return re.sub(r"\s+", " ", fold(text).replace("&", "and")).strip().lower()


def load_countries(iso_dir):
    """Country name (folded, lower case) to code, and the set of codes."""
    names, codes = {}, set()
    with open(os.path.join(iso_dir, "iso_3166-1.json"), encoding="utf-8") as f:
        for e in json.load(f)["3166-1"]:
            codes.add(e["alpha_2"])
            for field in ("name", "common_name", "official_name"):
                if field in e:
                    names.setdefault(name_key(e[field]), e["alpha_2"])
    with open(os.path.join(iso_dir, "iso_3166-3.json"), encoding="utf-8") as f:
        for e in json.load(f)["3166-3"]:
            former = e["alpha_4"][:2]
            names.setdefault(name_key(e["name"]), former)
            codes.add(former)
    names.update(COUNTRY_ALIASES)
    codes.update(EXTRA_CODES)
    return names, codes


def read_stations(path):
    """The sections of the station list as dictionaries, in file order."""
    stations, cur = [], None
    with gzip.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                cur = {"id": line.strip("[]").upper()}
                stations.append(cur)
            elif cur is not None and " = " in line:
                key, value = line.split(" = ", 1)
                cur[key] = value
    return stations


def split_country(parts, names, codes):
    """(country code, the parts before the country), or (None, parts)."""
    last = parts[-1]
    if re.fullmatch(r"[A-Z]{2}", last) and last in codes:
        return last, parts[:-1]
    if len(parts) >= 3:
        code = names.get(name_key(", ".join(parts[-2:])))
        if code:
            return code, parts[:-2]
    code = names.get(name_key(last))
    if code:
        return code, parts[:-1]
    return None, parts


def province_of(text):
    return CA_PROVINCES.get(re.sub(r"[.\s]", "", fold(text)).upper())


def us_state_of(text):
    t = fold(text).strip()
    if t.upper() in US_STATES and re.fullmatch(r"[A-Za-z]{2}", t):
        return t.upper()
    return US_TERRITORIES.get(name_key(t))


def zone_state(station):
    """The state of a station's forecast zone ("('coz039', 0.01)" gives CO), if any."""
    m = re.match(r"\('([a-z]{2})[cz]\d{3}'", station.get("zone", ""))
    return m.group(1).upper() if m and m.group(1).upper() in US_STATES else None


def short_name(text):
    text = fold(text)
    for long, short in ABBREVIATIONS:
        text = re.sub(r"(?<!\w)%s(?!\w)" % re.escape(long), short, text, flags=re.IGNORECASE)
    text = re.sub(r"\s*/\s*", "/", text)
    text = re.sub(r"\s+-\s+", "-", text)
    text = re.sub(r"[^\x21-\x7e]+", "_", text.strip()).upper()
    text = re.sub(r"_+", "_", text)[:NAME_MAX]
    return text.rstrip("_/-")


def distance_km(a, b):
    (la1, lo1), (la2, lo2) = a, b
    h = (math.sin((la2 - la1) / 2) ** 2 +
         math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2)
    return 2 * EARTH_KM * math.asin(math.sqrt(min(1.0, h)))


def describe(station, names, codes, notes, counts):
    """name, state, region of one station; state None for a Canadian station whose province
    is left to its neighbours."""
    parts = [p.strip() for p in station["description"].split(",") if p.strip()]
    country, rest = split_country(parts, names, codes)
    icao = station["id"]
    # A K identifier with a US forecast zone is in the US whatever the description says (one
    # takes the state code CA for Canada); K identifiers abroad (military fields) have no zone.
    if icao[0] == "K" and country != "US" and zone_state(station):
        notes.append("%s: %r read as US (identifier and zone), not %s" %
                     (icao, station["description"], country))
        country = "US"
    if country is None:
        notes.append("%s: %r has no known country; region '--'" % (icao, station["description"]))
        country = "--"
    state = "-"
    if country in ("US", "CA"):
        find = us_state_of if country == "US" else province_of
        state = find(rest[-1]) if len(rest) >= 2 else None
        if state:
            rest = rest[:-1]
        elif country == "US":
            state = zone_state(station)
            counts["US state from forecast zone" if state else "US state unknown"] += 1
            if not state:
                notes.append("%s: %r has no state" % (icao, station["description"]))
                state = "-"
    name = short_name(rest[0]) if rest else ""
    return name or icao, state, country


def infer_provinces(records, counts):
    known = [(r["pos"], r["state"]) for r in records if r["region"] == "CA" and r["state"]]
    for r in records:
        if r["region"] != "CA" or r["state"]:
            continue
        near = sorted((distance_km(r["pos"], pos), prov) for pos, prov in known)[:NEIGHBOURS]
        provs = {prov for _, prov in near}
        if len(provs) == 1 and near[-1][0] <= NEIGHBOUR_KM:
            r["state"] = provs.pop()
            counts["province from neighbours"] += 1
        else:
            r["state"] = "-"
            counts["province unknown"] += 1


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("-o", "--output", default=DEFAULT_OUTPUT)
    ap.add_argument("--stations", default=STATIONS)
    ap.add_argument("--iso-dir", default=ISO_DIR)
    args = ap.parse_args()

    names, codes = load_countries(args.iso_dir)
    counts = {"stations in the list": 0, "left out, no location": 0, "written": 0,
              "US state from forecast zone": 0, "province from neighbours": 0,
              "province unknown": 0, "US state unknown": 0}
    notes, records = [], []
    for st in read_stations(args.stations):
        counts["stations in the list"] += 1
        loc = st.get("location", "None")
        if loc == "None" or "description" not in st:
            counts["left out, no location"] += 1
            continue
        if not re.fullmatch(r"[A-Z0-9]{1,9}", st["id"]):
            notes.append("%s: identifier unfit for the database; left out" % st["id"])
            continue
        lat, lon = (float(v) for v in loc.strip("()").split(","))
        name, state, region = describe(st, names, codes, notes, counts)
        records.append({"id": st["id"], "name": name, "state": state, "region": region,
                        "pos": (lat, lon)})
    infer_provinces(records, counts)

    with open(args.output, "w", encoding="ascii", newline="\n") as out:
        for r in records:
            lat, lon = (math.degrees(v) for v in r["pos"])
            out.write("%-20s %-2s %-2s %-4s %d %6.2f %7.2f %4d %05d 0\n" % (
                r["name"], r["state"], r["region"], r["id"], PRIORITY, lat, lon,
                ELEVATION_MISSING, WMO_MISSING))
            counts["written"] += 1
    for key, value in counts.items():
        print("%-30s %d" % (key, value), file=sys.stderr)
    for note in notes:
        print(note, file=sys.stderr)


if __name__ == "__main__":
    main()
