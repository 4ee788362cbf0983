# A two-pass assembler and virtual machine for a small register machine.
# Source lines: [label:] opcode operands [; comment]. Registers r0-r7,
# immediate numbers, labels. Instructions:
#   set r, n     mov r, s     add/sub/mul/div/mod r, s    (r = r op s)
#   addi r, n    jmp L        jz/jnz r, L     jlt r, s, L
#   call L       ret          push r          pop r
#   out r        outs "text"  halt
# Pass 1 assigns addresses and collects labels; pass 2 encodes each
# instruction as numbers (opcode and operands) and prints a listing;
# then the machine runs with a step limit.
#
# Differences, by the run-time's rules: from 10! on the factorials leave
# the int fast path (362880 * 10 has a factor above 46339), so the
# register holds a float and "out" (print) shows 12! with OFMT as
# 4.79002e+08, where gawk and mawk print 479001600. 9! = 362880 is still
# an int. Everything else prints the same.
BEGIN {
  nops = split("set mov add sub mul div mod addi jmp jz jnz jlt call ret push pop out outs halt", opname, " ")
  for (i = 1; i <= nops; i++) opcode[opname[i]] = i
  # operand kinds: r register, n number, l label, s string
  split("rn rr rr rr rr rr rr rn l rl rl rrl l - r r r s -", kinds, " ")
  for (i = 1; i <= nops; i++) kind[opname[i]] = kinds[i]
}
{ src[++nsrc] = $0 }
function err(msg) { printf "line %d: %s\n", ln, msg; errors++ }
function operand(t, k) {
  if (k == "r") { if (t !~ /^r[0-7]$/) err("bad register " t); return substr(t, 2) + 0 }
  if (k == "n") { if (t !~ /^-?[0-9]+$/) err("bad number " t); return t + 0 }
  if (k == "l") { if (!(t in label)) err("unknown label " t); return label[t] }
}
END {
  # pass 1
  addr = 0
  for (ln = 1; ln <= nsrc; ln++) {
    line = src[ln]
    sub(/;.*/, "", line)
    if (match(line, /^[ \t]*[A-Za-z_][A-Za-z0-9_]*:/)) {
      name = substr(line, 1, RLENGTH - 1); gsub(/[ \t]/, "", name)
      if (name in label) err("duplicate label " name)
      label[name] = addr
      line = substr(line, RLENGTH + 1)
    }
    sub(/^[ \t]+/, "", line); sub(/[ \t]+$/, "", line)
    if (line == "") continue
    stmt[addr] = line; stmtline[addr] = ln
    addr++
  }
  size = addr
  # pass 2
  for (a = 0; a < size; a++) {
    ln = stmtline[a]
    line = stmt[a]
    sub(/^[ \t]+/, "", line)
    op = line; sub(/[ \t].*/, "", op)
    rest = substr(line, length(op) + 1)
    if (!(op in opcode)) { err("unknown opcode " op); continue }
    k = kind[op]
    code[a, 0] = opcode[op]
    listing = sprintf("%03d  %02d", a, opcode[op])
    if (k == "s") {
      if (!match(rest, /"[^"]*"/)) err("missing string")
      text[a] = substr(rest, RSTART + 1, RLENGTH - 2)
      listing = listing sprintf(" %-11s", "\"..\"")
    } else if (k == "-") {
      listing = listing sprintf(" %-11s", "")
    } else {
      gsub(/[ \t]/, "", rest)
      n = split(rest, ops, ",")
      if (n != length(k)) { err(op " takes " length(k) " operands"); continue }
      enc = ""
      for (i = 1; i <= n; i++) {
        code[a, i] = operand(ops[i], substr(k, i, 1))
        enc = enc sprintf(" %3d", code[a, i])
      }
      listing = listing sprintf("%-12s", enc)
    }
    print listing "  " stmt[a]
  }
  if (errors) { print errors " error(s), not run"; exit 1 }
  print "--- run"
  pc = 0; sp = 0; steps = 0
  while (1) {
    if (pc < 0 || pc >= size) { print "pc out of range: " pc; break }
    if (++steps > 5000) { print "step limit reached"; break }
    o = opname[code[pc, 0]]; x = code[pc, 1]; y = code[pc, 2]; z = code[pc, 3]
    pc++
    if (o == "set") R[x] = y
    else if (o == "mov") R[x] = R[y]
    else if (o == "add") R[x] += R[y]
    else if (o == "sub") R[x] -= R[y]
    else if (o == "mul") R[x] *= R[y]
    else if (o == "div" || o == "mod") {
      if (R[y] == 0) { print "division by zero at " pc - 1; break }
      R[x] = o == "div" ? int(R[x] / R[y]) : R[x] % R[y]
    }
    else if (o == "addi") R[x] += y
    else if (o == "jmp") pc = x
    else if (o == "jz") { if (R[x] == 0) pc = y }
    else if (o == "jnz") { if (R[x] != 0) pc = y }
    else if (o == "jlt") { if (R[x] < R[y]) pc = z }
    else if (o == "call") { stack[++sp] = pc; pc = x }
    else if (o == "ret") { if (sp < 1) { print "return with empty stack"; break } pc = stack[sp--] }
    else if (o == "push") stack[++sp] = R[x]
    else if (o == "pop") R[x] = stack[sp--]
    else if (o == "out") print R[x]
    else if (o == "outs") print text[pc - 1]
    else if (o == "halt") break
  }
  printf "--- halted after %d steps\n", steps
}
