# Field reordering.
{ print $3, $1, $2, $NF }
