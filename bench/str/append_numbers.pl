# Builds a 6.9 MB text: the numbers 1 to 10^6, each followed by a blank.
my $s = "";
my $i = 0;
while ($i < 1000000) { $i += 1; $s .= "$i "; }
print length($s), "\n";
