// The table of the built-in types' method handlers, by base type code. Each
// type's handlers live in the type's own source file; this is the one place
// that names them all.

#include "types/method_call.h"

namespace morvu {

#define MORVU_TYPE_HANDLERS(name)        \
    bool name##_functions(METHOD_CALL&); \
    bool name##_procedures(METHOD_CALL&);

MORVU_TYPE_HANDLERS(any)
MORVU_TYPE_HANDLERS(bool)
MORVU_TYPE_HANDLERS(char)
MORVU_TYPE_HANDLERS(code)
MORVU_TYPE_HANDLERS(error)
MORVU_TYPE_HANDLERS(int)
MORVU_TYPE_HANDLERS(oper)
MORVU_TYPE_HANDLERS(real)
MORVU_TYPE_HANDLERS(str)
MORVU_TYPE_HANDLERS(any2)
MORVU_TYPE_HANDLERS(array)
MORVU_TYPE_HANDLERS(array2)
MORVU_TYPE_HANDLERS(graph)
MORVU_TYPE_HANDLERS(hash)
MORVU_TYPE_HANDLERS(list)
MORVU_TYPE_HANDLERS(set)
MORVU_TYPE_HANDLERS(date)
MORVU_TYPE_HANDLERS(datetime)
MORVU_TYPE_HANDLERS(dir)
MORVU_TYPE_HANDLERS(file)
MORVU_TYPE_HANDLERS(time)
MORVU_TYPE_HANDLERS(timezone)

#undef MORVU_TYPE_HANDLERS

DIRECT_HANDLER char_direct_for(const std::string& key, bool function);
BOOL_DIRECT_HANDLER char_bool_direct_for(const std::string& key);
DIRECT_HANDLER oper_direct_for(const std::string& key, bool function);
DIRECT_HANDLER array_direct_for(const std::string& key, bool function);
DIRECT_HANDLER array2_direct_for(const std::string& key, bool function);
DIRECT_HANDLER hash_direct_for(const std::string& key, bool function);
DIRECT_HANDLER list_direct_for(const std::string& key, bool function);
DIRECT_HANDLER str_direct_for(const std::string& key, bool function);
DIRECT_HANDLER set_direct_for(const std::string& key, bool function);
bool oper_reads_int_arguments(const std::string& key);
INT_DIRECT_HANDLER oper_int_direct_for(const std::string& key);
bool array_reads_int_arguments(const std::string& key);
bool list_reads_int_arguments(const std::string& key);

namespace {

// A type with texts of its own that outlive a call empties them in its
// reset function; the others have none. Only the keys called most in loops
// have direct handlers.
constexpr TYPE_METHODS type_methods[] = {
    {'v', "any", any_functions, any_procedures, nullptr, nullptr, nullptr},
    {'b', "bool", bool_functions, bool_procedures, nullptr, nullptr, nullptr},
    {'c', "char", char_functions, char_procedures, nullptr, char_direct_for, nullptr, nullptr, char_bool_direct_for},
    {'x', "code", code_functions, code_procedures, nullptr, nullptr, nullptr},
    {'e', "error", error_functions, error_procedures, nullptr, nullptr, nullptr},
    {'i', "int", int_functions, int_procedures, nullptr, nullptr, nullptr},
    {'o', "oper", oper_functions, oper_procedures, nullptr, oper_direct_for, oper_reads_int_arguments,
     oper_int_direct_for},
    {'r', "real", real_functions, real_procedures, nullptr, nullptr, nullptr},
    {'s', "str", str_functions, str_procedures, nullptr, str_direct_for, nullptr},
    {'u', "any2", any2_functions, any2_procedures, nullptr, nullptr, nullptr},
    {'a', "array", array_functions, array_procedures, nullptr, array_direct_for, array_reads_int_arguments},
    {'z', "array2", array2_functions, array2_procedures, nullptr, array2_direct_for, nullptr},
    {'g', "graph", graph_functions, graph_procedures, nullptr, nullptr, nullptr},
    {'h', "hash", hash_functions, hash_procedures, nullptr, hash_direct_for, nullptr},
    {'l', "list", list_functions, list_procedures, nullptr, list_direct_for, list_reads_int_arguments},
    {'y', "args", list_functions, list_procedures, nullptr, nullptr, nullptr},
    {'m', "set", set_functions, set_procedures, nullptr, set_direct_for, nullptr},
    {'0', "date", date_functions, date_procedures, nullptr, nullptr, nullptr},
    {'4', "datetime", datetime_functions, datetime_procedures, nullptr, nullptr, nullptr},
    {'d', "dir", dir_functions, dir_procedures, nullptr, nullptr, nullptr},
    {'f', "file", file_functions, file_procedures, nullptr, nullptr, nullptr},
    {'t', "time", time_functions, time_procedures, nullptr, nullptr, nullptr},
    {'2', "timezone", timezone_functions, timezone_procedures, nullptr, nullptr, nullptr},
};

// Type codes are single bytes: a direct index makes the lookup one load.
struct TYPE_INDEX {
    const TYPE_METHODS* by_code[256] = {};
    constexpr TYPE_INDEX() {
        for (const TYPE_METHODS& entry : type_methods) by_code[static_cast<unsigned char>(entry.code)] = &entry;
    }
};

constexpr TYPE_INDEX type_index;

}  // namespace

const TYPE_METHODS* methods_of_type(char code) { return type_index.by_code[static_cast<unsigned char>(code)]; }

void reset_type_methods() {
    for (const TYPE_METHODS& entry : type_methods) {
        if (entry.reset != nullptr) entry.reset();
    }
}

}  // namespace morvu
