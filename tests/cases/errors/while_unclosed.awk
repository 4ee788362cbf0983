# A while condition missing its ')'.
BEGIN { while (1 }
