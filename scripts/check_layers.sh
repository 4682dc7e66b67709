#!/usr/bin/env bash
# Keeps the layers of docs/ARCHITECTURE.md one-way. Every #include "..." in
# the program's folders and tools must name a header of the including file's
# own folder or of a folder the table below lets that folder read; Qt stays
# in platform/qt (and the skin generator, which draws with it), the X
# server's own headers in platform/qt; design/ holds
# data only, so it includes standard headers and nothing else.
#
# Tests, benchmarks and fuzz targets may include anything: they are not
# scanned, nor are the *_test.cpp files that live beside a tool.
#
# Usage: scripts/check_layers.sh [SOURCE_DIR]. Exit 0 when every include is
# allowed, 1 with one line per forbidden include otherwise.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# Folder -> the folders it may include besides its own. A file or header
# belongs to the longest folder of this table its path starts with.
declare -A allowed=(
    [app]="panel input serial serial/core design platform/qt platform/core"
    [input]="panel design platform/qt platform/core"
    [panel]="design platform/qt platform/core"
    [serial]="serial/core design platform/qt platform/core"
    [serial/core]="platform/core"
    [platform/qt]="design platform/core"
    [platform/core]=""
    [design]=""
    [tools/skingen]="design platform/core"
    [tools/sim]=""
)
# The only folders that include Qt's headers.
qt_folders=" platform/qt tools/skingen "
qt_folders_text="platform/qt/ and tools/skingen/"

layer_of() {
    local path=$1 best="" f
    for f in "${!allowed[@]}"; do
        if [[ $path == "$f"/* && ${#f} -gt ${#best} ]]; then best=$f; fi
    done
    printf '%s' "$best"
}

failures=0
fail() {
    echo "check_layers: $1" >&2
    failures=$((failures + 1))
}

while IFS= read -r file; do
    from=$(layer_of "$file")
    while IFS= read -r line; do
        no=${line%%:*}
        text=${line#*:}
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            header=${BASH_REMATCH[1]}
            to=$(layer_of "$header")
            if [[ -z $to ]]; then
                fail "$file:$no includes \"$header\", which belongs to no layer"
            elif [[ $to != "$from" && " ${allowed[$from]} " != *" $to "* ]]; then
                fail "$file:$no includes \"$header\": $from/ may not include $to/ (it may include: ${allowed[$from]:-nothing but its own folder})"
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            header=${BASH_REMATCH[1]}
            if [[ $from == design && $header == *[./]* ]]; then
                fail "$file:$no includes <$header>: design/ is data only and includes standard headers only"
            elif [[ $header == Q* && $qt_folders != *" $from "* ]]; then
                fail "$file:$no includes <$header>: only $qt_folders_text include Qt"
            elif [[ ($header == X11/* || $header == xcb/*) && $from != platform/qt ]]; then
                fail "$file:$no includes <$header>: only platform/qt/ speaks to the X server"
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find app panel input serial platform design tools -type f \( -name '*.h' -o -name '*.cpp' \) \
             ! -name '*_test.cpp' | sort)

if ((failures > 0)); then
    echo "check_layers: $failures forbidden include(s); the allowed edges are the table in scripts/check_layers.sh" >&2
    exit 1
fi
echo "check_layers: every include follows the layers"
