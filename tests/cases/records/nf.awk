# NF lowered and raised rebuilds $0 with OFS; assigning past NF pads with
# empty fields.
BEGIN { OFS = "-" }
{
  NF = 2; print $0, NF
  NF = 4; print $0, NF
  $7 = "g"; print $0, NF
  $0 = "p q"; print $2, NF
}
