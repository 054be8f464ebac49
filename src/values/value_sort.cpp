#include "values/value_sort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "runtime/str_stream.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/value_order.h"

namespace morvu {

namespace {

// The quicksort of sort_values over positions 0 .. n-1: key_at(i) is the key
// at position i, swap_at(i, j) exchanges two positions, before(x, y) answers
// 1 when key x comes strictly before key y, 0 when not and -1 to stop. Both
// scans stop at their range's ends, whatever before answers. False when
// stopped; the order is then as far as it got.
// Storage for the n items of a sort's scratch: in the frame for the short
// lists most sorts are given, on the heap beyond.
template <typename T, size_t IN_FRAME>
class SORT_SCRATCH {
public:
    explicit SORT_SCRATCH(size_t n) : heap(n > IN_FRAME ? std::make_unique<T[]>(n) : nullptr) {}
    T* data() { return heap != nullptr ? heap.get() : in_frame; }

private:
    T in_frame[IN_FRAME];
    std::unique_ptr<T[]> heap;
};

// The ranges a quicksort has left to do: a few in the frame, more on the heap.
class RANGE_STACK {
public:
    bool empty() const { return depth == 0 && spilled.empty(); }
    void push(int lo, int hi) {
        if (depth < in_frame_depth) in_frame[depth++] = {lo, hi};
        else spilled.emplace_back(lo, hi);
    }
    std::pair<int, int> pop() {
        if (!spilled.empty()) {
            const std::pair<int, int> range = spilled.back();
            spilled.pop_back();
            return range;
        }
        return in_frame[--depth];
    }

private:
    static constexpr size_t in_frame_depth = 32;
    std::pair<int, int> in_frame[in_frame_depth];
    std::vector<std::pair<int, int>> spilled;  // takes over when the frame part is full
    size_t depth = 0;
};

template <typename KEY_AT, typename SWAP_AT, typename BEFORE>
bool quicksort(int n, KEY_AT key_at, SWAP_AT swap_at, BEFORE before) {
    RANGE_STACK ranges;  // grows with the partitions left to do
    ranges.push(0, n - 1);
    while (!ranges.empty()) {
        auto [lo, hi] = ranges.pop();
        while (lo < hi) {
            const auto pivot = key_at(lo + (hi - lo) / 2);
            int i = lo;
            int j = hi;
            while (i <= j) {
                for (;;) {
                    if (i > hi) break;
                    int moved = before(key_at(i), pivot);
                    if (moved < 0) return false;
                    if (moved == 0) break;
                    ++i;
                }
                for (;;) {
                    if (j < lo) break;
                    int moved = before(pivot, key_at(j));
                    if (moved < 0) return false;
                    if (moved == 0) break;
                    --j;
                }
                if (i <= j) {
                    swap_at(i, j);
                    ++i;
                    --j;
                }
            }
            if (i < hi) ranges.push(i, hi);
            hi = j;  // go on with the lower part at once
        }
    }
    return true;
}

// The numbers of the cells in permutation order, each with its index, when
// every cell, read as sort_operand reads it, carries the int tag of the
// first one (`tag`) and a non-empty number within 64 bits: such cells never make sort_less_equal
// answer with a message.
bool collect_small_ints(UNION_DATA** cells, const int* permutation, int n, char tag, std::pair<int64_t, int>* numbers) {
    for (int i = 0; i < n; ++i) {
        const auto [cell, cell_tag] = sort_operand(cells[permutation[i]]);
        // cell_int64 refuses the empty number.
        if (cell_tag != tag || cell->payload == nullptr || !cell_int64(cell, numbers[static_cast<size_t>(i)].first))
            return false;
        numbers[static_cast<size_t>(i)].second = permutation[i];
    }
    return true;
}

// The texts of the cells in permutation order, each with its index, when
// every cell, read as sort_operand reads it, carries the str tag of the
// first one (`tag`) and holds a text: sort_less_equal never answers such cells with a message, and it
// orders them as strcmp does.
bool collect_texts(UNION_DATA** cells, const int* permutation, int n, char tag, std::pair<const char*, int>* texts) {
    for (int i = 0; i < n; ++i) {
        const auto [cell, cell_tag] = sort_operand(cells[permutation[i]]);
        if (cell_tag != tag || cell->payload == nullptr) return false;
        texts[static_cast<size_t>(i)] = {cell->str_data()->text.c_str(), permutation[i]};
    }
    return true;
}

// One element of a list key, as the sort compares it when every key is a
// list of such elements: a number within 64 bits or a text. A text also
// carries its first eight bytes as one big-endian word (zeros after its
// end), which orders texts as their bytes do: most texts differ there, and
// the rest of two texts is read only when neither ends inside the word. A
// number is its head word with the sign bit turned over, which orders as
// the number does. Two words: the atoms of many keys are held at once.
struct KEY_ATOM {
    uint64_t head;
    const char* text;  // null for a number

    bool is_text() const { return text != nullptr; }
    // A text with no end inside its head word: its last byte is not zero.
    bool long_text() const { return (head & 0xFF) != 0; }
    int64_t number() const { return static_cast<int64_t>(head ^ sign_bit); }

    static constexpr uint64_t sign_bit = uint64_t{1} << 63;
};

void set_number(KEY_ATOM& atom, int64_t number) {
    atom.text = nullptr;
    atom.head = static_cast<uint64_t>(number) ^ KEY_ATOM::sign_bit;
}

// The head word of a text, as strcmp reads its first eight bytes.
void read_text_head(KEY_ATOM& atom) {
    uint64_t head = 0;
    int length = 0;
    for (; length < 8 && atom.text[length] != 0; ++length)
        head |= uint64_t{static_cast<unsigned char>(atom.text[length])} << (56 - 8 * length);
    atom.head = head;
}

// strcmp's order of two text atoms: below 0, 0 or above 0.
int compare_texts(const KEY_ATOM& x, const KEY_ATOM& y) {
    if (x.head != y.head) return x.head < y.head ? -1 : 1;
    // Equal heads: a text that ends inside its head ends where the other does.
    if (!x.long_text() || !y.long_text()) return 0;
    return std::strcmp(x.text + 8, y.text + 8);
}

// A list key read into its atoms (count of them from first on), with the
// index of its cell.
struct ATOM_KEY {
    size_t first;
    int count;
    int index;
};

// The element as an atom, when compare_less and op_greater would read it
// with no message and no code of the user: a defined int within 64 bits or
// a defined text, held by the element itself or through aliases (not a
// reference, which the equality test of op_greater treats apart).
bool key_atom(UNION_DATA* element, KEY_ATOM& atom) {
    UNION_DATA* cell = follow_aliases(element);
    if (cell->payload == nullptr) return false;
    switch (lower_tag(cell->tag)) {
    case tag_int: {
        int64_t number = 0;
        if (!cell_int64(cell, number)) return false;
        set_number(atom, number);
        return true;
    }
    case tag_str:
        atom.text = cell->str_data()->text.c_str();
        read_text_head(atom);
        return true;
    default: return false;
    }
}

// The keys in permutation order as atom lists, when every cell, read as
// sort_operand reads it, carries one and the same list tag and every element
// of every list reads as an atom. No comparison of such keys can run code of
// the user, so the atoms stay valid while the sort runs.
bool collect_atom_keys(UNION_DATA** cells, const int* permutation, int n, std::vector<KEY_ATOM>& atoms,
                       std::vector<ATOM_KEY>& keys) {
    const auto [head, tag] = sort_operand(cells[permutation[0]]);
    if (lower_tag(tag) != tag_list) return false;
    // Keys of one length, the usual case, fill the atoms without regrowing.
    atoms.reserve(static_cast<size_t>(n) * static_cast<size_t>(head->list_data()->node_count));
    keys.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto [cell, cell_tag] = sort_operand(cells[permutation[i]]);
        if (cell_tag != tag) return false;
        const size_t first = atoms.size();
        for (LIST_NODE* node = cell->list_data()->head; node != nullptr; node = node->next) {
            if (!key_atom(&node->value, atoms.emplace_back())) return false;
        }
        keys[static_cast<size_t>(i)] = {first, static_cast<int>(atoms.size() - first), permutation[i]};
    }
    return true;
}

// sort_less_equal of two atom keys: element by element, "<" decides for a,
// ">" against it, and a list that ends first is "<=" the other. Elements of
// different kinds make "<" fail: then -2, and the caller asks
// sort_less_equal for its message.
int atoms_less_equal(const KEY_ATOM* atoms, const ATOM_KEY& a, const ATOM_KEY& b) {
    for (int k = 0; k < a.count; ++k) {
        if (k == b.count) return 0;
        const KEY_ATOM& x = atoms[a.first + static_cast<size_t>(k)];
        const KEY_ATOM& y = atoms[b.first + static_cast<size_t>(k)];
        if (x.is_text() != y.is_text()) return -2;
        if (x.is_text()) {
            const int order = compare_texts(x, y);
            if (order != 0) return order < 0 ? 1 : 0;
        } else if (x.head != y.head) {
            return x.head < y.head ? 1 : 0;
        }
    }
    return 1;
}

// The quicksort of sort_values over atom keys (in permutation order), the
// permutation then read from them. mixed(x, y, &message) answers
// sort_less_equal of two keys whose elements differ in kind.
// Whether the keys all have one length and each position one kind, number
// or text: then no two keys have elements of different kinds to compare.
bool uniform_keys(const KEY_ATOM* atoms, const ATOM_KEY* keys, int n) {
    const ATOM_KEY& first = keys[0];
    for (int i = 1; i < n; ++i) {
        const ATOM_KEY& key = keys[i];
        if (key.count != first.count) return false;
        for (int k = 0; k < key.count; ++k) {
            if (atoms[key.first + static_cast<size_t>(k)].is_text() !=
                atoms[first.first + static_cast<size_t>(k)].is_text())
                return false;
        }
    }
    return true;
}

// The order of two keys of uniform_keys: below 0, 0 or above 0, as
// atoms_less_equal and its mirror would find it. The head words decide
// for numbers and for texts that end inside them; two longer texts of one
// head go on with their rest (equal heads: both long or neither).
inline int uniform_order(const KEY_ATOM* atoms, const ATOM_KEY& a, const ATOM_KEY& b) {
    const KEY_ATOM* x = atoms + a.first;
    const KEY_ATOM* y = atoms + b.first;
    for (int k = 0; k < a.count; ++k) {
        const uint64_t head = x[k].head;
        if (head != y[k].head) return head < y[k].head ? -1 : 1;
        if (x[k].is_text() && x[k].long_text()) {
            const int order = std::strcmp(x[k].text + 8, y[k].text + 8);
            if (order != 0) return order;
        }
    }
    return 0;
}

template <typename MIXED>
const char* sort_atom_keys(const KEY_ATOM* atoms, ATOM_KEY* list_keys, int* permutation, int n, bool ascending,
                           MIXED mixed) {
    auto key_at = [list_keys](int i) { return list_keys[i]; };
    auto swap_at = [list_keys](int i, int j) { std::swap(list_keys[i], list_keys[j]); };
    if (uniform_keys(atoms, list_keys, n)) {
        // No comparison can fail: one instance per direction.
        if (ascending) {
            quicksort(n, key_at, swap_at,
                      [atoms](const ATOM_KEY& x, const ATOM_KEY& y) { return uniform_order(atoms, x, y) < 0 ? 1 : 0; });
        } else {
            quicksort(n, key_at, swap_at,
                      [atoms](const ATOM_KEY& x, const ATOM_KEY& y) { return uniform_order(atoms, x, y) > 0 ? 1 : 0; });
        }
        for (int i = 0; i < n; ++i) permutation[i] = list_keys[i].index;
        return nullptr;
    }
    const char* message = nullptr;
    auto at_most = [&](const ATOM_KEY& x, const ATOM_KEY& y) {
        const int answer = atoms_less_equal(atoms, x, y);
        return answer != -2 ? answer : mixed(x, y, &message);
    };
    auto before = [&](const ATOM_KEY& x, const ATOM_KEY& y) -> int {
        const int answer = ascending ? at_most(y, x) : at_most(x, y);
        return answer < 0 ? -1 : (answer == 0 ? 1 : 0);
    };
    const bool done = quicksort(n, key_at, swap_at, before);
    for (int i = 0; i < n; ++i) permutation[i] = list_keys[i].index;
    return done ? nullptr : message;
}

}  // namespace

const char* sort_values(UNION_DATA** cells, int* permutation, int n, bool ascending) {
    if (n < 2) return nullptr;
    // Ints that fit in 64 bits compare as machine words: the same answers
    // as sort_less_equal gives them, so the same permutation, much sooner.
    // Each number travels with its index, so the sort reads no memory but
    // the pairs it moves.
    const char first_tag = sort_operand(cells[permutation[0]]).tag;
    if (lower_tag(first_tag) == tag_int) {
        SORT_SCRATCH<std::pair<int64_t, int>, 16> numbers(static_cast<size_t>(n));
        auto* pairs = numbers.data();
        if (collect_small_ints(cells, permutation, n, first_tag, pairs)) {
            // One instance per direction, so no comparison asks for it.
            auto key_at = [pairs](int i) { return pairs[i].first; };
            auto swap_at = [pairs](int i, int j) { std::swap(pairs[i], pairs[j]); };
            if (ascending) quicksort(n, key_at, swap_at, [](int64_t x, int64_t y) { return x < y ? 1 : 0; });
            else quicksort(n, key_at, swap_at, [](int64_t x, int64_t y) { return y < x ? 1 : 0; });
            for (int i = 0; i < n; ++i) permutation[i] = pairs[i].second;
            return nullptr;
        }
    }
    // Texts likewise, by their bytes.
    if (lower_tag(first_tag) == tag_str) {
        SORT_SCRATCH<std::pair<const char*, int>, 16> texts(static_cast<size_t>(n));
        auto* pairs = texts.data();
        if (collect_texts(cells, permutation, n, first_tag, pairs)) {
            auto key_at = [pairs](int i) { return pairs[i].first; };
            auto swap_at = [pairs](int i, int j) { std::swap(pairs[i], pairs[j]); };
            if (ascending)
                quicksort(n, key_at, swap_at,
                          [](const char* x, const char* y) { return std::strcmp(x, y) < 0 ? 1 : 0; });
            else
                quicksort(n, key_at, swap_at,
                          [](const char* x, const char* y) { return std::strcmp(y, x) < 0 ? 1 : 0; });
            for (int i = 0; i < n; ++i) permutation[i] = pairs[i].second;
            return nullptr;
        }
    }
    // Lists of numbers and texts, the keys of a sort by several fields,
    // likewise: their elements read once, not at each comparison.
    std::vector<KEY_ATOM> atoms;
    std::vector<ATOM_KEY> keys;
    if (collect_atom_keys(cells, permutation, n, atoms, keys)) {
        return sort_atom_keys(atoms.data(), keys.data(), permutation, n, ascending,
                              [cells](const ATOM_KEY& x, const ATOM_KEY& y, const char** failure) {
                                  return sort_less_equal(cells[x.index], cells[y.index], failure);
                              });
    }
    const char* message = nullptr;
    // Whether x comes strictly before y in the wanted order; -1 on a message.
    auto before = [&](UNION_DATA* x, UNION_DATA* y) -> int {
        int at_most = ascending ? sort_less_equal(y, x, &message) : sort_less_equal(x, y, &message);
        return at_most < 0 ? -1 : (at_most == 0 ? 1 : 0);
    };
    const bool done = quicksort(
        n, [cells, permutation](int i) { return cells[permutation[i]]; },
        [permutation](int i, int j) { std::swap(permutation[i], permutation[j]); }, before);
    return done ? nullptr : message;
}

// The texts of compact keys, each written once with its size before it and
// a zero byte after it, in blocks that never move: the keys point into them.
class TEXT_STORE {
public:
    // Texts of up to 2^32 - 1 bytes.
    const char* add(const std::string& text) {
        const auto size = static_cast<uint32_t>(text.size());
        const size_t bytes = sizeof size + text.size() + 1;
        if (blocks.empty() || free_bytes < bytes) {
            // Small for the short lists most sorts are given, doubling up to
            // a bound for long ones.
            const size_t block = std::max(bytes, first_block << std::min<size_t>(blocks.size(), 6));
            blocks.push_back(std::make_unique<char[]>(block));
            next = blocks.back().get();
            free_bytes = block;
        }
        std::memcpy(next, &size, sizeof size);
        char* copy = next + sizeof size;
        std::memcpy(copy, text.c_str(), text.size() + 1);
        next += bytes;
        free_bytes -= bytes;
        return copy;
    }

    // The size of a text the store holds, zero bytes in it counted.
    static uint32_t size_of(const char* text) {
        uint32_t size = 0;
        std::memcpy(&size, text - sizeof size, sizeof size);
        return size;
    }

private:
    static constexpr size_t first_block = 1 << 10;  // then up to 1 << 16
    std::vector<std::unique_ptr<char[]>> blocks;
    char* next = nullptr;
    size_t free_bytes = 0;
};

struct SORT_KEYS::STORE {
    // Compact keys while every key so far has been one; then the cells.
    bool compact = true;
    std::vector<KEY_ATOM> atoms;
    std::vector<ATOM_KEY> keys;
    TEXT_STORE texts;
    std::vector<std::unique_ptr<UNION_DATA>> cells;
    size_t expected;
    // The list key being taken: its first atom, or its cell once a part
    // has been no atom.
    size_t list_first = 0;
    std::unique_ptr<UNION_DATA> list;

    // The element a list makes of a copy of the value the atom holds.
    static void append_atom(LIST_DATA& list, const KEY_ATOM& atom) {
        if (atom.is_text()) {
            UNION_DATA text(tag_str);
            text.str_data()->text.assign(atom.text, TEXT_STORE::size_of(atom.text));
            list.append_plain(&text);
            return;
        }
        UNION_DATA number(tag_any);
        make_inline_int(atom.number(), number.payload);
        number.tag = tag_int;
        list.append_plain(&number);
        number.payload = nullptr;
        number.tag = tag_any;
    }

    // The cell the code made for a compact key.
    std::unique_ptr<UNION_DATA> cell_of(const ATOM_KEY& key) const {
        auto cell = std::make_unique<UNION_DATA>(raise_tag(tag_list));
        for (int k = 0; k < key.count; ++k) append_atom(*cell->list_data(), atoms[key.first + static_cast<size_t>(k)]);
        return cell;
    }

    void make_cells() {
        if (!compact) return;
        compact = false;
        cells.reserve(expected);
        for (const ATOM_KEY& key : keys) cells.push_back(cell_of(key));
        // A list under way keeps its atoms (those from list_first) until
        // it ends or list_part asks for them.
        atoms.erase(atoms.begin(), atoms.begin() + static_cast<std::ptrdiff_t>(list_first));
        list_first = 0;
        keys = {};
    }
};

SORT_KEYS::SORT_KEYS(size_t expected) : store(std::make_unique<STORE>()) { store->expected = expected; }

SORT_KEYS::~SORT_KEYS() = default;

void SORT_KEYS::add_cell(std::unique_ptr<UNION_DATA> key) {
    store->make_cells();
    store->cells.push_back(std::move(key));
}

void SORT_KEYS::start_list(uint32_t parts) {
    std::vector<KEY_ATOM>& atoms = store->atoms;
    // Keys of one length, the usual case, fill the atoms without regrowing.
    if (atoms.empty() && store->compact) atoms.reserve(store->expected * parts);
    store->list_first = atoms.size();
    store->list = nullptr;
}

bool SORT_KEYS::add_part(UNION_DATA* value) {
    if (store->list != nullptr) return false;
    // What the list's plain copy would make of the value, read as
    // collect_atom_keys reads an element: a number the element holds in its
    // payload word, or a text, here with its length for zero bytes in it.
    if (value->payload == nullptr || (copy_depth != 0 && value->referrers != nullptr)) return false;
    KEY_ATOM atom;
    switch (lower_tag(value->tag)) {
    case tag_int: {
        void* word = value->payload;
        if (!is_inline_int(word) && !inline_copy_of(*value->int_data(), word)) return false;
        set_number(atom, inline_int_value(word));
        break;
    }
    case tag_str: {
        const std::string& text = value->str_data()->text;
        if (text.size() > UINT32_MAX) return false;
        atom.text = store->texts.add(text);
        read_text_head(atom);
        break;
    }
    default: return false;
    }
    store->atoms.push_back(atom);
    return true;
}

LIST_DATA& SORT_KEYS::list_part() {
    if (store->list == nullptr) {
        store->list = std::make_unique<UNION_DATA>(raise_tag(tag_list));
        std::vector<KEY_ATOM>& atoms = store->atoms;
        for (size_t k = store->list_first; k < atoms.size(); ++k)
            STORE::append_atom(*store->list->list_data(), atoms[k]);
        atoms.resize(store->list_first);
    }
    return *store->list->list_data();
}

void SORT_KEYS::end_list() {
    if (store->list != nullptr) {
        add_cell(std::move(store->list));
        return;
    }
    if (!store->compact) {
        add_cell(store->cell_of({store->list_first, static_cast<int>(store->atoms.size() - store->list_first), 0}));
        store->atoms.clear();
        return;
    }
    const size_t first = store->list_first;
    store->list_first = store->atoms.size();
    store->keys.push_back({first, static_cast<int>(store->list_first - first), static_cast<int>(store->keys.size())});
}

const char* SORT_KEYS::order(int* permutation, int n, bool ascending) {
    if (!store->compact) {
        std::vector<UNION_DATA*> cells;
        cells.reserve(store->cells.size());
        for (const auto& cell : store->cells) cells.push_back(cell.get());
        return sort_values(cells.data(), permutation, n, ascending);
    }
    if (n < 2) return nullptr;
    std::vector<ATOM_KEY> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = store->keys[static_cast<size_t>(permutation[i])];
    store->keys = {};
    const STORE& held = *store;
    return sort_atom_keys(held.atoms.data(), keys.data(), permutation, n, ascending,
                          [&held](const ATOM_KEY& x, const ATOM_KEY& y, const char** failure) {
                              return sort_less_equal(held.cell_of(x).get(), held.cell_of(y).get(), failure);
                          });
}

const char* LIST_DATA::sort(UNION_DATA** keys, bool ascending) {
    std::vector<int> permutation(static_cast<size_t>(node_count));
    std::iota(permutation.begin(), permutation.end(), 0);
    // A sort stopped by a message leaves the nodes where they were.
    if (const char* message = sort_values(keys, permutation.data(), node_count, ascending)) return message;
    arrange(permutation);
    return nullptr;
}

const char* LIST_DATA::sort(SORT_KEYS& keys, bool ascending) {
    std::vector<int> permutation(static_cast<size_t>(node_count));
    std::iota(permutation.begin(), permutation.end(), 0);
    if (const char* message = keys.order(permutation.data(), node_count, ascending)) return message;
    arrange(permutation);
    return nullptr;
}

const char* HASH_DATA::sort(UNION_DATA** keys, bool ascending) {
    if (!cached_array) build_array();  // the keys then follow the pair order
    std::vector<LIST_NODE*>& pairs = *cached_array;
    std::vector<int> permutation(pairs.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    if (const char* message = sort_values(keys, permutation.data(), static_cast<int>(pairs.size()), ascending))
        return message;      // the pairs keep their order
    array_outdated = false;  // the new order follows any earlier assignment
    // Entry i takes the node of entry permutation[i]. The buckets stay as
    // they are.
    std::vector<LIST_NODE*> old = pairs;
    for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = old[static_cast<size_t>(permutation[i])];
    return nullptr;
}

}  // namespace morvu
