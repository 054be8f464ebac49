# A tokenizer: scans generated source text character by character with a
# small state machine into identifiers, keywords, numbers, strings,
# operators and comments, and reports counts and the busiest names.
seed = 5150


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


names = ["alpha", "beta", "gamma", "delta", "x", "y", "idx", "total", "count_2", "tmp"]
keywords = ["let", "if", "while", "return", "fn"]
operators = ["+", "-", "*", "/", "==", "<=", "=", "(", ")", ",", ";"]
parts = []
for line in range(1, 6001):
    parts.append(keywords[rnd(5)] + " " + names[rnd(10)] + " = ")
    for k in range(rnd(5) + 1):
        choice = rnd(4)
        if choice == 0:
            parts.append(str(rnd(100000)))
        elif choice == 1:
            parts.append(names[rnd(10)])
        elif choice == 2:
            parts.append("\"s" + str(rnd(50)) + " text\"")
        else:
            parts.append(names[rnd(10)] + "(" + str(rnd(9)) + ")")
        parts.append(" " + operators[rnd(11)] + " ")
    if rnd(4) == 0:
        parts.append("# note " + str(line))
    parts.append("\n")
source = "".join(parts)

keyword_set = set(keywords)
kinds = {}
name_uses = {}
first_tokens = []
current = ""
state = 0   # 0 between tokens, 1 name, 2 number, 3 string, 4 comment


def emit(kind, text):
    kinds[kind] = kinds.get(kind, 0) + 1
    if kind == "name":
        name_uses[text] = name_uses.get(text, 0) + 1
    if len(first_tokens) < 16:
        first_tokens.append(kind + ":" + text)


def finish():
    global state, current
    if state == 1:
        emit("keyword" if current in keyword_set else "name", current)
    elif state == 2:
        emit("number", current)
    state = 0
    current = ""


def is_alpha(c):
    return c.isalpha() or c == "_"


def start(c):
    global state, current
    if is_alpha(c):
        state = 1
        current += c
        return
    if c.isdigit():
        state = 2
        current += c
        return
    if c == '"':
        state = 3
    elif c == '#':
        state = 4
    elif c in (' ', '\n'):
        pass
    elif c in ('=', '<'):
        current += c
        state = 5
    else:
        emit("operator", c)


for c in source:
    if state == 0:
        start(c)
    elif state == 1:
        if is_alpha(c) or c.isdigit():
            current += c
        else:
            finish()
            start(c)
    elif state == 2:
        if c.isdigit():
            current += c
        else:
            finish()
            start(c)
    elif state == 3:
        if c == '"':
            emit("string", current)
            state = 0
            current = ""
        else:
            current += c
    elif state == 4:
        if c == '\n':
            emit("comment", "")
            state = 0
    elif state == 5:
        if c == '=':
            emit("operator", current + "=")
            state = 0
            current = ""
        else:
            emit("operator", current)
            state = 0
            current = ""
            start(c)
finish()
print("%d characters" % len(source))
for k in sorted(kinds):
    print("%s: %d" % (k, kinds[k]))
print("".join("%s=%d " % (k, n) for k, n in sorted(name_uses.items(), key=lambda kv: (-kv[1], kv[0]))))
print(" ".join(first_tokens))
