#include "exec/temporary_takeover.h"

#include <vector>

#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {

namespace {

// Whether the cells of a value can change hands without a copy being told
// apart: no link in it or to it, no cell held or numbered by an operation or
// a weak holder, no walk or remembered position in a list or hash, only
// lists, hashes, numbers, texts and the values kept in the cell. A copy would reset the texts' reading
// and a hash's cached order; `settle` does that for a value that passes.
bool passes_whole(UNION_DATA* top, std::vector<UNION_DATA*>& cells) {
    cells.clear();
    cells.push_back(top);
    for (size_t i = 0; i < cells.size(); ++i) {
        const UNION_DATA* cell = cells[i];
        if (cell->referrers != nullptr || cell->weak_held != 0 || cell->in_use != 0 || cell->key_numbered != 0 ||
            cell->being_written != 0)
            return false;
        if (i != 0 && cell->access_mode != access_variable) return false;
        const char lowered = lower_tag(cell->tag);
        if (is_link_tag(lowered)) return false;
        if (cell->payload == nullptr || lowered == tag_int || lowered == tag_str || lowered == tag_real ||
            is_scalar_tag(lowered))
            continue;
        if (lowered == tag_list) {
            const LIST_DATA& list = *cell->list_data();
            if (list.iteration_count != 0 || list.cursor != nullptr || list.positions != nullptr) return false;
            for (const LIST_NODE* node = list.head; node != nullptr; node = node->next)
                if (node->has_own_key()) return false;
        } else if (lowered == tag_hash) {
            if (cell->hash_data()->iteration_count != 0) return false;
        } else {
            return false;
        }
        append_child_cells(cell, cells);
    }
    return true;
}

// What a copy would not carry over from a value that passes_whole.
void settle(const std::vector<UNION_DATA*>& cells) {
    for (UNION_DATA* cell : cells) {
        if (cell->payload == nullptr) continue;
        const char lowered = lower_tag(cell->tag);
        if (lowered == tag_str) {
            cell->str_data()->reset_read();
        } else if (lowered == tag_hash) {
            cell->hash_data()->cached_array.reset();
            cell->hash_data()->array_outdated = false;
        }
    }
}

}  // namespace

bool take_over_temporary(const RESULT_ITEM& item, UNION_DATA* target) {
    UNION_DATA* given = item.cell;
    if (given == nullptr || item.owned == 0 || is_variable_mode(item.mode) || given->payload == nullptr) return false;
    const char lowered = lower_tag(given->tag);
    if (lowered != tag_list && lowered != tag_hash) return false;
    if (target == nullptr || is_link_cell(target) || target->referrers != nullptr || target->weak_held != 0 ||
        target->in_use != 0)
        return false;
    if (!is_any_cell(target) && target->tag != lowered) return false;
    static std::vector<UNION_DATA*> cells;
    if (!passes_whole(given, cells)) return false;
    settle(cells);
    move_payload(target, given);
    return true;
}

}  // namespace morvu
