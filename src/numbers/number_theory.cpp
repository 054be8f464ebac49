// The number-theory functions of INT_DATA behind the int methods prime, fac,
// binom, gcd and lcm.
//
// The prime test is exact: trial division for small numbers, Miller-Rabin with
// the first twelve prime bases below 2^64 (proven deterministic there) and the
// first thirteen below 3.3 * 10^24; above that, Miller-Rabin to base 2 with a
// strong Lucas test (Baillie-PSW), for which no composite that passes is known.
// Factorials and binomials multiply their factors in a balanced product tree,
// and the gcd is Euclid's, so each runs in time near that of its result.

#include <cmath>
#include <cstdint>
#include <new>
#include <numeric>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/limbs.h"

namespace morvu {

namespace {

constexpr uint64_t limb_base = 1'000'000'000u;

// Every prime below 1000, for trial division.
std::vector<uint32_t> small_primes() {
    std::vector<uint32_t> primes;
    for (uint32_t p = 2; p < 1000; ++p) {
        bool prime = true;
        for (uint32_t q : primes) {
            if (q * q > p) break;
            if (p % q == 0) {
                prime = false;
                break;
            }
        }
        if (prime) primes.push_back(p);
    }
    return primes;
}

const std::vector<uint32_t>& trial_primes() {
    static const std::vector<uint32_t> primes = small_primes();
    return primes;
}

uint64_t mul_mod(uint64_t a, uint64_t b, uint64_t m) {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

uint64_t pow_mod(uint64_t base, uint64_t exponent, uint64_t m) {
    uint64_t result = 1 % m;
    base %= m;
    while (exponent != 0) {
        if (exponent & 1) result = mul_mod(result, base, m);
        base = mul_mod(base, base, m);
        exponent >>= 1;
    }
    return result;
}

// Miller-Rabin for an odd n above the largest base; deterministic for every
// n below 2^64 with these twelve bases.
bool is_prime_u64(uint64_t n) {
    for (uint32_t p : trial_primes()) {
        if (uint64_t{p} * p > n) return true;
        if (n % p == 0) return false;
    }
    uint64_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) {
        d >>= 1;
        ++s;
    }
    for (uint64_t a : {2u, 3u, 5u, 7u, 11u, 13u, 17u, 19u, 23u, 29u, 31u, 37u}) {
        uint64_t x = pow_mod(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool witness = true;
        for (int r = 1; r < s && witness; ++r) {
            x = mul_mod(x, x, n);
            if (x == n - 1) witness = false;
        }
        if (witness) return false;
    }
    return true;
}

// The binary digits of a non-negative number, least significant first.
std::vector<bool> binary_digits(INT_DATA n) {
    const INT_DATA chunk_base(1 << 30);
    std::vector<bool> bits;
    while (!n.is_zero()) {
        long chunk = std::stol(INT_DATA(n % chunk_base).to_text());
        n = n / chunk_base;
        for (int i = 0; i < 30; ++i) bits.push_back((chunk >> i) & 1);
    }
    while (!bits.empty() && !bits.back()) bits.pop_back();
    return bits;
}

INT_DATA pow_mod(const INT_DATA& base, const INT_DATA& exponent, const INT_DATA& m) {
    std::vector<bool> bits = binary_digits(exponent);
    INT_DATA result(1);
    for (size_t i = bits.size(); i-- > 0;) {
        result = result * result % m;
        if (bits[i]) result = result * base % m;
    }
    return result;
}

// One Miller-Rabin round: false when a proves the odd n composite.
bool miller_rabin_round(const INT_DATA& n, const INT_DATA& a) {
    const INT_DATA one(1);
    const INT_DATA two(2);
    INT_DATA n_minus_1 = n - one;
    INT_DATA d = n_minus_1;
    int s = 0;
    while ((d % two).is_zero()) {
        d = d / two;
        ++s;
    }
    INT_DATA x = pow_mod(a, d, n);
    if (x == one || x == n_minus_1) return true;
    for (int r = 1; r < s; ++r) {
        x = x * x % n;
        if (x == n_minus_1) return true;
    }
    return false;
}

// The integer square root of a non-negative n (Newton's iteration).
INT_DATA integer_sqrt(const INT_DATA& n) {
    if (n.is_zero()) return INT_DATA(0);
    const INT_DATA two(2);
    std::string start((INT_DATA(n).to_text().size() + 1) / 2 + 1, '0');
    start[0] = '1';
    INT_DATA x(start.c_str());  // above the root
    while (true) {
        INT_DATA y = (x + n / x) / two;
        if (!(y < x)) return x;
        x = std::move(y);
    }
}

// The Jacobi symbol (a / n) for a small a >= 0 and an odd n > 0.
int jacobi(uint64_t a, const INT_DATA& n) {
    int result = 1;
    // n mod 8 is read from its last digits: 10^9 is a multiple of 8.
    const int n_mod_8 = n.limb(0) % 8;
    while (a != 0 && a % 2 == 0) {
        a /= 2;
        if (n_mod_8 == 3 || n_mod_8 == 5) result = -result;
    }
    if (a == 1) return result;
    if (a == 0) return 0;
    // Reciprocity moves the big number to the bottom.
    if (a % 4 == 3 && n_mod_8 % 4 == 3) result = -result;
    uint64_t m = a;
    uint64_t b = std::stoull(INT_DATA(n % INT_DATA(static_cast<long>(a))).to_text());
    while (b != 0) {
        while (b % 2 == 0) {
            b /= 2;
            if (m % 8 == 3 || m % 8 == 5) result = -result;
        }
        std::swap(b, m);
        if (b % 4 == 3 && m % 4 == 3) result = -result;
        b %= m;
    }
    return m == 1 ? result : 0;
}

// x / 2 modulo the odd n, for 0 <= x < n.
INT_DATA half_mod(const INT_DATA& x, const INT_DATA& n) {
    const INT_DATA two(2);
    if ((x % two).is_zero()) return x / two;
    return (x + n) / two;
}

// The strong Lucas probable-prime test with Selfridge's parameters, for an
// odd n that is not a perfect square and has no factor below 1000.
bool strong_lucas(const INT_DATA& n) {
    long d_value = 5;
    while (true) {
        int j = jacobi(static_cast<uint64_t>(d_value < 0 ? -d_value : d_value), n);
        if (d_value < 0 && j != 0) {
            // (-1 / n) is -1 exactly when n = 3 mod 4.
            if (n.limb(0) % 4 == 3) j = -j;
        }
        if (j == -1) break;
        if (j == 0) return false;  // shares a factor with |D| < n
        d_value = d_value > 0 ? -(d_value + 2) : -d_value + 2;
    }
    const INT_DATA one(1);
    const INT_DATA two(2);
    const INT_DATA d_mod = INT_DATA(d_value) % n;
    const INT_DATA q_mod = INT_DATA((1 - d_value) / 4) % n;

    INT_DATA k = n + one;
    int s = 0;
    while ((k % two).is_zero()) {
        k = k / two;
        ++s;
    }
    std::vector<bool> bits = binary_digits(k);
    INT_DATA u(1);  // U_1
    INT_DATA v(1);  // V_1 = P
    INT_DATA qk = q_mod;
    for (size_t i = bits.size() - 1; i-- > 0;) {
        u = u * v % n;
        v = (v * v - two * qk) % n;
        qk = qk * qk % n;
        if (bits[i]) {
            INT_DATA next_u = half_mod((u + v) % n, n);
            v = half_mod((d_mod * u + v) % n, n);
            u = std::move(next_u);
            qk = qk * q_mod % n;
        }
    }
    if (u.is_zero() || v.is_zero()) return true;
    for (int r = 1; r < s; ++r) {
        v = (v * v - two * qk) % n;
        if (v.is_zero()) return true;
        qk = qk * qk % n;
    }
    return false;
}

// Multiplies a list of factors pairwise until one is left.
INT_DATA product_tree(std::vector<INT_DATA> factors) {
    if (factors.empty()) return INT_DATA(1);
    while (factors.size() > 1) {
        size_t half = factors.size() / 2;
        for (size_t i = 0; i < half; ++i) factors[i] = factors[2 * i] * factors[2 * i + 1];
        if (factors.size() % 2 == 1) factors[half++] = std::move(factors.back());
        factors.resize(half);
    }
    return std::move(factors[0]);
}

}  // namespace

// Below 2 the first trial divisions decide: 1 and 0 are not prime, and a
// negative n counts as prime unless 2, 3, 5 or 7 divides it.
bool INT_DATA::is_prime() const {
    if (*this == INT_DATA(1)) return false;
    for (int p : {2, 3, 5, 7}) {
        if (*this == INT_DATA(p)) return true;
    }
    if ((*this % INT_DATA(2)).is_zero() || (*this % INT_DATA(3)).is_zero()) return false;
    if (*this < INT_DATA(0)) return !(*this % INT_DATA(5)).is_zero() && !(*this % INT_DATA(7)).is_zero();

    uint32_t scratch[small_limbs];
    const uint32_t* data = read_limbs(scratch);
    const int used = used_count();
    if (used <= 2 || (used == 3 && data[2] < 18)) {
        uint64_t n = data[0];
        if (used >= 2) n += uint64_t{data[1]} * limb_base;
        if (used == 3) n += uint64_t{data[2]} * limb_base * limb_base;
        return is_prime_u64(n);
    }
    for (uint32_t p : trial_primes()) {
        if ((*this % INT_DATA(static_cast<int>(p))).is_zero()) return false;
    }
    static const INT_DATA proven_limit("3317044064679887385961981");
    if (*this < proven_limit) {
        for (int a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41}) {
            if (!miller_rabin_round(*this, INT_DATA(a))) return false;
        }
        return true;
    }
    if (!miller_rabin_round(*this, INT_DATA(2))) return false;
    INT_DATA root = integer_sqrt(*this);
    if (root * root == *this) return false;
    return strong_lucas(*this);
}

INT_DATA INT_DATA::factorial(const INT_DATA& n) {
    if (n < INT_DATA(2)) return INT_DATA(1);
    // No n! with n of 10^18 or more could be held in memory.
    uint64_t m = 0;
    if (n.used_count() > 2 || !n.machine_magnitude(m)) throw std::bad_alloc();
    limbs::require_room_for_digits(std::lgamma(static_cast<double>(m) + 1) / std::log(10.0));
    // Leaves: runs of consecutive factors whose product fits a long.
    std::vector<INT_DATA> leaves;
    constexpr uint64_t leaf_limit = 1'000'000'000'000'000'000ull;
    uint64_t leaf = 1;
    for (uint64_t k = 2; k <= m; ++k) {
        if (leaf > leaf_limit / k) {
            leaves.emplace_back(static_cast<long>(leaf));
            leaf = 1;
        }
        leaf *= k;
    }
    leaves.emplace_back(static_cast<long>(leaf));
    return product_tree(std::move(leaves));
}

// The product of k consecutive integers ending at n, divided by k!; since
// C(n, k) = C(n, n - k), the shorter of the two products is formed.
INT_DATA INT_DATA::binomial(const INT_DATA& n, const INT_DATA& k) {
    if (n < k) return INT_DATA(0);
    if (n == k) return INT_DATA(1);
    if (k < INT_DATA(1)) return INT_DATA(1);
    INT_DATA count = k;
    INT_DATA other = n - k;
    if (other < count) count = other;
    uint64_t c = 0;
    if (count.used_count() > 2 || !count.machine_magnitude(c)) throw std::bad_alloc();
    std::vector<INT_DATA> factors;
    factors.reserve(c);
    INT_DATA factor = n - count + INT_DATA(1);
    for (uint64_t i = 0; i < c; ++i) factors.push_back(factor.post_increment());
    return product_tree(std::move(factors)) / factorial(count);
}

// Euclid's algorithm on the magnitudes. A zero operand gives 1.
INT_DATA INT_DATA::gcd(INT_DATA a, INT_DATA b) {
    if (a.is_zero() || b.is_zero()) return INT_DATA(1);
    a.sign_value = 1;
    b.sign_value = 1;
    a.changed();
    b.changed();
    uint64_t x = 0;
    uint64_t y = 0;
    if (a.used_count() <= 2 && b.used_count() <= 2 && a.machine_magnitude(x) && b.machine_magnitude(y)) {
        return INT_DATA(static_cast<long>(std::gcd(x, y)));
    }
    while (!b.is_zero()) {
        INT_DATA rest = a % b;
        a = std::move(b);
        b = std::move(rest);
    }
    return a;
}

INT_DATA INT_DATA::lcm(const INT_DATA& a, const INT_DATA& b) { return a * b / gcd(a, b); }

}  // namespace morvu
