# Usage: awk -f scripts/public-data-members.awk src/level/document/module1.h   (-v dbg=1 lists them)
# Counts the data members declared in the public sections of the first class in a header: the statements
# at class level that declare neither a function, nor a type, nor a friend or an alias.
{ sub(/\/\/.*/, "") }
/^class [A-Za-z0-9_]+ .*\{/ && !inclass { inclass = 1; depth = 1; access = "private"; stmt = ""; next }
!inclass { next }
{
    line = $0
    if (depth == 1 && match(line, /^[ \t]*(public|protected|private)( slots| Q_SLOTS)?[ \t]*:/)) {
        access = (line ~ /public/) ? "public" : "other"; stmt = ""; next
    }
    for (i = 1; i <= length(line); i++) {
        c = substr(line, i, 1)
        if (pendingClose && c !~ /[ \t]/) {
            pendingClose = 0
            if (c != ";") stmt = "" # the body of an inline function ended the declaration
        }
        if (c == "{") depth++
        else if (c == "}") { depth--; if (depth == 0) { inclass = 0; exit } if (depth == 1) pendingClose = 1 }
        else if (depth == 1 && c == ";") { classify(); stmt = "" }
        else if (depth == 1) stmt = stmt c
    }
    if (depth == 1) stmt = stmt " "
}
function classify(  s) {
    s = stmt
    gsub(/^[ \t]+|[ \t]+$/, "", s)
    if (access != "public" || s == "") return
    if (s ~ /^(enum|struct|class|using|friend|typedef|template|static_assert)[ \t]/) return
    if (s ~ /\)[ \t]*(const)?[ \t]*(noexcept)?[ \t]*(override)?[ \t]*(=[ \t]*(delete|default|0))?$/) return
    if (s ~ /(^|[^A-Za-z0-9_])operator[^A-Za-z0-9_]/) return
    n++
    if (dbg) print "  " NR ": " s
}
END { print n + 0 }
