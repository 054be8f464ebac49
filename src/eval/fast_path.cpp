#include "eval/fast_path.h"

#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "eval/arg_frame.h"
#include "eval/builtin_handlers.h"
#include "eval/decline_hints.h"
#include "eval/evaluator.h"
#include "eval/member_access.h"
#include "exec/control_statements.h"
#include "exec/pending_exception.h"
#include "eval/names.h"
#include "eval/node_shapes.h"
#include "eval/operator_handlers.h"
#include "eval/slot_paths.h"
#include "eval/text_pieces.h"
#include "exec/user_call.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/build_options.h"
#include "runtime/str_stream.h"
#include "values/array_store.h"
#include "values/factories.h"
#include "values/front_end_services.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {

UNION_DATA* fast_members_object = nullptr;
uint32_t fast_members_mode = access_variable;

namespace {

// The cell of a plain variable name, as eval_variable finds it outside a
// routine of a user type's object (members take the general path); null
// for other nodes.
UNION_DATA* variable_cell_of(const TOKEN* node) {
    const TOKEN* declaration = plain_name_declaration(node);
    return declaration != nullptr ? top_cell(declaration) : nullptr;
}

// The cell a name reads its elements from: a plain variable's own cell, or
// for a ":$" input parameter the caller's cell its aliases lead to (reading
// l[i] through them reads that cell's element); null for other names.
[[gnu::always_inline]] inline UNION_DATA* readable_variable(const TOKEN* name) {
    const TOKEN* declaration = name != nullptr ? plain_name_declaration(name) : nullptr;
    if (declaration == nullptr) return nullptr;
    UNION_DATA* cell = top_cell(declaration);
    switch (declaration->arg_role) {
    case arg_role_variable_input: return follow_aliases(cell);
    case arg_role_constant_input:
    case arg_role_output_object: return nullptr;
    default: return cell;  // as declared_plain_cell finds it
    }
}

// The value a plainly declared input parameter's cell stands for: the cell
// itself for a value it holds, the target of the reference that binds it to
// the caller's value; null for anything else (a chain of links).
[[gnu::always_inline]] inline UNION_DATA* referenced_cell(UNION_DATA* cell) {
    if (!is_link_cell(cell)) return cell;
    if (lower_tag(cell->tag) != tag_reference) return nullptr;
    UNION_DATA* target = cell->target();
    return target != nullptr && !is_link_cell(target) ? target : nullptr;
}

// Whether a list cell a variable holds by value may be read as l.size()
// and l[i] read it: not a constant, not walked.
[[gnu::always_inline]] inline bool plain_list(const UNION_DATA* cell) {
    const LIST_DATA* store = cell->list_data();
    return store != nullptr && cell->access_mode >= access_variable && store->iteration_count == 0 &&
           !may_be_walked(cell);
}

// The int an alias leads to, such as the element a walk binds its variable
// to, or the caller's cell of a ":$" parameter: reading the name reads it.
[[gnu::noinline]] bool aliased_int(const UNION_DATA* cell, int64_t& out) {
    return cell_int(follow_aliases(const_cast<UNION_DATA*>(cell)), out);
}

// A member of the current object, read as a variable is.
[[gnu::noinline]] bool member_int(const TOKEN* node, int64_t& out) {
    const UNION_DATA* cell = fast_member_cell(node);
    return cell != nullptr && cell_int(cell, out);
}

// fast_int_at for a name bound to eval_variable.
[[gnu::always_inline]] inline bool variable_int(const TOKEN* node, int64_t& out) {
    const TOKEN* declaration = node->declaration;
    if (declaration == nullptr) return false;
    if (declaration->member_slot >= 0) return member_int(node, out);
    const UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr) return false;
    const char tag = cell->tag;
    if (tag == tag_int || tag == raise_tag(tag_int)) return cell->payload != nullptr && cell_int64(cell, out);
    const bool aliased = tag == tag_alias || tag == raise_tag(tag_alias) ||
                         (tag == tag_call_alias && declaration->arg_role == arg_role_variable_input);
    return aliased && aliased_int(cell, out);
}

// fast_int_at for an operand, a variable or an int literal read here,
// every other node handed on.
[[gnu::always_inline]] inline bool operand_int(TOKEN* node, int64_t& out, int depth) {
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_variable) return variable_int(node, out);
    if (handler == eval_int_literal) return node->number->mantissa.to_int64(out);
    return fast_int_at(node, out, depth);
}

// The text a variable or parameter name holds in its own cell, as
// variable_cell_of finds it (s.size() reads it); null otherwise.
const UNION_DATA* text_variable_of(const TOKEN* name) {
    const UNION_DATA* cell = name != nullptr ? variable_cell_of(name) : nullptr;
    return cell != nullptr && cell->tag == tag_str && cell->payload != nullptr ? cell : nullptr;
}

// The member reads the fast path knows, told apart by the call's name:
// x.size(), x[...], x.get(...) and x.Get(...).
// x.get0() and x.Get0(), the first and the last element, are the element
// reads without an index. The order matters: the element reads come last.
enum class MEMBER_READ { none, size, element, get, get_from_end, first, last };

// Whether the kind counts its position from the end.
inline bool from_end(MEMBER_READ kind) { return kind == MEMBER_READ::get_from_end || kind == MEMBER_READ::last; }

// The kind of a member node x.name(...) and its call part.
MEMBER_READ member_read(const TOKEN* node, const TOKEN*& part) {
    if (node->op1 != '.' || node->left == nullptr) return MEMBER_READ::none;
    part = node->right;
    if (part == nullptr || !is_call_token(part)) return MEMBER_READ::none;
    const std::string& name = *part->text;
    // x[...], the most frequent read, is told first.
    const size_t size = name.size();
    if (size == 2) return name[0] == '[' && name[1] == ']' ? MEMBER_READ::element : MEMBER_READ::none;
    switch (size) {
    case 3:
        if (name[1] != 'e' || name[2] != 't') return MEMBER_READ::none;
        if (name[0] == 'g') return MEMBER_READ::get;
        return name[0] == 'G' ? MEMBER_READ::get_from_end : MEMBER_READ::none;
    case 4:
        if (std::memcmp(name.data() + 1, "et0", 3) == 0) {
            if (name[0] == 'g') return MEMBER_READ::first;
            return name[0] == 'G' ? MEMBER_READ::last : MEMBER_READ::none;
        }
        return std::memcmp(name.data(), "size", 4) == 0 ? MEMBER_READ::size : MEMBER_READ::none;
    default: return MEMBER_READ::none;
    }
}

// Whether a call has an empty argument list: size().
bool without_arguments(const TOKEN* part) {
    const TOKEN* list = part->left;
    return list == nullptr || (is_empty_operand(list) && list->left == nullptr && list->right == nullptr);
}

// What a member node reads (see node_shapes.h): the kind of read
// (member_read) and, for an element read on a variable that
// readable_variable reads, the variable's declaring node, the index node
// and, for an index that is a plain variable name, its declaring node.
struct MEMBER_SHAPE {
    const TOKEN* node = nullptr;
    uint64_t stamp = 0;
    const TOKEN* declaration = nullptr;  // null: no element read on a readable variable
    TOKEN* index = nullptr;
    const TOKEN* index_declaration = nullptr;  // null: an index of another kind
    MEMBER_READ kind = MEMBER_READ::none;
    bool through_aliases = false;  // a ":$" input parameter
    // A parameter declared plainly in the input part: only get and Get read
    // through it, as l[i] refuses a read-only list.
    bool through_reference = false;
    // The receiver names a member of the current object (declaration null):
    // its list is found through fast_members_object at each read; or it is
    // a member access itself (o.m[i], o.m.get(i)).
    bool of_member = false;
    bool of_object = false;
};
// Nodes are made one after another from a store: a node shares its entry
// only with nodes made 2048 nodes (about 6 KB of source) away.
constexpr size_t member_shape_count = 2048;
MEMBER_SHAPE member_shapes[member_shape_count];

[[gnu::noinline]] MEMBER_SHAPE& new_member_shape(MEMBER_SHAPE& shape, const TOKEN* node, uint64_t stamp) {
    const TOKEN* part = nullptr;
    SHAPE_DECISION<MEMBER_SHAPE> decision(node, stamp);
    MEMBER_SHAPE& made = decision.made;
    made.kind = member_read(node, part);
    const bool indexless = made.kind == MEMBER_READ::first || made.kind == MEMBER_READ::last;
    if (indexless && !without_arguments(part)) made.kind = MEMBER_READ::none;
    if (made.kind >= MEMBER_READ::element && (indexless || part->left != nullptr)) {
        const TOKEN* name = node->left;
        TOKEN* index = indexless ? nullptr : part->left;
        if (unbound_name(name) || (index != nullptr && unbound_name(index))) decision.pass();
        made.index = index;
        made.index_declaration = index != nullptr ? plain_name_declaration(index) : nullptr;
        const TOKEN* declaration = plain_name_declaration(name);
        const int role = declaration != nullptr ? declaration->arg_role : arg_role_none;
        if (role != arg_role_constant_input && role != arg_role_output_object) {
            made.declaration = declaration;
            made.through_aliases = role == arg_role_variable_input;
        } else if (role == arg_role_constant_input && made.kind != MEMBER_READ::element) {
            made.declaration = declaration;
            made.through_reference = true;
        }
        made.of_member = declaration == nullptr && name->evaluator == eval_variable && name->declaration != nullptr &&
                         name->declaration->member_slot >= 0;
        const TOKEN* field = name->right;
        made.of_object =
            name->evaluator == eval_member && field != nullptr && is_word_token(field) && !is_call_token(field);
    }
    return decision.store(shape);
}

// The shape of a member node, as new_member_shape decides it. A nested read
// may reuse the entry: what is needed after reading an index is taken
// before.
[[gnu::always_inline]] inline const MEMBER_SHAPE& member_shape(TOKEN* node) {
    return node_shape(member_shapes, node, new_member_shape);
}

// The cell a ":$" input parameter's aliases lead to, as follow_aliases finds
// it: mostly a call alias straight to the caller's list.
[[gnu::always_inline]] inline UNION_DATA* aliased_cell(UNION_DATA* cell) {
    if (cell->tag == tag_call_alias) {
        UNION_DATA* target = cell->target();
        if (target != nullptr && target->tag == tag_list) return target;
    }
    return follow_aliases(cell);
}

// The index of an element read as fast_int_at reads it, a plain variable
// of the shape read from its declaration; 0 for a read without an index.
[[gnu::always_inline]] inline bool shaped_index(TOKEN* index, const TOKEN* declaration, int64_t& out, int depth) {
    if (index == nullptr) [[unlikely]] {
        out = 0;
        return true;
    }
    if (declaration != nullptr) {
        const UNION_DATA* cell = top_cell(declaration);
        if (cell != nullptr && (cell->tag == tag_int || cell->tag == raise_tag(tag_int)) && cell->payload != nullptr)
            return cell_int64(cell, out);
    }
    return operand_int(index, out, depth);
}

// The text cell keys are built in for a lookup: one for the process, its
// text's room reused from key to key.
UNION_DATA* scratch_key() {
    static const std::unique_ptr<UNION_DATA> cell(make_str_value({}).cell);
    return cell.get();
}

// The text of str:(...) whose arguments are plain variables and literals
// holding ints, texts or chars, written into the scratch key as the
// conversion writes it; null where the conversion would read anything else
// or a format is in force (nothing has been read then).
UNION_DATA* converted_key(TOKEN* node) {
    if (!plain_text_format()) return nullptr;
    TEXT_PIECES pieces;
    if (!pieces.read(node->right->left)) return nullptr;
    UNION_DATA* key = scratch_key();
    std::string& text = key->str_data()->text;
    text.clear();
    pieces.write(text);
    return key;
}

// The char cell char keys are looked up in: one for the process.
UNION_DATA* scratch_char_key(char byte) {
    static const std::unique_ptr<UNION_DATA> cell(make_char_value(0).cell);
    cell->char_byte() = byte;
    return cell.get();
}

// The key of h[k] read without running code: a plain variable holding a
// defined int or text (or a char, and a char literal, for a lookup that
// adds no pair), a text literal, or str:(...) of plain values; null for
// any other key.
UNION_DATA* plain_key(TOKEN* node, bool char_too = false) {
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_variable) {
        UNION_DATA* cell = declared_plain_cell(node->declaration);
        if (cell == nullptr || cell->payload == nullptr) return nullptr;
        if (cell->tag == tag_int || cell->tag == tag_str || (char_too && lower_tag(cell->tag) == tag_char)) return cell;
        return nullptr;
    }
    if (char_too && handler == eval_char_literal)
        return scratch_char_key(node->text && !node->text->empty() ? (*node->text)[0] : 0);
    if (handler == eval_str_literal) {
        UNION_DATA* key = scratch_key();
        key->str_data()->text = node->text ? *node->text : std::string();
        return key;
    }
    return is_text_conversion(node) ? converted_key(node) : nullptr;
}

// h[k] on a hash a variable holds by value (not a constant, not in an any
// variable, not walked) whose key reads as plain_key gives and is there,
// its value a defined int. A missing key (which the general path adds), a
// value of another kind or a link takes the general path.
[[gnu::noinline]] bool fast_hash_read(const TOKEN* part, UNION_DATA* cell, int64_t& out) {
    if (cell->tag != tag_hash || cell->payload == nullptr || cell->access_mode < access_variable ||
        cell->hash_data()->iteration_count != 0 || may_be_walked(cell) || part->left == nullptr)
        return false;
    UNION_DATA* key = plain_key(part->left, true);
    if (key == nullptr) return false;
    HASH_DATA::KEY_PLACE place;
    const UNION_DATA* value = cell->hash_data()->get(key, false, place);
    return value != nullptr && cell_int(value, out);
}

// Looks the key of h.get(k) or h.def(k) up in a defined hash: a key that
// reads as plain_key gives it, or else as a fast int (-1, k + 1), held by
// value as the handler takes it. False when the key reads neither way or
// the cell holds no defined hash; else true with the key's value cell in
// value (null for a key the hash lacks).
bool look_up_fast_key(const TOKEN* part, UNION_DATA* cell, const UNION_DATA*& value, int depth, bool set_too = false) {
    // A set keeps its elements as the keys of a hash store: s.def(k) is
    // the same lookup.
    // An any cell (a pair's value, a walk's element) holds one with its tag raised.
    const char held = lower_tag(cell->tag);
    const bool store = held == tag_hash || (set_too && held == tag_set);
    if (part->left == nullptr || !store || cell->payload == nullptr) return false;
    TOKEN* key_node = part->left;
    int64_t number = 0;
    void* word = nullptr;
    // A name holding an int, such as an input parameter, which plain_key
    // does not take, goes by its number at once, as a number key goes.
    const bool named_number = key_node->evaluator == eval_variable && fast_int_at(key_node, number, depth + 1) &&
                              make_inline_int(number, word);
    UNION_DATA* key = named_number ? nullptr : plain_key(key_node, true);
    HASH_DATA::KEY_PLACE place;
    std::optional<UNION_DATA> number_key;
    if (key == nullptr) {
        if (!named_number && (!fast_int_at(key_node, number, depth + 1) || !make_inline_int(number, word)))
            return false;
        UNION_DATA* found = nullptr;
        if (cell->hash_data()->find_int(number, found, place)) {
            value = found;
            return true;
        }
        key = &number_key.emplace(tag_nothing);
        key->tag = tag_int;  // the number in the payload word, no record
        key->payload = word;
    }
    value = cell->hash_data()->get(key, false, place);
    return true;
}

// The element at a position of a list (counted from its end with
// from_end), null for a position outside it.
[[gnu::always_inline]] inline UNION_DATA* list_position(const UNION_DATA* list, int64_t position, bool from_end) {
    if (position < 0) return nullptr;
    LIST_DATA* store = list->list_data();
    if (position >= store->node_count) return nullptr;
    if (from_end) position = store->node_count - 1 - position;
    return store->at_valid(static_cast<int>(position));
}

// The element cell of l[i], l.get(i) or l.Get(i) (from_end) on a plain
// list, its index node (of the declaration given, see MEMBER_SHAPE) read
// as a fast int within the list; null otherwise.
[[gnu::always_inline]] inline UNION_DATA* list_element(const UNION_DATA* cell, TOKEN* index,
                                                       const TOKEN* index_declaration, bool from_end, int depth) {
    int64_t position = 0;
    if (!shaped_index(index, index_declaration, position, depth + 1)) return nullptr;
    return list_position(cell, position, from_end);
}

// The cell the receiver of an element read on a readable variable names,
// found from the node's shape: the variable's own, or what a parameter's
// aliases or reference lead to; null for none.
inline UNION_DATA* shaped_cell(const MEMBER_SHAPE& shape) {
    UNION_DATA* cell = top_cell(shape.declaration);
    if (cell == nullptr || !(shape.through_aliases | shape.through_reference)) [[likely]]
        return cell;
    return shape.through_aliases ? aliased_cell(cell) : referenced_cell(cell);
}

// shaped_element on a list a variable refers to (v @ l) writably, a list an
// any cell holds, a list member of the current object or of an object
// variable (o.m), which x[i] reads only on an object given for writing.
[[gnu::noinline]] UNION_DATA* held_list_element(const MEMBER_SHAPE& shape, int depth) {
    UNION_DATA* cell = shape.declaration != nullptr ? shaped_cell(shape) : nullptr;
    if (shape.of_member && (shape.kind != MEMBER_READ::element || is_variable_mode(fast_members_mode)))
        cell = fast_member_cell(shape.node->left);
    if (shape.of_object && (shape.kind != MEMBER_READ::element || fast_writable_object(shape.node->left->left)))
        cell = fast_object_member(shape.node->left);
    if (cell != nullptr && lower_tag(cell->tag) == tag_reference && is_variable_mode(cell->access_mode))
        cell = referenced_cell(cell);
    if (cell == nullptr || lower_tag(cell->tag) != tag_list || !plain_list(cell)) return nullptr;
    return list_element(cell, shape.index, shape.index_declaration, from_end(shape.kind), depth);
}

// The element cell of an element read on a readable variable's plain list
// (or as held_list_element finds it) at a depth of nesting; null otherwise.
UNION_DATA* shaped_element(const MEMBER_SHAPE& shape, int depth = 0) {
    const UNION_DATA* cell = shape.declaration != nullptr ? shaped_cell(shape) : nullptr;
    if (cell == nullptr || cell->tag != tag_list || !plain_list(cell)) [[unlikely]]
        return cell != nullptr || shape.of_member || shape.of_object ? held_list_element(shape, depth) : nullptr;
    return list_element(cell, shape.index, shape.index_declaration, from_end(shape.kind), depth);
}

// The element cell of l[i], l.get(i) or l.Get(i) on a plain list as
// list_element finds it; with only_brackets, of l[i] alone (the form that
// names the element itself). Null for every other node.
UNION_DATA* plain_list_element(TOKEN* node, bool only_brackets) {
    if (node->evaluator != eval_member) return nullptr;
    const MEMBER_SHAPE& shape = member_shape(node);
    if (shape.through_reference || (only_brackets && shape.kind != MEMBER_READ::element)) return nullptr;
    return shaped_element(shape);
}

// The element cell of x[i][j], x[i].get(j) or x[i].Get(j) where x[i] is
// an element plain_list_element finds that holds a plain list itself, a
// row of a list of lists; with only_brackets, of x[i][j] alone. The row is
// named by brackets: x.get(i)[j] is refused on the function's result. Null
// for every other node.
[[gnu::noinline]] UNION_DATA* nested_list_element(TOKEN* node, bool only_brackets, int depth) {
    const TOKEN* part = nullptr;
    const MEMBER_READ kind = member_read(node, part);
    if (kind != MEMBER_READ::element &&
        (only_brackets || (kind != MEMBER_READ::get && kind != MEMBER_READ::get_from_end)))
        return nullptr;
    UNION_DATA* row = plain_list_element(node->left, true);
    if (row == nullptr || lower_tag(row->tag) != tag_list || !plain_list(row)) return nullptr;
    int64_t position = 0;
    if (depth >= fast_depth_limit || part->left == nullptr || !fast_int_at(part->left, position, depth + 1))
        return nullptr;
    return list_position(row, position, from_end(kind));
}

// The element l[i] = e or l[i][j] = e writes to, on a plain list.
UNION_DATA* stored_element(TOKEN* node) {
    UNION_DATA* element = plain_list_element(node, true);
    return element != nullptr || node->left->evaluator != eval_member ? element : nested_list_element(node, true, 0);
}

// An int element of a plain list takes a small int as l[i] = e stores it:
// not while a walk runs over the element, and in the form it has (a number
// in the payload word stays one). False, with nothing changed, otherwise.
[[gnu::always_inline]] inline bool store_int_element(UNION_DATA* element, int64_t value) {
    if (element->payload == nullptr || (element->tag != tag_int && element->tag != raise_tag(tag_int)) ||
        (running_walks != 0 && value_under_iteration(element)))
        return false;
    if (is_inline_int(element->payload)) return make_inline_int(value, element->payload);
    element->int_data()->assign_int64(value);
    return true;
}

// An object element of a plain list given an element of a plain list (as
// stored_element finds both) or a variable that holds an object of its
// type: the members take the values in place, as the assignment does when
// they are all plain. False, with nothing changed, for any other pair.
bool store_object_element(UNION_DATA* element, TOKEN* right) {
    if (!right->result_stack.empty() || !is_variable_mode(element->access_mode)) return false;
    UNION_DATA* source = right->evaluator == eval_member ? stored_element(right) : variable_cell_of(right);
    // For a name, the cell it hands out, parameters too, and what a link of
    // it leads to: the value the assignment reads.
    if (source != nullptr && right->evaluator == eval_variable) source = follow_link(source);
    if (source == nullptr) return false;
    if (source == element) return true;  // the value is its own already
    if (running_walks != 0 && value_under_iteration(element)) return false;
    return assign_object_in_place(element, source);
}

// A defined text cell takes a text as a plain copy gives it one: the
// characters, and any read under way of the cell starts again. False,
// with nothing changed, for no text.
bool store_text(UNION_DATA* target, const std::string* text) {
    if (text == nullptr) return false;
    STR_DATA* data = target->str_data();
    if (&data->text != text) data->text = *text;
    data->reset_read();
    return true;
}

// The character a char literal or a variable holding a defined char gives;
// 0 for anything else and for the empty char.
unsigned char held_char(const TOKEN* node) {
    if (node->evaluator == eval_char_literal)
        return node->text && node->text->size() == 1 ? static_cast<unsigned char>((*node->text)[0]) : 0;
    UNION_DATA* value = argument_value(variable_cell_of(node));
    if (value == nullptr || lower_tag(value->tag) != tag_char || value->payload == nullptr || !is_defined_value(value))
        return 0;
    return static_cast<unsigned char>(value->char_byte());
}

// c.int() on a char variable or literal holding a character, the call
// outside member_read's kinds that reads an int: its code as the char's
// handler gives it, the bytes from 0x80 on negative and the NUL character
// (stored as 0xFF) 0. An empty char, a value of another kind and a call
// with arguments take the general path and its message.
[[gnu::noinline]] bool char_code(const TOKEN* node, int64_t& out) {
    const TOKEN* part = node->right;
    if (node->op1 != '.' || part == nullptr || !is_call_token(part) || part->text->size() != 3 ||
        std::memcmp(part->text->data(), "int", 3) != 0 || node->left == nullptr || !without_arguments(part))
        return false;
    const unsigned char byte = held_char(node->left);
    if (byte == 0) return false;
    out = byte == 0xFF ? 0 : static_cast<signed char>(byte);
    return true;
}

// An int element of the list an alias variable stands for, such as the loop
// variable a sort key or a walk binds to an element (which an any cell
// holds), read as list_element reads a plain list's (kept out of the hot
// read's body). Only reads take this road: the alias's own mode, which a
// write must honour, is not looked at.
[[gnu::noinline]] bool aliased_element_int(UNION_DATA* alias, TOKEN* index, bool from_end, int depth, int64_t& out) {
    const UNION_DATA* list = follow_aliases(alias);
    if (list == nullptr || lower_tag(list->tag) != tag_list || !plain_list(list)) return false;
    const UNION_DATA* element = list_element(list, index, nullptr, from_end, depth);
    return element != nullptr && cell_int(element, out);
}

// x.size() on a list or text variable, as fast_element_read reads it.
bool size_read(const TOKEN* node, const TOKEN* part, int64_t& out) {
    if (!without_arguments(part)) return false;
    const UNION_DATA* cell = readable_variable(node->left);
    // A name declared plainly in the input part reads the value its
    // reference stands for.
    UNION_DATA* input = cell == nullptr ? constant_input_cell(node->left) : nullptr;
    if (input != nullptr) cell = referenced_cell(input);
    if (cell != nullptr && cell->tag == tag_list) {
        if (!plain_list(cell)) return false;
        out = cell->list_data()->node_count;
        return true;
    }
    const UNION_DATA* text = text_variable_of(node->left);
    if (text == nullptr) return false;
    out = static_cast<int64_t>(text->str_data()->text.size());
    return true;
}

// g.get(i) and g.Get(i): the int value of a graph's node by position, as
// the graph's get hands out a copy of it. False for any other index (an
// edge's address among them), a position outside the graph or a value that
// is no defined int.
[[gnu::noinline]] bool graph_node_int(const TOKEN* part, const UNION_DATA* cell, bool from_end, int depth,
                                      int64_t& out) {
    int64_t index = 0;
    if (part->left == nullptr || !fast_int_at(part->left, index, depth + 1)) return false;
    const GRAPH_DATA* graph = cell->graph_data();
    if (graph == nullptr) return false;
    const int64_t position = from_end ? int64_t{graph->node_count} - 1 - index : index;
    if (position < 0 || position >= graph->node_count) return false;
    return cell_int(&graph->nodes[static_cast<size_t>(position)]->value, out);
}

// The element reads of fast_element_read on a receiver cell that holds no
// list: a hash, an array, an array2 slot, a graph's node, or an alias to a
// list.
[[gnu::noinline]] bool container_element_read(TOKEN* node, const TOKEN* part, MEMBER_READ kind, UNION_DATA* cell,
                                              int64_t& out, int depth) {
    if (kind == MEMBER_READ::first || kind == MEMBER_READ::last) return false;  // read on lists alone
    if (kind == MEMBER_READ::element) {
        if (cell->tag == tag_hash) return fast_hash_read(part, cell, out);
        if (const int slot = fast_slot_int_if_shaped(node, out, depth); slot >= 0) return slot == 1;
    } else if (kind == MEMBER_READ::get && cell->tag == tag_array2) {
        return fast_grid_get_int(node, cell, out, depth);
    } else if ((kind == MEMBER_READ::get || kind == MEMBER_READ::get_from_end) && cell->tag == tag_graph) {
        return graph_node_int(part, cell, kind == MEMBER_READ::get_from_end, depth, out);
    }
    if (cell->tag != tag_array || cell->payload == nullptr || cell->access_mode < access_variable ||
        cell->array_data()->iteration_count != 0 || may_be_walked(cell)) {
        // The alias a sort key's or a walk's variable is, tried last so that
        // plain receivers pay nothing for it.
        return (cell->tag == tag_alias || cell->tag == raise_tag(tag_alias)) &&
               aliased_element_int(cell, part->left, kind == MEMBER_READ::get_from_end, depth, out);
    }
    int64_t index = 0;  // a.get(i) on an array held by value, not a constant, not walked
    ARRAY_DATA* store = cell->array_data();
    if (kind == MEMBER_READ::get_from_end || !fast_int_at(part->left, index, depth + 1) || index < 0 ||
        index >= store->slot_count)
        return false;
    return fast_slot_int(SLOT_PLACE{&store->slots, static_cast<size_t>(index), nullptr}, out);
}

// fast_element_read for a node whose shape (of the kind given) has no
// element read on a readable variable: x.size() and c.int(); an
// element read on anything else is not applicable.
[[gnu::noinline]] bool unshaped_element_read(TOKEN* node, MEMBER_READ kind, int64_t& out, int depth) {
    if (kind == MEMBER_READ::size) return size_read(node, node->right, out);
    if (kind == MEMBER_READ::none) return char_code(node, out);
    if (node->left == nullptr || node->left->evaluator != eval_member) return false;
    const UNION_DATA* element = nested_list_element(node, false, depth);
    return element != nullptr && cell_int(element, out);
}

// l.size(), l[i], l.get(i) and l.Get(i) on a plain list, a[i] and a.get(i)
// on a plain array, g[r, c] on a plain array2, h[k] on a plain hash,
// s.size() on a text, where the indexes read as fast ints within the
// container and the element is a defined int: what the container's own
// handlers give, read without a result cell, an alias or a copy. Any other
// case (an index error, an undefined slot, an element of another kind) is
// not applicable.
[[gnu::noinline]] bool fast_element_read(TOKEN* node, int64_t& out, int depth) {
    const MEMBER_SHAPE& shape = member_shape(node);
    if (shape.declaration == nullptr) [[unlikely]] {
        // A list member of the current object or of an object variable.
        const bool held = (shape.of_member || shape.of_object) && depth < fast_depth_limit;
        const UNION_DATA* element = held ? held_list_element(shape, depth) : nullptr;
        if (element != nullptr || shape.of_member) return element != nullptr && cell_int(element, out);
        return unshaped_element_read(node, shape.kind, out, depth);
    }
    if (depth >= fast_depth_limit) return false;
    UNION_DATA* cell = shaped_cell(shape);
    if (cell == nullptr) return false;
    // An element of a list, the most frequent read, is read here; one of a
    // list that a variable refers to (v @ l) or holds as any is held.
    if (cell->tag != tag_list) [[unlikely]] {
        if (lower_tag(cell->tag) != tag_reference && lower_tag(cell->tag) != tag_list)
            return container_element_read(node, node->right, shape.kind, cell, out, depth);
        const UNION_DATA* element = held_list_element(shape, depth);
        return element != nullptr && cell_int(element, out);
    }
    if (!plain_list(cell)) return false;
    const UNION_DATA* element = list_element(cell, shape.index, shape.index_declaration, from_end(shape.kind), depth);
    return element != nullptr && cell_int(element, out);
}

// The list cell a plain variable or ":$" input parameter (its declaring
// node given) holds or refers to, as the element reads find it (plain_list
// tells whether they read it); null for any other cell.
[[gnu::always_inline]] inline UNION_DATA* declared_list(const TOKEN* declaration) {
    UNION_DATA* cell = top_cell(declaration);
    if (cell == nullptr) return nullptr;
    const int role = declaration->arg_role;
    if (role == arg_role_variable_input) cell = aliased_cell(cell);
    else if (role == arg_role_constant_input || role == arg_role_output_object) return nullptr;
    if (cell->tag != tag_list) {
        // A variable that refers to a list (v @ l) reads and stores its
        // elements, as the element reads find them.
        if (lower_tag(cell->tag) != tag_reference || !is_variable_mode(cell->access_mode)) return nullptr;
        cell = referenced_cell(cell);
        if (cell == nullptr || cell->tag != tag_list) return nullptr;
    }
    return cell;
}

// The outcome of a comparison of two ints as the node's operator asks it;
// -1 for an operator of another kind.
[[gnu::always_inline]] inline int int_order(const TOKEN* node, int64_t a, int64_t b) {
    switch (node->op1) {
    case '<': return node->op2 == 0 ? a < b : node->op2 == '=' ? a <= b : -1;
    case '>': return node->op2 == 0 ? a > b : node->op2 == '=' ? a >= b : -1;
    case '=': return node->op2 == '=' ? a == b : -1;
    case '!': return node->op2 == '=' ? a != b : -1;
    default: return -1;
    }
}

// name = a + b or name = a - b on a plain int variable (the variable's cell
// given, as fast_int_variable finds it) and two int variables too long for
// fast_int: the result, as the general path's int operands give it, goes to
// the variable. False, with nothing changed, for any other shape and for a
// variable being walked.
__attribute__((noinline)) bool long_int_sum(TOKEN* node, UNION_DATA* variable) {
    const TOKEN* sum = node->right;
    if (sum->evaluator != eval_plus && sum->evaluator != eval_minus) return false;
    INT_DATA left_spare;
    INT_DATA right_spare;
    const INT_DATA* a = variable_number(sum->left, left_spare);
    const INT_DATA* b = a != nullptr ? variable_number(sum->right, right_spare) : nullptr;
    if (b == nullptr || value_under_iteration(variable)) return false;
    variable->int_data()->assign_sum(*a, *b, sum->evaluator == eval_minus);
    return true;
}

// The cell a receiver name of h.get(k), h[k] or h.def(k) reads: a variable
// as readable_variable finds it, or a member of the current object reached
// through a variable object; null for anything else.
UNION_DATA* hash_receiver(TOKEN* name, RESULT_ITEM this_item) {
    UNION_DATA* cell = readable_variable(name);
    if (cell == nullptr && name->evaluator == eval_variable && is_variable_mode(this_item.mode))
        cell = current_member_cell(name, this_item);
    // A variable made to refer to a hash (h @ other) reads the hash, and an
    // alias (a walk's variable) the value it stands for, unless a link lends
    // a read-only mode, which h[k] refuses.
    if (cell != nullptr && is_link_cell(cell)) {
        const char own = lower_tag(cell->tag);
        if (own == tag_reference) cell = is_variable_mode(cell->access_mode) ? referenced_cell(cell) : nullptr;
        else if (own == tag_alias) cell = is_variable_mode(lent_access(cell)) ? follow_aliases(cell) : nullptr;
        else cell = nullptr;
    }
    return cell;
}

// Without noclone GCC makes specialised copies of the routines below that
// cost more at their call sites; other compilers lack the attribute.
#if defined(__GNUC__) && !defined(__clang__)
#define OUT_OF_LINE_UNCLONED [[gnu::noinline, gnu::noclone]]
#else
#define OUT_OF_LINE_UNCLONED [[gnu::noinline]]
#endif

// a op b of fast ints, one routine per operator so that the operation is
// known in it. An int literal on the right, the most frequent operand
// there after a call (n - 1, x % 2), is read at once.
template <char op>
OUT_OF_LINE_UNCLONED bool fast_binary(const TOKEN* node, int64_t& out, int depth) {
    int64_t a = 0;
    int64_t b = 0;
    TOKEN* left = node->left;
    TOKEN* right = node->right;
    if (left == nullptr || right == nullptr || depth >= fast_depth_limit) return false;
    // A right operand that is a call or a text literal fails the whole
    // before any value is read: a + b + f(x) costs no sum, nor does a sum of
    // texts such as pad + ": ". A member call on the right is read first, so
    // that one of another kind (x.f()) fails as early; reading has no
    // effect, so the order is not seen.
    const EVAL_HANDLER handler = right->evaluator;
    if (handler == call_named_routine) return false;
    if (handler == eval_int_literal) {
        if (!right->number->mantissa.to_int64(b) || !operand_int(left, a, depth + 1)) return false;
    } else if (handler == eval_str_literal) {
        return false;
    } else if (handler == eval_member) {
        if (!fast_int_at(right, b, depth + 1) || !operand_int(left, a, depth + 1)) return false;
    } else if (!operand_int(left, a, depth + 1) || !operand_int(right, b, depth + 1)) {
        return false;
    }
    return fast_operation(op, a, b, out);
}

// -x of a fast int. Zero declines: the general path negates it to a zero
// of sign -1. So does the smallest int, whose negation leaves 64 bits.
[[gnu::noinline]] bool fast_negation(const TOKEN* node, int64_t& out, int depth) {
    int64_t a = 0;
    if (node->right == nullptr || depth >= fast_depth_limit || !fast_int_at(node->right, a, depth + 1) || a == 0 ||
        a == INT64_MIN)
        return false;
    out = -a;
    return true;
}

// min(a, b, ...) and max(a, b, ...) of fast ints: the earliest of equal
// values stays, as the fold keeps it, and the fold of machine ints makes
// its result from the number alone. Arguments parked by a frame, fewer
// than two, or any that is not a fast int take the general path.
[[gnu::noinline]] bool fast_min_max(TOKEN* node, int64_t& out, int depth) {
    TOKEN* arguments = node->left;
    if (arguments == nullptr || depth >= fast_depth_limit || !node->result_stack.empty() ||
        !arguments->result_stack.empty() || !node->text)
        return false;
    const TOKEN_LIST& list = argument_list_of(arguments);
    if (list.count() < 2) return false;
    const bool is_max = (*node->text)[1] == 'a';
    int64_t best = 0;
    for (uint32_t i = 0; i < list.count(); ++i) {
        int64_t number = 0;
        if (!fast_int_at(list[i], number, depth + 1)) return false;
        if (i == 0 || (is_max ? best < number : number < best)) best = number;
    }
    out = best;
    return true;
}

// fast_int_at for an operator node read as the handler given evaluates it.
[[gnu::always_inline]] inline bool operator_int(TOKEN* node, EVAL_HANDLER handler, int64_t& out, int depth) {
    if (handler == eval_plus) return fast_binary<'+'>(node, out, depth);
    if (handler == eval_minus) return fast_binary<'-'>(node, out, depth);
    if (handler == eval_times) return fast_binary<'*'>(node, out, depth);
    if (handler == eval_divide) return fast_binary<'/'>(node, out, depth);
    if (handler == eval_modulo) return fast_binary<'%'>(node, out, depth);
    if (handler == eval_unary_minus) return fast_negation(node, out, depth);
    if (handler == builtin_min_max) return fast_min_max(node, out, depth);
    return false;
}

// What o.name decides once per node (see node_shapes.h): the declaring
// node of o when the node names a member of a declared variable, and the
// slot the name had in the first group of the object last read through
// it, with that group's type. An object whose first group has that type
// has the member there, as the member access finds it first.
struct FIELD_SHAPE {
    const TOKEN* node = nullptr;
    uint64_t stamp = 0;
    const TOKEN* declaration = nullptr;  // null: no o.name on a variable
    const TOKEN* type = nullptr;
    int32_t slot = -1;
};
constexpr size_t field_shape_count = 512;
FIELD_SHAPE field_shapes[field_shape_count];

[[gnu::noinline]] FIELD_SHAPE& new_field_shape(FIELD_SHAPE& shape, const TOKEN* node, uint64_t stamp) {
    SHAPE_DECISION<FIELD_SHAPE> decision(node, stamp);
    const TOKEN* receiver = node->left;
    const TOKEN* part = node->right;
    if (node->op1 == '.' && node->op2 == 0 && receiver != nullptr && part != nullptr && is_word_token(part) &&
        !is_call_token(part)) {
        if (unbound_name(receiver)) decision.pass();
        const TOKEN* declaration = receiver->evaluator == eval_variable ? receiver->declaration : nullptr;
        if (declaration != nullptr && declaration->member_slot < 0 && declaration->arg_role != arg_role_output_object)
            decision.made.declaration = declaration;
    }
    return decision.store(shape);
}

// The member found the whole way, its slot noted in the shape when the
// object's first group holds it.
[[gnu::noinline]] UNION_DATA* noted_member(FIELD_SHAPE& shape, UNION_DATA* cell, const TOKEN* part) {
    if (front_end_services.member_slot == nullptr) return nullptr;
    UNION_DATA* member = named_member(cell, part);
    if (member == nullptr) return nullptr;
    const GROUP_ENTRY& first = follow_link(cell)->holder()->object->groups.front();
    if (first.slots == nullptr) return member;
    const auto& cells = first.slots->cells;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] != member) continue;
        shape.type = first.type;
        shape.slot = static_cast<int32_t>(i);
        break;
    }
    return member;
}

struct CONDITION_KIND;
using CONDITION_HINTS = DECLINE_HINTS<CONDITION_KIND>;

int comparison_now(const TOKEN* node) {
    // A member call (c.isalpha()) is no comparison, nor does a logical
    // operator whose left operand is one give a bool without running it. An
    // array slot a[i] has the same shape and is read below.
    const TOKEN* first = node->evaluator == eval_or || node->evaluator == eval_and ? node->left : node;
    if (first != nullptr && first->evaluator == eval_member && first->right != nullptr && is_call_token(first->right) &&
        !on_array_variable(first))
        return -1;
    const int compared = fast_int_comparison(node);
    if (compared >= 0) return compared;
    if (int_order(node, 0, 0) < 0) return fast_bool(const_cast<TOKEN*>(node), 0);  // no comparison
    return fast_text_comparison(node);
}

// The character a node reads without running anything: a char literal, a
// variable holding a char, or s.get(i) of a text variable at a position
// within it. 0 for anything else and for the empty char, which the
// general comparison tells apart.
[[gnu::noinline]] unsigned char fast_char(TOKEN* node) {
    if (node->evaluator != eval_member) return held_char(node);
    const TOKEN* part = nullptr;
    if (member_read(node, part) != MEMBER_READ::get) return 0;
    const UNION_DATA* text = text_variable_of(node->left);
    int64_t index = 0;
    if (text == nullptr || part->left == nullptr || !fast_int_at(part->left, index, 1)) return 0;
    const std::string& characters = text->str_data()->text;
    if (index < 0 || index >= static_cast<int64_t>(characters.size())) return 0;
    return static_cast<unsigned char>(characters[static_cast<size_t>(index)]);
}

// a == b and a != b of two characters fast_char reads.
int fast_char_equality(const TOKEN* node) {
    if (node->op2 != '=' || (node->op1 != '=' && node->op1 != '!')) return -1;
    // The right operand first: a text literal there, the most frequent
    // operand of a text comparison, declines at once. Reading has no effect.
    const unsigned char b = fast_char(node->right);
    if (b == 0) return -1;
    const unsigned char a = fast_char(node->left);
    if (a == 0) return -1;
    return (a == b) == (node->op1 == '=') ? 1 : 0;
}

// name = a + b + ... of texts read without running code, for fast_text_store:
// the sum is made apart, since the target may be among its operands.
[[gnu::noinline]] bool store_text_sum(UNION_DATA* target, TOKEN* sum_node) {
    std::string sum;
    if (!inert_text_sum(sum_node, sum)) return false;
    if (target->payload == nullptr) allocate_payload(target, tag_str);
    STR_DATA* data = target->str_data();
    data->text = std::move(sum);
    data->reset_read();
    return true;
}

// The target when fast_call_assignment takes the statement: its right side
// a call by name or + - * with nothing parked on it, its target a plain int
// variable; null otherwise.
UNION_DATA* call_assignment_target(TOKEN* node) {
    TOKEN* right = node->right;
    if (node->left == nullptr || right == nullptr || right->block_mode != block_mode_none ||
        !right->result_stack.empty())
        return nullptr;
    const EVAL_HANDLER handler = right->evaluator;
    if (handler != call_named_routine && handler != eval_plus && handler != eval_minus && handler != eval_times &&
        handler != eval_member)
        return nullptr;
    return fast_int_variable(node->left);
}

}  // namespace

int fast_list_int(const TOKEN* declaration, int64_t position, bool from_end, int64_t& out) {
    const UNION_DATA* list = declared_list(declaration);
    if (list == nullptr) return -1;
    const UNION_DATA* element = plain_list(list) ? list_position(list, position, from_end) : nullptr;
    return element != nullptr && cell_int(element, out) ? 1 : 0;
}

LIST_DATA* fast_plain_list(const TOKEN* declaration) {
    const UNION_DATA* list = declared_list(declaration);
    return list != nullptr && plain_list(list) ? list->list_data() : nullptr;
}

LIST_DATA* fast_member_list(const TOKEN* name) {
    UNION_DATA* cell = fast_member_cell(name);
    return cell != nullptr && cell->tag == tag_list && plain_list(cell) ? cell->list_data() : nullptr;
}

const std::string* fast_operand_text(TOKEN* node) {
    const EVAL_HANDLER handler = node->evaluator;
    const UNION_DATA* cell = nullptr;
    if (handler == eval_variable) {
        // A plain input parameter reads the value its aliases lead to.
        UNION_DATA* input = constant_input_cell(node);
        cell = input != nullptr ? follow_aliases(input) : readable_variable(node);
    } else if (handler == eval_member) {
        cell = plain_list_element(node, false);
    } else if (handler == eval_str_literal) {
        static const std::string empty;
        return node->text ? &*node->text : &empty;
    }
    if (cell == nullptr || lower_tag(cell->tag) != tag_str || cell->payload == nullptr) return nullptr;
    return &cell->str_data()->text;
}

bool fast_store_int_element(UNION_DATA* element, int64_t value) { return store_int_element(element, value); }

bool fast_list_store(const TOKEN* declaration, int64_t position, int64_t value) {
    const UNION_DATA* list = declared_list(declaration);
    UNION_DATA* element = list != nullptr && plain_list(list) ? list_position(list, position, false) : nullptr;
    return element != nullptr && store_int_element(element, value);
}

bool fast_writable_object(const TOKEN* name) {
    const TOKEN* declaration = name != nullptr && name->evaluator == eval_variable ? name->declaration : nullptr;
    if (declaration == nullptr || declaration->arg_role == arg_role_constant_input) return false;
    const UNION_DATA* own = top_cell(declaration);
    return own != nullptr && is_variable_mode(lent_access(own));
}

UNION_DATA* fast_object_member(const TOKEN* node) {
    if constexpr (!fast_paths) return nullptr;
    if (node->evaluator != eval_member) return nullptr;
    FIELD_SHAPE& found = node_shape(field_shapes, node, new_field_shape);
    if (found.declaration == nullptr) return nullptr;
    UNION_DATA* cell = follow_aliases(top_cell(found.declaration));
    if (cell == nullptr) return nullptr;
    const UNION_DATA* object = follow_link(cell);
    if (lower_tag(object->tag) != tag_object) return nullptr;
    const OBJECT_HOLDER* holder = object->holder();
    if (holder == nullptr || holder->object == nullptr || holder->object->groups.empty()) return nullptr;
    const GROUP_ENTRY& first = holder->object->groups.front();
    if (first.type == found.type && first.slots != nullptr &&
        static_cast<size_t>(found.slot) < first.slots->cells.size())
        return first.slots->cells[static_cast<size_t>(found.slot)];
    return noted_member(found, cell, node->right);
}

UNION_DATA* fast_member_cell(const TOKEN* name) {
    if constexpr (!fast_paths) return nullptr;
    return fast_members_object != nullptr ? current_member_cell(name, RESULT_ITEM{fast_members_object}) : nullptr;
}

UNION_DATA* fast_read_element(TOKEN* node) {
    return fast_paths && node->evaluator == eval_member ? shaped_element(member_shape(node)) : nullptr;
}

UNION_DATA* fast_list_element(TOKEN* node) { return fast_paths ? plain_list_element(node, true) : nullptr; }

UNION_DATA* fast_stored_element(TOKEN* node) { return fast_paths ? stored_element(node) : nullptr; }

UNION_DATA* fast_hash_key(TOKEN* node) { return plain_key(node); }

UNION_DATA* fast_hash_char_key(TOKEN* node) { return plain_key(node, true); }

bool fast_int_at(TOKEN* node, int64_t& out, int depth) {
    if constexpr (!fast_paths) return false;
    const EVAL_HANDLER handler = node->evaluator;
    if (handler == eval_variable) return variable_int(node, out);
    if (handler == eval_int_literal) return node->number->mantissa.to_int64(out);
    if (handler == eval_member) {
        // o.name goes straight to the member's cell; every call (x[i],
        // x.size(), c.int()) to the element reads.
        if (node->right != nullptr && !is_call_token(node->right)) {
            const UNION_DATA* member = fast_object_member(node);
            return member != nullptr && cell_int(member, out);
        }
        return fast_element_read(node, out, depth);
    }
    return operator_int(node, handler, out, depth);
}

bool fast_operator_int(TOKEN* node, EVAL_HANDLER handler, int64_t& out) {
    if constexpr (!fast_paths) return false;
    if (handler == node->evaluator) return fast_int_at(node, out, 0);
    return operator_int(node, handler, out, 0);
}

bool fast_hash_int(TOKEN* node, RESULT_ITEM this_item, int64_t& out) {
    if constexpr (!fast_paths) return false;
    if (node->evaluator != eval_member) return false;
    const TOKEN* part = nullptr;
    const MEMBER_READ kind = member_read(node, part);
    if (kind != MEMBER_READ::get && kind != MEMBER_READ::element) return false;
    UNION_DATA* cell = hash_receiver(node->left, this_item);
    if (cell == nullptr) return false;
    // h.get(k): the copy the handler gives is the number. A missing key
    // (which the handler names) takes the general path.
    const UNION_DATA* value = nullptr;
    if (kind == MEMBER_READ::get)
        return look_up_fast_key(part, cell, value, 0) && value != nullptr && cell_int(value, out);
    return fast_hash_read(part, cell, out);
}

UNION_DATA* fast_hash_element(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) return nullptr;
    if (node->evaluator != eval_member || node->op1 != '.' || node->op2 != 0 || node->left == nullptr ||
        !node->result_stack.empty())
        return nullptr;
    const TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part) || part->right != nullptr || !is_element_call(part) ||
        part->left == nullptr || is_empty_operand(part->left))
        return nullptr;
    UNION_DATA* cell = hash_receiver(node->left, this_item);
    if (cell == nullptr || lower_tag(cell->tag) != tag_hash || !is_variable_mode(cell->access_mode)) return nullptr;
    const UNION_DATA* value = nullptr;
    if (!look_up_fast_key(part, cell, value, 0) || value == nullptr || is_link_cell(value)) return nullptr;
    return const_cast<UNION_DATA*>(value);
}

int fast_hash_def(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) return -1;
    if (node->evaluator != eval_member || node->op1 != '.' || node->left == nullptr) return -1;
    const TOKEN* part = node->right;
    if (part == nullptr || !is_call_token(part)) return -1;
    const std::string& name = *part->text;
    if (name.size() != 3 || std::memcmp(name.data(), "def", 3) != 0) return -1;
    UNION_DATA* cell = hash_receiver(node->left, this_item);
    const UNION_DATA* value = nullptr;
    if (cell == nullptr || !look_up_fast_key(part, cell, value, 0, true)) return -1;
    return value != nullptr ? 1 : 0;
}

int fast_comparison(const TOKEN* node) {
    if constexpr (!fast_paths) return -1;
    CONDITION_HINTS::SLOT& hint = CONDITION_HINTS::slot_of(node);
    if (CONDITION_HINTS::skips(hint, node)) return -1;
    const int answer = comparison_now(node);
    if (answer < 0) CONDITION_HINTS::declined(hint, node);
    return answer;
}

int fast_int_comparison(const TOKEN* node) {
    if constexpr (!fast_paths) return -1;
    if (node->text || node->left == nullptr || node->right == nullptr) return -1;
    // Read only where fast_int gives them.
    int64_t a;
    int64_t b;
    if (!fast_int(node->left, a) || !fast_int(node->right, b)) return -1;
    return int_order(node, a, b);
}

UNION_DATA* plain_variable(const TOKEN* name) {
    if (name == nullptr || name->evaluator != eval_variable) return nullptr;
    return declared_plain_cell(name->declaration);
}

const INT_DATA* variable_number(const TOKEN* node, INT_DATA& spare) {
    const UNION_DATA* cell = node != nullptr ? variable_cell_of(node) : nullptr;
    if (cell == nullptr || (cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr)
        return nullptr;
    const INT_DATA& number = int_view(cell, spare);
    return number.is_empty() ? nullptr : &number;
}

UNION_DATA* fast_int_variable(TOKEN* node) {
    UNION_DATA* cell = plain_variable(node);
    if (cell == nullptr || cell->tag != tag_int || cell->payload == nullptr || cell->access_mode != access_variable)
        return nullptr;
    return cell;
}

bool fast_element_store(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    TOKEN* left = node->left;
    if (left == nullptr || node->right == nullptr || left->evaluator != eval_member) return false;
    // Reading either side runs nothing, so the element may be found before
    // the right side is read.
    UNION_DATA* element = stored_element(left);
    if (element == nullptr || element->payload == nullptr) return false;
    if (element->tag == tag_int || element->tag == raise_tag(tag_int)) {
        int64_t value = 0;
        return fast_int(node->right, value) && store_int_element(element, value);
    }
    if (lower_tag(element->tag) == tag_object) return store_object_element(element, node->right);
    if (lower_tag(element->tag) != tag_str || !is_variable_mode(element->access_mode)) return false;
    return store_text(element, fast_operand_text(node->right));
}

bool fast_list_append(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    TOKEN* call = node->right;
    if (node->op1 != '.' || node->op2 != 0 || call == nullptr || !is_call_token(call)) return false;
    const std::string& name = *call->text;
    TOKEN* argument = call->left;
    if (name.size() != 4 || std::memcmp(name.data(), "Ins0", 4) != 0 || argument == nullptr ||
        !call->result_stack.empty() || !argument->result_stack.empty())
        return false;
    // Appending frees nothing, so only a walk over the list itself refuses it,
    // as the method does; a walk over one of its elements goes on unharmed.
    // Asking for walks nested inside would cost a search through the whole
    // list on every append.
    UNION_DATA* list = readable_variable(node->left);
    if (list == nullptr || list->tag != tag_list || list->payload == nullptr || list->access_mode < access_variable ||
        list->list_data()->iteration_count != 0)
        return false;
    // For a name, the cell it hands out, whatever its parameter role.
    UNION_DATA* value =
        argument->evaluator == eval_member ? plain_list_element(argument, true) : variable_cell_of(argument);
    // An int or a text held in the cell itself, not through a link.
    if (value == nullptr || (lower_tag(value->tag) != tag_int && lower_tag(value->tag) != tag_str)) return false;
    return list->list_data()->append_plain(value);
}

int fast_text_comparison(const TOKEN* node) {
    if constexpr (!fast_paths) return -1;
    if (node->text || node->left == nullptr || node->right == nullptr) return -1;
    const std::string* a = fast_operand_text(node->left);
    if (a == nullptr) return fast_char_equality(node);
    const std::string* b = fast_operand_text(node->right);
    // Texts order by their unsigned bytes; they hold no NUL.
    return b != nullptr ? int_order(node, std::strcmp(a->c_str(), b->c_str()), 0) : -1;
}

bool fast_text_store(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    TOKEN* left = node->left;
    if (left == nullptr || node->right == nullptr || left->evaluator != eval_variable) return false;
    UNION_DATA* target = plain_variable(left);
    if (target == nullptr || target->access_mode != access_variable || lower_tag(target->tag) != tag_str ||
        (target->payload == nullptr && target->tag != tag_str))
        return false;
    const std::string* text = fast_operand_text(node->right);
    if (text == nullptr) return node->right->evaluator == eval_plus && store_text_sum(target, node->right);
    // A text variable without a value yet (a result variable) gets one.
    if (target->payload == nullptr) allocate_payload(target, tag_str);
    return store_text(target, text);
}

bool long_sum_assignment(TOKEN* node) {
    if constexpr (!fast_paths) return false;
    UNION_DATA* target = call_assignment_target(node);
    return target != nullptr && long_int_sum(node, target);
}

bool fast_call_assignment(TOKEN* node, RESULT_ITEM this_item) {
    if constexpr (!fast_paths) return false;
    UNION_DATA* first_target = call_assignment_target(node);
    if (first_target == nullptr) return false;
    if (long_int_sum(node, first_target)) return true;
    TOKEN* right = node->right;
    const EVAL_HANDLER handler = right->evaluator;
    RESULT_LIST list;
    INT_RESULT_SLOT slot;  // the right side's number, when it hands one over
    {
        const INT_RESULT_ASK ask(right, &slot);
        eval_cached(right, this_item, list);
    }
    // A call that failed hands back what its results held then: the
    // variable keeps its own value instead.
    if (exception_pending()) return true;
    // The right side may have changed what the left names.
    UNION_DATA* target = fast_int_variable(node->left);
    if (slot.number != nullptr) {
        if (target != nullptr && list.count == 0 && !value_under_iteration(target)) {
            std::unique_ptr<INT_DATA> old(target->int_data());
            target->payload = slot.number.release();
            return true;
        }
        // Back into the cell the right side would have made.
        list.append(RESULT_ITEM{new_int_cell(std::move(slot.number)),
                                handler == call_named_routine ? access_function_result : access_expression, 1});
    }
    if (target != nullptr && list.count == 1 && list.head->item.owned != 0 && !value_under_iteration(target)) {
        UNION_DATA* value = list.head->item.cell;
        if (value->tag == tag_int && value->payload != nullptr && value->referrers == nullptr) {
            std::swap(target->payload, value->payload);  // the old number goes with the list
            return true;
        }
    }
    push_result_list(right, new RESULT_LIST(std::move(list)));
    return false;
}

}  // namespace morvu
