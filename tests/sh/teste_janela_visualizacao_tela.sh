#!/bin/bash
# The preview window on a report with boxes and barcodes, on a real X server
# (Xvfb): the screenshot is kept in build/screenshots/ and must not be blank.
set -euo pipefail
build=$1
programa="$build/teste_janela_visualizacao_tela"
[ -x "$programa" ] || { echo "falta $programa"; exit 1; }
mkdir -p "$build/screenshots"
saida="$build/screenshots/visualizacao.png"
rm -f "$saida"

temp=$(mktemp -d)
xvfb=
encerrar() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$temp"
}
trap encerrar EXIT

# Xvfb picks a free display number and writes it to fd 5.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$temp/display" 2>"$temp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$temp/display" ] && break
    sleep 0.1
done
[ -s "$temp/display" ] || { echo "Xvfb não iniciou"; cat "$temp/xvfb.log"; exit 1; }
tela=":$(head -n1 "$temp/display")"

DISPLAY=$tela PAPELADA_CAPTURA="$saida" "$programa" -platform xcb

[ -s "$saida" ] || { echo "sem captura"; exit 1; }
read -r largura altura cores desvio < <(identify -format '%w %h %k %[fx:standard_deviation]\n' "$saida")
echo "captura $saida: ${largura}x${altura}, $cores cores, desvio $desvio"
[ "$largura" -eq 1280 ] && [ "$altura" -eq 1024 ]
[ "$cores" -gt 16 ] || { echo "captura quase uniforme"; exit 1; }
awk -v d="$desvio" 'BEGIN { exit !(d > 0.05) }' || { echo "captura em branco"; exit 1; }
# The Code 39 barcode of the report is drawn well enough on the screen to be read.
lidos=$(zbarimg -q "$saida" 2>/dev/null || true)
echo "lidos: $lidos"
grep -qx 'CODE-39:PAPELADA' <<<"$lidos" || { echo "código de barras não lido na captura"; exit 1; }
