# A reverse-Polish calculator: each input line is a program of numbers,
# operators (+ - * / % ^), stack words (dup swap drop clear neg), named
# memory (>name stores, @name recalls), "p" to print the top and "s" to
# show the stack. Errors abandon the rest of the line.
#
# Where mawk and gawk print otherwise, by the run-time's rules:
# - "0.1 0.2 + 0.3 - p" prints 0: the sum carries one decimal place, and
#   a float that is zero within its decimals prints as 0. mawk and gawk
#   print 5.55112e-17.
# - "-7 3 %" is 2: the modulus is floored (the sign of the divisor);
#   mawk and gawk give -1.
# - "123456 1000 *" prints 1.23456e+08: a product of ints with a factor
#   beyond 46339 is a float, and floats print with OFMT even when
#   integral; mawk and gawk print 123456000. "46339 46339 *" stays an int
#   (2147302921).
function push(v) { stack[++sp] = v }
function pop() {
  if (sp < 1) { err = "stack underflow"; return 0 }
  return stack[sp--]
}
function show(   i, s) {
  s = "["
  for (i = 1; i <= sp; i++) s = s (i > 1 ? " " : "") stack[i]
  return s "]"
}
{
  err = ""
  for (t = 1; t <= NF && err == ""; t++) {
    tok = $t
    if (tok ~ /^-?([0-9]+\.?[0-9]*|\.[0-9]+)$/) push(tok + 0)
    else if (tok == "+") { b = pop(); a = pop(); push(a + b) }
    else if (tok == "-") { b = pop(); a = pop(); push(a - b) }
    else if (tok == "*") { b = pop(); a = pop(); push(a * b) }
    else if (tok == "/") {
      b = pop(); a = pop()
      if (err == "" && b == 0) err = "division by zero"
      else push(a / b)
    }
    else if (tok == "%") { b = pop(); a = pop(); push(a % b) }
    else if (tok == "^") { b = pop(); a = pop(); push(a ^ b) }
    else if (tok == "dup") { a = pop(); push(a); push(a) }
    else if (tok == "swap") { b = pop(); a = pop(); push(b); push(a) }
    else if (tok == "drop") pop()
    else if (tok == "clear") sp = 0
    else if (tok == "neg") push(-pop())
    else if (tok == "p") { a = pop(); if (err == "") { print a; push(a) } }
    else if (tok == "s") print show()
    else if (tok ~ /^>[a-z]+$/) mem[substr(tok, 2)] = pop()
    else if (tok ~ /^@[a-z]+$/) {
      if (substr(tok, 2) in mem) push(mem[substr(tok, 2)])
      else err = "no value in " substr(tok, 2)
    }
    else err = "unknown word " tok
  }
  if (err != "") { printf "line %d: %s\n", NR, err; sp = 0 }
}
END { print "final stack " show() }
