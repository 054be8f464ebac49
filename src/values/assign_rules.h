// The rules by which values pass between cells: plain assignment (a deep
// copy), reference, alias and call-alias (the destination becomes a link to
// the source's cell) and movement (the payload leaves the source, which keeps
// its type and holds no value).
//
// Every rule returns null on success or the message text on refusal, and a
// refusal changes nothing: all checks run before the first change. Texts with
// placeholders are kept by keep_message (runtime/message_scratch.h); the
// caller raises or copies them at once. Nothing here throws.
//
// A container may be assigned, moved or linked from a cell inside itself
// (l = l[0]): a plain assignment copies the source before it destroys the old
// value, a movement takes the source's payload out first, and a link onto
// data that the link would destroy is refused.
//
// Assignment modes: -1 and 0 plain; 1 reference; 2 movement; 3 alias; 4
// reference when the source is a reference, else plain; 5 the source's own
// link kind, else movement; 6 the source's own link kind, else plain; 7
// call-alias; a reference that stays read-only (below). Other modes do
// nothing.

#pragma once

#include <cstdint>

namespace morvu {

class UNION_DATA;

// The assignment modes above, by name.
inline constexpr int assign_mode_plain = 0;
inline constexpr int assign_mode_reference = 1;
inline constexpr int assign_mode_movement = 2;
inline constexpr int assign_mode_alias = 3;
inline constexpr int assign_mode_keep_reference = 4;  // reference when the source is one, else plain
inline constexpr int assign_mode_link_or_move = 5;    // the source's link kind, else movement
inline constexpr int assign_mode_link_or_copy = 6;    // the source's link kind, else plain
inline constexpr int assign_mode_call_alias = 7;

// A reference that stays read-only: made from a value given read-only (a
// plain parameter, an element reached through one), it carries the access
// mode the value was given with (values/access_modes.h), so that nothing is
// written through it. The mode is this base plus that access mode; only
// transfer_out_arg asks for it, for the container elements it makes.
inline constexpr int assign_mode_lent_reference = 16;
inline constexpr int lent_reference_mode(uint32_t access) {
    return assign_mode_lent_reference + static_cast<int>(access);
}
inline constexpr bool is_lent_reference_mode(int mode) {
    return mode > assign_mode_lent_reference && mode < assign_mode_lent_reference + 6;
}
inline constexpr uint8_t lent_reference_access(int mode) {
    return static_cast<uint8_t>(mode - assign_mode_lent_reference);
}
// Whether the mode makes a reference whatever the source: 1 or a lent one.
inline constexpr bool is_reference_mode(int mode) {
    return mode == assign_mode_reference || is_lent_reference_mode(mode);
}

// The link kinds: the lowered tags of link cells.
inline constexpr char link_kind_reference = 'p';
inline constexpr char link_kind_alias = 'q';
inline constexpr char link_kind_call_alias = 'j';

// The one entry of every assignment between cells.
const char* assign_by_mode(UNION_DATA* dest, UNION_DATA* src, int mode);

// Plain assignment: dest receives an independent deep copy.
const char* assign_value(UNION_DATA* dest, UNION_DATA* src);

// assign_value of a machine number into a cell holding an int (a loop's
// variable taking its next value), where the cell's word or record takes
// it in place; false, with nothing changed, where the general copy runs.
bool assign_machine_int(UNION_DATA* dest, int64_t value);

// assign_value where src is a temporary that its owner frees right after and
// that nothing else can reach: a list, hash, set or object moves into dest
// instead of being copied, and a text into a str cell gives its characters
// away, whenever moves_as_copy (values/value_copy.h) finds the copy could
// not be told apart. Same checks, same messages, same result as
// assign_value; src may be left without its value.
const char* assign_temporary(UNION_DATA* dest, UNION_DATA* src);

// Movement ("~"): dest takes src's payload; src keeps its tag without value.
const char* move_value(UNION_DATA* dest, UNION_DATA* src);
// The same with dest's place known: root is a cell that no value holds (a
// declared variable's own cell), which is dest or holds dest as a member of
// its object, or null. It spares the walk over src that refuses a value
// moved into a cell of its own.
const char* move_value_with_root(UNION_DATA* dest, UNION_DATA* src, const UNION_DATA* root);

// Makes dest a link of kind 'p', 'q' or 'j' to src (or to the cell src
// stands for, as the kind says).
const char* assign_link(UNION_DATA* dest, UNION_DATA* src, char kind);

// Whether a typed cell (not an any cell) links to this one; link cells with
// the skip flag set are ignored.
bool has_foreign_referrers(const UNION_DATA* cell);

// Makes the cell a link of the kind to target, without checks: pushes it at
// the front of the target's list of that kind. The cell holds no value (a
// fresh element, or one whose payload was destroyed); an any cell becomes
// 'P', 'Q' or 'J', a typed cell 'p', 'q' or 'j'.
void link_cell(UNION_DATA* cell, UNION_DATA* target, char kind);

// Moves src's payload into dest without checks; src keeps its tag without
// value. dest's old payload is destroyed, its referrers are kept.
void move_payload(UNION_DATA* dest, UNION_DATA* src);

// Makes a container element: cell is a freshly constructed any cell 'v'
// (new UNION_DATA(tag_any), or one embedded in a node), src the value it is made
// from. No rule checks. Mode 6 behaves as in assign_by_mode (the source's
// link kind, else a copy). Null: an element is always made, whatever the
// depth of the value it copies.
const char* copy_into_slot(UNION_DATA* cell, UNION_DATA* src, int mode);

}  // namespace morvu
