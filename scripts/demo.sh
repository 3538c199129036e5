#!/usr/bin/env bash
# Builds Papelada and prints every sample report of samples/ on the built-in
# printer "Arquivo PDF"; the PDF files land in build/amostras/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p build/amostras
for spl in samples/*.spl; do
  nome=$(basename "$spl" .spl)
  ./build/papelada-cli imprimir "$spl" --pdf "build/amostras/$nome.pdf"
  echo "build/amostras/$nome.pdf: $(pdfinfo "build/amostras/$nome.pdf" | awk '/^Pages:/ {print $2}') página(s)"
done
