# The sum of 0 .. 9999999 in a while loop.
s = 0
i = 0
while i < 10000000
  s += i
  i += 1
end
puts s
