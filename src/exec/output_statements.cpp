#include "exec/output_statements.h"

#include <optional>
#include <string>
#include <vector>

#include "eval/arg_frame.h"
#include "exec/call_routine.h"
#include "types/method_call.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/terminal.h"
#include "values/saved_text.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The parts of the console format an output statement changes, saved before
// the change and put back when the statement ends, on every path: a failing
// write leaves the console as it was before the statement.
class SAVED_CONSOLE_FORMAT {
public:
    SAVED_CONSOLE_FORMAT() = default;
    ~SAVED_CONSOLE_FORMAT() { restore(); }
    SAVED_CONSOLE_FORMAT(const SAVED_CONSOLE_FORMAT&) = delete;
    SAVED_CONSOLE_FORMAT& operator=(const SAVED_CONSOLE_FORMAT&) = delete;

    void save_columns() {
        widths = terminal_format.widths;
        fill = terminal_format.fill;
        column = terminal_format.column;
        columns_saved = true;
    }

    void save_spacing() {
        spacing = terminal_format.out_spc;
        spacing_saved = true;
    }

    void restore() {
        if (spacing_saved) {
            terminal_format.out_spc = spacing;
            spacing_saved = false;
        }
        if (columns_saved) {
            terminal_format.copy_out_fmt(widths.data(), static_cast<int>(widths.size()));
            terminal_format.fill = fill;
            terminal_format.column = column;
            columns_saved = false;
        }
    }

private:
    std::vector<int> widths;
    char fill = ' ';
    int column = 0;
    std::optional<std::string> spacing;
    bool columns_saved = false;
    bool spacing_saved = false;
};

class OUTPUT {
public:
    OUTPUT(TOKEN* node, const std::string& name) : node(node), routine("sys:" + name) {}

    [[noreturn]] void fail(const char* message) const { raise_error(node, routine_kind_procedure, routine.c_str(), message, error_kind_system); }
    void check(const char* message) const {
        if (message != nullptr) fail(message);
    }

    void write(const char* text, bool formatted) const {
        const char* error = nullptr;
        console_stream.write(text, formatted, &error);
        check(error);
    }

    // The str an object's own function out returns, when it returns exactly
    // one; false when the type has no such function or it answers otherwise.
    bool write_object_text(UNION_DATA* cell) const;

private:
    TOKEN* node;
    std::string routine;
};

const std::string& str_text(UNION_DATA* cell) { return cell->str_data()->text; }

bool OUTPUT::write_object_text(UNION_DATA* cell) const {
    UNION_DATA* object = follow_link(cell);
    TOKEN* type = object->holder() != nullptr ? object->holder()->type : nullptr;
    if (type == nullptr) return false;
    TYPE_NAME spec{nullptr, type, true};
    std::string key = "out";
    key += method_key_mark;
    if (find_symbol(last_list_item(type), key, 'f', spec, false, node) == nullptr) return false;
    CALL_ARGS prepared;
    prepared.key = key;
    RESULT_LIST results;
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = RESULT_ITEM{cell, access_constant_input, 0};
    request.qualifier = &spec;
    request.in_object_type = true;
    request.results = &results;
    request.prepared = &prepared;
    std::string text = call_routine(request);
    if (!text.empty() || results.count != 1) return false;
    UNION_DATA* result = follow_aliases(results.head->item.cell);
    if (lower_tag(result->tag) != 's' || result->payload == nullptr) return false;
    write(str_text(result).c_str(), true);
    return true;
}

}  // namespace

void exec_output(TOKEN* node, RESULT_ITEM this_item) {
    const std::string& name = *node->text;
    const bool f = name == "fout" || name == "foutl" || name == "fsout" || name == "fsoutl";
    const bool s = name == "sout" || name == "soutl" || name == "fsout" || name == "fsoutl";
    const bool l = name == "outl" || name == "soutl" || name == "foutl" || name == "fsoutl";
    const bool p = name == "pout";
    OUTPUT out(node, name);

    ARG_FRAME frame(node->left, this_item, true);
    const int32_t leading = (f ? 1 : 0) + (s ? 1 : 0);
    if (frame.check_count_range(leading, -1) != nullptr) out.fail(frame.message(false).c_str());

    SAVED_CONSOLE_FORMAT saved;
    uint32_t k = 0;
    if (f) {
        if (base_type_code(follow_aliases(frame[0].cell)) == 'c') {
            // The fill character comes first and takes one argument more.
            if (frame.check_count_range(leading + 1, -1) != nullptr) out.fail(frame.message(false).c_str());
            if (frame.check_type(0, 'c', true) != nullptr) out.fail(frame.message(false).c_str());
            if (frame.check_type(1, 's', false) != nullptr) out.fail(frame.message(false).c_str());
            saved.save_columns();
            // A malformed format leaves the console without columns; no error.
            terminal_format.set_out_fmt(str_text(frame.value(1)).c_str(), frame.value(0)->char_byte());
            k = 2;
        } else {
            if (frame.check_type(0, 's', false) != nullptr) out.fail(frame.message(false).c_str());
            saved.save_columns();
            terminal_format.set_out_fmt(str_text(frame.value(0)).c_str(), ' ');
            k = 1;
        }
    }
    if (s) {
        if (frame.check_type(k, 's', false) != nullptr) out.fail(frame.message(false).c_str());
        saved.save_spacing();
        terminal_format.set_out_spc(str_text(frame.value(k)).c_str());
        ++k;
    }

    const uint32_t count = frame.count();
    for (uint32_t i = k; i < count; ++i) {
        UNION_DATA* cell = follow_aliases(frame[i].cell);
        if (p) {
            const char* message = nullptr;
            std::string text = serialize_value(cell, node, &message);
            out.check(message);
            out.write(text.c_str(), false);
            continue;
        }
        if (base_type_code(cell) != 'k' || !out.write_object_text(cell)) {
            const char* message = nullptr;
            const std::string& text = value_to_text(cell, &message);
            out.check(message);
            out.write(text.c_str(), true);
        }
        if (i + 1 < count && terminal_format.out_spc) out.write(terminal_format.out_spc->c_str(), false);
    }
    saved.restore();
    if (l) out.write("\n", false);
}

}  // namespace morvu
