# A parenthesized list is valid only before in or as print items.
BEGIN { x = (1, 2) }
