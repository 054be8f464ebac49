#include "values/value_operators.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/calendar.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/operator_tokens.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/front_end_services.h"

namespace morvu {

USER_OPERATOR_CALLER user_operator_caller = nullptr;

namespace {

std::string held_type_name(UNION_DATA* cell) { return type_name_text(value_type_name(cell, true)); }

const char* formatted(std::string text) { return keep_message(std::move(text)); }

const char* not_defined_for(const char* op, UNION_DATA* cell) {
    return formatted(format_string(msg_text("openicdeffuedattyp"), op, held_type_name(cell).c_str()));
}

const char* unary_not_defined_for(const char* op, UNION_DATA* cell) {
    return formatted(format_string(msg_text("unaopenicdeffuedattyp"), op, held_type_name(cell).c_str()));
}

const char* incompatible_types(const char* op) { return formatted(format_string(msg_text("opeinkdattyp"), op)); }

const char* undefined_then_empty(UNION_DATA* cell, const char* op) {
    if (const char* message = check_operands(cell, OPERAND_SIDE::right, op, OPERAND_TEST::undefined)) return message;
    return check_operands(cell, OPERAND_SIDE::right, op, OPERAND_TEST::empty);
}

// ---- compound assignments ----

enum class COMPOUND { add, sub, mul, div, mod, pow };

const char* compound_text(COMPOUND kind) {
    switch (kind) {
    case COMPOUND::add: return "+=";
    case COMPOUND::sub: return "-=";
    case COMPOUND::mul: return "*=";
    case COMPOUND::div: return "/=";
    case COMPOUND::mod: return "%=";
    default: return "^=";
    }
}

// The right operand of a real operation: an int becomes a real of scale 0.
REAL_DATA real_operand(UNION_DATA* right) {
    INT_DATA spare;
    if (lower_tag(right->tag) == tag_int) return REAL_DATA(int_view(right, spare), 0);
    return *right->real_data();
}

bool is_zero_number(UNION_DATA* cell) {
    INT_DATA spare;
    return lower_tag(cell->tag) == tag_int ? int_view(cell, spare).is_zero() : cell->real_data()->mantissa.is_zero();
}

// The numeric forms on int (right int) and real (right int or real). l and
// r are the operands one link step deep, both defined and checked for type.
const char* numeric_assign(UNION_DATA* l, UNION_DATA* r, COMPOUND kind) {
    if (is_empty_value(r)) return nullptr;
    bool is_int = lower_tag(l->tag) == tag_int;
    if (kind == COMPOUND::pow) {
        if (is_empty_value(l)) return check_operands(l, OPERAND_SIDE::left, "^=", OPERAND_TEST::empty);
        INT_DATA spare;
        INT_DATA exponent = int_view(r, spare);  // l and r may be one cell
        l->int_data()->power_assign(exponent);
        return nullptr;
    }
    if ((kind == COMPOUND::div || kind == COMPOUND::mod) && is_zero_number(r)) return msg_text("divdur0");
    int start = (kind == COMPOUND::mul || kind == COMPOUND::div) ? 1 : 0;
    if (is_int) {
        // l and r may be one cell: its number is then copied before it changes.
        // An operand held in its payload word is read without a record.
        INT_DATA spare;
        std::optional<INT_DATA> own_copy;
        if (l == r) own_copy.emplace(int_view(r, spare));
        const INT_DATA& operand = own_copy ? *own_copy : int_view(r, spare);
        INT_DATA& number = *l->int_data();
        if (number.is_empty()) number = INT_DATA(start);
        switch (kind) {
        case COMPOUND::add: number += operand; break;
        case COMPOUND::sub: number -= operand; break;
        case COMPOUND::mul: number *= operand; break;
        case COMPOUND::div: number /= operand; break;
        default: number %= operand; break;
        }
        return nullptr;
    }
    const int precision = working_precision();
    REAL_DATA operand = real_operand(r);
    // The quotient divides by the whole divisor: the dividend gets the
    // precision plus the divisor's decimals, so that the quotient has the
    // precision's. A scale no number could hold is refused while l is still
    // untouched.
    const int dividend_scale = kind == COMPOUND::div ? held_scale(int64_t{precision} + operand.scale) : 0;
    REAL_DATA& number = *l->real_data();
    if (number.mantissa.is_empty()) number = REAL_DATA(start);
    switch (kind) {
    case COMPOUND::add: number += operand; break;
    case COMPOUND::sub: number -= operand; break;
    case COMPOUND::mul:
        number *= operand;
        number.set_scale(precision);  // cut, not rounded
        break;
    default:
        number.set_scale(dividend_scale);
        number /= operand;
        break;
    }
    return nullptr;
}

// Whether the operator knows the left type, and whether it takes the right
// type with it.
bool operator_knows(COMPOUND kind, char left_type) {
    switch (kind) {
    case COMPOUND::add: return std::strchr("irslym", left_type) != nullptr;
    case COMPOUND::sub:
    case COMPOUND::mul: return left_type == tag_int || left_type == tag_real || left_type == tag_set;
    case COMPOUND::div: return left_type == tag_int || left_type == tag_real;
    default: return left_type == tag_int;
    }
}

bool operator_accepts(char left_type, char right_type) {
    switch (left_type) {
    case tag_real: return right_type == tag_int || right_type == tag_real;
    case tag_str: return right_type == tag_char || right_type == tag_str;
    default: return right_type == left_type;
    }
}

const char* compound_assign(UNION_DATA* left, UNION_DATA* right, COMPOUND kind) {
    // Two ints, the common case: both hold a value, and every operator takes
    // an int on either side.
    if (lower_tag(left->tag) == tag_int && lower_tag(right->tag) == tag_int && left->payload != nullptr &&
        right->payload != nullptr)
        return numeric_assign(left, right, kind);
    const char* op = compound_text(kind);
    for (;;) {
        if (const char* message = check_operands(left, OPERAND_SIDE::left, op, OPERAND_TEST::undefined)) return message;
        if (const char* message = check_operands(right, OPERAND_SIDE::right, op, OPERAND_TEST::undefined))
            return message;
        UNION_DATA* l = follow_link(left);
        UNION_DATA* r = follow_link(right);
        char left_type = lower_tag(l->tag);
        char right_type = lower_tag(r->tag);
        if (left_type != tag_any) {
            if (!operator_knows(kind, left_type)) return not_defined_for(op, left);
            if (!operator_accepts(left_type, right_type)) return incompatible_types(op);
            switch (left_type) {
            case tag_int:
            case tag_real: return numeric_assign(l, r, kind);
            case tag_str: {
                STR_DATA& text = *l->str_data();
                if (right_type == tag_char) {
                    if (r->char_byte() != 0) text.text += r->char_byte();
                } else if (l == r) {
                    const std::string appended = r->str_data()->text;  // the text doubles once
                    text.text += appended;
                } else {
                    text.text += r->str_data()->text;
                }
                text.reset_read();
                return nullptr;
            }
            case tag_list:
            case tag_args:
                // The store counts the right list first, so a list appended
                // to itself doubles once.
                return l->list_data()->append_all(*r->list_data());
            default:  // set; each operation copes with the same set on both sides
                if (kind == COMPOUND::add) l->hash_data()->add_all_of(*r->hash_data());
                else if (kind == COMPOUND::sub) l->hash_data()->remove_all_of(*r->hash_data());
                else l->hash_data()->keep_all_of(*r->hash_data());
                return nullptr;
            }
        }
        // An any cell holding the empty value takes the right operand's type
        // with that type's empty value, then the operation starts again.
        if (is_empty_value(r)) return nullptr;
        if (is_link_tag(right_type)) return incompatible_types(op);
        l->tag = right_type;
        if (right_type == tag_object) {
            l->payload = new OBJECT_HOLDER{nullptr, r->holder() != nullptr ? r->holder()->type : nullptr};
        } else {
            init_payload(l);
        }
    }
}

}  // namespace

// ---- operand checks ----

const char* check_operands(UNION_DATA* cell, OPERAND_SIDE side, const char* op, OPERAND_TEST test) {
    UNION_DATA* operand = follow_link(cell);
    // The words are looked up only on failure: this check runs on every operand.
    if (test == OPERAND_TEST::undefined) {
        if (is_defined_value(operand)) return nullptr;
        return formatted(
            format_string(msg_text("opeopeistund"), op, msg_text(side == OPERAND_SIDE::left ? "lin" : "rec")));
    }
    if (!is_empty_value(operand)) return nullptr;
    return formatted(format_string(msg_text("opeopeistlee"), op, msg_text(side == OPERAND_SIDE::left ? "lin" : "rec")));
}

const char* check_binary_operands(UNION_DATA* left, UNION_DATA* right, const char* op) {
    if (const char* message = check_operands(left, OPERAND_SIDE::left, op, OPERAND_TEST::undefined)) return message;
    if (const char* message = check_operands(right, OPERAND_SIDE::right, op, OPERAND_TEST::undefined)) return message;
    char type = base_type_code(left);
    if (type != base_type_code(right)) return incompatible_types(op);
    if (type == tag_char || type == tag_int || type == tag_real || type == tag_time) {
        if (const char* message = check_operands(left, OPERAND_SIDE::left, op, OPERAND_TEST::empty)) return message;
        return check_operands(right, OPERAND_SIDE::right, op, OPERAND_TEST::empty);
    }
    return nullptr;
}

// ---- equality and identity ----

bool is_same_cell(UNION_DATA* a, UNION_DATA* b) { return follow_link(a) == follow_link(b); }

bool is_other_cell(UNION_DATA* a, UNION_DATA* b) { return !is_same_cell(a, b); }

bool cells_equal_ref(UNION_DATA* a, UNION_DATA* b) {
    bool a_reference = is_reference_tag(a->tag);
    bool b_reference = is_reference_tag(b->tag);
    if (a_reference && b_reference) return a->target() == b->target();
    if (a_reference || b_reference) return false;
    return is_equal_value(a, b, true);
}

bool cells_unequal_ref(UNION_DATA* a, UNION_DATA* b) {
    bool a_reference = is_reference_tag(a->tag);
    bool b_reference = is_reference_tag(b->tag);
    if (a_reference && b_reference) return a->target() != b->target();
    if (a_reference || b_reference) return true;
    return !is_equal_value(a, b, true);
}

// ---- logical and unary operators ----

const char* op_not(UNION_DATA* operand, bool* result) {
    if (const char* message = undefined_then_empty(operand, "!")) return message;
    if (base_type_code(operand) != tag_bool) return not_defined_for("!", operand);
    *result = follow_link(operand)->bool_word() == 0;
    return nullptr;
}

const char* op_or(UNION_DATA* left, UNION_DATA* right, bool* result) {
    if (const char* message = check_binary_operands(left, right, "||")) return message;
    if (base_type_code(left) != tag_bool) return not_defined_for("||", left);
    *result = follow_link(left)->bool_word() != 0 || follow_link(right)->bool_word() != 0;
    return nullptr;
}

const char* op_and(UNION_DATA* left, UNION_DATA* right, bool* result) {
    if (const char* message = check_binary_operands(left, right, "&&")) return message;
    if (base_type_code(left) != tag_bool) return not_defined_for("&&", left);
    *result = follow_link(left)->bool_word() != 0 && follow_link(right)->bool_word() != 0;
    return nullptr;
}

const char* op_plus(UNION_DATA* operand) {
    if (const char* message = check_operands(operand, OPERAND_SIDE::right, "+", OPERAND_TEST::undefined))
        return message;
    char type = base_type_code(operand);
    if (type != tag_int && type != tag_real) return unary_not_defined_for("+", operand);
    return check_operands(operand, OPERAND_SIDE::right, "+", OPERAND_TEST::empty);
}

const char* op_minus(UNION_DATA* operand) {
    if (const char* message = check_operands(operand, OPERAND_SIDE::right, "-", OPERAND_TEST::undefined))
        return message;
    char type = base_type_code(operand);
    if (type != tag_int && type != tag_real) return unary_not_defined_for("-", operand);
    if (const char* message = check_operands(operand, OPERAND_SIDE::right, "-", OPERAND_TEST::empty)) return message;
    UNION_DATA* cell = follow_link(operand);
    if (type == tag_real) *cell->real_data() *= REAL_DATA(INT_DATA(-1), 0);
    else *cell->int_data() *= INT_DATA(-1);
    return nullptr;
}

// ---- compound assignments ----

const char* op_add_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::add); }
const char* op_sub_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::sub); }
const char* op_mul_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::mul); }
const char* op_div_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::div); }
const char* op_mod_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::mod); }
const char* op_pow_assign(UNION_DATA* left, UNION_DATA* right) { return compound_assign(left, right, COMPOUND::pow); }

// ---- oper values ----

const char* operator_by_name(char* oper_chars, const std::string& text, bool check) {
    char first = text.empty() ? 0 : text[0];
    char second = text.size() >= 2 ? text[1] : 0;
    if (check) {
        if (text.size() != 1 && text.size() != 2) return msg_text("argmuslae1ode2hab");
        if (!is_operator_token(first, second)) return formatted(format_string(msg_text("unzope"), text.c_str()));
    }
    oper_chars[0] = first;
    oper_chars[1] = second;
    return nullptr;
}

// ---- member access ----

UNION_DATA* attribute_access(UNION_DATA* object, TOKEN* basic_type, const std::string& name, const TOKEN* context,
                             const char** message) {
    *message = nullptr;
    if (base_type_code(object) != tag_object) {
        *message =
            formatted(format_string(msg_text("zugattobjeintypnichmoe"), name.c_str(), held_type_name(object).c_str()));
        return nullptr;
    }
    UNION_DATA* cell = follow_link(object);
    if (!is_defined_value(cell)) {
        *message = msg_text("insnicdef");
        return nullptr;
    }
    const OBJECT_HOLDER* holder = cell->holder();
    for (GROUP_ENTRY& group : holder->object->groups) {
        if (basic_type != nullptr && group.type != basic_type) continue;
        if (front_end_services.member_slot == nullptr) continue;
        int slot = front_end_services.member_slot(group.type, name);
        if (group.slots == nullptr || slot < 0 || slot >= group.slots->count()) continue;
        return group.slots->cells[static_cast<size_t>(slot)];
    }
    std::string type_name = user_type_text(context, holder->type);
    if (basic_type != nullptr) {
        std::string basic_name = user_type_text(context, basic_type);
        *message = formatted(
            format_string(msg_text("dattyphatkeibasdattypmem"), type_name.c_str(), basic_name.c_str(), name.c_str()));
    } else {
        *message = formatted(format_string(msg_text("dattyphatkeimem"), type_name.c_str(), name.c_str()));
    }
    return nullptr;
}

}  // namespace morvu
