-- ASCII Mandelbrot set in floating point: 80 columns by 40 rows.
-- Points that stay bounded for maxiter steps are drawn as "@".
local maxiter = 10000 -- bench-size quick=60
local cols = 80
local rows = 40
local palette = " .:-=+*#%"
local total = 0
local inside = 0
for y = 0, rows - 1 do
  local ci = y * 2.4 / rows - 1.2
  local row = ""
  for x = 0, cols - 1 do
    local cr = x * 3.0 / cols - 2.1
    local zr = 0.0
    local zi = 0.0
    local it = 0
    while it < maxiter do
      local zr2 = zr * zr
      local zi2 = zi * zi
      if zr2 + zi2 > 4.0 then break end
      zi = 2.0 * zr * zi + ci
      zr = zr2 - zi2 + cr
      it = it + 1
    end
    total = total + it
    if it >= maxiter then
      inside = inside + 1
      row = row .. "@"
    else
      local k = it % 9 + 1
      row = row .. string.sub(palette, k, k)
    end
  end
  print(row)
end
print("mandelbrot " .. maxiter .. " " .. total .. " " .. inside)
