// The argument checks of the built-in methods, on a call's CALL_ARGS. Each
// returns the empty text on success and otherwise the message, filled in;
// the handler raises it with call.raise_if (its routine kind and method
// context). Argument indexes are counted from 0 and reported from 1 ("the
// 1-th argument"), all but check_arg_variable, which reports the index
// itself like the argument frames of statements.
//
// The value of an argument is its cell with aliases and call-aliases
// followed to their end, then one more link step (argument_value). Being
// defined, being empty and the type are judged on that value.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "types/method_call.h"

namespace morvu {

// The name of a built-in type code ('i' "int", 'u' "any2", ...).
std::string type_code_name(char code);

std::string check_arg_count(const CALL_ARGS& args, int32_t n);
// The refusals of the two checks below, built when a check fails.
std::string arg_range_refusal(const CALL_ARGS& args, int32_t min, int32_t max);
std::string undefined_arg_refusal(int32_t i);

// min < 0: at most max; max < 0: at least min; else min..max. Asked of
// nearly every call, so a passing count is told inline.
inline std::string check_arg_range(const CALL_ARGS& args, int32_t min, int32_t max) {
    const int32_t count = args.count();
    const bool passes = min < 0 ? count <= max : max < 0 ? count >= min : count >= min && count <= max;
    return passes ? std::string() : arg_range_refusal(args, min, max);
}
inline std::string check_arg_defined(const CALL_ARGS& args, int32_t i) {
    return is_defined_value(argument_value(args[i].cell)) ? std::string() : undefined_arg_refusal(i);
}
std::string check_args_defined(const CALL_ARGS& args);
std::string check_arg_not_empty(const CALL_ARGS& args, int32_t i);
std::string check_args_not_empty(const CALL_ARGS& args);
// Argument i as a defined int within 64 bits, the form of nearly every
// index: it passes check_arg_type(args, i, tag_int, true) and int64_argument
// reads it unchanged. False for any other argument (an empty or a larger
// number among them), which the checks then examine.
inline bool plain_int_argument(const CALL_ARGS& args, int32_t i, int64_t& out) {
    const UNION_DATA* value = argument_value(args[i].cell);
    if (value == nullptr || (value->tag != tag_int && value->tag != raise_tag(tag_int)) || value->payload == nullptr)
        return false;
    return cell_int64(value, out);
}
// The refusal of check_arg_type, built when the check fails.
std::string arg_type_refusal(const CALL_ARGS& args, int32_t i, char code, bool non_empty);
// Asked of nearly every argument, so a passing argument is told inline,
// without a text passed along for each of the checks it makes.
inline std::string check_arg_type(const CALL_ARGS& args, int32_t i, char code, bool non_empty) {
    const UNION_DATA* value = argument_value(args[i].cell);
    const bool passes =
        is_defined_value(value) && (!non_empty || !is_empty_value(value)) && base_type_code(value) == code;
    return passes ? std::string() : arg_type_refusal(args, i, code, non_empty);
}
std::string check_arg_type2(const CALL_ARGS& args, int32_t i, char code1, char code2, bool non_empty);
// A pair (any2) of two ints; writes both as machine integers.
std::string check_arg_element_type(const CALL_ARGS& args, int32_t i, int32_t* first, int32_t* second);
// The item is a variable (access mode above 5), with also_defined defined first.
std::string check_arg_variable(const CALL_ARGS& args, int32_t i, bool also_defined);
// The same for a variable the method assigns to itself, not through its
// links: a link made read-only passes as well, since the assignment cuts it
// away without writing what it leads to.
std::string check_arg_rebound_variable(const CALL_ARGS& args, int32_t i, bool also_defined);

// The position that int argument i names among `length` elements, counted
// from the first (from_end: length - 1 - the argument), as a message shows
// it: exact at any size, so that no huge argument shows a clipped number.
std::string shown_position(const CALL_ARGS& args, int32_t i, int64_t length, bool from_end);

// Every argument is an index 0..length-1 (from_end: counted from the last);
// written to `out` in argument order; a repeated index is refused and every
// later index behind an earlier one is decreased by one, so the elements can
// be deleted one after another. kind: 'g' graph nodes, 'l'/'y' lists, other
// texts (the wording of the range message).
std::string check_index_arg(const CALL_ARGS& args, int64_t length, bool from_end, char kind, std::vector<int64_t>& out);

// The arguments are pairs (position, item): each position 0..length
// (from_end: length - n) is written to `out`; for kind 's' each item must be
// a str. Every later position at or behind an earlier one is increased by the
// earlier item's length (the text length for 's', else 1), so the insertions
// can be made one after another.
std::string check_index_or_key_arg(const CALL_ARGS& args, int64_t length, bool from_end, char kind,
                                   std::vector<int64_t>& out);

}  // namespace morvu
