# 10^6 keys "k0" .. "k999999" inserted, then summed by lookup.
use strict;
use warnings;

my $n = 1000000;
my %h;
for (my $i = 0; $i < $n; $i++) { $h{"k$i"} = $i; }
my $s = 0;
for (my $i = 0; $i < $n; $i++) { $s += $h{"k$i"}; }
print scalar(keys %h), " $s\n";
