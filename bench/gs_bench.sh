#!/usr/bin/env bash
# How long Ghostscript's PDF writer (gs -sDEVICE=pdfwrite, as a PDF/A
# archive runs it) takes to rewrite a 50-page report printed by papelada-cli
# in a TrueType face (Courier New, or the face that stands for it) and in a
# CFF face (Helvetica), against the PDF cups-filters' texttopdf makes of the
# same text. texttopdf embeds no font, so Ghostscript has no glyphs of its to
# go through; papelada's PDF carries its subsets. Ratio: papelada / texttopdf
# in CPU time (user + system, the best of three runs), which a busy machine
# disturbs less than the wall time shown beside it.
#   bench/gs_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build}/papelada-cli"
texttopdf=/usr/lib/cups/filter/texttopdf
for programa in "$cli" "$texttopdf" "$(command -v gs || echo gs)"; do
  [ -x "$programa" ] || {
    echo "$programa não encontrado (compile o papelada-cli; instale cups-filters e ghostscript)" >&2
    exit 1
  }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# 50 pages of 60 lines (those of print_bench.sh's report), every line
# different; the last byte of a spool file is never printed, so the report
# ends in one more byte.
awk 'BEGIN {
  for (p = 1; p <= 50; p++) {
    for (l = 1; l <= 60; l++) {
      linha = sprintf("Pag %04d linha %02d ", p, l)
      for (i = 0; length(linha) < 80; i++)
        linha = linha sprintf("%c", 65 + (p * 7 + l * 3 + i) % 26)
      printf "%s\n", linha
    }
    if (p < 50)
      printf "\f"
  }
  printf "\032"
}' > "$dir/texto.txt"
"$texttopdf" 1 usuario titulo 1 '' "$dir/texto.txt" > "$dir/texttopdf.pdf" 2>/dev/null

# Prints "wall cpu": the run with the least CPU time of three.
reescrever() {
  local melhor="" parede=""
  for _ in 1 2 3; do
    local t u s
    { TIMEFORMAT="%R %U %S"; time gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -o "$dir/saida.pdf" "$1" \
        > /dev/null 2>"$dir/erros.txt"; } 2>"$dir/tempo.txt" || { cat "$dir/erros.txt" >&2; exit 1; }
    read -r t u s < "$dir/tempo.txt"
    local cpu
    cpu=$(echo "$u + $s" | bc -l)
    if [ -z "$melhor" ] || [ "$(echo "$cpu < $melhor" | bc -l)" = 1 ]; then
      melhor=$cpu
      parede=$t
    fi
  done
  echo "$parede $melhor"
}

read -r p_ref c_ref < <(reescrever "$dir/texttopdf.pdf")
printf 'gs -sDEVICE=pdfwrite, 50 páginas\n'
printf '%-22s %9s %9s %6s %10s  %s\n' 'PDF de' 'tempo (s)' 'CPU (s)' 'razão' 'bytes' 'fonte'
printf '%-22s %9.2f %9.2f %6s %10s  %s\n' texttopdf "$p_ref" "$c_ref" 1.00 "$(stat -c %s "$dir/texttopdf.pdf")" \
  'Courier, não incorporada'
for fonte in 'Courier New' Helvetica; do
  { printf '\x1b1%s\n' "$fonte"; cat "$dir/texto.txt"; } > "$dir/relatorio.txt"
  "$cli" imprimir "$dir/relatorio.txt" --pdf "$dir/papelada.pdf" > /dev/null
  read -r p c < <(reescrever "$dir/papelada.pdf")
  tipo=$(pdffonts "$dir/papelada.pdf" 2>/dev/null | awk 'NR == 3 {t = substr($0, 38, 17); sub(/ +$/, "", t); print t}')
  printf '%-22s %9.2f %9.2f %6.2f %10s  %s\n' "papelada $fonte" "$p" "$c" "$(echo "$c / $c_ref" | bc -l)" \
    "$(stat -c %s "$dir/papelada.pdf")" "${tipo:-nenhuma}"
done
