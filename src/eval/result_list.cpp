#include "eval/result_list.h"

#include "runtime/error.h"
#include "values/union_data.h"

namespace morvu {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool pool_nodes = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool pool_nodes = false;
#else
constexpr bool pool_nodes = true;
#endif
#else
constexpr bool pool_nodes = true;
#endif

// The free list of nodes, threaded through the nodes' first word. It is
// bounded, so that one huge list does not keep its memory for good; the
// nodes on it stay reachable and are never given back.
struct FREE_NODE {
    FREE_NODE* next;
};
FREE_NODE* free_nodes = nullptr;
std::size_t free_node_count = 0;
constexpr std::size_t max_free_nodes = 1 << 16;

}  // namespace

void* RESULT_NODE::operator new(std::size_t size) {
    if (pool_nodes && free_nodes != nullptr) {
        FREE_NODE* node = free_nodes;
        free_nodes = node->next;
        --free_node_count;
        return node;
    }
    return ::operator new(size);
}

void RESULT_NODE::operator delete(void* node) noexcept {
    if (node == nullptr) return;
    if (pool_nodes && free_node_count < max_free_nodes) {
        auto* entry = static_cast<FREE_NODE*>(node);
        entry->next = free_nodes;
        free_nodes = entry;
        ++free_node_count;
        return;
    }
    ::operator delete(node);
}

RESULT_LIST::~RESULT_LIST() { clear_value_list(*this); }

RESULT_LIST::RESULT_LIST(RESULT_LIST&& other) noexcept
    : count(other.count), head(other.head), tail(other.tail) {
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

void RESULT_LIST::append(const RESULT_ITEM& item) {
    auto* node = new RESULT_NODE{item, nullptr, tail};
    if (tail != nullptr) tail->next = node; else head = node;
    tail = node;
    ++count;
}

RESULT_ITEM pop(RESULT_LIST& list) {
    RESULT_NODE* node = list.head;
    // The message is an internal diagnostic, not a catalogue text: no program
    // can provoke it, only a handler that miscounts its results.
    if (node == nullptr) throw ERROR("", 0, "internal error in pop(): list is empty", 's');
    list.head = node->next;
    if (list.head != nullptr) list.head->prev = nullptr; else list.tail = nullptr;
    --list.count;
    RESULT_ITEM item = node->item;
    delete node;
    return item;
}

}  // namespace morvu
