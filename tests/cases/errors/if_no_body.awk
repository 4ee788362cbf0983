# An if with no statement after the condition.
BEGIN { if (x) }
