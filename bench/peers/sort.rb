# 10^6 pseudo-random ints sorted; the first, the middle and the last.
n = 1000000
x = 1
a = []
n.times do
  x = x * 48271 % 2147483647
  a << x
end
a.sort!
puts "#{a[0]} #{a[n / 2]} #{a[n - 1]}"
