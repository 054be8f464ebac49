# Accounts with user types and exceptions: checking and savings accounts
# (a class built on a base class), transfers that raise on overdraft or on a
# frozen account, caught per transaction, and a monthly interest run.
class Refused(Exception):
    pass


class Account:
    def __init__(self, name, start):
        self.owner = name
        self.balance = start
        self.limit = 0
        self.frozen = False
        self.moves = 0

    def deposit(self, amount):
        if self.frozen:
            raise Refused("frozen: " + self.owner)
        self.balance += amount
        self.moves += 1

    def withdraw(self, amount):
        if self.frozen:
            raise Refused("frozen: " + self.owner)
        if self.balance + self.limit < amount:
            raise Refused("overdraft: %s %d" % (self.owner, amount))
        self.balance -= amount
        self.moves += 1

    def out(self):
        return "%s:%d" % (self.owner, self.balance)


class Savings(Account):
    def __init__(self, name, rate):
        super().__init__(name, 1000)
        self.rate = rate

    def add_interest(self):
        if self.balance > 0:
            self.balance += self.balance * self.rate // 100


seed = 31337


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


people = ["ann", "ben", "cat", "dan", "eve", "fay", "gil", "hex", "ida", "jon"]
checking = []
saving = []
for name in people:
    checking.append(Account(name, 300 + rnd(900)))
    saving.append(Savings(name, 1 + rnd(4)))
checking[3].limit = 500
checking[7].frozen = True


def transfer(source, target, amount):
    if target.frozen:
        raise Refused("frozen: " + target.owner)
    source.withdraw(amount)
    target.deposit(amount)


done = 0
refused = 0
reasons = {}
for month in range(1, 13):
    for t in range(8000):
        source = rnd(10)
        target = rnd(10)
        amount = 1 + rnd(200)
        try:
            transfer(checking[source], checking[target], amount)
            done += 1
        except Refused as e:
            refused += 1
            reason = str(e).split(":")[0]
            reasons[reason] = reasons.get(reason, 0) + 1
    for s in saving:
        s.add_interest()
    for k in range(10):
        if k != 7:
            checking[k].deposit(150)
    if month % 4 == 0:
        total = sum(a.balance for a in checking)
        print("month %d: money in checking %d, transfers %d, refused %d" % (month, total, done, refused))
for r in sorted(reasons):
    print("%s: %d" % (r, reasons[r]))
checking.sort(key=lambda a: (-a.balance, a.owner))
print("".join(a.out() + " " for a in checking))
grand = sum(s.balance for s in saving)
print("savings total %d, first at 4%%: %s" % (grand, next(s for s in saving if s.rate == 4).owner))
