# A regular_expression value used as a condition matches the record, as
# the record stands after a field was assigned too.
{
  r = regex("b")
  print (r ? "yes" : "no"), $0
  $2 = "b"
  print (r ? "yes" : "no"), $0
}
