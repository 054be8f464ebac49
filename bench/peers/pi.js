// pi truncated to 1000 decimals, by Machin's formula on scaled BigInts.
const guard = 10n;
const scale = 10n ** (1000n + guard);
function arctanInverse(x) {
  let term = scale / x, total = term, n = 1n, sign = -1n;
  const x2 = x * x;
  while (term !== 0n) {
    term /= x2;
    total += sign * (term / (2n * n + 1n));
    sign = -sign;
    n++;
  }
  return total;
}
const text = ((4n * (4n * arctanInverse(5n) - arctanInverse(239n))) / 10n ** guard).toString();
console.log(text[0] + "." + text.slice(1));
