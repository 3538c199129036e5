#!/usr/bin/env bash
# Fuzzes every entry point for a while (default 60 s each) with clang's
# libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer. New
# interesting inputs go into fuzz/corpus/<target>/; a crash leaves its input
# in fuzz/out/ — copy it into the corpus so the test suite replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
segundos=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPAPELADA_FUZZ=ON -DPAPELADA_SANITIZE=ON >/dev/null
alvos=$(sed -n 's/set(PAPELADA_ALVOS_FUZZ \(.*\))/\1/p' fuzz/alvos.cmake)
for alvo in $alvos; do cmake --build build-fuzz --target "fuzz_$alvo"; done
mkdir -p fuzz/out
for alvo in ${ALVOS:-$alvos}; do
  mkdir -p "fuzz/corpus/$alvo"
  echo "== $alvo"
  QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=tests/lsan.supp "build-fuzz/fuzz_$alvo" "fuzz/corpus/$alvo" \
    -max_total_time="$segundos" -max_len=65536 -artifact_prefix=fuzz/out/ -print_final_stats=1 2>&1 | tail -3
done
