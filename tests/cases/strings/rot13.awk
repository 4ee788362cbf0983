# A rot13 filter built on translate's ranges, and its inverse check.
{
  enc = translate($0, "a-zA-Z", "n-za-mN-ZA-M")
  dec = translate(enc, "a-zA-Z", "n-za-mN-ZA-M")
  print enc
  if (dec != $0) print "round trip failed: " dec
}
