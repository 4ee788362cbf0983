# gsub-heavy rewriting.
{ gsub(/a/, "A"); gsub(/[0-9]+/, "#"); print }
