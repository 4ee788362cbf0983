# An access-log analyser for lines in the common log format:
#   host - user [day/Mon/year:hh:mm:ss zone] "METHOD path PROTO" status bytes
# It reports requests and bytes per status class, the busiest hosts, the
# hours of the day with their request counts, the largest response, and
# lines it could not parse. A "-" byte count counts as 0.
#
# The per-key tables come out in natural key order (for-in is sorted
# here); gawk and mawk print the same lines in hash order. Everything
# else matches them.
{
  if (!match($0, /^[^ ]+ [^ ]+ [^ ]+ \[[^]]+\] "[^"]*" [0-9][0-9][0-9] ([0-9]+|-)$/)) {
    bad[++nbad] = NR; next
  }
  host = $1
  split($0, q, "\"")
  split(q[2], req, " ")
  path = req[2]
  status = $(NF - 1)
  bytes = $NF == "-" ? 0 : $NF
  hour = substr($4, 14, 2)
  hits[host]++
  hostbytes[host] += bytes
  cls = substr(status, 1, 1) "xx"
  classn[cls]++
  classb[cls] += bytes
  hours[hour]++
  if (bytes > maxb) { maxb = bytes; maxpath = path }
  total++
}
END {
  printf "%-6s %8s %10s\n", "status", "requests", "bytes"
  for (c in classn) printf "%-6s %8d %10d\n", c, classn[c], classb[c]
  print ""
  printf "%-16s %5s %10s %8s\n", "host", "hits", "bytes", "avg"
  for (h in hits) printf "%-16s %5d %10d %8.1f\n", h, hits[h], hostbytes[h], hostbytes[h] / hits[h]
  print ""
  for (h in hours) printf "%s:00 %s\n", h, substr("********************", 1, hours[h])
  printf "\n%d requests; largest response %d bytes for %s\n", total, maxb, maxpath
  for (i = 1; i <= nbad; i++) printf "unparsed line %d\n", bad[i]
}
