# Twin of event_sim.mrv: the same machine shop, events ordered by their own
# __lt__ in a binary heap kept in a list.
seed = 2024


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class Event:
    def __init__(self, time, seq, kind, machine):
        self.time = time
        self.seq = seq
        self.kind = kind
        self.machine = machine

    def __lt__(self, o):
        return self.time < o.time or (self.time == o.time and self.seq < o.seq)


BREAKDOWN = 0
REPAIRED = 1


def push(heap, e):
    heap.append(e)
    i = len(heap) - 1
    while i > 0:
        p = (i - 1) // 2
        if not (e < heap[p]):
            break
        heap[i] = heap[p]
        i = p
    heap[i] = e


def pop(heap):
    top = heap[0]
    last = heap.pop()
    n = len(heap)
    if n == 0:
        return top
    i = 0
    c = 1
    while c < n:
        if c + 1 < n and heap[c + 1] < heap[c]:
            c += 1
        if not (heap[c] < last):
            break
        heap[i] = heap[c]
        i = c
        c = 2 * i + 1
    heap[i] = last
    return top


machines = 300
crews = 20
horizon = 150000
heap = []
broke_at = []
repairs_of = []
waiting = []
free_crews = crews
next_seq = 0


def repair_time():
    return 20 + rnd(60) + rnd(60)


def schedule(t, kind, m):
    global next_seq
    push(heap, Event(t, next_seq, kind, m))
    next_seq += 1


for m in range(machines):
    broke_at.append(0)
    repairs_of.append(0)
    schedule(1 + rnd(2000), BREAKDOWN, m)

now = 0
events = 0
total_wait = 0
longest_wait = 0
longest_queue = 0
down_now = 0
report_at = 25000
while heap:
    e = pop(heap)
    if e.time > horizon:
        break
    now = e.time
    events += 1
    while now >= report_at:
        print(f"t={report_at} down {down_now} waiting {len(waiting)} free crews {free_crews} events {events}")
        report_at += 25000
    m = e.machine
    if e.kind == BREAKDOWN:
        down_now += 1
        broke_at[m] = now
        if free_crews > 0:
            free_crews -= 1
            schedule(now + repair_time(), REPAIRED, m)
        else:
            waiting.append(m)
            if len(waiting) > longest_queue:
                longest_queue = len(waiting)
    else:
        down_now -= 1
        repairs_of[m] += 1
        schedule(now + 400 + rnd(1600), BREAKDOWN, m)
        if waiting:
            w = waiting.pop(0)
            waited = now - broke_at[w]
            total_wait += waited
            if waited > longest_wait:
                longest_wait = waited
            schedule(now + repair_time(), REPAIRED, w)
        else:
            free_crews += 1

done = sum(repairs_of)
print(f"events {events}, repairs {done}, still down {down_now}, pending {len(heap)}")
print(f"mean wait {total_wait // done}, longest wait {longest_wait}, longest queue {longest_queue}")
most = max(repairs_of)
least = min(repairs_of)
print(f"repairs per machine from {least} to {most}; first with most: {repairs_of.index(most)}")
