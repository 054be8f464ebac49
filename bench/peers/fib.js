// F(100000) by an iterative loop, with BigInt.
let a = 0n, b = 1n;
for (let i = 0; i < 100000; i++) [a, b] = [b, a + b];
console.log(a.toString());
