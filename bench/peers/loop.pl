# The sum of 0 .. 9999999 in a while loop.
use strict;
use warnings;

my $s = 0;
my $i = 0;
while ($i < 10000000) { $s += $i; $i++; }
print "$s\n";
