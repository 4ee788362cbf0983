# A for header missing its second ';'.
BEGIN { for (i = 0; i < 3 i++) print i }
