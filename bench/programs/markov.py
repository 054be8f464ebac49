# Twin of markov.mrv: the same chain in a dict of lists and the same
# generated text.
seed = 1618


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


source = """the keeper of the light climbed the stairs each evening and the sea below him
turned from grey to black while the gulls settled on the rocks and the wind came in from
the west the keeper of the light had lived on the island for thirty years and he knew the
sound of every wave and the weight of every storm in the evening he wrote in his book the
time the lamp was lit and the ships that passed in the night he counted the ships and the
ships did not count him the island was small and the light was bright and the book grew
thick with the names of ships in the morning the keeper walked down the stairs and the sea
below him turned from black to grey and the gulls rose from the rocks and the wind went
back to the west where it had come from the keeper made his tea and read the names in his
book and wondered where the ships had gone and whether the sailors had seen the light and
whether they had thought of the keeper on the small island in the dark sea one winter a
storm came from the north and the light was the only thing that the sailors could see and
the keeper stayed awake all night and wrote nothing in his book because his hands were
cold and the lamp needed him more than the book did in the spring a letter came from a
sailor who had seen the light in the storm and the keeper put the letter in his book"""

words = source.split()
followers = {}
n = len(words)
for i in range(n):
    key = words[i] + " " + words[(i + 1) % n]
    followers.setdefault(key, []).append(words[(i + 2) % n])
print(f"{n} words in the source, {len(followers)} pairs")
keys = sorted(followers, key=lambda k: (-len(followers[k]), k))
for pair in keys[:5]:
    print(f"  {pair} -> ({','.join(followers[pair])})")

first = words[0]
second = words[1]
uses = {}
line = first + " " + second
lines = 0
longest = 0
for step in range(40000):
    choices = followers[first + " " + second]
    nxt = choices[rnd(len(choices))]
    uses[nxt] = uses.get(nxt, 0) + 1
    if len(nxt) > longest:
        longest = len(nxt)
    if len(line) + len(nxt) >= 72:
        lines += 1
        if lines <= 6:
            print(line)
        line = nxt
    else:
        line += " " + nxt
    first = second
    second = nxt
print(f"lines {lines}, longest word {longest}, distinct words {len(uses)}")
top = "".join(f" {w}={uses[w]}" for w in sorted(uses, key=lambda w: (-uses[w], w))[:10])
print(f"most used:{top}")
