# if needs its condition in parentheses.
BEGIN { if x print }
