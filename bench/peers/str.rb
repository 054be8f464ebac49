# The numbers 1 .. 1000000 appended to a text, each followed by a comma.
s = +""
i = 1
while i <= 1000000
  s << i.to_s << ","
  i += 1
end
puts s.size
