-- 10^6 pseudo-random ints sorted; the first, the middle and the last.
local n = 1000000
local a = {}
local x = 1
for i = 1, n do
  x = x * 48271 % 2147483647
  a[i] = x
end
table.sort(a)
print(a[1] .. " " .. a[n // 2 + 1] .. " " .. a[n])
