// Methods of array2: grids of rows x columns cells, each empty or holding a
// value.
//
// Only the call form gives a grid its size. Positions come as flat argument
// lists, (row, column) pairs or (row, column, value) triples, counted from 0;
// the capitalised variants count both from the end of their own extent.

#include <climits>
#include <cstdint>
#include <string>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/method_call.h"
#include "values/array2_store.h"
#include "values/factories.h"

namespace morvu {

namespace {

ARRAY2_DATA& grid_of(UNION_DATA* value) { return *value->array2_data(); }

// A position as the grid sees it. Counted from the end, a position may leave
// the range of a machine int: it is then outside every grid, and shown
// clamped.
struct POSITION {
    int64_t row = 0;
    int64_t col = 0;

    bool fits() const { return row >= INT_MIN && row <= INT_MAX && col >= INT_MIN && col <= INT_MAX; }
    int shown_row() const { return static_cast<int>(row < INT_MIN ? INT_MIN : row > INT_MAX ? INT_MAX : row); }
    int shown_col() const { return static_cast<int>(col < INT_MIN ? INT_MIN : col > INT_MAX ? INT_MAX : col); }
};

// Arguments i and i + 1 as a position: both non-empty ints; from_end counts
// the row from the last row and the column from the last column.
std::string read_position(const METHOD_CALL& call, const ARRAY2_DATA& grid, int32_t i, bool from_end, POSITION* out) {
    int64_t row = 0;
    int64_t col = 0;
    // Machine ints are read as int_argument reads them, which saturates
    // beyond the int range: only those within it are taken as they stand.
    if (plain_int_argument(*call.args, i, row) && plain_int_argument(*call.args, i + 1, col) && row >= INT_MIN &&
        row <= INT_MAX && col >= INT_MIN && col <= INT_MAX) {
        out->row = row;
        out->col = col;
    } else {
        for (int32_t k = i; k <= i + 1; ++k) {
            std::string message = check_arg_type(*call.args, k, tag_int, true);
            if (!message.empty()) return message;
        }
        out->row = int_argument(*call.args, i);
        out->col = int_argument(*call.args, i + 1);
    }
    if (from_end) {
        out->row = static_cast<int64_t>(grid.rows) - 1 - out->row;
        out->col = static_cast<int64_t>(grid.cols) - 1 - out->col;
    }
    return {};
}

// Whether the position names a non-empty slot, whose place goes to *at.
bool slot_at(const ARRAY2_DATA& grid, const POSITION& position, size_t* at) {
    if (!position.fits() || !grid.exists(static_cast<int>(position.row), static_cast<int>(position.col))) return false;
    *at = grid.slot_of(static_cast<int>(position.row), static_cast<int>(position.col));
    return true;
}

// Arguments i and i + 1 as the position of a non-empty slot of the grid,
// whose place goes to *out; "Index '%d,%d' not defined" with the position
// looked at otherwise.
std::string check_array2_index(const METHOD_CALL& call, const ARRAY2_DATA& grid, int32_t i, bool from_end,
                               size_t* out) {
    POSITION position;
    std::string message = read_position(call, grid, i, from_end, &position);
    if (!message.empty()) return message;
    if (!slot_at(grid, position, out))
        return format_string(msg_text("ind2nicdef"), position.shown_row(), position.shown_col());
    return {};
}

void check_pair_count(const METHOD_CALL& call) {
    if (call.count() == 0 || call.count() % 2 != 0) call.raise(msg_text("anzargposger"));
}

// The call form: rows, columns, then no values or one per cell, row by row.
// A size below 1 or one the grid cannot hold is refused with the old grid
// kept; a wrong number of values is refused after the grid was resized and
// emptied.
void construct(const METHOD_CALL& call, ARRAY2_DATA& grid) {
    call.raise_if(check_arg_range(*call.args, 2, -1));
    call.raise_if(check_arg_type(*call.args, 0, tag_int, true));
    call.raise_if(check_arg_type(*call.args, 1, tag_int, true));
    const int rows = int_argument(*call.args, 0);
    const int cols = int_argument(*call.args, 1);
    if (grid.resize(rows, cols)) call.raise(msg_text("unzargerw2posint"));
    const int64_t values = call.count() - 2;
    if (values == 0) return;
    if (values != static_cast<int64_t>(rows) * cols) call.raise(msg_text("arrmusanznacargueb"));
    for (int32_t k = 0; k < values; ++k) {
        UNION_DATA* cell = nullptr;
        int mode = 0;
        transfer_out_arg(call.args, call.node, k + 2, false, false, &cell, &mode);
        call.raise_if(grid.set(k / cols, k % cols, cell, mode));
    }
}

// find, Find, find_all, Find_all: row and column of every non-empty cell for
// which the code is true. The grid keeps its size while the code runs (the
// call form is refused meanwhile); a cell the code empties is skipped.
void find_cells(const METHOD_CALL& call) {
    ARRAY2_DATA& grid = grid_of(call.checked_receiver());
    check_loop_code_args(call);
    const std::string& key = call.key();
    const bool forward = key[0] == 'f';
    const bool collect_all = key[4] == '_';
    ITERATION_HOLD hold(grid.iterations);
    const int64_t rows = grid.rows;
    const int64_t cols = grid.cols;
    const int64_t total = rows * cols;
    for (int64_t k = 0; k < total; ++k) {
        const int64_t slot = forward ? k : total - 1 - k;
        const int row = static_cast<int>(slot / cols);
        const int col = static_cast<int>(slot % cols);
        UNION_DATA* cell = grid.get(row, col);
        if (cell == nullptr || !element_matches(call, cell, element_access(call))) continue;
        call.append(make_int_value_from_number(row));
        call.append(make_int_value_from_number(col));
        if (!collect_all) return;
    }
}

}  // namespace

bool array2_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key)) {
        auto* cell = new UNION_DATA(tag_array2);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        construct(call, grid_of(cell));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        call.append(make_int_value_from_number(grid.rows));
        call.append(make_int_value_from_number(grid.cols));
        return true;
    }
    if (key_has_prefix(key, "def\xA7") && call.count() > 0) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        check_pair_count(call);
        for (int32_t i = 0; i < call.count(); i += 2) {
            POSITION position;
            call.raise_if(read_position(call, grid, i, false, &position));
            size_t at = 0;
            call.append(make_bool_value(slot_at(grid, position, &at), 0));
        }
        return true;
    }
    if (key_has_prefix(key, "get\xA7") || key_has_prefix(key, "Get\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        check_pair_count(call);
        const bool from_end = key[0] == 'G';
        for (int32_t i = 0; i < call.count(); i += 2) {
            size_t at = 0;
            call.raise_if(check_array2_index(call, grid, i, from_end, &at));
            SLOT_VIEW view;
            call.raise_if(make_copy_value(*call.results, grid.cells.view(at, view), 4, false, false));
        }
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        call.refuse_constant();
        check_pair_count(call);
        for (int32_t i = 0; i < call.count(); i += 2) {
            size_t at = 0;
            if (!check_array2_index(call, grid, i, false, &at).empty()) {
                POSITION position;
                call.raise_if(read_position(call, grid, i, false, &position));
                if (position.fits()) {
                    UNION_DATA empty('v');
                    grid.set(static_cast<int>(position.row), static_cast<int>(position.col), &empty, 0);
                }
                call.raise_if(check_array2_index(call, grid, i, false, &at));
            }
            call.raise_if(make_copy_value(*call.results, grid.cells.cell(at), 3, false, false));
        }
        return true;
    }
    if (key_is(key, "keys\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        for (int row = 0; row < grid.rows; ++row) {
            for (int col = 0; col < grid.cols; ++col) {
                if (!grid.exists(row, col)) continue;
                call.append(make_int_value_from_number(row));
                call.append(make_int_value_from_number(col));
            }
        }
        return true;
    }
    if (key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
        key_has_prefix(key, "Find_all\xA7")) {
        find_cells(call);
        return true;
    }
    return false;
}

namespace {

// An int argument as the handler reads a position: through its aliases and
// one more reference, a defined int within 64 bits; false otherwise.
bool plain_int(const RESULT_ITEM& item, int64_t& out) {
    const UNION_DATA* value = argument_value(item.cell);
    return value != nullptr && lower_tag(value->tag) == tag_int && value->payload != nullptr && cell_int64(value, out);
}

// g.get(r, c) of one non-empty slot inside the grid the receiver holds or
// leads to: a copy of its value. A position outside the grid, an empty
// slot, or a reference that a read-only receiver would lend its mode to is
// left to the handler.
bool slot_copy(const DIRECT_CALL& call) {
    UNION_DATA* receiver = call.defined_receiver(tag_array2);
    int64_t row = 0;
    int64_t col = 0;
    if (receiver == nullptr || call.args.count != 2 || !plain_int(call.args.head->item, row) ||
        !plain_int(call.args.head->next->item, col))
        return false;
    const ARRAY2_DATA& grid = grid_of(receiver);
    if (row < 0 || row >= grid.rows || col < 0 || col >= grid.cols ||
        !grid.exists(static_cast<int>(row), static_cast<int>(col)))
        return false;
    SLOT_VIEW view;
    UNION_DATA* value = grid.cells.view(grid.slot_of(static_cast<int>(row), static_cast<int>(col)), view);
    if (is_link_cell(value) && !is_variable_mode(lent_item_access(call.receiver.mode, call.receiver.cell)))
        return false;
    if (const char* message = make_copy_value(*call.results, value, 4, false, false)) call.raise("array2", message);
    return true;
}

// g[r, c] of a position inside the grid on a grid variable that lends no
// read-only mode: an alias of the slot, an empty slot made first, as the
// handler makes it. Anything else (a constant, a position outside the grid)
// is left to the handler and its messages.
bool slot_alias(const DIRECT_CALL& call) {
    UNION_DATA* receiver = call.defined_receiver(tag_array2);
    int64_t row = 0;
    int64_t col = 0;
    if (receiver == nullptr || !is_variable_mode(lent_item_access(call.receiver.mode, call.receiver.cell)) ||
        call.args.count != 2 || !plain_int(call.args.head->item, row) || !plain_int(call.args.head->next->item, col))
        return false;
    ARRAY2_DATA& grid = grid_of(receiver);
    if (row < 0 || row >= grid.rows || col < 0 || col >= grid.cols) return false;
    if (!grid.exists(static_cast<int>(row), static_cast<int>(col))) {
        UNION_DATA empty('v');
        grid.set(static_cast<int>(row), static_cast<int>(col), &empty, 0);
        if (!grid.exists(static_cast<int>(row), static_cast<int>(col))) return false;
    }
    UNION_DATA* slot = grid.cells.cell(grid.slot_of(static_cast<int>(row), static_cast<int>(col)));
    if (const char* message = make_copy_value(*call.results, slot, 3, false, false)) call.raise("array2", message);
    return true;
}

}  // namespace

DIRECT_HANDLER array2_direct_for(const std::string& key, bool function) {
    if (!function) return nullptr;
    if (key == "get\xA7int;int;\xA7") return slot_copy;
    return key == "[]\xA7int;int;\xA7" ? slot_alias : nullptr;
}

bool array2_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key)) {
        UNION_DATA* receiver = call.checked_receiver();
        call.refuse_constant();
        call.refuse_during_iteration();
        construct(call, grid_of(receiver));
        return true;
    }
    if (key_has_prefix(key, "set\xA7") || key_has_prefix(key, "Set\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        call.refuse_constant();
        if (call.count() == 0 || call.count() % 3 != 0) call.raise(msg_text("anzargposvie3"));
        const bool from_end = key[0] == 'S';
        for (int32_t i = 0; i < call.count(); i += 3) {
            POSITION position;
            call.raise_if(read_position(call, grid, i, from_end, &position));
            if (!position.fits()) continue;  // outside the grid: nothing is stored
            UNION_DATA* cell = nullptr;
            int mode = 0;
            transfer_out_arg(call.args, call.node, i + 2, false, false, &cell, &mode);
            call.raise_if(grid.set(static_cast<int>(position.row), static_cast<int>(position.col), cell, mode));
        }
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "del\xA7") || key_has_prefix(key, "Del\xA7")) {
        ARRAY2_DATA& grid = grid_of(call.checked_receiver());
        call.refuse_constant();
        check_pair_count(call);
        const bool from_end = key[0] == 'D';
        for (int32_t i = 0; i < call.count(); i += 2) {
            size_t at = 0;
            call.raise_if(check_array2_index(call, grid, i, from_end, &at));
            POSITION position;
            call.raise_if(read_position(call, grid, i, from_end, &position));
            grid.remove(static_cast<int>(position.row), static_cast<int>(position.col));
        }
        return true;
    }
    return false;
}

}  // namespace morvu
