# The strings workload on double-byte text.  A Python str indexes characters
# in constant time whatever they are.


def main():
    n = 200000  # bench-size quick=5000
    s = ""
    for i in range(n):
        if i % 3 == 0:
            s += "あ"
        else:
            s += "い"
    hits = 0
    i = 0
    while i < len(s):
        if s[i:i + 1] == "あ":
            hits += 1
        i += 1
    print("strings_dbcs " + str(n) + " " + str(len(s)) + " " + str(hits))


main()
