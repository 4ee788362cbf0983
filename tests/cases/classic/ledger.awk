# A binary ledger: input lines (date, account, amount) become 32-byte records
# in a file per year, which are then found, read back and reported by month.
BEGIN { RECLEN = 32; FMT = "#<when@l cents@l amount@d account@15a kind@c" }
{
  split($1, d, "-")
  file = "ledger-" d[1] ".bin"
  if (!(file in out)) { out[file] = fopen(file, "w"); files++ }
  rec = pack(FMT, time(d[1], d[2], d[3]), int($3 * 100 + ($3 < 0 ? -0.5 : 0.5)), $3, $2, $3 < 0 ? "D" : "C")
  fwrite(rec, out[file])
}
END {
  for (f in out) close(out[f])
  for (f = findfirst("ledger-*.bin"); f != ""; f = findnext()) {
    chmod(f, "go-rwx")
    stat(f, st)
    # findfirst goes in directory order; the report goes in name order.
    report[f] = sprintf("%s: %d bytes, %d records, mode %s, %s", f, filesize(f),
                        st["SIZE"] / RECLEN, filemode(f), (st["MTIME"] > 0 ? "dated" : "undated"))
    in_ = fopen(f, "r")
    while ((rec = fread(RECLEN, in_)) != "") {
      unpack(FMT, rec, r)
      timetab(t, r["when"])
      month = sprintf("%04d-%02d", t["YEAR"], t["MONTH"])
      total[month] += r["cents"]
      count[month, r["kind"]]++
      if (r["amount"] < -100) big[r["when"]] = ctime(r["when"]) " " r["account"] " " r["amount"]
    }
    close(in_)
    rmfile(f)
  }
  for (f in report) print report[f]
  for (m in total)
    printf "%s  %9.2f  %d credits  %d debits\n", m, total[m] / 100, count[m, "C"], count[m, "D"]
  for (w in big) print "large debit:", big[w]
  print files, "files written,", (findfirst("ledger-*") == "" ? "all removed" : "some left")
}
