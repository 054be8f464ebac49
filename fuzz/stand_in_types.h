// Two user types for the fuzz targets, which run without a program: "T"
// with the members x (int) and y (any), and "A:B", nested in name only, with
// the member b (list). The saved text services answer for them, so that
// object texts are read and written as in a program.

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frontend/token.h"
#include "frontend/type_services.h"
#include "values/payload_records.h"
#include "values/saved_text.h"
#include "values/union_data.h"

namespace morvu::fuzz {

struct STAND_IN_TYPE {
    std::unique_ptr<TOKEN> node;
    std::string saved_name;
    std::vector<std::string> members;
};

// Never destroyed: the value layer's own statics may be gone at exit.
inline std::vector<STAND_IN_TYPE>& stand_in_types() {
    static auto* types = new std::vector<STAND_IN_TYPE>();
    return *types;
}

inline const STAND_IN_TYPE* stand_in_of(const TOKEN* type) {
    for (const STAND_IN_TYPE& entry : stand_in_types())
        if (entry.node.get() == type) return &entry;
    return nullptr;
}

inline void declare_stand_in(const char* plain, const char* saved_name,
                             std::vector<std::pair<std::string, char>> members) {
    STAND_IN_TYPE entry{std::make_unique<TOKEN>(plain, nullptr, -1, 1, 1), saved_name, {}};
    UNION_DATA initial('k');
    auto* record = new OBJECT_RECORD();
    record->groups.resize(1);
    record->groups[0].type = entry.node.get();
    record->groups[0].slots = std::make_unique<SLOT_ARRAY>(static_cast<int32_t>(members.size()));
    for (size_t i = 0; i < members.size(); ++i) {
        entry.members.push_back(members[i].first);
        record->groups[0].slots->cells[i] = new UNION_DATA(members[i].second);
    }
    initial.holder()->type = entry.node.get();
    initial.holder()->object = record;
    set_type_initial_object(entry.node.get(), &initial);
    stand_in_types().push_back(std::move(entry));
}

inline void install_stand_in_types() {
    if (!stand_in_types().empty()) return;
    declare_stand_in("T", "T", {{"x", 'i'}, {"y", 'v'}});
    declare_stand_in("B", "A:B", {{"b", 'l'}});
    saved_type_services.type_name = [](const TOKEN*, const TOKEN* type) {
        const STAND_IN_TYPE* entry = stand_in_of(type);
        return entry != nullptr ? entry->saved_name : std::string("?");
    };
    saved_type_services.member_names = [](const TOKEN* type, std::vector<std::string>& names) {
        const STAND_IN_TYPE* entry = stand_in_of(type);
        names = entry != nullptr ? entry->members : std::vector<std::string>();
    };
    saved_type_services.find_type = [](TOKEN*, const std::string& name) -> TOKEN* {
        for (STAND_IN_TYPE& entry : stand_in_types())
            if (entry.saved_name == name) return entry.node.get();
        return nullptr;
    };
}

// An object of a stand-in type: a copy of its initial object.
inline std::unique_ptr<UNION_DATA> stand_in_object(size_t index) {
    auto cell = std::make_unique<UNION_DATA>('k');
    cell->holder()->type = stand_in_types()[index].node.get();
    clear_payload(cell.get());
    return cell;
}

}  // namespace morvu::fuzz
