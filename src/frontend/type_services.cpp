#include "frontend/type_services.h"

#include <unordered_map>

#include "frontend/token.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

std::unordered_map<const TOKEN*, UNION_DATA*>& initial_objects() {
    static std::unordered_map<const TOKEN*, UNION_DATA*> table;
    return table;
}

}  // namespace

std::string qualified_type_name(const TOKEN* place, const TOKEN* type) {
    // Scopes do not exist yet, so no enclosing type can be named: callers fall
    // back on the declaring node's own text.
    return std::string();
}

UNION_DATA* type_initial_object(const TOKEN* type) {
    if (type == nullptr) return nullptr;
    auto it = initial_objects().find(type);
    return it == initial_objects().end() ? nullptr : it->second;
}

void set_type_initial_object(const TOKEN* type, UNION_DATA* cell) {
    if (cell == nullptr) initial_objects().erase(type); else initial_objects()[type] = cell;
}

void copy_value_table(OBJECT_RECORD& record, const OBJECT_RECORD& source) {
    record.groups.clear();
    record.groups.resize(source.groups.size());
    for (size_t g = 0; g < source.groups.size(); ++g) {
        const GROUP_ENTRY& from = source.groups[g];
        GROUP_ENTRY& to = record.groups[g];
        to.type = from.type;
        if (!from.slots) continue;
        to.slots = std::make_unique<SLOT_ARRAY>(from.slots->count());
        for (size_t i = 0; i < from.slots->cells.size(); ++i) {
            UNION_DATA* cell = from.slots->cells[i];
            if (cell == nullptr) continue;
            auto* copy = new UNION_DATA('V');
            to.slots->cells[i] = copy;
            copy_construct_value(copy, cell);
        }
    }
}

}  // namespace morvu
