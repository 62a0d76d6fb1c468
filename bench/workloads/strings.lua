-- One-character appends build a long string, which is then scanned
-- character by character.  Lua strings are immutable and "s = s .. c"
-- copies the whole string, so the appends go into a buffer table.
local n = 200000 -- bench-size quick=5000
local parts = {}
for i = 0, n - 1 do
  if i % 3 == 0 then
    parts[#parts + 1] = "x"
  else
    parts[#parts + 1] = "o"
  end
end
local s = table.concat(parts)
local hits = 0
local i = 0
while i < #s do
  if string.sub(s, i + 1, i + 1) == "x" then hits = hits + 1 end
  i = i + 1
end
print("strings " .. n .. " " .. #s .. " " .. hits)
