# Word counts: writes a text file of generated sentences, reads it back
# line by line, splits, lowers and trims the words, counts them in a dict
# and prints the most frequent ones and a few figures.
import os

seed = 99


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


syllables = ["ka", "lo", "mi", "ra", "tu", "ne", "si", "po", "ve", "da", "an", "or"]
vocabulary = []
for i in range(400):
    w = ""
    for k in range(rnd(3) + 1):
        w += syllables[rnd(12)]
    vocabulary.append(w)
words = vocabulary

with open("words_input.txt", "w") as text:
    for line_no in range(5000):
        line = ""
        for k in range(1, 13):
            w = words[rnd(400) * rnd(400) // 400]
            if k == 1 or rnd(20) == 0:
                w = w.upper()
            line += w
            p = rnd(10)
            if p == 0:
                line += ","
            elif p == 1:
                line += "."
            if k < 12:
                line += " "
        text.write(line + "\n")

count = {}
total = 0
longest = ""
with open("words_input.txt") as text:
    for line in text:
        for w in line.split():
            w = w.lower().rstrip(",.")
            count[w] = count.get(w, 0) + 1
            total += 1
            if len(w) > len(longest):
                longest = w
print("words %d, distinct %d, longest %s" % (total, len(count), longest))
for word, n in sorted(count.items(), key=lambda kv: (-kv[1], kv[0]))[:15]:
    print("%-12s%6d" % (word, n))
print("words seen once: %d" % sum(1 for n in count.values() if n == 1))
os.remove("words_input.txt")
