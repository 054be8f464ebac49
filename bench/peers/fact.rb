# 20000! by multiplying 2, 3, ..., 20000 in a loop.
f = 1
k = 2
while k <= 20000
  f *= k
  k += 1
end
puts f
