# Assignment operands take effect between files, the last one before END;
# BEGINFILE and ENDFILE run around each file.
function base(f,  p, n) { n = split(f, p, "/"); return p[n] }
BEGINFILE { print "begin " base(FILENAME) " x=" x }
{ print base(FILENAME), FNR, NR, $0, x }
ENDFILE { print "end " base(FILENAME) " FNR=" FNR }
END { print "END x=" x }
