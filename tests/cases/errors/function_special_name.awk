# A special variable cannot name a function.
function NR() { }
