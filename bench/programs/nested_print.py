# A nested value printed by hand: 400 generated orders (dicts holding
# lists of dicts) written as indented text by a recursive printer that
# dispatches on the type of each value; keys are written sorted.
seed = 777


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


customers = ["ann", "ben", "cat", "dan", "eve"]
skus = ["bolt", "nut", "gear", "belt", "pipe", "fan"]
tags = ["rush", "gift", "bulk", "repeat"]

orders = []
for id_ in range(1, 401):
    customer = customers[rnd(5)]
    items = []
    for k in range(rnd(4) + 1):
        sku = skus[rnd(6)]
        qty = 1 + rnd(9)
        items.append({"sku": sku, "qty": qty, "price": 5 + rnd(95)})
    labels = []
    for k in range(rnd(3)):
        labels.append(tags[rnd(4)])
    paid = rnd(3) > 0
    orders.append({"id": id_, "customer": customer, "items": items, "tags": labels, "paid": paid,
                   "note": "order %d \"%s\"" % (id_, customers[rnd(5)])})
document = {"orders": orders, "count": len(orders), "source": "generator"}


def quoted(s):
    return "\"" + s.replace("\"", "\\\"") + "\""


def dump(v, pad, text):
    if isinstance(v, dict):
        keys = sorted(v)
        text.append("{\n")
        left = len(keys)
        for k in keys:
            text.append(pad + "  " + quoted(k) + ": ")
            dump(v[k], pad + "  ", text)
            left -= 1
            text.append(",\n" if left > 0 else "\n")
        text.append(pad + "}")
    elif isinstance(v, list):
        if not v:
            text.append("[]")
            return
        text.append("[\n")
        left = len(v)
        for x in v:
            text.append(pad + "  ")
            dump(x, pad + "  ", text)
            left -= 1
            text.append(",\n" if left > 0 else "\n")
        text.append(pad + "]")
    elif isinstance(v, str):
        text.append(quoted(v))
    elif isinstance(v, bool):
        text.append("true" if v else "false")
    else:
        text.append(str(v))


text = ""
for rnd_ in range(8):
    parts = []
    dump(document, "", parts)
    text = "".join(parts) + "\n"
lines = text.split("\n")
lines = [line for line in lines if line]
print("%d characters, %d lines" % (len(text), len(lines)))
for k in range(25):
    print(lines[k])
print(lines[-1])
