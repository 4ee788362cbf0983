# A one-byte file name other than "-" names an ordinary file for getline.
BEGIN { print "x" > "a"; close("a"); r = getline l < "a"; print r, l }
