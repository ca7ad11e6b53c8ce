#!/usr/bin/env bash
# Builds the program (Release, build-release/) and starts it.
# Without APPDATA in the environment (Linux) it first writes a demo profile with
# two Dreamweaver versions into build-release/demo-profile and points the
# program at it, and serves a demo Store (build-release/demo-store) on
# 127.0.0.1 over plain HTTP for the Store tab. Without a display it runs under
# Xvfb, saves a screenshot of the window to build-release/moravel-screenshot.png,
# prints its path and exits.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=scripts/ensure-packages.sh
source scripts/ensure-packages.sh

build="build-release"
headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
fi

packages=("${BUILD_PACKAGES[@]}" python3)
if [ "$headless" -eq 1 ]; then
    packages+=(xvfb xauth x11-utils imagemagick)
fi
ensure_packages "${packages[@]}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORAVEL_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target moravel

if [ -z "${APPDATA:-}" ]; then
    demo="$PWD/$build/demo-profile"
    eval "$(scripts/make-demo-profile.sh "$demo")"
    echo "No APPDATA set: using the demo profile in $demo"

    # The demo Store: a catalogue and two packages served on loopback only.
    # Plain HTTP is acceptable here because nothing leaves the machine; a real
    # catalogue is fetched over HTTPS with the certificate checked.
    if [ -z "${MORAVEL_CATALOGUE_URL:-}" ]; then
        store="$PWD/$build/demo-store"
        scripts/make-demo-store.sh "$store"
        port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        python3 -m http.server --bind 127.0.0.1 --directory "$store" "$port" >"$build/demo-store.log" 2>&1 &
        server_pid=$!
        trap 'kill "$server_pid" 2>/dev/null || true' EXIT
        for _ in $(seq 1 50); do
            if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
            sleep 0.1
        done
        export MORAVEL_CATALOGUE_URL="http://127.0.0.1:$port/extensions.xml"
        export MORAVEL_DOWNLOADS_URL="http://127.0.0.1:$port/"
        echo "Serving the demo Store from $store at http://127.0.0.1:$port/"
    fi
fi

program="$PWD/$build/bin/moravel"
if [ "$headless" -eq 0 ]; then
    # Not exec: the demo Store server stops when the program ends.
    "$program" "$@"
    exit $?
fi

screenshot="$PWD/$build/moravel-screenshot.png"
rm -f "$screenshot"
# shellcheck disable=SC2016 # expanded by the inner shell
xvfb-run --auto-servernum --server-args="-screen 0 800x600x24" bash -c '
    "$1" & pid=$!
    # import waits for a mouse click when the window does not exist yet, so
    # wait for the window first; then give the start-up work a moment to fill it.
    window=""
    for _ in $(seq 1 150); do
        window=$(xwininfo -name "Velkor Moravel" 2>/dev/null | awk "/Window id:/ { print \$4 }") || true
        if [ -n "$window" ]; then break; fi
        if ! kill -0 "$pid" 2>/dev/null; then echo "moravel exited early" >&2; exit 1; fi
        sleep 0.2
    done
    if [ -z "$window" ]; then echo "the window did not appear" >&2; kill "$pid"; exit 1; fi
    sleep 1
    import -window "$window" "$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' screenshot "$program" "$screenshot"
echo "Screenshot of the window: $screenshot"
