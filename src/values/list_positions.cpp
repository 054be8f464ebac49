#include "values/list_positions.h"

#include <algorithm>
#include <utility>

#include "values/list_store.h"

namespace morvu {

LIST_POSITIONS::LIST_POSITIONS(LIST_NODE* head, int count) {
    slots.reserve(static_cast<size_t>(count));
    for (LIST_NODE* node = head; node != nullptr; node = node->next) slots.push_back(node);
}

void LIST_POSITIONS::push_front(LIST_NODE* node) {
    if (first == 0) {
        // Room in front as large as the list, so that putting nodes in
        // front one by one moves the slots only now and then.
        const size_t room = std::max<size_t>(slots.size(), 8);
        slots.insert(slots.begin(), room, nullptr);
        first = room;
    }
    slots[--first] = node;
}

void LIST_POSITIONS::pop_front() {
    slots[first++] = nullptr;
    // A list used as a queue gains room in front as fast as it adds at the
    // tail: once the room exceeds the nodes it is given back.
    if (first > 64 && first > slots.size() - first) {
        slots.erase(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(first));
        first = 0;
        if (slots.size() < slots.capacity() / 4) give_back_room();
    }
}

void LIST_POSITIONS::give_back_room() {
    if (slots.capacity() <= 256) return;
    slots.erase(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(first));
    first = 0;
    slots.shrink_to_fit();
}

void LIST_POSITIONS::insert(int position, LIST_NODE* node) {
    const auto begin = slots.begin() + static_cast<std::ptrdiff_t>(first);
    if (first > 0 && position < count() / 2) {
        std::move(begin, begin + position, begin - 1);  // the front part, one nearer the room
        --first;
        slots[first + static_cast<size_t>(position)] = node;
    } else {
        slots.insert(begin + position, node);
    }
}

void LIST_POSITIONS::erase(int position) {
    const auto begin = slots.begin() + static_cast<std::ptrdiff_t>(first);
    if (position < count() / 2) {
        std::move_backward(begin, begin + position, begin + position + 1);  // the front part, one further
        pop_front();
    } else {
        slots.erase(begin + position);
        if (slots.size() < slots.capacity() / 4) give_back_room();
    }
}

void LIST_POSITIONS::reverse() { std::reverse(slots.begin() + static_cast<std::ptrdiff_t>(first), slots.end()); }

void LIST_POSITIONS::assign(std::vector<LIST_NODE*> order) {
    slots = std::move(order);
    first = 0;
}

}  // namespace morvu
