# The numbers 1 .. 1000000 appended to a text, each followed by a comma.
BEGIN { s = ""; for (i = 1; i <= 1000000; i++) s = s i ","; print length(s) }
