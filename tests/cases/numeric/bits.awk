# Bit operations on 32-bit two's-complement integers; shift counts are
# taken mod 32 and shiftr fills with the sign bit.
BEGIN {
  print and(12, 10), or(12, 10), xor(12, 10), not(0), and(7)
  print and(255, 15, 6), or(1, 2, 4, 8, 16, 32, 64, 128), xor(5, 5, 5)
  print shiftl(1, 33), shiftr(-8, 1), shiftl(1, 31), shiftr(-1, 31), shiftr(256, 36)
  print not(-1), not(5), and(-1, 2147483647)
  print or("12", 1.9), xor(0x0F, 0xFF)
}
