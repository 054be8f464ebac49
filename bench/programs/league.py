# Twin of league.mrv: the same clubs as objects of a class, the same seasons
# and tables.
seed = 1958


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class Club:
    def __init__(self, name, strength):
        self.name = name
        self.strength = strength
        self.new_season()

    def record(self, ours, theirs):
        self.played += 1
        self.scored += ours
        self.conceded += theirs
        if ours > theirs:
            self.won += 1
        elif ours == theirs:
            self.drawn += 1
        else:
            self.lost += 1

    def points(self):
        return 3 * self.won + self.drawn

    def diff(self):
        return self.scored - self.conceded

    def new_season(self):
        self.played = 0
        self.won = 0
        self.drawn = 0
        self.lost = 0
        self.scored = 0
        self.conceded = 0


towns = ["Ashford", "Brackley", "Carlow", "Dunmore", "Eastleigh", "Fenwick", "Garston", "Hexham",
         "Ilkley", "Jarrow", "Keswick", "Ludlow", "Malton", "Newquay", "Oakham", "Penrith",
         "Quorn", "Ripon", "Selby", "Thirsk"]
clubs = [Club(t + " FC", 2 + rnd(8)) for t in towns]


def goals(attack, defence):
    g = 0
    for k in range(6):
        if rnd(20) < attack - defence // 2 + 2:
            g += 1
    return g


def play(home, away):
    h = goals(home.strength + 1, away.strength)
    a = goals(away.strength, home.strength)
    home.record(h, a)
    away.record(a, h)


titles = {}
best_points = 0
best_season = ""
total_goals = 0
table = []
for season in range(1, 151):
    for c in clubs:
        c.new_season()
    for i in range(20):
        for j in range(20):
            if i != j:
                play(clubs[i], clubs[j])
    table = sorted(clubs, key=lambda c: (-c.points(), -c.diff(), -c.scored, c.name))
    champion = table[0]
    titles[champion.name] = titles.get(champion.name, 0) + 1
    if champion.points() > best_points:
        best_points = champion.points()
        best_season = f"{season} {champion.name}"
    for c in clubs:
        total_goals += c.scored
    if season % 25 == 0:
        print(f"season {season}: {champion.name} {champion.points()} points, bottom {table[-1].name} "
              f"{table[-1].points()}")
    for c in clubs:
        change = rnd(3) - 1
        if 1 <= c.strength + change <= 10:
            c.strength += change

print(f"{'#':>3}{' club':<16}{'P':>4}{'W':>4}{'D':>4}{'L':>4}{'F':>5}{'A':>5}{'GD':>5}{'Pts':>5}")
for place, c in enumerate(table, 1):
    print(f"{place:>3}{' ' + c.name:<16}{c.played:>4}{c.won:>4}{c.drawn:>4}{c.lost:>4}{c.scored:>5}"
          f"{c.conceded:>5}{c.diff():>5}{c.points():>5}")
print(f"goals in all seasons: {total_goals}, best season: {best_season} with {best_points} points")
for k in sorted(titles, key=lambda k: (-titles[k], k))[:5]:
    print(f"{k}: {titles[k]} titles")
