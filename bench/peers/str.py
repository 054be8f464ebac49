# The numbers 1 .. 1000000 appended to a text, each followed by a comma.
# Pieces gathered in a list and joined once: the way Python builds a long
# text, since += on a str may copy it on every step.
parts = []
i = 1
while i <= 1000000:
    parts.append(str(i) + ",")
    i += 1
print(len("".join(parts)))
