#!/usr/bin/env bash
# Runs a Windows program with Debian's 64-bit Wine, which installs wine64
# outside PATH (/usr/lib/wine/wine64) unless the wine package adds the
# launcher. `wine.sh --path` prints the program it would use;
# `wine.sh --server ARGS` runs the matching wineserver.
set -euo pipefail
find_wine() {
    local candidate
    for candidate in "${MORAVEL_WINE:-}" "$(command -v wine64 || true)" /usr/lib/wine/wine64 \
        "$(command -v wine || true)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    echo "wine.sh: no wine64 (Debian package wine64)" >&2
    return 1
}
wine="$(find_wine)"
case "${1:-}" in
--path) echo "$wine" ;;
--server)
    shift
    server="$(dirname "$(readlink -f "$wine")")/wineserver"
    [ -x "$server" ] || server="$(command -v wineserver)"
    exec "$server" "$@"
    ;;
*)
    # A fresh prefix would otherwise offer to download Mono and Gecko.
    export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    exec "$wine" "$@"
    ;;
esac
