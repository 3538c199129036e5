#!/bin/bash
# The main window with a long path, the file and font dialogs in Portuguese
# and the printer chooser, on a real X server (Xvfb): the screenshots are
# kept in build/screenshots/ and must not be blank.
set -euo pipefail
build=$1
source "$(dirname "$0")/xvfb.bash"
programa="$build/teste_dialogos"
[ -x "$programa" ] || { echo "falta $programa"; exit 1; }
capturas="$build/screenshots"
nomes=(principal_caminho_longo dialogo_salvar dialogo_fontes escolha_impressora)
mkdir -p "$capturas"
for n in "${nomes[@]}"; do rm -f "$capturas/$n.png"; done

usar_xvfb
PAPELADA_CAPTURAS="$capturas" "$programa" -platform xcb

for n in "${nomes[@]}"; do
    f="$capturas/$n.png"
    [ -s "$f" ] || { echo "sem captura $f"; exit 1; }
    read -r largura altura cores < <(identify -format '%w %h %k\n' "$f")
    echo "captura $f: ${largura}x${altura}, $cores cores"
    [ "$cores" -gt 8 ] || { echo "captura em branco: $f"; exit 1; }
done
