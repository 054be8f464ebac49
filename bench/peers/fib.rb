# F(100000) by an iterative loop.
a, b = 0, 1
i = 0
while i < 100000
  a, b = b, a + b
  i += 1
end
puts a
