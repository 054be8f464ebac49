-- The numbers 1 .. 1000000 joined into a text, each followed by a comma.
-- Lua texts are immutable: pieces gathered in a table and joined once.
local parts = {}
for i = 1, 1000000 do parts[i] = i .. "," end
print(#table.concat(parts))
