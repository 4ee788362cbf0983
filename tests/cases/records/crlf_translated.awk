# With bit 2 of RAWMODE clear, CR LF reads as LF.
BEGIN { RAWMODE = 5 }
{ print length($0), length($2), length(RSM) }
