# function without a name.
function (a) { }
