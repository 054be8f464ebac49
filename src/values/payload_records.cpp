#include "values/payload_records.h"

#include "runtime/messages.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/type_shelves.h"

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

namespace {

// Whether the member may wait on a shelf: its value lives in a word and
// nothing knows the cell (no link, hold, key number or walk).
bool is_word_member(const UNION_DATA* member) {
    if (member == nullptr || !known_to_nothing(member)) return false;
    const char lowered = lower_tag(member->tag);
    if (lowered == tag_int) return is_inline_int(member->payload);
    return (lowered == tag_bool || lowered == tag_char) && member->payload == &member->scalar;
}

// Records of a few types, kept whole for the next copy of an object of the
// type: an object copied and dropped per statement or call costs no making
// and freeing of its cells. Sanitizer builds keep none, as the pools do.
class KEPT_RECORDS {
public:
    static constexpr size_t max_members = 16;

    bool keep(OBJECT_RECORD* record) {
        if (!pool_blocks || record->groups.size() != 1) return false;
        const GROUP_ENTRY& group = record->groups[0];
        if (!group.slots || group.type == nullptr || group.slots->cells.size() > max_members) return false;
        auto* shelf = shelves.shelf_for(group.type);
        if (shelf == nullptr || shelf->full()) return false;
        for (const UNION_DATA* member : group.slots->cells)
            if (!is_word_member(member)) return false;
        shelf->put(record);
        return true;
    }

    OBJECT_RECORD* take(const TOKEN* type, size_t members) {
        auto* shelf = shelves.shelf_of(type);
        const OBJECT_RECORD* newest = shelf != nullptr ? shelf->newest() : nullptr;
        if (newest == nullptr || newest->groups[0].slots->cells.size() != members) return nullptr;
        return shelf->take();
    }

private:
    TYPE_SHELVES<OBJECT_RECORD, 8, 32> shelves;
};
KEPT_RECORDS kept_records;

}  // namespace

void destroy_object_record(OBJECT_RECORD* record) {
    if (record == nullptr || kept_records.keep(record)) return;
    discard_kept_record(record);
}

void discard_kept_record(OBJECT_RECORD* record) {
    for (GROUP_ENTRY& group : record->groups) group.slots.reset();
    delete record;
}

OBJECT_RECORD* take_kept_record(const TOKEN* type, size_t members) { return kept_records.take(type, members); }

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
