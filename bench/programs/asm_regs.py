# Twin of asm_regs.mrv.

class Program:
    def __init__(self, name):
        self.name = name
        self.op = []
        self.k1 = []
        self.a1 = []
        self.k2 = []
        self.a2 = []
        self.a3 = []
        self.labels = {}
    def operand(self, w):
        if w.lstrip("-").isdigit():
            return 0, int(w)
        if w in self.labels:
            return 0, self.labels[w]
        return 1, ord(w[0]) - ord("a")
    def assemble(self, src):
        lines = []
        for text in src:
            line = text
            if ";" in line:
                line = line[:line.index(";")]
            w = line.split()
            if len(w) > 0 and w[0][-1] == ":":
                self.labels[w[0][:-1]] = len(lines)
                del w[0]
            if len(w) > 0:
                lines.append(w)
        for w in lines:
            self.op.append(w[0])
            k, v = 0, 0
            if len(w) > 1:
                k, v = self.operand(w[1])
            self.k1.append(k)
            self.a1.append(v)
            k, v = 0, 0
            if len(w) > 2:
                k, v = self.operand(w[2])
            self.k2.append(k)
            self.a2.append(v)
            v = 0
            if len(w) > 3:
                k, v = self.operand(w[3])
            self.a3.append(v)

class Machine:
    def __init__(self):
        self.regs = []
        self.mem = []
        self.stack = []
        self.printed = []
        self.steps = 0
        self.deepest = 0
    def reset(self, memsize):
        self.regs = [0] * 8
        self.mem = [0] * memsize
        self.stack = []
        self.printed = []
        self.deepest = 0
    def val(self, kind, v):
        return self.regs[v] if kind == 1 else v
    def run(self, p):
        regs = self.regs
        mem = self.mem
        stack = self.stack
        pc = 0
        going = True
        while going:
            self.steps += 1
            op = p.op[pc]
            x = p.a1[pc]
            first = self.val(p.k1[pc], x)
            y = self.val(p.k2[pc], p.a2[pc])
            target = p.a3[pc]
            pc += 1
            if op == "mov":
                regs[x] = y
            elif op == "add":
                regs[x] += y
            elif op == "sub":
                regs[x] -= y
            elif op == "mul":
                regs[x] *= y
            elif op == "div":
                regs[x] //= y
            elif op == "mod":
                regs[x] %= y
            elif op == "jmp":
                pc = x
            elif op == "jz":
                if first == 0:
                    pc = y
            elif op == "jnz":
                if first != 0:
                    pc = y
            elif op == "jlt":
                if first < y:
                    pc = target
            elif op == "jge":
                if first >= y:
                    pc = target
            elif op == "load":
                regs[x] = mem[y]
            elif op == "store":
                mem[first] = y
            elif op == "push":
                stack.append(first)
                if len(stack) > self.deepest:
                    self.deepest = len(stack)
            elif op == "pop":
                regs[x] = stack.pop()
            elif op == "call":
                stack.append(pc)
                pc = x
            elif op == "ret":
                pc = stack.pop()
            elif op == "out":
                self.printed.append(first)
            elif op == "halt":
                going = False
            else:
                raise ValueError("unknown opcode " + op)

primes_src = [
    "        mov a 2          ; the number tried",
    "        mov c 0          ; primes found",
    "next:   jge a 1200 done",
    "        mov d 2",
    "try:    mov e d",
    "        mul e d",
    "        jlt a e prime    ; no divisor up to the root",
    "        mov f a",
    "        mod f d",
    "        jz f composite",
    "        add d 1",
    "        jmp try",
    "prime:  add c 1",
    "composite: add a 1",
    "        jmp next",
    "done:   out c",
    "        halt",
]
fib_src = [
    "        mov a 15",
    "        call fib",
    "        out b",
    "        halt",
    "fib:    jlt a 2 base     ; b = fib(a), a is kept",
    "        push a",
    "        sub a 1",
    "        call fib",
    "        pop a",
    "        push b",
    "        push a",
    "        sub a 2",
    "        call fib",
    "        pop a",
    "        pop c",
    "        add b c",
    "        ret",
    "base:   mov b a",
    "        ret",
]
sort_src = [
    "        mov a 0",
    "        mov h 4711       ; the seed of the numbers",
    "fill:   jge a 110 sort",
    "        mul h 1103515245",
    "        add h 12345",
    "        mod h 2147483648",
    "        mov b h",
    "        div b 65536",
    "        mod b 1000",
    "        store a b",
    "        add a 1",
    "        jmp fill",
    "sort:   mov a 1",
    "outer:  jge a 110 check",
    "        load b a         ; the key to place",
    "        mov c a",
    "        sub c 1",
    "inner:  jlt c 0 place",
    "        load d c",
    "        jge b d place",
    "        mov e c",
    "        add e 1",
    "        store e d",
    "        sub c 1",
    "        jmp inner",
    "place:  mov e c",
    "        add e 1",
    "        store e b",
    "        add a 1",
    "        jmp outer",
    "check:  mov a 0",
    "        mov g 0          ; checksum",
    "sum:    jge a 110 show",
    "        load b a",
    "        mov e a",
    "        add e 1",
    "        mul b e",
    "        add g b",
    "        mod g 1000003",
    "        add a 1",
    "        jmp sum",
    "show:   out g",
    "        load b 0",
    "        out b",
    "        load b 109",
    "        out b",
    "        halt",
]
collatz_src = [
    "        mov a 1          ; start value",
    "        mov g 0          ; longest chain",
    "        mov h 0          ; its start",
    "start:  jge a 160 done",
    "        mov b a",
    "        mov c 1",
    "step:   jlt b 2 end",
    "        mov d b",
    "        mod d 2",
    "        jz d even",
    "        mul b 3",
    "        add b 1",
    "        add c 1",
    "        jmp step",
    "even:   div b 2",
    "        add c 1",
    "        jmp step",
    "end:    jlt c g skip",
    "        jlt g c better",
    "        jmp skip",
    "better: mov g c",
    "        mov h a",
    "skip:   add a 1",
    "        jmp start",
    "done:   out g",
    "        out h",
    "        halt",
]

primes = Program("primes")
fib = Program("fib")
sorter = Program("sort")
collatz = Program("collatz")
primes.assemble(primes_src)
fib.assemble(fib_src)
sorter.assemble(sort_src)
collatz.assemble(collatz_src)
programs = [primes, fib, sorter, collatz]

m = Machine()
for p in programs:
    m.reset(128)
    before = m.steps
    m.run(p)
    print("%s: %d instructions, %d steps, printed (%s), deepest stack %d"
          % (p.name, len(p.op), m.steps - before, ",".join(str(v) for v in m.printed), m.deepest))
print("steps in all %d" % m.steps)
