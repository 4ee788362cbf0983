# A report from a passwd-style file (name:pw:uid:gid:gecos:home:shell):
# accounts grouped by login shell with counts, the full names from the
# GECOS field (up to its first comma), system accounts (uid < 1000)
# counted apart, and warnings for duplicate uids and malformed lines.
#
# The shells print in natural key order (for-in is sorted here); gawk
# and mawk walk them in hash order.
BEGIN { FS = ":" }
/^#/ { next }
NF != 7 { printf "line %d: %d fields\n", NR, NF; next }
$3 in byuid { printf "line %d: uid %s already used by %s\n", NR, $3, byuid[$3] }
{
  byuid[$3] = $1
  if ($3 < 1000) { system_accounts++; next }
  name = $5; sub(/,.*/, "", name)
  if (name == "") name = "(" $1 ")"
  shell = $7 == "" ? "/bin/sh" : $7
  members[shell] = members[shell] sprintf("    %-10s %5d  %s\n", $1, $3, name)
  count[shell]++
  users++
}
END {
  for (s in count) {
    printf "%s (%d)\n", s, count[s]
    printf "%s", members[s]
  }
  printf "%d users, %d system accounts\n", users, system_accounts
}
