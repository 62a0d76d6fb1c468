-- The strings workload on double-byte text.  Lua strings are bytes (here
-- UTF-8, three to a character), so the appends go into a buffer table as in
-- strings.lua, and the scan reads an array of the text's characters, split
-- once with the utf8 library: constant-time character positions, as the
-- macro language promises.
local n = 200000 -- bench-size quick=5000
local parts = {}
for i = 0, n - 1 do
  if i % 3 == 0 then
    parts[#parts + 1] = "あ"
  else
    parts[#parts + 1] = "い"
  end
end
local s = table.concat(parts)
local chars = {}
for c in string.gmatch(s, utf8.charpattern) do
  chars[#chars + 1] = c
end
local hits = 0
local i = 0
while i < #chars do
  if chars[i + 1] == "あ" then hits = hits + 1 end
  i = i + 1
end
print("strings_dbcs " .. n .. " " .. #chars .. " " .. hits)
