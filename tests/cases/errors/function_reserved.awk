# A builtin's name cannot name a function.
function length() { }
