-- Integer counting loop: remainders, comparisons, additions and a bit test.
local n = 10000000 -- bench-size quick=200000
local h = 0
local odd = 0
for i = 0, n - 1 do
  local r = i % 7
  if r < 3 then
    h = h + r * 5
  elseif r == 5 then
    h = h - 3
  else
    h = h + 1
  end
  if h >= 1000000 then h = h - 999983 end
  if (i & 1) ~= 0 then odd = odd + 1 end
end
print("loop " .. n .. " " .. h .. " " .. odd)
