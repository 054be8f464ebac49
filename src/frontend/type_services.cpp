#include "frontend/type_services.h"

#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "values/union_data.h"

namespace morvu {

UNION_DATA* type_initial_object(const TOKEN* type) {
    return type != nullptr ? top_cell(type) : nullptr;
}

void set_type_initial_object(const TOKEN* type, UNION_DATA* cell) {
    auto* node = const_cast<TOKEN*>(type);
    if (cell == nullptr) {
        free_value_list(node, false);
        return;
    }
    free_value_list(node, true);
    copy_construct_value(push_value_cell(node, 'V'), cell);
}

}  // namespace morvu
