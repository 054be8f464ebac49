# Twin of number_words.mrv: the same spelling of numbers in English words
# and the same counts.
small = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven",
         "twelve", "thirteen", "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"]
tens = ["", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"]
scales = ["", " thousand", " million", " billion", " trillion"]


def below_hundred(n):
    if n < 20:
        return small[n]
    s = tens[n // 10]
    if n % 10 > 0:
        s += "-" + small[n % 10]
    return s


def below_thousand(n):
    h = n // 100
    rest = n % 100
    if h > 0:
        s = small[h] + " hundred"
        if rest > 0:
            s += " and " + below_hundred(rest)
        return s
    return below_hundred(rest)


def spell(n):
    if n == 0:
        return "zero"
    groups = []
    left = n
    while left > 0:
        groups.append(left % 1000)
        left //= 1000
    s = ""
    for k in range(len(groups) - 1, -1, -1):
        g = groups[k]
        if g == 0:
            continue
        if s:
            s += " and " if k == 0 and g < 100 else " "
        s += below_thousand(g) + scales[k]
    return s


def letters(s):
    n = 0
    for c in s:
        if c.isalpha():
            n += 1
    return n


total = 0
longest = 0
longest_at = 0
for n in range(1, 60001):
    s = spell(n)
    total += letters(s)
    if len(s) > longest:
        longest = len(s)
        longest_at = n
print(f"letters in 1 .. 60000: {total}")
print(f"longest name ({longest} characters): {spell(longest_at)}")
for n in (7, 15, 99, 101, 342, 1000, 1005, 20020, 700000, 1000001, 123456789, 2000000000015):
    print(f"{n}: {spell(n)}")
numbers = list(range(1, 1001))
numbers.sort(key=spell)
print("first by name: (" + ",".join(str(n) for n in numbers[:5]) + ")")
print("last by name: (" + ",".join(str(n) for n in numbers[995:]) + ")")
same = 0
for n in range(1, 10000):
    if letters(spell(n)) == n % 100:
        same += 1
print(f"numbers whose name has as many letters as their last two digits: {same}")
