# Lists the programs a shell script calls by name, so that the package check
# can tell which Debian packages the scripts and tests need at run time.
#
#   awk -f shell-commands.awk SCRIPT...
#
# Prints "FILE:LINE<TAB>NAME" for every literal word in command position
# (after a newline, ; & && | || ( $( ` <( { ! then do else, past variable
# assignments and past wrappers such as env, timeout and command -v), and
# "FILE:LINE<TAB>function NAME" for every function a script defines, which
# the caller then does not take for a program. Words built from expansions
# ($x, "$bin/tool") are left out: they name programs of the build tree.
# Quotes, $(...) nesting, comments, case patterns, [[ ]], (( )), arithmetic,
# redirections and here-documents are understood well enough for that.

FNR == 1 && NR > 1 { flush(prevfile) }
{ text = text $0 "\n"; prevfile = FILENAME }
END { if (prevfile != "") flush(prevfile) }

function flush(file) {
    src = text
    n = length(src)
    pos = 1
    line = 1
    nheredoc = 0
    fname = file
    scan("")
    text = ""
}

function ch(k) { return substr(src, k, 1) }

function emit(word) { print fname ":" line "\t" word }

function is_keyword_keep(w) {
    # Keywords after which the next word is again a command.
    return w == "if" || w == "then" || w == "do" || w == "else" || w == "elif" ||
           w == "while" || w == "until" || w == "!" || w == "{" || w == "time"
}

function is_keyword_end(w) {
    return w == "fi" || w == "done" || w == "esac" || w == "}" || w == "for" ||
           w == "select"
}

function is_wrapper(w) {
    # Programs and builtins that run the command named after their options.
    return w == "exec" || w == "command" || w == "builtin" || w == "env" ||
           w == "nohup" || w == "nice" || w == "timeout" || w == "sudo" ||
           w == "xargs" || w == "stdbuf" || w == "setsid" || w == "xvfb-run"
}

# Skips a here-document body for every pending delimiter; pos is just past a
# newline.
function skip_heredocs(   k, l, e, body, strip) {
    for (k = 1; k <= nheredoc; k++) {
        while (pos <= n) {
            e = index(substr(src, pos), "\n")
            if (e == 0) { l = substr(src, pos); pos = n + 1 }
            else { l = substr(src, pos, e - 1); pos += e }
            line++
            body = l
            if (heredoc_strip[k]) sub(/^\t+/, "", body)
            if (body == heredoc_delim[k]) break
        }
    }
    nheredoc = 0
}

# Skips to just past the next occurrence of s (counting lines).
function skip_past(s,   rest, k, skipped) {
    rest = substr(src, pos)
    k = index(rest, s)
    if (k == 0) k = length(rest) + 1
    skipped = substr(rest, 1, k - 1)
    line += gsub(/\n/, "", skipped)
    pos += k - 1 + length(s)
}

# Skips a balanced ${...} or $((...)); pos is at the opening character.
function skip_balanced(opener, closer,   depth, c) {
    depth = 0
    while (pos <= n) {
        c = ch(pos)
        if (c == "\\") { pos += 2; continue }
        if (c == "\n") line++
        if (c == opener) depth++
        else if (c == closer) { depth--; if (depth == 0) { pos++; return } }
        pos++
    }
}

# Reads one shell word at pos. Sets word (its text with quotes removed) and
# dyn (1 when the word holds an expansion). Commands inside $( ) and ` `
# are scanned on the way.
function read_word(   c, q) {
    word = ""
    dyn = 0
    while (pos <= n) {
        c = ch(pos)
        if (c ~ /[ \t\n;&|()<>]/) return
        if (c == "\\") {
            if (ch(pos + 1) == "\n") { pos += 2; line++; continue }
            word = word ch(pos + 1); pos += 2; continue
        }
        if (c == "'") {
            q = index(substr(src, pos + 1), "'")
            if (q == 0) q = n - pos + 1
            chunk = substr(src, pos + 1, q - 1)
            line += gsub(/\n/, "\n", chunk)
            word = word chunk
            pos += q + 1
            continue
        }
        if (c == "\"") { pos++; read_dquoted(); continue }
        if (c == "`") {
            # Inside ` ` a backquote ends the command; nesting needs escapes.
            if (backquoted) return
            pos++; dyn = 1; nested("`"); continue
        }
        if (c == "$") { dollar(); continue }
        word = word c
        pos++
    }
}

function read_dquoted(   c) {
    while (pos <= n) {
        c = ch(pos)
        if (c == "\"") { pos++; return }
        if (c == "\\") { word = word ch(pos + 1); pos += 2; continue }
        if (c == "`") { pos++; dyn = 1; nested("`"); continue }
        if (c == "$") { dollar(); continue }
        if (c == "\n") line++
        word = word c
        pos++
    }
}

# An expansion at pos ($name, ${...}, $((...)), $(...)).
function dollar(   c) {
    dyn = 1
    c = ch(pos + 1)
    if (c == "(" && ch(pos + 2) == "(") { pos++; skip_balanced("(", ")"); return }
    if (c == "(") { pos += 2; nested(")"); return }
    if (c == "{") { pos++; skip_balanced("{", "}"); return }
    pos++
    if (c ~ /[A-Za-z_]/) {
        while (pos <= n && ch(pos) ~ /[A-Za-z0-9_]/) pos++
    } else if (c ~ /[0-9#?@*$!-]/) {
        pos++
    }
}

# Scans the commands of a $( ), ` ` or <( ) and comes back to the word that
# held it, keeping that word's text and flags.
function nested(term,   w, d) {
    w = word; d = dyn
    if (term == "`") backquoted++
    scan(term)
    if (term == "`") backquoted--
    word = w; dyn = d
}

# Scans commands until the terminator (")" or "`", or the end for "").
function scan(term,   cmdpos, depth, inpattern, wrap, caseword, c, c2, w, delim) {
    cmdpos = 1
    depth = 0
    inpattern = 0
    wrap = ""
    caseword = 0
    while (pos <= n) {
        c = ch(pos)
        c2 = substr(src, pos, 2)
        if (c2 == "\\\n") { pos += 2; line++; continue }
        if (c == " " || c == "\t") { pos++; continue }
        if (c == "\n") {
            pos++
            line++
            if (nheredoc > 0) skip_heredocs()
            if (!inpattern) cmdpos = 1
            wrap = ""
            continue
        }
        if (c == "#") {
            while (pos <= n && ch(pos) != "\n") pos++
            continue
        }
        if (term != "" && c == term && (term != ")" || depth == 0)) { pos++; return }
        if (c2 == ";;") { pos += 2; inpattern = 1; cmdpos = 0; wrap = ""; continue }
        if (c == ";" || c == "&" || c == "|") {
            pos += (c2 == "&&" || c2 == "||" || c2 == "|&" || c2 == ";&") ? 2 : 1
            if (!inpattern) cmdpos = 1
            wrap = ""
            continue
        }
        if (c2 == "((" && cmdpos) { skip_past("))"); cmdpos = 0; continue }
        if (c == "(") {
            pos++
            if (!inpattern) { depth++; cmdpos = 1 }
            continue
        }
        if (c == ")") {
            pos++
            if (inpattern) { inpattern = 0; cmdpos = 1 }
            else if (depth > 0) { depth--; cmdpos = 0 }
            continue
        }
        if (c2 == "<(" || c2 == ">(") {
            pos += 2
            scan(")")
            continue
        }
        if (c == "<" || c == ">") {
            if (substr(src, pos, 3) == "<<<") { pos += 3 }
            else if (c2 == "<<") {
                pos += 2
                strip = 0
                if (ch(pos) == "-") { pos++; strip = 1 }
                while (ch(pos) == " " || ch(pos) == "\t") pos++
                read_word()
                nheredoc++
                heredoc_delim[nheredoc] = word
                heredoc_strip[nheredoc] = strip
                continue
            } else {
                while (pos <= n && ch(pos) ~ /[<>&|]/) pos++
            }
            while (ch(pos) == " " || ch(pos) == "\t") pos++
            read_word()   # the file or descriptor, never a command
            continue
        }

        # A word.
        read_word()
        w = word
        if (inpattern) {
            if (w == "esac" && !dyn) { inpattern = 0; cmdpos = 0 }
            continue
        }
        if (caseword > 0) {
            if (w == "in") { inpattern = 1; caseword = 0 }
            continue
        }
        if (w == "" && !dyn) continue
        # A descriptor number before a redirection (2>/dev/null).
        if (w ~ /^[0-9]+$/ && (ch(pos) == "<" || ch(pos) == ">")) continue
        if (!cmdpos) continue

        if (!dyn && w == "[[") { skip_past("]]"); cmdpos = 0; continue }
        if (!dyn && w ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=/) {
            if (ch(pos) == "(" && w ~ /=$/) {
                # An array: its first element may be a program kept for a
                # later "${name[@]}" in command position (sudo, xvfb-run).
                name = w
                sub(/=$/, "", name)
                sub(/\+$/, "", name)
                pos++
                nelem = 0
                for (;;) {
                    while (pos <= n && ch(pos) ~ /[ \t\n]/) { if (ch(pos) == "\n") line++; pos++ }
                    if (pos > n || ch(pos) == ")") { pos++; break }
                    if (ch(pos) == "#") { while (pos <= n && ch(pos) != "\n") pos++; continue }
                    read_word()
                    if (word == "" && !dyn) { pos++; continue }
                    if (++nelem == 1 && !dyn && word !~ /^-/)
                        array_first[name] = array_first[name] "\n" line "\t" word
                }
            }
            continue   # an assignment: the command, if any, follows
        }
        if (dyn) {
            # "${prefix[@]}" stands for a wrapper held in an array.
            name = array_expansion_name()
            if (w == "" && name != "") {
                emit_array_first(name)
                continue
            }
            cmdpos = 0
            continue
        }
        if (wrap != "") {
            if (w ~ /^-/) {
                if (option_takes_word(wrap, w)) pos_skip_word()
                continue
            }
            if (wrap == "env" && w ~ /=/) continue
            if (wrap == "timeout" && !wrap_timeout_seen && w ~ /^[0-9.]+[smhd]?$/) {
                wrap_timeout_seen = 1
                continue
            }
        }
        # A function definition: NAME () { ... }
        if (match(substr(src, pos), /^[ \t]*\([ \t]*\)/)) {
            print fname ":" line "\tfunction " w
            pos += RLENGTH
            cmdpos = 1
            continue
        }
        if (w == "function") {
            while (ch(pos) == " " || ch(pos) == "\t") pos++
            read_word()
            print fname ":" line "\tfunction " word
            if (match(substr(src, pos), /^[ \t]*\([ \t]*\)/)) pos += RLENGTH
            cmdpos = 1
            continue
        }
        if (is_keyword_keep(w)) { cmdpos = 1; continue }
        if (w == "case") { caseword = 1; cmdpos = 0; continue }
        if (is_keyword_end(w)) { cmdpos = 0; continue }
        if (w !~ /^[0-9]+$/) emit(w)
        if (is_wrapper(w)) { wrap = w; wrap_timeout_seen = 0; cmdpos = 1; continue }
        cmdpos = 0
        wrap = ""
    }
}

# The array's name when the word just read was a bare "${name[@]}", else "".
function array_expansion_name(   back) {
    back = substr(src, 1, pos - 1)
    if (!match(back, /\$\{[A-Za-z_][A-Za-z0-9_]*\[[@*]\]\}"?$/)) return ""
    back = substr(back, RSTART + 2)
    sub(/\[.*/, "", back)
    return back
}

# Emits, at the lines of their assignments, the first elements the array
# was ever given.
function emit_array_first(name,   k, parts, m, keep) {
    m = split(array_first[name], parts, "\n")
    keep = line
    for (k = 2; k <= m; k++) {
        split(parts[k], f, "\t")
        line = f[1]
        emit(f[2])
    }
    line = keep
}

# Whether a wrapper's option is followed by its own argument (xargs -d X).
function option_takes_word(wrap, w) {
    if (wrap == "env") return w ~ /^-[uCS]$/
    if (wrap == "xargs") return w ~ /^-[dIinPLsEa]$/
    if (wrap == "timeout") return w ~ /^-[sk]$/
    if (wrap == "sudo") return w ~ /^-[ugChpU]$/
    if (wrap == "nice") return w == "-n"
    if (wrap == "stdbuf") return w ~ /^-[ioe]$/
    if (wrap == "xvfb-run") return w ~ /^-[snefpw]$/
    return 0
}

function pos_skip_word() {
    while (ch(pos) == " " || ch(pos) == "\t") pos++
    read_word()
}
