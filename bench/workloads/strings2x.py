# Twice the work of "strings": one-character appends build a long string, which is then scanned
# character by character.


def main():
    n = 400000  # bench-size quick=10000
    s = ""
    for i in range(n):
        if i % 3 == 0:
            s += "x"
        else:
            s += "o"
    hits = 0
    i = 0
    while i < len(s):
        if s[i:i + 1] == "x":
            hits += 1
        i += 1
    print("strings " + str(n) + " " + str(len(s)) + " " + str(hits))


main()
