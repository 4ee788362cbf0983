# break and continue outside a loop; both are reported.
BEGIN { break }
END { continue }
