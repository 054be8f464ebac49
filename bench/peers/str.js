// The numbers 1 .. 1000000 appended to a text, each followed by a comma.
let s = "";
for (let i = 1; i <= 1000000; i++) s += i + ",";
console.log(s.length);
