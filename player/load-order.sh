#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: load-order.sh PROBE OUT
#
# Writes to OUT the linker options that make the player's first libraries the
# ones its start-up binds most symbols to, most-bound first.
#
# The player loads some 250 libraries, nearly all of them libmpv's and
# FFmpeg's. At start the dynamic loader resolves every symbol reference by
# walking that list in load order (the program, its own libraries, theirs, and
# so on breadth first) until a library defines the name. A library deep in the
# tree that calls its own exported functions (libcrypto, libepoxy, LAPACK)
# walks past two hundred others for each of them. Naming the libraries that
# are bound to most at the front of the program's own list shortens the walks:
# on a 2-core machine start-up took about 40 ms less processor time.
#
# PROBE is the player linked the usual way. The loader relocates it without
# running it (as `ldd -r` does) and logs every binding; the libraries are
# counted by the bindings they receive. Only libraries the loader finds in its
# default directories are named: one found through another library's RUNPATH
# would not be found from the program. If anything fails, OUT is left empty
# and the player links the usual way.
set -u

probe=$1
out=$2
tmp=$(mktemp -d) || exit 0
trap 'rm -rf "$tmp"' EXIT
: > "$tmp/options"

write() {
    # Replace OUT only when its content changes, so an unchanged order does
    # not relink the player.
    if ! cmp -s "$tmp/options" "$out" 2>/dev/null; then
        cp "$tmp/options" "$out"
    fi
    exit 0
}

LD_TRACE_LOADED_OBJECTS=1 LD_WARN=yes LD_BIND_NOW=yes LD_DEBUG=bindings \
    LD_DEBUG_OUTPUT="$tmp/bindings" "$probe" > "$tmp/loaded" 2> /dev/null || write
cat "$tmp"/bindings.* > "$tmp/all" 2> /dev/null || write

# The libraries in the loader's cache and default directories, by path.
ldconfig=$(command -v ldconfig || echo /sbin/ldconfig)
"$ldconfig" -p 2> /dev/null | awk -F' => ' 'NF == 2 { print $2 }' > "$tmp/cached"
[ -s "$tmp/cached" ] || write

# "name => path (address)" for each loaded library; the loader itself and
# the vDSO have no such line.
awk '$2 == "=>" && $3 ~ /^\// { print $3 }' "$tmp/loaded" | sort -u > "$tmp/paths"

# Bindings per library that receives them, most first; a library gets the
# name by which it was loaded (the path in the list above).
awk '
    /binding file/ {
        for (i = 1; i < NF; i++)
            if ($i == "to") { count[$(i + 1)]++; break }
    }
    END { for (lib in count) print count[lib], lib }
' "$tmp/all" | sort -k1,1nr -k2,2 > "$tmp/counted"

# Keep the libraries the loader finds by name alone, compared by their real
# paths (/lib against /usr/lib and such), in the counted order.
real() { xargs -r readlink -f 2> /dev/null; }
real < "$tmp/cached" > "$tmp/cached.real"
real < "$tmp/paths" > "$tmp/paths.real"
awk '{ print $2 }' "$tmp/counted" | real > "$tmp/counted.real"
paste "$tmp/paths.real" "$tmp/paths" > "$tmp/loaded.map"
awk -v cached="$tmp/cached.real" -v loaded="$tmp/loaded.map" '
    BEGIN {
        while ((getline line < cached) > 0) known[line] = 1
        while ((getline line < loaded) > 0) {
            split(line, f, "\t")
            path[f[1]] = f[2]
        }
    }
    ($0 in path) && ($0 in known) && path[$0] !~ /\/ld-linux/ && !seen[$0]++ { print path[$0] }
' "$tmp/counted.real" > "$tmp/ordered"

[ -s "$tmp/ordered" ] || write
{
    echo "-Wl,--push-state,--no-as-needed"
    cat "$tmp/ordered"
    echo "-Wl,--pop-state"
} > "$tmp/options"
write
