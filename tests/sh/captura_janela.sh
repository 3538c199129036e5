#!/bin/bash
# Starts papelada under a private X server with a report, keeps a screenshot
# of the main window in <build>/screenshots/principal.png (and, at twice the
# scale, principal_2x.png) and checks that it is not blank. Arguments: build folder, source folder.
set -u
build=$(cd "$1" && pwd)
fonte=$(cd "$2" && pwd)
source "$(dirname "$0")/xvfb.bash"

for programa in Xvfb xdotool import identify; do
    if ! command -v "$programa" >/dev/null; then
        echo "SKIP: $programa is not installed"
        exit 0
    fi
done

temp=$(mktemp -d)
pid_app=""
terminar() {
    [ -n "$pid_app" ] && kill "$pid_app" 2>/dev/null && wait "$pid_app" 2>/dev/null
    parar_xvfb
    rm -rf "$temp"
}
trap terminar EXIT

iniciar_xvfb "$temp" || { echo "FAIL: Xvfb did not start"; cat "$temp/xvfb.log"; exit 1; }
unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME="$temp/config"
echo "Xvfb on $DISPLAY"

# A sample report when the source tree has one, else a small one of our own.
relatorio="$fonte/samples/relatorio_vendas.spl"
[ -f "$relatorio" ] || relatorio=$(ls "$fonte"/samples/*.spl 2>/dev/null | head -n 1)
if [ -z "$relatorio" ]; then
    relatorio="$temp/relatorio de teste.spl"
    {
        printf 'RELATORIO DE VENDAS\r\n\r\n'
        for i in $(seq 1 30); do printf 'Item %02d   Produto de exemplo   %6d,00\r\n' "$i" $((i * 37)); done
        printf '\f\032'
    } >"$relatorio"
fi

# Waits (at most 30 s, while papelada runs) for a window whose title
# matches; prints its id, or nothing.
esperar_janela() {
    local titulo=$1 id=""
    for _ in $(seq 1 150); do
        id=$(xdotool search --name "$titulo" 2>/dev/null | head -n 1)
        [ -n "$id" ] && break
        kill -0 "$pid_app" 2>/dev/null || break
        sleep 0.2
    done
    echo "$id"
}

# At the normal scale and at twice it (a high-density screen).
for escala in 1 2; do
    QT_SCALE_FACTOR=$escala "$build/papelada" "$relatorio" >"$temp/papelada.log" 2>&1 &
    pid_app=$!
    janela=$(esperar_janela "^Papelada  Impressão de Relatórios$")
    [ -n "$janela" ] || { echo "FAIL: the main window did not appear"; cat "$temp/papelada.log"; exit 1; }
    sleep 1 # let it paint

    mkdir -p "$build/screenshots"
    captura="$build/screenshots/principal.png"
    [ "$escala" = 1 ] || captura="$build/screenshots/principal_${escala}x.png"
    import -window root "$captura" || { echo "FAIL: import"; exit 1; }

    cores=$(identify -format %k "$captura")
    echo "screenshot $captura: $cores colours"
    if [ "${cores:-0}" -le 8 ]; then
        echo "FAIL: the screenshot is blank ($cores colours)"
        exit 1
    fi
    kill "$pid_app" 2>/dev/null; wait "$pid_app" 2>/dev/null
done

# A missing report: the critical message titled "Papelada", then the end.
"$build/papelada" "$temp/nao existe.spl" >"$temp/ausente.log" 2>&1 &
pid_app=$!
caixa=$(esperar_janela '^Papelada$')
[ -n "$caixa" ] || { echo "FAIL: no message for a missing file"; cat "$temp/ausente.log"; exit 1; }
import -window root "$build/screenshots/arquivo_ausente.png"
xdotool windowfocus --sync "$caixa" key Return 2>/dev/null || xdotool key Return
for _ in $(seq 1 50); do
    kill -0 "$pid_app" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$pid_app" 2>/dev/null; then
    echo "FAIL: papelada did not end after the message"
    exit 1
fi
wait "$pid_app"
codigo=$?
pid_app=""
[ "$codigo" -ne 0 ] || { echo "FAIL: exit code 0 for a missing file"; exit 1; }
echo "PASS"
