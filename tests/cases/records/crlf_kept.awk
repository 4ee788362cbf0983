# With the default RAWMODE the CR stays in the record.
{ print length($0), length($2) }
