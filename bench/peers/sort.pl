# 10^6 pseudo-random ints sorted; the first, the middle and the last.
use strict;
use warnings;

my $n = 1000000;
my $x = 1;
my @a;
for (my $i = 0; $i < $n; $i++) { $x = $x * 48271 % 2147483647; push @a, $x; }
my @sorted = sort { $a <=> $b } @a;
print "$sorted[0] $sorted[$n / 2] $sorted[$n - 1]\n";
