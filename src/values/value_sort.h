// The sort that every ordered container uses, and the keys of a sort by
// code.
//
// sort_values orders a permutation of indexes into an array of key cells,
// which the container supplies and afterwards applies; the cells themselves
// are never moved. Its quicksort scans stay inside the range they partition,
// so a user "<" that contradicts itself gives some order, never an access
// outside the container. Its comparison is sort_less_equal (value_order.h).
//
// The sorts of the list and hash stores (LIST_DATA::sort, HASH_DATA::sort)
// are defined here too: the stores only apply an order, and know nothing of
// how values compare.

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace morvu {

class UNION_DATA;
class LIST_DATA;

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

}  // namespace morvu
