#!/usr/bin/env bash
# Speed of the page index and of the preview on a 200 MB report (the index
# follows the pen down the page as the print pass does):
#   - papelada-cli paginas beside wc -l on the same file (goal: at most 2x);
#   - rendering the last page beside rendering the first (goal: at most 1.5x);
#   - the page list of 20 million form feeds: its time and peak memory;
#   - with INDEX_BENCH_GRANDE=1, the last 10 pages of a 1 GB report printed
#     (goal: under 0.6 s; 1 GB more of the temporary folder).
# Usage: bench/index_bench.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail

build=${1:-build}
mb=${2:-200}
cli="$build/papelada-cli"
[ -x "$cli" ] || { echo "papelada-cli não encontrado em $build" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
arq="$dir/relatorio.spl"

# A report as business applications write it: 60 lines of 100 characters a
# page, a font change and a position command on every page, a form feed at
# its end.
python3 - "$arq" "$mb" <<'PY'
import sys
caminho, mb = sys.argv[1], int(sys.argv[2])
linha = b"Cliente 000123  Produto ABCDEFGHIJ  Quantidade 0042  Valor 1.234,56  Situacao: entregue no prazo ok\r\n"
pagina = b"\x1b2" + b"\x1bY1\x1a" + b"RELATORIO DE VENDAS\r\n" + b"\x1b3" + linha * 59 + b"\x0c"
alvo = mb * 1024 * 1024
with open(caminho, "wb") as f:
    bloco = pagina * 1000
    escritos = 0
    while escritos < alvo:
        f.write(bloco)
        escritos += len(bloco)
PY

# Best of five runs: wall-clock seconds, and processor seconds (user + system),
# which a machine busy with other work disturbs less. Both are read to the
# microsecond (a monotonic clock and the children's resource usage), not to
# the 10 ms of /usr/bin/time.
medir() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
melhor_r = melhor_c = None
for _ in range(5):
    antes = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    r = time.perf_counter() - t0
    depois = resource.getrusage(resource.RUSAGE_CHILDREN)
    c = (depois.ru_utime - antes.ru_utime) + (depois.ru_stime - antes.ru_stime)
    melhor_r = r if melhor_r is None else min(melhor_r, r)
    melhor_c = c if melhor_c is None else min(melhor_c, c)
print(f"{melhor_r:.6f} {melhor_c:.6f}")
PY
}
razao() { echo "scale=2; $1 / ($2 + 0.000001)" | bc -l; }

tamanho=$(stat -c %s "$arq")
printf 'x' > "$dir/vazio.spl"
cat "$arq" >/dev/null # the file in the page cache for both
read -r wc_r wc_c <<<"$(medir wc -l "$arq")"
read -r idx_r idx_c <<<"$(medir "$cli" paginas "$arq" --pdf)"
read -r ini_r ini_c <<<"$(medir "$cli" paginas "$dir/vazio.spl" --pdf)"
paginas=$("$cli" paginas "$arq" --pdf 2>/dev/null | wc -l)
read -r p1_r p1_c <<<"$(medir "$cli" visualizar "$arq" 1 "$dir/p1.png" --pdf)"
read -r pn_r pn_c <<<"$(medir "$cli" visualizar "$arq" "$paginas" "$dir/pn.png" --pdf)"

printf 'arquivo: %d bytes, %d páginas\n' "$tamanho" "$paginas"
printf '%-34s %8s %8s\n' '' 'relógio' 'cpu'
printf '%-34s %8.3f %8.3f\n' 'wc -l' "$wc_r" "$wc_c"
printf '%-34s %8.3f %8.3f\n' 'papelada-cli paginas' "$idx_r" "$idx_c"
printf '%-34s %8.3f %8.3f\n' '  (início do programa, arquivo vazio)' "$ini_r" "$ini_c"
printf '%-34s %8s %8s   (meta <= 2)\n' 'razão paginas / wc -l' "$(razao "$idx_r" "$wc_r")" "$(razao "$idx_c" "$wc_c")"
printf '%-34s %8s %8s\n' '  sem o início do programa' "$(razao "$(echo "$idx_r - $ini_r" | bc -l)" "$wc_r")" \
    "$(razao "$(echo "$idx_c - $ini_c" | bc -l)" "$wc_c")"
printf '%-34s %8.3f %8.3f\n' 'visualizar página 1' "$p1_r" "$p1_c"
printf '%-34s %8.3f %8.3f\n' 'visualizar última página' "$pn_r" "$pn_c"
printf '%-34s %8s %8s   (meta <= 1.5)\n' 'razão última / primeira' "$(razao "$pn_r" "$p1_r")" "$(razao "$pn_c" "$p1_c")"

# 20 million form feeds: as many pages, listed in one pass.
cc -O2 -o "$dir/medir" "$(dirname "$0")/medir.c"
head -c 20000000 /dev/zero | tr '\0' '\f' > "$dir/ff.spl"
"$dir/medir" "$dir/tempo" "$cli" paginas "$dir/ff.spl" --pdf > "$dir/ff.txt" 2> /dev/null
read -r ff_r ff_c ff_m < "$dir/tempo"
printf '%-34s %8.3f %8.3f   %d páginas, pico %.1f MB\n' '20 milhões de avanços de página' "$ff_r" "$ff_c" \
    "$(wc -l < "$dir/ff.txt")" "$(echo "$ff_m / 1024" | bc -l)"
rm -f "$dir/ff.spl" "$dir/ff.txt"

if [ "${INDEX_BENCH_GRANDE:-0}" = 1 ]; then
    # 1 GB: five copies of the report above and a bit; the last 10 pages.
    for _ in 1 2 3 4 5; do cat "$arq"; done > "$dir/gb.spl"
    rm -f "$arq"
    total=$("$cli" paginas "$dir/gb.spl" --pdf 2> /dev/null | wc -l)
    read -r u_r u_c <<<"$(medir "$cli" imprimir "$dir/gb.spl" --pdf "$dir/u.pdf" --paginas "$((total - 9))-$total")"
    printf '%-34s %8.3f %8.3f   (meta < 0,6 s; %d páginas em %d bytes)\n' '10 últimas páginas de 1 GB' "$u_r" "$u_c" \
        "$total" "$(stat -c %s "$dir/gb.spl")"
    rm -f "$dir/gb.spl" "$dir/u.pdf"
fi
