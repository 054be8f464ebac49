#include "frontend/type_services.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "values/union_data.h"
#include "values/front_end_services.h"

namespace morvu {

UNION_DATA* type_initial_object(const TOKEN* type) { return type != nullptr ? top_cell(type) : nullptr; }

void set_type_initial_object(const TOKEN* type, UNION_DATA* cell) {
    auto* node = const_cast<TOKEN*>(type);
    if (cell == nullptr) {
        free_value_list(node, false);
        return;
    }
    free_value_list(node, true);
    copy_construct_value(push_value_cell(node, 'V'), cell);
}

namespace {

std::string shown_type_name_now(const TOKEN* place, const TOKEN* type) {
    std::string text = qualified_type_name(place, type);
    if (text.empty() && type->text) text = *type->text;
    return text;
}

// A user operator's call key holds the operand's type name, looked up from
// the calling statement by a walk over the scopes: the names found are kept
// while neither the tree nor a table changes.
struct SHOWN_NAME {
    const TOKEN* place = nullptr;
    const TOKEN* type = nullptr;
    uint64_t stamp = 0;
    std::string text;
};
std::array<SHOWN_NAME, 64> shown_names;

std::string shown_type_name(const TOKEN* place, const TOKEN* type) {
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    const auto mix = reinterpret_cast<uintptr_t>(place) ^ (reinterpret_cast<uintptr_t>(type) >> 3);
    SHOWN_NAME& kept = shown_names[(mix >> 4) % shown_names.size()];
    if (kept.place == place && kept.type == type && kept.stamp == stamp) return kept.text;
    std::string text = shown_type_name_now(place, type);
    kept = SHOWN_NAME{place, type, stamp, text};
    return text;
}

int member_slot_now(const TOKEN* type, const std::string& name) {
    TOKEN* body = last_list_item(const_cast<TOKEN*>(type));
    if (body == nullptr) return -1;
    TOKEN* declaration = member_variable_of_body(body, name);
    return declaration != nullptr ? declaration->member_slot : -1;
}

// A member read or written by name (o.x = 1) finds its slot in the type's
// table; the slots found are kept while neither the tree nor a table
// changes, and their names compared, which costs less than the table's hash.
struct KEPT_SLOT {
    const TOKEN* type = nullptr;
    uint64_t stamp = 0;
    std::string name;
    int slot = -1;
};
std::array<KEPT_SLOT, 64> kept_slots;

int member_slot_of(const TOKEN* type, const std::string& name) {
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    const unsigned char last = name.empty() ? 0 : static_cast<unsigned char>(name.back());
    const uintptr_t mix = (reinterpret_cast<uintptr_t>(type) >> 4) ^ (name.size() * 7) ^ (last * 13);
    KEPT_SLOT& kept = kept_slots[mix % kept_slots.size()];
    if (kept.type == type && kept.stamp == stamp && kept.name == name) return kept.slot;
    const int slot = member_slot_now(type, name);
    kept.type = type;
    kept.stamp = stamp;
    kept.name = name;
    kept.slot = slot;
    return slot;
}

bool is_smalltype(const TOKEN* type) {
    // The keyword is the word left of the blank operator above the type's
    // declaring node (or that node's parent itself).
    const TOKEN* word = type->parent;
    if (word != nullptr && word->op1 == ' ' && word->op2 == 0) word = word->left;
    if (word == nullptr || !word->text) return false;
    if (word->op1 == '"' || word->op1 == '\'' || word->op1 == '(') return false;
    const std::string& text = *word->text;
    return text.size() == 9 && std::memcmp(text.data(), "smalltype", 9) == 0;
}

}  // namespace

void install_front_end_services() {
    front_end_services.type_name = shown_type_name;
    front_end_services.initial_object = type_initial_object;
    front_end_services.copy_members = copy_value_table;
    front_end_services.member_slot = member_slot_of;
    front_end_services.is_smalltype = is_smalltype;
    front_end_services.blocks_equal = trees_equal;
}

}  // namespace morvu
