#!/usr/bin/env bash
# Peak memory (maximum resident set) of papelada-cli on large reports:
#   - paginas and visualizar of the last page on a file of form feeds (one
#     page: nothing is drawn on the others), and on a file of one-letter
#     pages (a page every two bytes), whose index keeps a start every 64
#     pages and finds the others again from there;
#   - visualizar of one page made of nothing but zero bytes;
#   - visualizar --procurar on a sparse report (a short first page, then
#     zeros, with the searched word at its very end), which the search reads
#     in blocks.
# Usage: bench/memoria_bench.sh [BUILD_DIR] [MB_OF_FORM_FEEDS] [GIB_SPARSE]
set -euo pipefail

build=${1:-build}
mb=${2:-100}
gib=${3:-4}
cli="$build/papelada-cli"
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen

medir() {
    local nome=$1
    shift
    /usr/bin/time -o "$dir/tempo" -f '%M %e %U %S' "$@" >"$dir/saida" 2>"$dir/erros" || true
    read -r kb e u s < <(tail -n 1 "$dir/tempo")
    printf '%-45s pico %6d MB  %6.1f s (processador %.1f s)\n' "$nome" $((kb / 1024)) "$e" "$(echo "$u + $s" | bc)"
}

head -c $((mb * 1024 * 1024)) /dev/zero | tr '\0' '\f' >"$dir/avancos.spl"
paginas=$((mb * 1024 * 1024))
medir "paginas, $mb MB de avanços de página" "$cli" paginas "$dir/avancos.spl" --pdf
medir "visualizar da última página, $mb MB" "$cli" visualizar "$dir/avancos.spl" "$paginas" "$dir/p.png" --pdf
rm -f "$dir/avancos.spl"

head -c $((mb * 1024 * 1024)) < <(yes x) | tr '\n' '\f' >"$dir/letras.spl"
paginas=$((mb * 512 * 1024))
medir "paginas, $mb MB de páginas de uma letra" "$cli" paginas "$dir/letras.spl" --pdf
printf '%-45s %d (esperadas %d)\n' "  páginas listadas" "$(wc -l <"$dir/saida")" "$paginas"
medir "visualizar da página $paginas" "$cli" visualizar "$dir/letras.spl" "$paginas" "$dir/p.png" --pdf
rm -f "$dir/letras.spl"

head -c $((mb * 1024 * 1024)) /dev/zero >"$dir/zeros.spl"
medir "visualizar de uma página de $mb MB de zeros" "$cli" visualizar "$dir/zeros.spl" 1 "$dir/z.png" --pdf
rm -f "$dir/zeros.spl"

# A short first page (the one shown), then zeros up to the word.
printf 'primeira\f' >"$dir/esparso.spl"
truncate -s "${gib}G" "$dir/esparso.spl"
printf 'AGULHA\n.' >>"$dir/esparso.spl"
medir "visualizar --procurar, $gib GiB esparso" "$cli" visualizar "$dir/esparso.spl" 1 "$dir/e.png" --pdf \
    --procurar agulha
cat "$dir/saida" "$dir/erros"
