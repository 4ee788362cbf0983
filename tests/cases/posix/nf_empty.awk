# An empty record has no fields under a one-byte FS as under the default.
{ print NR ": " NF }
