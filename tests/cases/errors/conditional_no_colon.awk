# ?: without its ':'.
BEGIN { x = 1 ? 2 }
