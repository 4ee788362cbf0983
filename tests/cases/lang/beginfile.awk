# BEGINFILE and ENDFILE run around each input file: FILENAME names the file
# in both, FNR restarts per file and holds its record count in ENDFILE, and
# an assignment operand between files takes effect before the next file is
# read. An empty file still gets both rules.
BEGINFILE { print "beginfile", base(FILENAME), FNR, "[" tag "]" }
{ print "  " FNR, $0 }
ENDFILE { print "endfile", base(FILENAME), FNR, NR }
END { print "end", NR, base(FILENAME) }
function base(p) { sub(/.*\//, "", p); return p }
