#include "values/payload_records.h"

#include "runtime/messages.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"

namespace morvu {

SLOT_ARRAY::~SLOT_ARRAY() { destroy_slot_array(*this); }

ANY2_DATA::ANY2_DATA(UNION_DATA* first_cell, int first_mode, UNION_DATA* second_cell, int second_mode,
                     const char** message) {
    const char* failure = copy_into_slot(&first, first_cell, first_mode);
    if (failure == nullptr) {
        failure = copy_into_slot(&second, second_cell, second_mode);
        if (failure != nullptr) {
            // No half is left made when one of them could not be.
            destroy_payload(&first, true);
            first.tag = 'v';
            first.payload = nullptr;
        }
    }
    if (message != nullptr) *message = failure;
}

void* ANY2_DATA::operator new(std::size_t size) { return ::operator new(size); }

void ANY2_DATA::operator delete(void* block) noexcept { ::operator delete(block); }

void ANY2_DATA::operator delete(ANY2_DATA* pair, std::destroying_delete_t) {
    if (pair->first.in_use != 0 || pair->second.in_use != 0) [[unlikely]] {
        defer_release(pair, &pair->first, &pair->second, [](void* block) { delete static_cast<ANY2_DATA*>(block); });
        return;
    }
    pair->~ANY2_DATA();
    ::operator delete(pair);
}

void copy_array_payload(ARRAY_DATA& destination, ARRAY_DATA& source) { destination.copy_from(source); }

void copy_array2_payload(ARRAY2_DATA& destination, ARRAY2_DATA& source) { destination.copy_from(source); }

void destroy_slot_array(SLOT_ARRAY& slots) {
    for (UNION_DATA*& cell : slots.cells) {
        delete cell;  // clears the value, dissolving links to it, and frees a holder
        cell = nullptr;
    }
    slots.cells.clear();
}

void destroy_object_record(OBJECT_RECORD* record) {
    if (record == nullptr) return;
    for (GROUP_ENTRY& group : record->groups) group.slots.reset();
    delete record;
}

const char* code_context(const CODE_DATA& code, RESULT_ITEM* out) {
    *out = code.this_item.item();
    if (!code.this_item.gone()) return nullptr;
    return msg_text("insexinic");
}

const char* is_object_present(const RESULT_ITEM& item) {
    if (item.cell == nullptr) {
        return msg_text("insexinic");
    }
    return nullptr;
}

const char* is_object_defined(const UNION_DATA* cell) {
    if (is_defined_value(cell)) return nullptr;
    return msg_text("insnicdef");
}

const char* is_object_nonempty(const UNION_DATA* cell) {
    if (const char* message = is_object_defined(cell)) return message;
    if (!is_empty_value(cell)) return nullptr;
    return msg_text("insistlee");
}

}  // namespace morvu
