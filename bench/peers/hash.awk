# 10^6 keys "k0" .. "k999999" inserted, then summed by lookup.
BEGIN {
    n = 1000000
    for (i = 0; i < n; i++) h["k" i] = i
    s = 0
    for (i = 0; i < n; i++) s += h["k" i]
    print length(h), s
}
