// Preparing user types for allocation: the self-containing mark, member slot
// numbers, literal initialisers and the prototype object of every type.
//
// The prototype of a type is the top cell of its definition node's value
// stack: an object cell whose record has one member group per entry of the
// type's base-type list (the type itself first), each group a slot array of
// that type's members in declaration order. A member of a self-containing
// type gets an object cell without record, so prototypes of recursive types
// are finite.

#include <algorithm>
#include <memory>
#include <vector>

#include "runtime/display_name.h"
#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message) {
    raise_error(node, routine_kind_none, nullptr, message, error_kind_syntax);
}

bool is_nested_definition(const TOKEN* statement) {
    return is_keyword_statement(statement, "func", "proc") || is_keyword_statement(statement, "bigtype", "smalltype");
}

// The type definition of a blank-operator statement, or null.
TOKEN* defined_type(const TOKEN* statement) {
    if (!is_keyword_statement(statement, "bigtype", "smalltype")) return nullptr;
    return is_type_definition(statement->right) ? statement->right : nullptr;
}

// The member declarations of a type body: its blank-operator statements that
// are no nested definitions. Extension statements and the empty statement
// of an empty body are passed over; anything else is refused at `error_at`,
// or at the statement itself when error_at is null.
std::vector<TOKEN*> member_declarations(TOKEN* type, TOKEN* error_at) {
    std::vector<TOKEN*> declarations;
    TOKEN* body = last_list_item(type);
    if (body == nullptr) return declarations;
    for (TOKEN* statement : split_by_operator(body, ';')) {
        if ((statement->op1 == '+' && statement->op2 == '=') || is_empty_operand(statement)) continue;
        if (!is_blank_operator(statement))
            raise_at(error_at != nullptr ? error_at : statement, msg_text("erwstrpunanwindattyp"));
        if (is_nested_definition(statement)) continue;
        declarations.push_back(statement);
    }
    return declarations;
}

// The base-type list of a type, or the type alone when none was built.
std::vector<TOKEN*> base_list(TOKEN* type) {
    if (!type->base_types) return {type};
    return std::vector<TOKEN*>(type->base_types->begin(), type->base_types->end());
}

// A member item: the name, and the literal of an initialised member
// (name.(literal) after the declaration rewrite), else null.
struct MEMBER {
    TOKEN* name;
    TOKEN* literal;
    TOKEN* item;
};

MEMBER read_member(TOKEN* item) {
    if (item->op1 == '.' && item->op2 == 0 && item->right != nullptr && is_call_token(item->right))
        return {item->left, item->right->left, item};
    return {item, nullptr, item};
}

bool is_bool_literal(const TOKEN* literal) { return is_word(literal, "true") || is_word(literal, "false"); }
bool is_char_literal(const TOKEN* literal) { return literal->op1 == '\'' && literal->op2 == 0; }
bool is_string_literal(const TOKEN* literal) { return literal->op1 == '"' && literal->op2 == 0; }
bool is_number_literal(const TOKEN* literal) { return literal->number != nullptr && literal->op1 == 0; }
bool is_int_literal(const TOKEN* literal) { return is_number_literal(literal) && literal->number->scale == 0; }
bool is_oper_literal(const TOKEN* literal) { return is_operator_expression(literal); }

// Raises unless the literal suits a member declared with the type word.
void check_initialiser(const TOKEN* type_word, const TOKEN* literal, const TOKEN* item) {
    const std::string& type = *type_word->text;
    const TOKEN* at = literal != nullptr ? literal : item;
    bool fits;
    if (type == "bool") fits = literal != nullptr && is_bool_literal(literal);
    else if (type == "char") fits = literal != nullptr && is_char_literal(literal);
    else if (type == "int") fits = literal != nullptr && is_int_literal(literal);
    else if (type == "real") fits = literal != nullptr && is_number_literal(literal);
    else if (type == "str" || type == "file" || type == "dir") fits = literal != nullptr && is_string_literal(literal);
    else if (type == "oper") fits = literal != nullptr && is_oper_literal(literal);
    else if (type == "any")
        fits =
            literal != nullptr && (is_bool_literal(literal) || is_char_literal(literal) || is_string_literal(literal) ||
                                   is_number_literal(literal) || is_oper_literal(literal));
    else raise_at(at, format_string(msg_text("basininicmoetyp"), display_name(type.c_str()).c_str()));
    if (!fits) raise_at(at, format_string(msg_text("erwlittyparginiprotypdef"), display_name(type.c_str()).c_str()));
}

// Types whose prototype is being built, innermost last: a type met again
// among them gets member objects without record instead of recursing.
std::vector<const TOKEN*> types_in_progress;

struct IN_PROGRESS {
    explicit IN_PROGRESS(const TOKEN* type) { types_in_progress.push_back(type); }
    ~IN_PROGRESS() { types_in_progress.pop_back(); }
    IN_PROGRESS(const IN_PROGRESS&) = delete;
    IN_PROGRESS& operator=(const IN_PROGRESS&) = delete;
};

bool is_in_progress(const TOKEN* type) {
    return std::find(types_in_progress.begin(), types_in_progress.end(), type) != types_in_progress.end();
}

// The member cell of an object of user type `type`: a deep copy of the
// type's prototype record, or no record for a self-containing type.
UNION_DATA* new_object_member(TOKEN* type) {
    auto cell = std::make_unique<UNION_DATA>(tag_object);
    cell->holder()->type = type;
    if (type == nullptr || type->self_containing != 0 || is_in_progress(type)) return cell.release();
    if (type->value_stack == nullptr) basic_init_type(type);
    UNION_DATA* prototype = top_cell(type);
    if (prototype != nullptr && prototype->holder() != nullptr && prototype->holder()->object != nullptr) {
        auto record = std::make_unique<OBJECT_RECORD>();
        copy_value_table(*record, *prototype->holder()->object);
        cell->holder()->object = record.release();
    }
    return cell.release();
}

// Gives an int member cell the literal's number: a machine int as the
// payload word, the form every copy of the prototype gives it, so that a
// copy takes the word as it is.
void set_int_literal(UNION_DATA* cell, const INT_DATA& number) {
    void* word = nullptr;
    if (inline_copy_of(number, word)) {
        delete static_cast<INT_DATA*>(cell->payload);
        cell->payload = word;
    } else {
        *cell->int_data() = number;
    }
}

// A new member cell of the declared type, holding the literal when given.
UNION_DATA* new_member_cell(const TOKEN* type_word, const TOKEN* literal) {
    const std::string& type = *type_word->text;
    if (!is_type_name(type_word)) return new_object_member(type_word->declaration);
    if (type == "any" && literal != nullptr) {
        char tag;
        if (is_bool_literal(literal)) tag = 'B';
        else if (is_char_literal(literal)) tag = 'C';
        else if (is_string_literal(literal)) tag = 'S';
        else if (is_number_literal(literal)) tag = literal->number->scale != 0 ? 'R' : 'I';
        else tag = 'O';
        auto cell = std::make_unique<UNION_DATA>(tag);
        switch (tag) {
        case raise_tag(tag_bool): cell->bool_word() = is_word(literal, "true") ? 1 : 0; break;
        case raise_tag(tag_char): cell->char_byte() = (*literal->text)[0]; break;
        case raise_tag(tag_str):
            cell->str_data()->text = *literal->text;
            cell->str_data()->reset_read();
            break;
        case raise_tag(tag_real): *cell->real_data() = *literal->number; break;
        case raise_tag(tag_int): set_int_literal(cell.get(), literal->number->mantissa); break;
        default:
            cell->oper_chars()[0] = literal->op1;
            cell->oper_chars()[1] = literal->op2;
            break;
        }
        return cell.release();
    }
    auto cell = std::make_unique<UNION_DATA>(type_code_of_token(type_word));
    if (literal == nullptr) return cell.release();
    if (type == "bool") cell->bool_word() = is_word(literal, "true") ? 1 : 0;
    else if (type == "int") set_int_literal(cell.get(), literal->number->mantissa);
    else if (type == "real") *cell->real_data() = *literal->number;
    else if (type == "char") cell->char_byte() = (*literal->text)[0];
    else if (type == "str") {
        cell->str_data()->text = *literal->text;
        cell->str_data()->reset_read();
    } else if (type == "file") cell->file_data()->set_path(*literal->text);
    else if (type == "dir") cell->dir_data()->set_path(*literal->text);
    else if (type == "oper") {
        cell->oper_chars()[0] = literal->op1;
        cell->oper_chars()[1] = literal->op2;
    }
    return cell.release();
}

// Numbers the members of one type body, checks their initialisers, and
// fills the group's slot array with their new cells.
void fill_member_group(TOKEN* type, GROUP_ENTRY& group) {
    std::vector<std::pair<const TOKEN*, MEMBER>> members;
    int32_t slot = 0;
    for (TOKEN* declaration : member_declarations(type, nullptr)) {
        if (declaration->right == nullptr) continue;
        for (TOKEN* item : split_by_operator(declaration->right, ',')) {
            MEMBER member = read_member(item);
            if (member.literal != nullptr || member.item != member.name)
                check_initialiser(declaration->left, member.literal, item);
            member.name->member_slot = slot++;
            members.emplace_back(declaration->left, member);
        }
    }
    group.type = type;
    group.slots = std::make_unique<SLOT_ARRAY>(slot);
    for (size_t i = 0; i < members.size(); ++i)
        group.slots->cells[i] = new_member_cell(members[i].first, members[i].second.literal);
}

}  // namespace

bool check_type_body(TOKEN* type_def, std::vector<const TOKEN*>& visited) {
    if (!visited.empty() && visited.front() == type_def) return true;
    if (std::find(visited.begin(), visited.end(), type_def) != visited.end()) return false;
    visited.push_back(type_def);
    for (TOKEN* type : base_list(type_def)) {
        for (TOKEN* declaration : member_declarations(type, type_def)) {
            TOKEN* type_word = declaration->left;
            if (is_type_name(type_word) || type_word == nullptr || type_word->declaration == nullptr) continue;
            if (check_type_body(type_word->declaration, visited)) return true;
        }
    }
    return false;
}

void type_body_pass(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) {
        TOKEN* type = defined_type(token);
        if (type == nullptr) continue;
        std::vector<const TOKEN*> visited;
        type->self_containing = check_type_body(type, visited) ? 1 : 0;
    }
}

void basic_init_type(TOKEN* type_def) {
    IN_PROGRESS guard(type_def);
    std::vector<TOKEN*> bases = base_list(type_def);
    auto record = std::make_unique<OBJECT_RECORD>();
    record->groups.resize(bases.size());
    OBJECT_RECORD* filled = record.get();
    for (size_t i = 0; i < bases.size(); ++i) {
        TOKEN* type = bases[i];
        if (type != type_def && type->value_stack == nullptr && !is_in_progress(type)) basic_init_type(type);
        fill_member_group(type, filled->groups[i]);
        if (i == 0) {
            // From here on the prototype owns the record.
            UNION_DATA* prototype = push_value_cell(type_def, 'k');
            prototype->holder()->type = type_def;
            prototype->holder()->object = record.release();
        }
    }
    if (record) {  // a list without entries: the prototype still exists
        UNION_DATA* prototype = push_value_cell(type_def, 'k');
        prototype->holder()->type = type_def;
        prototype->holder()->object = record.release();
    }
}

void basic_init_pass(const TOKEN_LIST& tokens) {
    for (TOKEN* token : tokens) {
        TOKEN* type = defined_type(token);
        // A type initialised already, as the basic or member type of one
        // before it, keeps the prototype it has.
        if (type != nullptr && type->value_stack == nullptr) basic_init_type(type);
    }
}

}  // namespace morvu
