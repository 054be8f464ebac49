// 10^6 pseudo-random ints sorted; the first, the middle and the last.
const n = 1000000;
const a = new Float64Array(n);
let x = 1;
for (let i = 0; i < n; i++) { x = x * 48271 % 2147483647; a[i] = x; }
a.sort();
console.log(a[0] + " " + a[n / 2] + " " + a[n - 1]);
