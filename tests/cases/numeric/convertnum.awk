# convertnum reads integers in any base from 2 to 16; without a base the
# text says: 0x prefix or h suffix hexadecimal, leading 0 octal, else
# decimal. Reading stops at the first byte that is no digit of the base.
BEGIN {
  print convertnum("1fh"), convertnum("0x1F"), convertnum("017"), convertnum("17")
  print convertnum("-101", 2), convertnum("19", 8), convertnum("ff"), convertnum("ffh")
  print convertnum("zz", 16), convertnum("abc", 16), convertnum("FFFFFFFF", 16)
  print convertnum("777", 8), convertnum("+12"), convertnum("-0x10"), convertnum("08")
  print convertnum(255), convertnum("11111111", 2)
}
