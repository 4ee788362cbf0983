# delete needs an array.
BEGIN { delete }
BEGIN { delete 1 }
