-- Longest Collatz chain for the starts 1 .. bound-1.
local bound = 100000 -- bench-size quick=3000
local beststart = 0
local bestlength = 0
local elements = 0
for s = 1, bound - 1 do
  local n = s
  local steps = 1
  while n ~= 1 do
    if n % 2 == 0 then
      n = n // 2
    else
      n = 3 * n + 1
    end
    steps = steps + 1
  end
  elements = elements + steps
  if steps > bestlength then
    bestlength = steps
    beststart = s
  end
end
print("collatz " .. bound .. " " .. beststart .. " " .. bestlength .. " " .. elements)
