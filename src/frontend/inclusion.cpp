#include "frontend/inclusion.h"

#include "frontend/globals.h"
#include "runtime/file_stream.h"

namespace morvu {

std::string resolve_include_path(const std::string& name, bool search) {
    if (is_regular_file(name)) return name;
    if (search) {
        for (const std::string& directory : include_dirs) {
            std::string path = directory + "/" + name;
            if (is_regular_file(path)) return path;
        }
    }
    return std::string();
}

}  // namespace morvu
