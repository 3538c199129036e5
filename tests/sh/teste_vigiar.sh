#!/bin/bash
# papelada-cli vigiar on a folder: 50 reports dropped at once (one named in
# capitals), one written slowly in parts, one broken. Every good one is
# printed exactly once, nothing before its writer closed it, the broken one
# goes to falhas/ with its reason. Then the watcher is killed mid-job and
# restarted: the report cut short is printed once. SIGTERM cancels a job
# without leaving half a PDF and puts its report back. Also measures the time
# from a one-page report's close to its PDF.
set -uo pipefail
build=$1
command -v pdftotext >/dev/null || { echo "poppler-utils não instalado (scripts/setup.sh)" >&2; exit 1; }
cli="$build/papelada-cli"
temp=$(mktemp -d)
pid=
encerrar() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    rm -rf "$temp"
}
trap encerrar EXIT
export XDG_CONFIG_HOME="$temp/config" QT_QPA_PLATFORM=offscreen
pasta="$temp/entrada" pdf="$temp/pdf"
mkdir -p "$pasta"
falhas=0
falha() { echo "FALHA: $*"; falhas=$((falhas + 1)); }
# Waits up to 20 s for a condition.
esperar() { for _ in $(seq 2000); do eval "$1" && return 0; sleep 0.01; done; falha "tempo esgotado: $1"; }
vigiar() {
    "$cli" vigiar "$pasta" --pdf-em "$pdf" >>"$temp/log" 2>&1 &
    pid=$!
    esperar "grep -q Vigiando '$temp/log'"
}
conta() { find "$1" -maxdepth 1 -type f | wc -l; }
vigiar

# From close to PDF, one page.
printf 'Medida\f\x1a' >"$pasta/medida.spl"
inicio=$(date +%s%N)
esperar "[ -e '$pdf/medida.pdf' ]"
echo "do fechamento ao PDF: $((($(date +%s%N) - inicio) / 1000000)) ms"

exec 3>"$pasta/lento.spl"
printf 'Lento primeira\r\n' >&3
for i in $(seq 1 49); do printf 'Relatorio r%s\f\x1a' "$i" >"$pasta/r$i.spl"; done
printf 'Relatorio R50\f\x1a' >"$pasta/R50.SPL"
: >"$pasta/quebrado.spl"
sleep 1.5 # longer than a file without events must hold still
[ -e "$pdf/lento.pdf" ] && falha "lento.spl impresso aberto"
printf 'Lento segunda\f\x1a' >&3
exec 3>&-
esperar "[ \$(conta '$pasta/impressos') = 52 ] && [ -e '$pasta/falhas/quebrado.spl' ]"
for i in $(seq 1 49) R50; do
    [[ $i = R* ]] || i=r$i
    [ "$(pdftotext "$pdf/$i.pdf" - 2>/dev/null | head -1)" = "Relatorio $i" ] || falha "$i.pdf"
done
[ "$(pdftotext "$pdf/lento.pdf" - | grep -c "^Lento")" = 2 ] || falha "lento.pdf incompleto"
grep -q "não tem páginas" "$pasta/falhas/quebrado.spl.txt" || falha "motivo de quebrado.spl"

# Killed mid-job, then started again.
python3 -c "
import sys
sys.stdout.buffer.write(b''.join(b'Grande %d\r\n' % i + b'linha de texto\r\n' * 40 + b'\f' for i in range(10000)) + b'\x1a')
" >"$temp/grande.spl"
cp "$temp/grande.spl" "$temp/cancelado.spl"
mv "$temp/grande.spl" "$pasta/"
esperar "[ -e '$pasta/.em-curso/grande.spl' ]"
kill -9 "$pid"
wait "$pid" 2>/dev/null
[ -e "$pdf/grande.pdf" ] && falha "grande.pdf antes do fim"
printf 'Relatorio espera\f\x1a' >"$pasta/espera.spl"
touch -d '-1 minute' "$pasta/espera.spl"
vigiar
esperar "[ -e '$pasta/impressos/espera.spl' ] && grep -q 'Impresso: espera' '$temp/log'"
# The job cut short first, then the one that waited.
[ "$(grep -o 'Impresso: [a-z]*' "$temp/log" | tail -2 | tr '\n' ' ')" = "Impresso: grande Impresso: espera " ] \
    || falha "ordem ao recomeçar"
[ "$(pdfinfo "$pdf/grande.pdf" | awk '/^Pages/ {print $2}')" = 10000 ] || falha "grande.pdf"

# SIGTERM during a job.
mv "$temp/cancelado.spl" "$pasta/"
esperar "[ -e '$pasta/.em-curso/cancelado.spl' ]"
kill -TERM "$pid"
wait "$pid"
[ $? = 0 ] || falha "SIGTERM: código"
pid=
[ -e "$pasta/cancelado.spl" ] || falha "cancelado.spl não voltou à pasta"
[ -z "$(ls -A "$pdf" | grep -v '^r[0-9]*\.pdf$\|^R50.pdf$\|^lento.pdf$\|^medida.pdf$\|^grande.pdf$\|^espera.pdf$')" ] \
    || falha "sobras: $(ls -A "$pdf")"
[ "$(conta "$pdf")" = 54 ] || falha "$(conta "$pdf") PDFs, esperados 54"
[ "$(conta "$pasta/impressos")" = 54 ] || falha "$(conta "$pasta/impressos") em impressos"

[ "$falhas" = 0 ] && echo "teste_vigiar: ok" || cat "$temp/log"
exit "$falhas"
