#!/usr/bin/env bash
# Memory of the preview and of the page index on a report that is one single
# line (1 GB by default): the long run is drawn in parts and the characters
# beyond the right edge are dropped, so the peak resident memory stays far
# below the size of the line (goal: under 100 MB).
# Usage: bench/linha_longa_bench.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail

build=${1:-build}
mb=${2:-1024}
cli="$build/papelada-cli"
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
arq="$dir/linha.spl"

python3 - "$arq" "$mb" <<'PY'
import sys
caminho, mb = sys.argv[1], int(sys.argv[2])
bloco = b"Cliente 000123 Produto ABCDEFGHIJ Valor 1.234,56 " * 20000
with open(caminho, "wb") as f:
    escritos = 0
    while escritos < mb * 1024 * 1024:
        f.write(bloco)
        escritos += len(bloco)
    f.write(b"\r\n.")
PY

# Peak resident memory (MB) and wall-clock seconds of one run.
pico() {
    /usr/bin/time -v "$@" >/dev/null 2>"$dir/tempo" || { cat "$dir/tempo" >&2; exit 1; }
    awk -F': ' '/Maximum resident/ {m = $2 / 1024} /Elapsed/ {t = $2} END {printf "%8.1f MB  %s\n", m, t}' "$dir/tempo"
}

printf 'arquivo: %d bytes numa só linha\n' "$(stat -c %s "$arq")"
printf '%-28s %s\n' 'papelada-cli paginas' "$(pico "$cli" paginas "$arq" --pdf)"
printf '%-28s %s\n' 'papelada-cli visualizar 1' "$(pico "$cli" visualizar "$arq" 1 "$dir/p1.png" --pdf)"
printf '%-28s %s\n' '  (meta: < 100 MB)' ''
