# A stack machine: a small compiler turns a structured toy language (let,
# while, if, end, print) into jump code, and a dispatch loop runs it with a
# chain of tests over the operator codes.
PUSH, LOAD, STORE, JUMP, JUMPF, PRINT = "$", "@", "=", "..", "!", "~"
ADD, SUB, MUL, DIV, MOD = "+", "-", "*", "/", "%"
LT, LE, EQ, NE = "<", "<=", "==", "!="

source = [
    "let count = 0", "let n = 2",
    "while n < 2000",
    "  let prime = 1", "let d = 2", "let dd = 4",
    "  while dd <= n",
    "    let r = n % d",
    "    if r == 0", "let prime = 0", "let d = n", "end",
    "    let d = d + 1", "let dd = d * d",
    "  end",
    "  if prime == 1", "let count = count + 1", "end",
    "  let n = n + 1",
    "end",
    "print count",
    "let steps = 0", "let k = 1",
    "while k < 500",
    "  let x = k",
    "  while x != 1",
    "    let r = x % 2",
    "    if r == 0", "let x = x / 2", "end",
    "    if r == 1", "let x = x * 3", "let x = x + 1", "end",
    "    let steps = steps + 1",
    "  end",
    "  let k = k + 1",
    "end",
    "print steps"]

slot_of = {}
names = []
code_op = []
code_arg = []
open_blocks = []


def slot(name):
    if name not in slot_of:
        slot_of[name] = len(names)
        names.append(name)
    return slot_of[name]


def emit(op, arg):
    code_op.append(op)
    code_arg.append(arg)


def operand(word):
    if word.lstrip("-").isdigit():
        emit(PUSH, int(word))
    else:
        emit(LOAD, slot(word))


OPERATORS = {"+": ADD, "-": SUB, "*": MUL, "/": DIV, "%": MOD, "<": LT, "<=": LE, "==": EQ, "!=": NE}


def condition(w):
    operand(w[1])
    operand(w[3])
    emit(OPERATORS[w[2]], 0)


for line in source:
    w = line.split()
    if w[0] == "let":
        operand(w[3])
        if len(w) == 6:
            operand(w[5])
            emit(OPERATORS[w[4]], 0)
        emit(STORE, slot(w[1]))
    elif w[0] == "while":
        open_blocks.append(len(code_op))
        condition(w)
        open_blocks.append(len(code_op))
        emit(JUMPF, -1)
    elif w[0] == "if":
        open_blocks.append(-1)
        condition(w)
        open_blocks.append(len(code_op))
        emit(JUMPF, -1)
    elif w[0] == "end":
        jump_at = open_blocks.pop()
        start = open_blocks.pop()
        if start >= 0:
            emit(JUMP, start)
        code_arg[jump_at] = len(code_op)
    elif w[0] == "print":
        emit(PRINT, slot(w[1]))

size = len(code_op)
ops = list(code_op)
args = list(code_arg)
variables = [None] * len(names)
stack = [None] * 32
print("%d instructions, %d variables" % (size, len(names)))


def apply(op, a, b):
    if op == ADD: return a + b
    if op == SUB: return a - b
    if op == MUL: return a * b
    if op == DIV: return int(a / b) if (a < 0) != (b < 0) else a // b
    if op == MOD: return a % b
    if op == LT: return a < b
    if op == LE: return a <= b
    if op == EQ: return a == b
    return a != b


def run():
    pc = 0
    sp = 0
    steps = 0
    while pc < size:
        op = ops[pc]
        arg = args[pc]
        pc += 1
        steps += 1
        if op == LOAD:
            stack[sp] = variables[arg]
            sp += 1
        elif op == PUSH:
            stack[sp] = arg
            sp += 1
        elif op == STORE:
            sp -= 1
            variables[arg] = stack[sp]
        elif op == JUMPF:
            sp -= 1
            if not stack[sp]:
                pc = arg
        elif op == JUMP:
            pc = arg
        elif op in (ADD, SUB, MUL, DIV, MOD, LT, LE, EQ, NE):
            sp -= 1
            stack[sp - 1] = apply(op, stack[sp - 1], stack[sp])
        elif op == PRINT:
            print("%s = %s" % (names[arg], variables[arg]))
    print("%d steps" % steps)


run()
