# A special variable or predefined global cannot name a parameter or a local.
function f(&NR, ENVIRON) { local FS }
BEGIN { f() }
