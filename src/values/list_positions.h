// The positions of a list's nodes, for a list that is read far from the
// nodes it knows (its head, its tail and its cursor): slot first + i holds
// the node at position i, so any position costs one step whatever the
// list's size. The slots before first are room for nodes put in front, and
// the vector's spare capacity room for nodes added at the tail, so both ends
// change in amortized constant time; a node inserted or removed inside the
// list shifts the slots on its nearer side, a move of pointers in memory
// that costs far less than a walk over as many nodes.
//
// The list that owns the positions keeps them in step with every change of
// its chain. Operations here only move pointers: the nodes stay the list's.

#pragma once

#include <cstddef>
#include <vector>

namespace morvu {

struct LIST_NODE;

class LIST_POSITIONS {
public:
    // The positions of the count nodes from head on.
    LIST_POSITIONS(LIST_NODE* head, int count);

    LIST_NODE* at(int position) const { return slots[first + static_cast<size_t>(position)]; }
    int count() const { return static_cast<int>(slots.size() - first); }
    // The slots held, used or not: the memory the positions take.
    size_t room() const { return slots.capacity(); }

    void push_back(LIST_NODE* node) { slots.push_back(node); }
    void push_front(LIST_NODE* node);
    void pop_back() {
        slots.pop_back();
        if (slots.size() < slots.capacity() / 4) give_back_room();
    }
    void pop_front();
    // The node that takes position (0 .. count), the later ones one further.
    void insert(int position, LIST_NODE* node);
    // Drops position (0 .. count - 1), the later ones one nearer.
    void erase(int position);
    void reverse();
    // The nodes in a new order, one for each position.
    void assign(std::vector<LIST_NODE*> order);

private:
    // A list that has shrunk to a quarter of the slots' room gives back the
    // room it no longer needs, so a list emptied once keeps no large slots.
    void give_back_room();

    std::vector<LIST_NODE*> slots;
    size_t first = 0;
};

}  // namespace morvu
