# Twin of lz_pack.mrv.
seed = 8675309
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

class Packer:
    def __init__(self, name):
        self.name = name
        self.text = ""
        self.window = 4096
        self.chain = 12
        self.index = {}
        self.tokens = []
        self.matched = 0
        self.literals = 0
        self.runs = 0
        self.longest = 0
    def remember(self, i):
        if i + 2 < len(self.text):
            key = self.text[i:i + 3]
            if key not in self.index:
                self.index[key] = []
            self.index[key].append(i)
    def match_at(self, i):
        text = self.text
        best_len = 0
        best_dist = 0
        n = len(text)
        if i + 2 >= n:
            return best_len, best_dist
        key = text[i:i + 3]
        if key not in self.index:
            return best_len, best_dist
        cands = self.index[key]
        tried = 0
        for c in range(len(cands) - 1, -1, -1):
            p = cands[c]
            if i - p > self.window or tried == self.chain:
                break
            tried += 1
            l = 3
            while i + l < n and l < 200 and text[p + l] == text[i + l]:
                l += 1
            if l > best_len:
                best_len = l
                best_dist = i - p
        return best_len, best_dist
    def flush(self, lit):
        if len(lit) > 0:
            self.tokens.append("L" + lit)
        return ""
    def pack(self):
        text = self.text
        n = len(text)
        i = 0
        lit = ""
        while i < n:
            ch = text[i]
            run = 1
            while i + run < n and run < 99 and text[i + run] == ch:
                run += 1
            if run >= 6:
                lit = self.flush(lit)
                self.tokens.append("R%d%s" % (run, ch))
                for k in range(i, i + run):
                    self.remember(k)
                i += run
                self.runs += 1
                continue
            length, dist = self.match_at(i)
            if length >= 4:
                lit = self.flush(lit)
                self.tokens.append("M%d,%d" % (dist, length))
                for k in range(i, i + length):
                    self.remember(k)
                i += length
                self.matched += 1
                if length > self.longest:
                    self.longest = length
            else:
                lit += ch
                self.remember(i)
                i += 1
                self.literals += 1
        self.flush(lit)
    def packed_size(self):
        s = 0
        for t in self.tokens:
            tag = t[0]
            if tag == "L":
                s += len(t)
            elif tag == "M":
                s += 3
            elif tag == "R":
                s += 2
        return s

def unpack(toks):
    s = []
    for t in toks:
        last = len(t) - 1
        tag = t[0]
        if tag == "L":
            s.extend(t[1:last + 1])
        elif tag == "R":
            c = t[last]
            for k in range(int(t[1:last])):
                s.append(c)
        elif tag == "M":
            parts = t[1:last + 1].split(",")
            start = len(s) - int(parts[0])
            for k in range(int(parts[1])):
                s.append(s[start + k])
    return "".join(s)

consonants = ["b", "d", "f", "g", "k", "l", "m", "n", "p", "r", "s", "t", "v", "z"]
vowels = ["a", "e", "i", "o", "u"]
def make_text(words, vocabulary):
    vocab = []
    for w in range(vocabulary):
        word = ""
        for s in range(1 + rnd(3)):
            c = consonants[rnd(14)]
            word = word + c + vowels[rnd(5)]
        vocab.append(word)
    text = []
    for w in range(words):
        pick = rnd(vocabulary)
        if rnd(3) > 0:
            pick = pick // 8
        text.append(vocab[pick])
        r = rnd(20)
        if r == 0:
            text.append(". ")
        elif r == 1:
            text.append(", ")
        elif r == 2:
            text.append("\n")
            text.append("=" * (6 + rnd(20)))
            text.append("\n")
        else:
            text.append(" ")
    return "".join(text)

small = Packer("small vocabulary")
medium = Packer("medium vocabulary")
large = Packer("large vocabulary")
small.text = make_text(3000, 40)
medium.text = make_text(3000, 300)
large.text = make_text(3000, 2000)
for pk in (small, medium, large):
    pk.pack()
    back = unpack(pk.tokens)
    size = pk.packed_size()
    print("%s: %d characters in %d tokens, %d bytes (%d per mille), unpacked the same: %s"
          % (pk.name, len(pk.text), len(pk.tokens), size, size * 1000 // len(pk.text),
             "true" if back == pk.text else "false"))
    print("  matches %d, literals %d, runs %d, longest %d, prefixes %d, tokens %s %s"
          % (pk.matched, pk.literals, pk.runs, pk.longest, len(pk.index), pk.tokens[1], pk.tokens[-2]))
