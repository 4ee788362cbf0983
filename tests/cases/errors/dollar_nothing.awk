# $ and ++ with no operand.
BEGIN { $ }
BEGIN { ++ }
