// 20000! by multiplying 2, 3, ..., 20000 in a loop, with BigInt.
let f = 1n;
for (let k = 2n; k <= 20000n; k++) f *= k;
console.log(f.toString());
