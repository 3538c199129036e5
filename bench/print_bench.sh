#!/usr/bin/env bash
# Prints a generated 1,000-page plain report (60 lines of 80 characters a
# page, pages ended by form feeds) into a PDF file with papelada-cli, converts
# the same text with cups-filters' texttopdf, and prints both times and their
# ratio (papelada / texttopdf; at most 1.0 means papelada is as fast or faster).
# Then the first 100 pages in a TrueType face (Arial) and in a CFF face
# (Helvetica), side by side: time, PDF size, and whether pdftotext finds the
# text of the last page in each.
#   bench/print_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$build/papelada-cli"
texttopdf=/usr/lib/cups/filter/texttopdf
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build (compile primeiro)" >&2; exit 1; }
[ -x "$texttopdf" ] || { echo "texttopdf não encontrado: instale cups-filters" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# The report: every line different, so that no side can skip work. The last
# byte of a spool file is never printed, so the report ends in one more byte.
python3 - "$dir/relatorio.txt" <<'PY'
import sys
with open(sys.argv[1], "wb") as f:
    for p in range(1, 1001):
        for l in range(1, 61):
            cabeca = f"Pag {p:04d} linha {l:02d} "
            corpo = "".join(chr(65 + (p * 7 + l * 3 + i) % 26) for i in range(80 - len(cabeca)))
            f.write((cabeca + corpo).encode("ascii") + b"\n")
        if p < 1000:
            f.write(b"\x0c")
    f.write(b"\x1a")
PY

# Both programs start cold each time; the best of three runs counts. Wall
# time is what the user waits for; CPU time (user + system) is shown too,
# since on a busy machine the wall time also measures the other programs.
medir() {
  local melhor="" cpu=""
  for _ in 1 2 3; do
    local t u s
    { TIMEFORMAT="%R %U %S"; time "$@" > /dev/null 2>"$dir/erros.txt"; } 2>"$dir/tempo.txt" \
      || { cat "$dir/erros.txt" >&2; exit 1; }
    read -r t u s < "$dir/tempo.txt"
    if [ -z "$melhor" ] || [ "$(echo "$t < $melhor" | bc -l)" = 1 ]; then
      melhor=$t
      cpu=$(echo "$u + $s" | bc -l)
    fi
  done
  echo "$melhor $cpu"
}

read -r t_papelada c_papelada < <(medir "$cli" imprimir "$dir/relatorio.txt" --pdf "$dir/papelada.pdf" --margens 10,10)
read -r t_texttopdf c_texttopdf < <(medir sh -c "'$texttopdf' 1 user titulo 1 '' '$dir/relatorio.txt' > '$dir/texttopdf.pdf'")

paginas=$(pdfinfo "$dir/papelada.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
paginas_ref=$(pdfinfo "$dir/texttopdf.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
printf 'papelada-cli: %6.2f s (CPU %5.2f s)  %s páginas, %s bytes\n' "$t_papelada" "$c_papelada" "$paginas" "$(stat -c %s "$dir/papelada.pdf")"
printf 'texttopdf:    %6.2f s (CPU %5.2f s)  %s páginas, %s bytes\n' "$t_texttopdf" "$c_texttopdf" "$paginas_ref" "$(stat -c %s "$dir/texttopdf.pdf")"
printf 'razão:        %6.2f   (CPU %5.2f)\n' "$(echo "$t_papelada / $t_texttopdf" | bc -l)" "$(echo "$c_papelada / $c_texttopdf" | bc -l)"

# TrueType and CFF: the same 100 pages, with the font named at the start.
head -c $((100 * 60 * 81 + 99)) "$dir/relatorio.txt" > "$dir/cem.txt"
printf '\x1a' >> "$dir/cem.txt"
ultima=$(sed -n '6000p' "$dir/relatorio.txt" | tr -d '\f')
printf '\nface        tempo (s)   CPU (s)      bytes  fonte                     texto\n'
for fonte in Arial Helvetica; do
  { printf '\x1b1%s\n' "$fonte"; cat "$dir/cem.txt"; } > "$dir/cem_$fonte.txt"
  read -r t c < <(medir "$cli" imprimir "$dir/cem_$fonte.txt" --pdf "$dir/cem_$fonte.pdf" --margens 10,10)
  tipo=$(pdffonts "$dir/cem_$fonte.pdf" 2>/dev/null | awk 'NR == 3 {sub(/^[^ ]+ +/, ""); sub(/ +Custom.*/, ""); print}')
  achou=não
  pdftotext "$dir/cem_$fonte.pdf" - 2>/dev/null | grep -qF "$ultima" && achou=sim
  printf '%-10s %9.2f %9.2f %10s  %-25s %s\n' "$fonte" "$t" "$c" "$(stat -c %s "$dir/cem_$fonte.pdf")" "${tipo:-nenhuma}" "$achou"
done

# Memory: the print pass streams, so the peak for a 100 MB report stays close
# to the peak for a 1 MB one. Skipped with PRINT_BENCH_SEM_MEMORIA=1 (the
# large report takes about 100 MB of the temporary folder).
if [ -n "${PRINT_BENCH_SEM_MEMORIA:-}" ]; then
  exit 0
fi
if [ ! -x /usr/bin/time ]; then
  echo "memória: /usr/bin/time não encontrado (pacote time); medição pulada"
  exit 0
fi
head -c -1 "$dir/relatorio.txt" > "$dir/corpo.txt"
head -c 1000000 "$dir/corpo.txt" > "$dir/1mb.txt" && printf '\x1a' >> "$dir/1mb.txt"
{ for _ in $(seq 20); do cat "$dir/corpo.txt"; printf '\x0c'; done; printf 'x\x1a'; } > "$dir/100mb.txt"
rm -f "$dir/corpo.txt"
pico() {
  /usr/bin/time -f '%M' "$cli" imprimir "$1" --pdf "$dir/memoria.pdf" --margens 10,10 2>&1 >/dev/null | tail -1
}
k1=$(pico "$dir/1mb.txt")
k100=$(pico "$dir/100mb.txt")
printf 'memória:      %6.1f MB de pico para %s bytes; %6.1f MB para %s bytes\n' \
  "$(echo "$k1 / 1024" | bc -l)" "$(stat -c %s "$dir/1mb.txt")" \
  "$(echo "$k100 / 1024" | bc -l)" "$(stat -c %s "$dir/100mb.txt")"
