#include "types/output_items.h"

#include <optional>
#include <vector>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/str_stream.h"
#include "runtime/stream.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/cell_holds.h"
#include "values/saved_text.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The spacing text and the column format of a format record, saved before
// an "s" or "f" call changes them and put back when the call ends, on every
// path.
class SAVED_OUTPUT_FORMAT {
public:
    explicit SAVED_OUTPUT_FORMAT(IO_FORMAT& format) : format(format) {}
    ~SAVED_OUTPUT_FORMAT() { restore(); }
    SAVED_OUTPUT_FORMAT(const SAVED_OUTPUT_FORMAT&) = delete;
    SAVED_OUTPUT_FORMAT& operator=(const SAVED_OUTPUT_FORMAT&) = delete;

    void save_columns() {
        widths = format.widths;
        fill = format.fill;
        column = format.column;
        columns_saved = true;
    }

    void save_spacing() {
        spacing = format.out_spc;
        spacing_saved = true;
    }

    void restore() {
        if (spacing_saved) {
            format.out_spc = std::move(spacing);
            spacing_saved = false;
        }
        if (columns_saved) {
            format.copy_out_fmt(widths.data(), static_cast<int>(widths.size()));
            format.fill = fill;
            format.column = column;
            columns_saved = false;
        }
    }

private:
    IO_FORMAT& format;
    std::vector<int64_t> widths;
    char fill = ' ';
    int column = 0;
    std::optional<std::string> spacing;
    bool columns_saved = false;
    bool spacing_saved = false;
};

void write_text(OUTPUT_SINK& sink, const char* text, bool formatted) {
    const char* error = nullptr;
    sink.stream()->write(text, formatted, &error);
    if (error != nullptr) sink.fail(error);
}

const std::string& str_text(const RESULT_ITEM& item) { return argument_value(item.cell)->str_data()->text; }

// Writes an object through its type's own function "out" when the type has
// one and it delivers exactly one str; false (nothing written) otherwise.
bool write_object_text(OUTPUT_SINK& sink, UNION_DATA* object, TOKEN* node) {
    TOKEN* type = object->holder() != nullptr ? object->holder()->type : nullptr;
    if (type == nullptr) return false;
    TYPE_NAME qualifier{nullptr, type, true};
    std::string key = "out";
    key += method_key_mark;
    if (find_symbol(last_list_item(type), key, 'f', qualifier, false, node) == nullptr) return false;
    CALL_ARGS prepared;
    prepared.key = key;
    RESULT_LIST results;
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = RESULT_ITEM{object, access_constant_input, 0};
    request.qualifier = &qualifier;
    request.in_object_type = true;
    request.results = &results;
    request.prepared = &prepared;
    const bool called = call_routine_entry(request) == CALL_OUTCOME::made;
    sink.user_code_ran();
    if (!called || results.count != 1) return false;
    UNION_DATA* result = argument_value(results.head->item.cell);
    if (base_type_code(result) != tag_str || !is_defined_value(result)) return false;
    write_text(sink, result->str_data()->text.c_str(), true);
    return true;
}

}  // namespace

void METHOD_OUTPUT_SINK::fail(const std::string& message) { call.raise(message); }

std::string METHOD_OUTPUT_SINK::check_count(int32_t min) { return check_arg_range(*call.args, min, -1); }

std::string METHOD_OUTPUT_SINK::check_type(int32_t index, char code, bool non_empty) {
    return check_arg_type(*call.args, index, code, non_empty);
}

bool output_form_of(std::string_view name, OUTPUT_FORM& form) {
    form = OUTPUT_FORM{};
    if (name == "pout") {
        form.saved = true;
        return true;
    }
    if (!name.empty() && name[0] == 'f') {
        form.columns = true;
        name.remove_prefix(1);
    }
    if (!name.empty() && name[0] == 's') {
        form.spacing = true;
        name.remove_prefix(1);
    }
    if (name == "outl") {
        form.newline = true;
        return true;
    }
    return name == "out";
}

void write_output(OUTPUT_SINK& sink, IO_FORMAT& format, const OUTPUT_FORM& form, const RESULT_ITEM* items,
                  int32_t count, TOKEN* node) {
    const int32_t leading = (form.columns ? 1 : 0) + (form.spacing ? 1 : 0);
    auto check = [&sink](const std::string& message) {
        if (!message.empty()) sink.fail(message);
    };
    check(sink.check_count(leading));

    SAVED_OUTPUT_FORMAT saved(format);
    int32_t k = 0;
    if (form.columns) {
        if (base_type_code(argument_value(items[0].cell)) == tag_char) {
            // The fill character comes first and takes one argument more:
            // without it the format text would be read past the last item.
            check(sink.check_count(leading + 1));
            check(sink.check_type(0, 'c', true));
            check(sink.check_type(1, 's', false));
            saved.save_columns();
            // A malformed format leaves the stream without columns; no error.
            format.set_out_fmt(str_text(items[1]).c_str(), argument_value(items[0].cell)->char_byte());
            k = 2;
        } else {
            check(sink.check_type(0, 's', false));
            saved.save_columns();
            format.set_out_fmt(str_text(items[0]).c_str(), ' ');
            k = 1;
        }
    }
    if (form.spacing) {
        check(sink.check_type(k, 's', false));
        saved.save_spacing();
        format.set_out_spc(str_text(items[k]).c_str());
        ++k;
    }

    bool objects_run = false;
    for (int32_t i = k; i < count; ++i) {
        UNION_DATA* cell = argument_value(items[i].cell);
        if (form.saved) {
            const char* message = nullptr;
            UNION_DATA* saved_cell = sink.saves_links() ? follow_aliases(items[i].cell) : cell;
            std::string text = serialize_value(saved_cell, node, &message);
            if (message != nullptr) sink.fail(message);
            write_text(sink, text.c_str(), false);
            continue;
        }
        if (base_type_code(cell) == tag_object && !objects_run) {
            // A type's own out may remove what the items still to be written
            // name: they stay alive until the output is done.
            for (int32_t j = i + 1; j < count; ++j) hold_item(items[j]);
            objects_run = true;
        }
        if (base_type_code(cell) != tag_object || !write_object_text(sink, cell, node)) {
            const char* message = nullptr;
            const std::string& text = value_to_text(cell, &message);
            if (message != nullptr) sink.fail(message);
            write_text(sink, text.c_str(), true);
        }
        // The spacing is never padded and does not advance the column.
        if (i + 1 < count && format.out_spc) write_text(sink, format.out_spc->c_str(), false);
    }
    saved.restore();
    if (form.newline) write_text(sink, "\n", false);
}

}  // namespace morvu
