#!/usr/bin/env bash
# The layering check's own test: on a small tree laid out like the program's,
# it passes; with one forbidden include of each kind planted in it, or with
# no source at all, it fails and names the file.
#
# Usage: tests/unit/check_layers_test.sh SOURCE_DIR
set -euo pipefail
check="$1/scripts/check_layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A clean tree: one file per folder, each including what it may.
lay_out() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"/{app,panel,input,serial/core,platform/qt,platform/core,design,tools/skingen}
    cd "$work/tree"
    printf '#include "panel/p.h"\n#include <vector>\n' >app/a.cpp
    printf '#include "design/d.h"\n' >panel/p.h
    printf '#include "panel/p.h"\n' >input/i.cpp
    printf '#include "serial/core/c.h"\n' >serial/s.cpp
    printf '#include "platform/core/w.h"\n' >serial/core/c.h
    printf '#include <QWidget>\n#include <alsa/asoundlib.h>\n' >platform/qt/q.cpp
    printf '#include <jpeglib.h>\n#include <gensio/gensio.h>\n' >platform/core/w.h
    printf '#include <cstdint>\n' >design/d.h
    printf '#include <QImage>\n#include <jpeglib.h>\n#include "design/d.h"\n' >tools/skingen/g.cpp
}

failures=0
expect() {  # expect pass|fail WHAT [TEXT]: runs the check on the tree as it is
    local want=$1 what=$2 text=${3-} out rc=0
    out=$(bash "$check" "$work/tree" 2>&1) || rc=$?
    if [[ $want == pass && $rc -ne 0 ]] || [[ $want == fail && $rc -eq 0 ]]; then
        echo "FAIL: $what: expected the check to $want, it said: $out"
        failures=$((failures + 1))
    elif [[ -n $text && $out != *"$text"* ]]; then
        echo "FAIL: $what: the check does not name \"$text\": $out"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

lay_out
expect pass "a tree that follows the layers"

# Each planted violation, in a fresh tree: file, line, what it tells.
plants=(
    'panel/up.cpp|#include "app/a.h"|panel/up.cpp'
    'panel/angle.cpp|#include <app/port_link.h>|panel/angle.cpp'
    'serial/core/qt.cpp|#include "serial/s.h"|serial/core/qt.cpp'
    'input/q.cpp|#include <QString>|input/q.cpp'
    'app/sound.cpp|#include <alsa/asoundlib.h>|app/sound.cpp'
    'input/jpeg.cpp|#include <jpeglib.h>|input/jpeg.cpp'
    'serial/net.cpp|#include <gensio/gensio.h>|serial/net.cpp'
    'app/x.cpp|#include <X11/Xlib.h>|app/x.cpp'
    'design/std.h|#include <sys/types.h>|design/std.h'
    'app/nowhere.cpp|#include "elsewhere/x.h"|app/nowhere.cpp'
)
for plant in "${plants[@]}"; do
    IFS='|' read -r file line name <<<"$plant"
    lay_out
    printf '%s\n' "$line" >"$file"
    expect fail "$line in $file" "$name"
done

rm -rf "$work/tree" && mkdir -p "$work/tree"
expect fail "a tree without sources" "no source"

((failures == 0)) || exit 1
