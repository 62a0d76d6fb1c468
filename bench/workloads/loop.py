# Integer counting loop: remainders, comparisons, additions and a bit test.


def main():
    n = 10000000  # bench-size quick=200000
    h = 0
    odd = 0
    for i in range(n):
        r = i % 7
        if r < 3:
            h = h + r * 5
        elif r == 5:
            h = h - 3
        else:
            h = h + 1
        if h >= 1000000:
            h = h - 999983
        if (i & 1) != 0:
            odd += 1
    print("loop " + str(n) + " " + str(h) + " " + str(odd))


main()
