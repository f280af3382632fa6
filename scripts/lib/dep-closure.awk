# Works out which packages a fresh Debian system ends up with after
# `apt-get install --no-install-recommends` of a list: what the system had
# from the start, the list, and what they depend on, recursively.
#
#   awk -f dep-closure.awk BASE DEPENDS LIST
#
# BASE     packages any fresh system starts with (priority required), one a
#          line; the libraries they depend on come with them
# DEPENDS  the output of `apt-cache depends --recurse --no-recommends ...`
#          over BASE and LIST: a line per package, then a line per dependency
#          ("  Depends: x", " |Depends: x" when the next line is an
#          alternative to it, "<x>" for a virtual package followed by the
#          packages that provide it, indented further)
# LIST     the packages asked for, one a line
#
# Prints the packages of the result, one a line. Of alternatives, and of the
# providers of a virtual package, apt takes the first unless one is there
# already; so does this.

function clean(name) {
    gsub(/[<>]/, "", name)
    sub(/:.*/, "", name)
    return name
}

FILENAME == ARGV[1] { add($1); next }

FILENAME == ARGV[2] {
    if ($0 ~ /^[^ ]/) {
        node = clean($1)
        more = 0
        a = 0
        next
    }
    if ($0 ~ /^ [ |](Pre)?Depends: /) {
        if (!more) {
            g = ++groups[node]
            alts[node, g] = 0
        }
        a = ++alts[node, g]
        virtual = ($NF ~ /^</)
        name = clean($NF)
        # A real package is its own only candidate; a virtual one has its
        # providers, listed next.
        cands[node, g, a] = virtual ? 0 : 1
        if (!virtual) cand[node, g, a, 1] = name
        more = (substr($0, 2, 1) == "|")
        next
    }
    if ($0 ~ /^    [^ ]/ && a > 0) {
        k = ++cands[node, g, a]
        cand[node, g, a, k] = clean($1)
    }
    next
}

{ add($1) }

# The base goes first: an alternative it already satisfies brings nothing.
function add(p) {
    if (p != "" && !(p in have)) { have[p] = 1; queue[++tail] = p }
}

END {
    for (head = 1; head <= tail; head++) {
        p = queue[head]
        for (g = 1; g <= groups[p]; g++) {
            satisfied = 0
            pick = ""
            for (a = 1; a <= alts[p, g] && !satisfied; a++) {
                for (k = 1; k <= cands[p, g, a]; k++) {
                    c = cand[p, g, a, k]
                    if (c in have) { satisfied = 1; break }
                    if (pick == "") pick = c
                }
            }
            if (!satisfied && pick != "") add(pick)
        }
    }
    for (p in have) print p
}
