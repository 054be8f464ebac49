# 10^6 keys "k0" .. "k999999" inserted, then summed by lookup.
n = 1000000
h = {}
i = 0
while i < n
  h["k#{i}"] = i
  i += 1
end
s = 0
i = 0
while i < n
  s += h["k#{i}"]
  i += 1
end
puts "#{h.size} #{s}"
