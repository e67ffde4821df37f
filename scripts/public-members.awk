# Usage: awk -f scripts/public-members.awk src/mainwindow/form1.h
# Counts the declarations in the public sections (public: and public slots:) of the first class in a header:
# every statement ending in ';' at class level, and every inline function body ending at class level.
{ sub(/\/\/.*/, "") }
/^class [A-Za-z0-9_]+ .*\{/ && !inclass { inclass = 1; depth = 1; access = "private"; next }
!inclass { next }
{
    line = $0
    if (depth == 1 && match(line, /^[ \t]*(public|protected|private)( slots| Q_SLOTS)?[ \t]*:/)) {
        access = (line ~ /public/) ? "public" : "other"; next
    }
    pendingClose = 0
    for (i = 1; i <= length(line); i++) {
        c = substr(line, i, 1)
        if (c == "{") depth++
        else if (c == "}") { depth--; if (depth == 0) { inclass = 0; exit } if (depth == 1) pendingClose = 1 }
        else if (c == ";" && depth == 1) { if (access == "public") { n++; if (dbg) print "  " NR ": " line } pendingClose = 0 }
        else if (c !~ /[ \t]/ && pendingClose) { pendingClose = 0 }
    }
    if (pendingClose && access == "public") n++
}
END { print n }
