#include "values/result_list.h"

#include <new>

#include "runtime/error.h"
#include "runtime/memory_pages.h"
#include "values/union_data.h"

namespace morvu {

void RESULT_LIST::release() { clear_value_list(*this); }

RESULT_LIST::RESULT_LIST(RESULT_LIST&& other) noexcept : count(other.count), head(other.head), tail(other.tail) {
    other.count = 0;
    other.head = other.tail = nullptr;
}

RESULT_LIST& RESULT_LIST::operator=(RESULT_LIST&& other) noexcept {
    if (this != &other) {
        clear_value_list(*this);
        count = other.count;
        head = other.head;
        tail = other.tail;
        other.count = 0;
        other.head = other.tail = nullptr;
    }
    return *this;
}

void require_room_for_results_slowly(uint64_t count) {
    if (count > UINT32_MAX) throw std::bad_alloc();
    // Every result takes a list node and a cell at the least.
    require_room(static_cast<double>(count) * static_cast<double>(sizeof(RESULT_NODE) + sizeof(UNION_DATA)));
}

RESULT_ITEM pop(RESULT_LIST& list) {
    RESULT_NODE* node = list.head;
    // The message is an internal diagnostic, not a catalogue text: no program
    // can provoke it, only a handler that miscounts its results.
    if (node == nullptr) throw ERROR("", 0, "internal error in pop(): list is empty", error_kind_system);
    list.head = node->next;
    if (list.head != nullptr) list.head->prev = nullptr;
    else list.tail = nullptr;
    --list.count;
    RESULT_ITEM item = node->item;
    delete node;
    return item;
}

}  // namespace morvu
