# A small Lisp interpreter. Input is read whole and parsed into cons
# cells (arrays car[], cdr[] indexed by cell number; atoms are strings
# tagged by a leading character: "n" number, "s" symbol, "b" builtin,
# "f" closure). Special forms: quote ('x), if, define, lambda, begin,
# let; builtins: + - * / < = car cdr cons list null? print. Environments
# are chains of frames; a frame is a cell list of (name . value) pairs.
# Each top-level form's value is printed after "=> ".
#
# Numbers live in strings ("n" followed by the number's text) and print
# through "%d" when integral and "%g" otherwise. mawk and gawk agree
# except for (fact 13): 13! is a float beyond 32 bits, its text under
# CONVFMT is 6.22702e+09, and "%d" clamps it to 2147483647 with a
# warning on standard error (mawk clamps too and prints the same line;
# gawk keeps integral values whole and prints 6227020800).

function cons(a, d) { ncell++; car[ncell] = a; cdr[ncell] = d; return "c" ncell }
function iscell(x) { return substr(x, 1, 1) == "c" }
function first(x) { return car[substr(x, 2)] }
function rest(x) { return cdr[substr(x, 2)] }
function second(x) { return first(rest(x)) }
function third(x) { return first(rest(rest(x))) }

# reader: tokens in tok[1..ntok], position tp
function tokenize(s,    n) {
  gsub(/;[^\n]*/, "", s)
  gsub(/\(/, " ( ", s); gsub(/\)/, " ) ", s); gsub(/'/, " ' ", s)
  ntok = split(s, tok, /[ \t\n]+/)
  if (ntok > 0 && tok[1] == "") { for (n = 1; n < ntok; n++) tok[n] = tok[n + 1]; ntok-- }
  if (ntok > 0 && tok[ntok] == "") ntok--
  tp = 1
}
function read(   t, lst, tail, c) {
  t = tok[tp++]
  if (t == "'") return cons("squote", cons(read(), NIL))
  if (t == ")") { error = "unexpected )"; return NIL }
  if (t == "(") {
    lst = NIL
    while (tp <= ntok && tok[tp] != ")") {
      c = cons(read(), NIL)
      if (lst == NIL) lst = c; else cdr[substr(tail, 2)] = c
      tail = c
    }
    if (tp > ntok) { error = "missing )"; return NIL }
    tp++
    return lst
  }
  if (t ~ /^-?[0-9]+(\.[0-9]+)?$/) return "n" t
  return "s" t
}
function show(x,    s) {
  if (x == NIL) return "()"
  if (iscell(x)) {
    s = "(" show(first(x))
    for (x = rest(x); iscell(x); x = rest(x)) s = s " " show(first(x))
    if (x != NIL) s = s " . " show(x)
    return s ")"
  }
  if (x ~ /^n/) return fmtnum(substr(x, 2) + 0)
  if (x ~ /^b/) return "#<builtin " substr(x, 2) ">"
  if (x ~ /^f/) return "#<lambda>"
  if (x == T) return "#t"
  return substr(x, 2)
}
function fmtnum(v) { return v == int(v) ? sprintf("%d", v) : sprintf("%g", v) }
function lookup(name, env,    fr, p) {
  for (fr = env; fr != NIL; fr = rest(fr))
    for (p = first(fr); p != NIL; p = rest(p))
      if (first(first(p)) == name) return first(p)
  return ""
}
function define(name, val, env) { car[substr(env, 2)] = cons(cons(name, val), first(env)) }
function eval(x, env,    op, b, f, args, a, p, params, newenv, v) {
  if (error != "") return NIL
  if (x ~ /^n/ || x == NIL || x == T) return x
  if (x ~ /^s/) {
    b = lookup(x, env)
    if (b == "") { error = "unbound " substr(x, 2); return NIL }
    return rest(b)
  }
  op = first(x)
  if (op == "squote") return second(x)
  if (op == "sif") { v = eval(second(x), env); return eval(v != NIL && v != FALSE ? third(x) : first(rest(rest(rest(x)))), env) }
  if (op == "sdefine") {
    if (iscell(second(x))) { a = first(second(x)); v = cons("f", cons(rest(second(x)), cons(rest(rest(x)), env))) }
    else { a = second(x); v = eval(third(x), env) }
    define(a, v, env); return a
  }
  if (op == "slambda") return cons("f", cons(second(x), cons(rest(rest(x)), env)))
  if (op == "sbegin") { for (b = rest(x); b != NIL; b = rest(b)) v = eval(first(b), env); return v }
  if (op == "slet") {
    newenv = cons(NIL, env)
    for (p = second(x); p != NIL; p = rest(p)) define(first(first(p)), eval(second(first(p)), env), newenv)
    for (b = rest(rest(x)); b != NIL; b = rest(b)) v = eval(first(b), newenv)
    return v
  }
  f = eval(op, env)
  args = NIL
  for (p = rest(x); p != NIL; p = rest(p)) {
    a = cons(eval(first(p), env), NIL)
    if (args == NIL) args = a; else cdr[substr(v, 2)] = a
    v = a
  }
  if (error != "") return NIL
  if (f ~ /^b/) return builtin(substr(f, 2), args)
  if (iscell(f) && first(f) == "f") {
    params = first(rest(f))
    newenv = cons(NIL, rest(rest(rest(f))))
    for (; params != NIL; params = rest(params)) { define(first(params), first(args), newenv); args = rest(args) }
    for (b = first(rest(rest(f))); b != NIL; b = rest(b)) v = eval(first(b), newenv)
    return v
  }
  error = "not a function: " show(f); return NIL
}
function num(x) { if (x !~ /^n/) { error = "not a number: " show(x); return 0 } return substr(x, 2) + 0 }
function builtin(name, args,    a, b, v) {
  a = first(args); b = second(args)
  if (name == "+") { for (v = 0; args != NIL; args = rest(args)) v += num(first(args)); return "n" v }
  if (name == "*") { for (v = 1; args != NIL; args = rest(args)) v *= num(first(args)); return "n" v }
  if (name == "-") return "n" (rest(args) == NIL ? -num(a) : num(a) - num(b))
  if (name == "/") { if (num(b) == 0) { error = "division by zero"; return NIL } return "n" num(a) / num(b) }
  if (name == "<") return num(a) < num(b) ? T : FALSE
  if (name == "=") return num(a) == num(b) ? T : FALSE
  if (name == "car") return iscell(a) ? first(a) : NIL
  if (name == "cdr") return iscell(a) ? rest(a) : NIL
  if (name == "cons") return cons(a, b)
  if (name == "list") return args
  if (name == "null?") return a == NIL ? T : FALSE
  if (name == "print") { print show(a); return a }
}
{ src = src $0 "\n" }
END {
  NIL = "nil"; T = "t"; FALSE = "sfalse"
  global = cons(NIL, NIL)
  split("+ - * / < = car cdr cons list null? print", bn, " ")
  for (i = 1; bn[i] != ""; i++) define("s" bn[i], "b" bn[i], global)
  define("snil", NIL, global)
  tokenize(src)
  while (tp <= ntok) {
    error = ""
    form = read()
    if (error == "") v = eval(form, global)
    if (error != "") print "error: " error
    else print "=> " show(v)
  }
  printf "(%d cells)\n", ncell
}
