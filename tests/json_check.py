#!/usr/bin/python3
"""Checks lines of the JSON form (tafcvt -ou json) against its schema.

    json_check.py SCHEMA FILE...                  the lines of files (lines starting with # skipped)
    json_check.py SCHEMA --run [--cwd DIR] TAFCVT ARG...   the standard output of a run

Each line must be UTF-8, parse as one JSON object (no duplicate keys, no NaN), validate
against the schema (draft 2020-12), have its keys in the schema's order at every level, and
write lat, lon, miles and altimeter_inhg with two decimals. A run must exit with 0 and write
at least one line. Prints a count; exits 1 on any failure (each named with its line and
reason), 77 when the jsonschema module is missing (the ctest's skip code).
"""
import json
import os
import re
import subprocess
import sys

try:
    import jsonschema
except ImportError:
    print("json_check: python3 jsonschema is not installed (tools/install_deps.sh)")
    sys.exit(77)

TWO_DECIMALS = {"lat", "lon", "miles", "altimeter_inhg"}
DECIMAL_TEXT = re.compile(r"-?\d+\.\d{2}")
MAX_FAILURES = 20  # shown in full; the rest are counted


class Literal(str):
    """A number as written on the line."""


def no_duplicates(pairs):
    value = {}
    for key, sub in pairs:
        if key in value:
            raise ValueError(f"key {key!r} twice in one object")
        value[key] = sub
    return value


def no_constant(name):
    raise ValueError(name + " is not JSON")


def resolve(schema, root):
    ref = schema.get("$ref")
    if ref is None:
        return schema
    assert ref.startswith("#/"), ref
    node = root
    for part in ref[2:].split("/"):
        node = node[part]
    return resolve(node, root)


def path_text(parts):
    """periods[0].wind for the path periods, 0, wind."""
    text = ""
    for part in parts:
        text += f"[{part}]" if isinstance(part, int) else f".{part}"
    return text.lstrip(".") or "report"


def order_problems(value, schema, root, path=()):
    """Keys out of the schema's order, at every level."""
    schema = resolve(schema, root)
    if isinstance(value, dict) and "properties" in schema:
        want = list(schema["properties"])
        got = list(value)
        for i, (g, w) in enumerate(zip(got + [None] * len(want), want)):
            if g != w:
                yield f"{path_text(path)}: key {i + 1} is {g!r}, the order wants {w!r}"
                break
        for key, sub in value.items():
            if key in schema["properties"]:
                yield from order_problems(sub, schema["properties"][key], root, path + (key,))
    elif isinstance(value, list) and "items" in schema:
        for i, sub in enumerate(value):
            yield from order_problems(sub, schema["items"], root, path + (i,))


def decimal_problems(value, path=()):
    """Two-decimal numbers written otherwise (value parsed with the numbers' text kept)."""
    if isinstance(value, dict):
        for key, sub in value.items():
            if key in TWO_DECIMALS and sub is not None and not (
                    isinstance(sub, Literal) and DECIMAL_TEXT.fullmatch(sub)):
                yield f"{path_text(path + (key,))}: {sub!r} is not written with two decimals"
            else:
                yield from decimal_problems(sub, path + (key,))
    elif isinstance(value, list):
        for i, sub in enumerate(value):
            yield from decimal_problems(sub, path + (i,))


def line_problems(raw, validator, root):
    if raw.endswith(b"\r"):
        return ["ends with a carriage return"]
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        return [f"not UTF-8: {e}"]
    try:
        value = json.loads(text, object_pairs_hook=no_duplicates, parse_constant=no_constant)
        literal = json.loads(text, parse_float=Literal, parse_int=Literal)
    except ValueError as e:
        return [f"not JSON: {e}"]
    if not isinstance(value, dict):
        return ["not a JSON object"]
    problems = [f"{path_text(e.absolute_path)}: {e.message}" for e in validator.iter_errors(value)]
    problems += order_problems(value, root, root)
    problems += decimal_problems(literal)
    return problems


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip())
        return 2
    with open(argv[1], encoding="utf-8") as f:
        root = json.load(f)
    jsonschema.Draft202012Validator.check_schema(root)
    validator = jsonschema.Draft202012Validator(root)

    sources = []  # (name, [(line number, line)], failure of the source itself or None)
    if argv[2] == "--run":
        rest = argv[3:]
        cwd = None
        if rest[:1] == ["--cwd"]:
            cwd, rest = rest[1], rest[2:]
        run = subprocess.run(rest, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        name = " ".join([os.path.basename(rest[0])] + rest[1:])
        lines = run.stdout.split(b"\n")
        after_last_end = lines.pop()
        if after_last_end:
            lines.append(after_last_end)
        failure = None
        if run.returncode != 0:
            failure = f"exit status {run.returncode}: {run.stderr.decode('latin-1')[-500:]}"
        elif not run.stdout:
            failure = "no output"
        elif after_last_end:
            failure = "the last line has no line end"
        sources.append((name, list(enumerate(lines, 1)), failure))
    else:
        for path in argv[2:]:
            with open(path, "rb") as f:
                lines = [(n, l) for n, l in enumerate(f.read().split(b"\n"), 1)
                         if l and not l.startswith(b"#")]
            sources.append((path, lines, None if lines else "no JSON lines"))

    failures = 0
    lines_read = 0
    for name, lines, failure in sources:
        if failure:
            failures += 1
            print(f"{name}: {failure}")
        for number, raw in lines:
            lines_read += 1
            for problem in line_problems(raw, validator, root):
                failures += 1
                if failures <= MAX_FAILURES:
                    print(f"{name}:{number}: {problem}\n    {raw[:200].decode('utf-8', 'replace')}")
    print(f"json_check: {lines_read} lines from {len(sources)} source(s), {failures} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
