# Builds a 6.9 MB text: the numbers 1 to 10^6, each followed by a blank.
s = ""
i = 0
while i < 1000000:
    i += 1
    s += str(i) + " "
print(len(s))
