# Longest Collatz chain for the starts 1 .. bound-1.


def main():
    bound = 100000  # bench-size quick=3000
    beststart = 0
    bestlength = 0
    elements = 0
    for s in range(1, bound):
        n = s
        steps = 1
        while n != 1:
            if n % 2 == 0:
                n = n // 2
            else:
                n = 3 * n + 1
            steps += 1
        elements = elements + steps
        if steps > bestlength:
            bestlength = steps
            beststart = s
    print("collatz " + str(bound) + " " + str(beststart) + " " + str(bestlength) + " " + str(elements))


main()
