// 10^6 keys "k0" .. "k999999" inserted into a Map, then summed by lookup.
const n = 1000000;
const h = new Map();
for (let i = 0; i < n; i++) h.set("k" + i, i);
let s = 0;
for (let i = 0; i < n; i++) s += h.get("k" + i);
console.log(h.size + " " + s);
