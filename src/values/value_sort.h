// The order of values and the sort that every ordered container uses.
//
// "<" is defined per type (numbers, texts by unsigned bytes, chars by signed
// codes, calendar values field by field, lists lexicographically, sets by
// proper inclusion, objects by their type's own operator "<"); "<=", ">" and
// ">=" are built from "<" and "==", except on sets, which compare by
// inclusion. Operands are taken one link step deep past their aliases;
// every operation returns null or a message (keep_message) and never throws.
//
// sort_values orders a permutation of indexes into an array of key cells,
// which the container supplies and afterwards applies; the cells themselves
// are never moved. Its quicksort scans stay inside the range they partition,
// so a user "<" that contradicts itself gives some order, never an access
// outside the container.
//
// radix_sort_field sorts machine words by a bit field they carry, for the
// containers whose elements are all plain numbers: they pack each number
// with what finds its element again into one word and sort the words
// without comparisons.

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace morvu {

class UNION_DATA;
class LIST_DATA;

// "<": both operands pass check_binary_operands with "<"; a type without an
// order gives "Operator '<' not defined for type '%s'".
const char* compare_less(UNION_DATA* left, UNION_DATA* right, bool* result);

// "<=", ">", ">=". Messages of compare_less pass through unchanged (they
// name the operator "<").
const char* op_less_equal(UNION_DATA* left, UNION_DATA* right, bool* result);
const char* op_greater(UNION_DATA* left, UNION_DATA* right, bool* result);
const char* op_greater_equal(UNION_DATA* left, UNION_DATA* right, bool* result);

// The "<=" of sorting: 1 true, 0 false, -1 with *message set. Aliases and
// call-aliases are followed to the end, then a reference to its target,
// which counts as held the way the reference is held (an element given to
// "@" sorts by its target); cells of different tags (case included) give
// "incompatible types".
int sort_less_equal(UNION_DATA* a, UNION_DATA* b, const char** message);

// Orders permutation[0 .. n-1] (indexes into cells, 0 .. n-1 on entry) so
// that the cells taken in that order ascend, or descend. Not stable. Null,
// or the first comparison's message, with the permutation as far as it got.
const char* sort_values(UNION_DATA** cells, int* permutation, int n, bool ascending);

// The keys of a sort by code, one per element in list order, taken as the
// code makes them. A key that is a list of numbers and texts (the usual key
// of a sort by several fields) is held compactly: its numbers as machine
// words, its texts once in a shared store, no cell or list of its own. Any
// other key is held as its cell, and the first such key turns the compact
// keys taken before it into the cells they stand for, which the code would
// have made: the order and the messages are those of sort_values over the
// cells in either case.
class SORT_KEYS {
public:
    explicit SORT_KEYS(size_t expected);
    ~SORT_KEYS();
    SORT_KEYS(const SORT_KEYS&) = delete;
    SORT_KEYS& operator=(const SORT_KEYS&) = delete;

    // A key of its own cell.
    void add_cell(std::unique_ptr<UNION_DATA> key);

    // A key that is a list of several values, given one by one between
    // start_list and end_list. add_part takes a plain value (one link step
    // deep) when the list would hold it as a number or text of its own;
    // otherwise it answers false and the caller appends the value to the
    // list that list_part gives, which holds the parts taken so far.
    void start_list(uint32_t parts);
    bool add_part(UNION_DATA* value);
    LIST_DATA& list_part();
    void end_list();

    // sort_values over the keys.
    const char* order(int* permutation, int n, bool ascending);

    struct STORE;

private:
    std::unique_ptr<STORE> store;
};

// Orders words[0 .. n-1] in place by word >> low, which must be below
// 2^width. Not stable: words with equal fields end in any order.
void radix_sort_field(uint64_t* words, size_t n, unsigned low, unsigned width);
// The same for words of half the size, which halve the buffer a sort needs.
void radix_sort_field(uint32_t* words, size_t n, unsigned low, unsigned width);

}  // namespace morvu
