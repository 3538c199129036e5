#!/usr/bin/env bash
# Fuzzes every entry point for a while (default 60 s each; ALVOS="pdf indice"
# picks some) with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, one at a time and at low priority. Inputs that
# use more than 2 GB or run longer than 10 s count as findings, like crashes
# and leaks: each leaves its input in fuzz/out/ — copy it into the corpus so
# the test suite replays it. After each run the kept corpus and the new
# inputs are merged into the smallest set with the same coverage, which
# replaces fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
segundos=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPAPELADA_FUZZ=ON -DPAPELADA_SANITIZE=ON >/dev/null
alvos=$(sed -n 's/set(PAPELADA_ALVOS_FUZZ \(.*\))/\1/p' fuzz/alvos.cmake)
for alvo in $alvos; do cmake --build build-fuzz --target "fuzz_$alvo"; done
mkdir -p fuzz/out
export QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
# AddressSanitizer sets freed memory aside to catch a use after free: 256 MB
# by default, counted in bytes asked for. The print pass frees millions of
# small strings, each costing there several times its size, so a run grew by
# about 95 KB an input (a gigabyte in three minutes) while the live memory
# stayed at 26 MB. With 64 MB a use soon after a free is still caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=64
for alvo in ${ALVOS:-$alvos}; do
  corpus=fuzz/corpus/$alvo
  novos=build-fuzz/novos/$alvo
  mkdir -p "$corpus" "$novos"
  echo "== $alvo"
  nice "build-fuzz/fuzz_$alvo" "$novos" "$corpus" -max_total_time="$segundos" -max_len=65536 \
    -rss_limit_mb=2048 -timeout=10 -artifact_prefix="fuzz/out/$alvo-" -print_final_stats=1 2>&1 | tail -3 \
    || echo "!! $alvo stopped on a finding: see fuzz/out/"
  junto=build-fuzz/junto/$alvo
  rm -rf "$junto" && mkdir -p "$junto"
  nice "build-fuzz/fuzz_$alvo" -merge=1 -max_len=65536 "$junto" "$corpus" "$novos" 2>&1 | tail -1
  rm -rf "$corpus" && mv "$junto" "$corpus" && rm -rf "$novos"
done
