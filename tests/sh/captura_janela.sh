#!/bin/bash
# Starts papelada under a private X server with a report, keeps a screenshot
# of the main window in <build>/screenshots/principal.png and checks that it
# is not blank. Arguments: build folder, source folder.
set -u
build=$(cd "$1" && pwd)
fonte=$(cd "$2" && pwd)

for programa in Xvfb xdotool import identify; do
    if ! command -v "$programa" >/dev/null; then
        echo "SKIP: $programa is not installed"
        exit 0
    fi
done

temp=$(mktemp -d)
pid_x=""
pid_app=""
terminar() {
    [ -n "$pid_app" ] && kill "$pid_app" 2>/dev/null && wait "$pid_app" 2>/dev/null
    [ -n "$pid_x" ] && kill "$pid_x" 2>/dev/null && wait "$pid_x" 2>/dev/null
    rm -rf "$temp"
}
trap terminar EXIT

# A free display number: no lock file and no socket.
tela=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        tela=$n
        break
    fi
done
[ -n "$tela" ] || { echo "FAIL: no free display number"; exit 1; }

Xvfb ":$tela" -screen 0 1280x1024x24 -nolisten tcp >"$temp/xvfb.log" 2>&1 &
pid_x=$!
export DISPLAY=":$tela"
unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME="$temp/config"
for _ in $(seq 1 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.2
done

# A sample report when the source tree has one, else a small one of our own.
relatorio=$(ls "$fonte"/samples/*.spl 2>/dev/null | head -n 1)
if [ -z "$relatorio" ]; then
    relatorio="$temp/relatorio de teste.spl"
    {
        printf 'RELATORIO DE VENDAS\r\n\r\n'
        for i in $(seq 1 30); do printf 'Item %02d   Produto de exemplo   %6d,00\r\n' "$i" $((i * 37)); done
        printf '\f\032'
    } >"$relatorio"
fi

"$build/papelada" "$relatorio" >"$temp/papelada.log" 2>&1 &
pid_app=$!

janela=""
for _ in $(seq 1 100); do
    janela=$(xdotool search --name "Papelada  Impress" 2>/dev/null | head -n 1)
    [ -n "$janela" ] && break
    kill -0 "$pid_app" 2>/dev/null || { echo "FAIL: papelada ended"; cat "$temp/papelada.log"; exit 1; }
    sleep 0.2
done
[ -n "$janela" ] || { echo "FAIL: the main window did not appear"; cat "$temp/papelada.log"; exit 1; }
sleep 1 # let it paint

mkdir -p "$build/screenshots"
captura="$build/screenshots/principal.png"
import -window root "$captura" || { echo "FAIL: import"; exit 1; }

cores=$(identify -format %k "$captura")
echo "screenshot $captura: $cores colours"
if [ "${cores:-0}" -le 8 ]; then
    echo "FAIL: the screenshot is blank ($cores colours)"
    exit 1
fi
echo "PASS"
