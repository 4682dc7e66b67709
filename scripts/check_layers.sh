#!/usr/bin/env bash
# Keeps the layers of docs/ARCHITECTURE.md one-way. Every include of a
# project header in the program's folders and tools ("app/x.h" or
# <app/x.h>: every library exports the source root, so both compile) must
# name a header of the including file's own folder or of a folder the table
# below lets that folder read. The system's libraries stay where they
# belong: Qt in platform/qt (and the skin generator, which draws with it),
# ALSA and libjpeg in platform/ (and libjpeg in the skin generator, which
# writes its pictures with it), the X server's own headers in platform/qt,
# gensio in platform/core. design/ holds data
# only, so it includes standard headers and nothing else. A tree without any
# source is an error too (a wrong folder checks nothing).
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
# System headers (by the start of their path) -> the only folders that may
# include them.
declare -A library_folders=(
    [Q]="platform/qt tools/skingen"
    [alsa/]="platform/qt platform/core"
    [jpeglib.h]="platform/core platform/qt tools/skingen"
    [jerror.h]="platform/core platform/qt tools/skingen"
    [gensio/]="platform/core"
    [X11/]="platform/qt"
    [xcb/]="platform/qt"
)

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

check_project_include() {
    local file=$1 no=$2 from=$3 header=$4 to
    to=$(layer_of "$header")
    if [[ -z $to ]]; then
        fail "$file:$no includes \"$header\", which belongs to no layer"
    elif [[ $to != "$from" && " ${allowed[$from]} " != *" $to "* ]]; then
        fail "$file:$no includes \"$header\": $from/ may not include $to/ (it may include: ${allowed[$from]:-nothing but its own folder})"
    fi
}

check_system_include() {
    local file=$1 no=$2 from=$3 header=$4 prefix
    if [[ $from == design && $header == *[./]* ]]; then
        fail "$file:$no includes <$header>: design/ is data only and includes standard headers only"
    fi
    for prefix in "${!library_folders[@]}"; do
        if [[ $header == "$prefix"* && " ${library_folders[$prefix]} " != *" $from "* ]]; then
            fail "$file:$no includes <$header>: only ${library_folders[$prefix]// /, } include it"
        fi
    done
}

sources=0
while IFS= read -r file; do
    sources=$((sources + 1))
    from=$(layer_of "$file")
    while IFS= read -r line; do
        no=${line%%:*}
        text=${line#*:}
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            check_project_include "$file" "$no" "$from" "${BASH_REMATCH[1]}"
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            header=${BASH_REMATCH[1]}
            if [[ -n $(layer_of "$header") ]]; then
                check_project_include "$file" "$no" "$from" "$header"
            else
                check_system_include "$file" "$no" "$from" "$header"
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find app panel input serial platform design tools -type f \( -name '*.h' -o -name '*.cpp' \) \
             ! -name '*_test.cpp' 2>/dev/null | sort)

if ((sources == 0)); then
    echo "check_layers: no source found under $root (app/, panel/, input/, serial/, platform/, design/, tools/)" >&2
    exit 1
fi
if ((failures > 0)); then
    echo "check_layers: $failures forbidden include(s); the allowed edges are the table in scripts/check_layers.sh" >&2
    exit 1
fi
echo "check_layers: every include follows the layers"
