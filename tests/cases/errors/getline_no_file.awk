# getline < with no file name.
BEGIN { getline < }
