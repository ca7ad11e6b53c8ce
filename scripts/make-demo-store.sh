#!/usr/bin/env bash
# Writes a Store for the demo profile into <folder>: the two sample packages of
# make-sample-packages.py and a catalogue, extensions.xml, that lists them.
# Any web server over that folder then serves the catalogue at
# <base>/extensions.xml and the packages below <base>/.
# Usage: scripts/make-demo-store.sh <folder>
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <folder>" >&2
    exit 2
fi
here=$(dirname "$0")
mkdir -p "$1"
python3 "$here/make-sample-packages.py" "$1"
cat >"$1/extensions.xml" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<!-- The demo Store: one ZXP and one MXP package, named as they lie beside this file. -->
<extensions>
    <extension id="com.velkor.tidy" name="Velkor Tidy" version="1.0.0" zxp="Velkor Tidy.zxp" />
    <extension id="com.velkor.snippets" name="Velkor Snippets" version="1.0.0" zxp="Velkor Snippets.mxp" />
</extensions>
XML
