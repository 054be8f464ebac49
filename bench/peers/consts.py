# sqrt(2), e and ln(2), each truncated to 1000 decimals, one per line.
from decimal import Decimal, getcontext, ROUND_DOWN

getcontext().prec = 1020
step = Decimal(1).scaleb(-1000)
for value in (Decimal(2).sqrt(), Decimal(1).exp(), Decimal(2).ln()):
    print(value.quantize(step, rounding=ROUND_DOWN))
