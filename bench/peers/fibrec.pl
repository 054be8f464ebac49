# fib(27) by naive recursion.
use strict;
use warnings;

sub fib {
    my ($n) = @_;
    return $n < 2 ? $n : fib($n - 1) + fib($n - 2);
}
print fib(27), "\n";
