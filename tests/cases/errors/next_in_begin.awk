# next in BEGIN and in END rules.
BEGIN { next }
END { next }
