// Keeps the shared tool library non-empty before the first shared helper exists.
