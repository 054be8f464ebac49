# Twin of expr_parser.mrv: the same expressions through the same
# shunting-yard parser, with an exception class for bad input.
seed = 4711


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class BadInput(Exception):
    pass


operators = ["+", "-", "*", "/", "^"]


def make_expr(depth):
    if depth == 0 or rnd(4) == 0:
        return str(rnd(60))
    op = operators[rnd(5)]
    if op == "^":
        right = str(rnd(4))
    else:
        right = make_expr(depth - 1)
    s = make_expr(depth - 1) + " " + op + " " + right
    if rnd(3) == 0:
        s = "(" + s + ")"
    return s


def damage(s):
    at = rnd(len(s))
    if rnd(2) == 0:
        return s[:at] + s[at + 1:]
    k = rnd(5)
    return s[:at] + "()+x%"[k] + s[at:]


def tokenize(text):
    tokens = []
    number = ""
    for ch in text:
        if ch.isdigit():
            number += ch
            continue
        if number:
            tokens.append(number)
            number = ""
        if ch == " ":
            pass
        elif ch in "+-*/^()":
            tokens.append(ch)
        else:
            raise BadInput(f"bad character: {ch}")
    if number:
        tokens.append(number)
    return tokens


def precedence(op):
    if op in ("+", "-"):
        return 1
    if op in ("*", "/"):
        return 2
    return 3


def to_postfix(tokens):
    out = []
    ops = []
    for t in tokens:
        if t == "(":
            ops.append(t)
        elif t == ")":
            while ops and ops[-1] != "(":
                out.append(ops.pop())
            if not ops:
                raise BadInput("unbalanced parenthesis: )")
            ops.pop()
        elif t in ("+", "-", "*", "/", "^"):
            p = precedence(t)
            while ops and ops[-1] != "(":
                q = precedence(ops[-1])
                if q < p or q == p and t == "^":
                    break
                out.append(ops.pop())
            ops.append(t)
        else:
            out.append(t)
    while ops:
        if ops[-1] == "(":
            raise BadInput("unbalanced parenthesis: (")
        out.append(ops.pop())
    return out


def divide(a, b):
    q = abs(a) // abs(b)
    return -q if (a < 0) != (b < 0) else q


def evaluate(postfix):
    stack = []
    for t in postfix:
        if t[0].isdigit():
            stack.append(int(t))
            continue
        if len(stack) < 2:
            raise BadInput("missing operand: " + t)
        b = stack.pop()
        a = stack[-1]
        if t == "+":
            a += b
        elif t == "-":
            a -= b
        elif t == "*":
            a *= b
        elif t == "/":
            if b == 0:
                raise BadInput("division by zero")
            a = divide(a, b)
        else:
            if b < 0 or b > 12:
                raise BadInput(f"exponent out of range: {b}")
            a = a ** b
        stack[-1] = a
    if len(stack) != 1:
        raise BadInput("missing operator")
    return stack[0]


good = 0
total = 0
longest = 0
problems = {}
for n in range(1, 6001):
    text = make_expr(5)
    if rnd(10) == 0:
        text = damage(text)
    try:
        value = evaluate(to_postfix(tokenize(text)))
        good += 1
        total += value
        longest = max(longest, len(str(value)))
        if n % 600 == 0:
            print(f"{text} = {value}")
    except BadInput as problem:
        kind = str(problem).split(":")[0]
        problems[kind] = problems.get(kind, 0) + 1
        if n % 60 == 0:
            print(f"{text} : {problem}")
print(f"evaluated {good}, sum {total}, longest result {longest} digits")
for k in sorted(problems):
    print(f"{k}: {problems[k]}")
