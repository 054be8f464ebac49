#include "values/saved_text.h"

namespace morvu {

SAVED_TYPE_SERVICES saved_type_services;

std::string serialize_value(UNION_DATA*, TOKEN*, const char** error) {
    *error = nullptr;
    return {};
}

void number_referenced_cells(UNION_DATA*, int, bool) {}

void collect_object_types(UNION_DATA*, std::vector<TOKEN*>&, std::vector<TOKEN*>&, bool) {}

void clear_serialize_texts() {}

int read_serial_number(STREAM_DATA*, std::string&, char, const char*, char, const char** error) {
    *error = nullptr;
    return 0;
}

bool read_serialized_text(STREAM_DATA*, std::string&, bool, const char** error) {
    *error = nullptr;
    return false;
}

const char* deserialize_value(UNION_DATA*, STREAM_DATA*, TOKEN*) { return nullptr; }

bool read_saved_value(UNION_DATA*, STREAM_DATA*, TOKEN*, const char** error) {
    *error = nullptr;
    return false;
}

}  // namespace morvu
