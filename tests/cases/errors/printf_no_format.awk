# printf needs at least a format.
BEGIN { printf }
