-- 10^6 keys "k0" .. "k999999" inserted, then summed by lookup.
local n = 1000000
local h = {}
local count = 0
for i = 0, n - 1 do
  local key = "k" .. i
  if h[key] == nil then count = count + 1 end
  h[key] = i
end
local s = 0
for i = 0, n - 1 do s = s + h["k" .. i] end
print(count .. " " .. s)
