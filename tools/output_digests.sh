#!/usr/bin/env bash
# Digests of everything the converter prints for the shipped samples, the real bulletins and
# reports beside the project (../shared/corpus, when present) and the benchmark files (when
# generated), in every output form, for all stations and for a station list. Two builds that
# print the same lines here print the same text byte for byte.
#
#   tools/output_digests.sh [path/to/tafcvt] > digests.txt
#   diff digests-before.txt digests-after.txt
#
# Each line: the md5 of standard output, the md5 of standard error, the exit status and the
# run. The station list of the samples and the corpus is KDSM,kord,EGLL,CYOW; the benchmark
# files use the list their .count file names.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath "${1:-$root/build/tafcvt}")"
cfg="$(mktemp -d)"
trap 'rm -rf "$cfg"' EXIT
printf '*.file_path %s/data/\n*.data_path %s/data/samples/\n' "$root" "$root" >"$cfg/jox.cfg"
export joxdefault="$cfg"
unset joxident joxmess joxout joxfile joxdata joxcurrent joxnumhour joxbatch joxcurtime
stations="KDSM,kord,EGLL,CYOW"

digest() {  # name, then the arguments of the run
    local name="$1" out err status
    shift
    out="$cfg/out" err="$cfg/err"
    status=0
    (cd "$cfg" && "$bin" "$@" >"$out" 2>"$err") || status=$?
    printf '%s %s %3d %s\n' "$(md5sum <"$out" | cut -c1-32)" "$(md5sum <"$err" | cut -c1-32)" \
        "$status" "$name"
}

forms=(eng dec code+eng dec+eng json table)
digest "readme" -ba 24031512 24031518 07061806
for f in "$root"/data/samples/*_taf; do
    for form in "${forms[@]}"; do
        digest "sample $(basename "$f") $form" -ba -ou "$form" "@$f"
        digest "sample $(basename "$f") $form -id" -ba -ou "$form" -id "$stations" "@$f"
    done
done
corpus="$root/../shared/corpus"
if [ -d "$corpus" ]; then
    for f in "$corpus"/pyiem/*.txt "$corpus"/peers/*.txt; do
        for form in "${forms[@]}"; do
            digest "corpus $(basename "$f") $form" -ba -ou "$form" "@$f"
            digest "corpus $(basename "$f") $form -id" -ba -ou "$form" -id "$stations" "@$f"
        done
    done
fi
for f in "$root"/bench/data/*.txt; do
    [ -f "$f.count" ] || continue
    list="$(awk 'NR == 2 { print $2 }' "$f.count")"
    for form in eng dec json table; do
        digest "bench $(basename "$f") $form" -ba -ou "$form" "@$f"
        digest "bench $(basename "$f") $form -id" -ba -ou "$form" -id "${list:-$stations}" "@$f"
    done
done
