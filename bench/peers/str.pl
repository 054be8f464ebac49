# The numbers 1 .. 1000000 appended to a text, each followed by a comma.
use strict;
use warnings;

my $s = "";
for (my $i = 1; $i <= 1000000; $i++) { $s .= "$i,"; }
print length($s), "\n";
