# 20-case switch on texts (with the list read of the text): twin of
# switch_text.mrv, as a chain of comparisons.
def run():
    names = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india", "juliett",
             "kilo", "lima", "mike", "november", "oscar", "papa", "quebec", "romeo", "sierra", "tango"]
    words = []
    for k in range(1000):
        words.append(names[k % 20])
    s = 0
    for r in range(1000):
        for i in range(1000):
            w = words[i]
            if w == "alpha":
                s += 1
            elif w == "bravo":
                s += 2
            elif w == "charlie":
                s += 3
            elif w == "delta":
                s += 4
            elif w == "echo":
                s += 5
            elif w == "foxtrot":
                s += 6
            elif w == "golf":
                s += 7
            elif w == "hotel":
                s += 8
            elif w == "india":
                s += 9
            elif w == "juliett":
                s += 10
            elif w == "kilo":
                s += 11
            elif w == "lima":
                s += 12
            elif w == "mike":
                s += 13
            elif w == "november":
                s += 14
            elif w == "oscar":
                s += 15
            elif w == "papa":
                s += 16
            elif w == "quebec":
                s += 17
            elif w == "romeo":
                s += 18
            elif w == "sierra":
                s += 19
            elif w == "tango":
                s += 20
    print(s)


run()
