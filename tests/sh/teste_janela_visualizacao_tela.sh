#!/bin/bash
# The preview window on a report with boxes and barcodes, on a real X server
# (Xvfb), at the normal scale and at twice it: the screenshots are kept in
# build/screenshots/ and must not be blank.
set -euo pipefail
build=$1
source "$(dirname "$0")/xvfb.bash"
programa="$build/teste_janela_visualizacao_tela"
[ -x "$programa" ] || { echo "falta $programa"; exit 1; }
mkdir -p "$build/screenshots"
usar_xvfb

# At the normal scale and at twice it (a high-density screen).
for escala in 1 2; do
    saida="$build/screenshots/visualizacao.png"
    [ "$escala" = 1 ] || saida="$build/screenshots/visualizacao_${escala}x.png"
    rm -f "$saida"
    QT_SCALE_FACTOR=$escala PAPELADA_CAPTURA="$saida" "$programa" -platform xcb

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
done
