#!/usr/bin/env bash
# Every include points down: a file under src/ may include headers from its
# own folder or from a folder of lower rank, and the game library (ranks 0–4)
# includes no Qt and no SDL header. Prints each offending line and fails when
# there is one. Usage: check_layers.sh SRC_DIR
set -euo pipefail
src=${1:?usage: check_layers.sh SRC_DIR}

rank_of() {
    case $1 in
    core) echo 0 ;;
    events | persist) echo 1 ;;
    game) echo 2 ;;
    render | audio) echo 3 ;;
    ui) echo 4 ;;
    qt | win32) echo 5 ;;
    *) echo -1 ;;
    esac
}

faults=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    folder=${rel%%/*}
    own=$(rank_of "$folder")
    if [ "$own" -lt 0 ]; then
        echo "$rel: folder '$folder' has no place in the layer table"
        faults=$((faults + 1))
        continue
    fi
    lineno=0
    while IFS= read -r line; do
        lineno=$((lineno + 1))
        if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            target=${BASH_REMATCH[1]}
            [[ $target == */* ]] || continue # beside the file itself
            to=${target%%/*}
            [ "$to" = "$folder" ] && continue
            theirs=$(rank_of "$to")
            if [ "$theirs" -lt 0 ] || [ "$theirs" -ge "$own" ]; then
                echo "$rel:$lineno: $folder (rank $own) includes \"$target\""
                faults=$((faults + 1))
            fi
        elif [ "$own" -le 4 ] && [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*|SDL[^>]*)[/\>] ]]; then
            echo "$rel:$lineno: the game library includes <${BASH_REMATCH[1]}...>"
            faults=$((faults + 1))
        elif [ "$own" -le 4 ] && [ "$rel" != persist/durable_posix.cpp ] && [ "$rel" != persist/durable_windows.cpp ] &&
            [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([a-z0-9_]*\.h|xcb/[^>]*|X11/[^>]*|sys/[^>]*)\> ]]; then
            # The platform is the front ends' and, for flushing, replacing
            # and locking files, persist/durable's alone; C's own headers and
            # the threads' names are the runtime's.
            header=${BASH_REMATCH[1]}
            case $header in
            assert.h | limits.h | math.h | stddef.h | stdint.h | stdio.h | stdlib.h | string.h | pthread.h) ;;
            *)
                echo "$rel:$lineno: the game library includes the platform's <$header>"
                faults=$((faults + 1))
                ;;
            esac
        fi
    done <"$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

if [ "$faults" -gt 0 ]; then
    echo "$faults include(s) point the wrong way"
    exit 1
fi
echo "Every include points down."
