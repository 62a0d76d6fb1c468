# ASCII Mandelbrot set in floating point: 80 columns by 40 rows.
# Points that stay bounded for maxiter steps are drawn as "@".


def main():
    maxiter = 10000  # bench-size quick=60
    cols = 80
    rows = 40
    palette = " .:-=+*#%"
    total = 0
    inside = 0
    for y in range(rows):
        ci = y * 2.4 / rows - 1.2
        row = ""
        for x in range(cols):
            cr = x * 3.0 / cols - 2.1
            zr = 0.0
            zi = 0.0
            it = 0
            while it < maxiter:
                zr2 = zr * zr
                zi2 = zi * zi
                if zr2 + zi2 > 4.0:
                    break
                zi = 2.0 * zr * zi + ci
                zr = zr2 - zi2 + cr
                it += 1
            total = total + it
            if it >= maxiter:
                inside += 1
                row += "@"
            else:
                row += palette[it % 9]
        print(row)
    print("mandelbrot " + str(maxiter) + " " + str(total) + " " + str(inside))


main()
