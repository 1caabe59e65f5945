#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each of them, or the one named, for the given number of seconds.
#
#   fuzz/run.sh [seconds] [target]      e.g. fuzz/run.sh 600, fuzz/run.sh 60 taf_decode
#
# Seconds default to 60 per target. Targets are the fuzz_<name>.cpp files (name without the
# prefix). Corpora grow in $FUZZ_BUILD_DIR/corpus/<target> (default build-fuzz) from one run
# to the next; each run starts from them and from seeds made of the project's sample
# bulletins, the tests' texts and fuzz/seeds/<target>. Extra seed folders may be given in
# FUZZ_EXTRA_SEEDS (colon-separated). FUZZ_SEED fixes the random seed (default 1).
# FUZZ_RUNS ends a target's run after that many executions, if it comes before the seconds
# (a long campaign: FUZZ_RUNS=10000000 fuzz/run.sh 1200).
# A finding is written to $FUZZ_BUILD_DIR/artifacts/<target>/ and makes the run fail.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
secs=${1:-60}
only=${2:-}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
case $build in /*) ;; *) build=$root/$build ;; esac
seed=${FUZZ_SEED:-1}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DTAFCVT_FUZZ=ON \
  -DTAFCVT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  name=${name#fuzz_}
  if [[ -z $only || $only == "$name" ]]; then targets+=("$name"); fi
done
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "no fuzz target named '$only'" >&2
  exit 2
fi
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

# Seeds made of the project's own files, once per run.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{reports,bulletins,texts,cities,conf}
# Each report of the sample bulletins: from a line that starts it to the line ending in "=".
awk -v dir="$seeds/reports" '
  /^(TAF|[A-Z][A-Z0-9][A-Z0-9][A-Z0-9] [0-9]+Z?( |$))/ { if (!open) { n++; open = 1 } }
  open { print > (dir "/" FILENAME_ID "_" n) }
  /=[ \t\r]*$/ { if (open) close(dir "/" FILENAME_ID "_" n); open = 0 }
  FNR == 1 { FILENAME_ID = FNR == 1 ? (++files) : FILENAME_ID }
' data/samples/* tests/data/* 2>/dev/null || true
cp data/samples/* "$seeds/bulletins/"
# Quoted texts of the decoder and converter tests, newlines restored.
n=0
grep -ohE '"[^"\\]*(\\.[^"\\]*)*"' tests/test_taf_decode.cpp tests/test_taf_wx.cpp \
    tests/test_tafcvt.cpp tests/test_par_tool.cpp 2>/dev/null |
  sed 's/^"//; s/"$//' | awk 'length($0) > 8' | sort -u |
  while IFS= read -r text; do
    n=$((n + 1))
    printf '%b' "$text" >"$seeds/texts/t$n"
  done
head -n 200 data/sao.cty >"$seeds/cities/head"
cp data/jox.cfg.in "$seeds/conf/jox.cfg"
{ printf 'term_dat\n24031512_taf\n202403151200\n'; cat data/name_conv; } >"$seeds/conf/name_conv"

# Per target: seed folders, dictionary, and the largest input worth trying.
seed_dirs() {
  case $1 in
    scanp_decoders | taf_decode | taf_json | taf_table) echo reports texts ;;
    reader) echo bulletins texts ;;
    defaults) echo conf ;;
    name_conv) echo conf ;;
    city) echo cities ;;
    *) ;;
  esac
}
dict_of() {
  case $1 in
    scanp_decoders | taf_decode | taf_json | taf_table | reader) echo "$root/fuzz/taf.dict" ;;
    *) echo "$root/fuzz/settings.dict" ;;
  esac
}
max_len_of() {
  case $1 in
    scanp_decoders | scanp_patterns) echo 512 ;;
    taf_decode | taf_json | taf_table) echo 6000 ;;
    reader | city) echo 8192 ;;
    *) echo 2048 ;;
  esac
}

failed=()
summary=()
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  artifacts=$build/artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  dirs=("$corpus")
  [[ -d fuzz/seeds/$t ]] && dirs+=("$root/fuzz/seeds/$t")
  for d in $(seed_dirs "$t"); do dirs+=("$seeds/$d"); done
  IFS=: read -ra extra <<<"${FUZZ_EXTRA_SEEDS:-}"
  for d in "${extra[@]}"; do [[ -d $d ]] && dirs+=("$(cd "$d" && pwd)"); done
  log=$build/artifacts/$t.log
  echo "== fuzz_$t: $secs s"
  status=0
  runs_limit=()
  [[ -n ${FUZZ_RUNS:-} ]] && runs_limit=(-runs="$FUZZ_RUNS")
  started=$SECONDS
  "$build/fuzz/fuzz_$t" -max_total_time="$secs" "${runs_limit[@]}" -seed="$seed" -timeout=25 \
    -max_len="$(max_len_of "$t")" -dict="$(dict_of "$t")" -close_fd_mask=3 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "${dirs[@]}" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  summary+=("fuzz_$t: ${runs:-?} executions in $((SECONDS - started)) s, ${edges:-?} edges, $(find "$corpus" -type f | wc -l) corpus files")
  if [[ $status -ne 0 ]]; then
    failed+=("$t")
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 20 >&2 || true
  fi
done
printf '%s\n' "${summary[@]}"
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzzing found faults in: ${failed[*]} (logs and inputs in $build/artifacts)" >&2
  exit 1
fi
