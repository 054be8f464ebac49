// The single-value fast path. Most expressions of a loop or a recursion are
// int literals, plain int variables, + - * of those and comparisons of them:
// each yields exactly one value, has no side effect and cannot fail while the
// values stay small. Such a node is evaluated here to a machine integer,
// without argument frames, result lists or result cells.
//
// The shape of a node is read from the handler cached in it (eval_variable,
// eval_int_literal, eval_plus, ...), so a node is fast only after its first
// evaluation through the general path has bound it. Every test is a test on
// the cell: whenever a value is not a defined int, or a result leaves the
// 64-bit range, or a product is zero (whose sign the general path keeps), the
// fast path answers "not applicable" and the caller takes the general path,
// which gives the exact results and errors. Nothing has happened by then: the
// fast path reads and never writes.

#pragma once

#include <cstdint>

#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "values/result_list.h"

namespace morvu {

class INT_DATA;
class UNION_DATA;
class LIST_DATA;

// a + b, a - b, a * b, a / b or a % b (op '+', '-', '*', '/', '%') of
// machine ints as the general path computes them; false where its result
// has another form: beyond 64 bits, a zero product or quotient (whose sign
// it keeps), a zero divisor.
inline bool fast_operation(char op, int64_t a, int64_t b, int64_t& out) {
    switch (op) {
    case '+': return !__builtin_add_overflow(a, b, &out);
    case '-': return !__builtin_sub_overflow(a, b, &out);
    case '/':
        // Truncated toward zero, as the general path divides.
        if (b == 0 || (a == INT64_MIN && b == -1)) return false;
        out = a / b;
        return out != 0;
    case '%':
        // A negative dividend leaves a remainder between 0 and |b| - 1.
        if (b == 0 || b == INT64_MIN) return false;
        if (b == -1) {
            // The machine's division traps on the smallest int by -1.
            out = 0;
            return true;
        }
        out = a % b;
        if (out < 0) out += b < 0 ? -b : b;
        return true;
    default: return !__builtin_mul_overflow(a, b, &out) && out != 0;
    }
}

// The cell of the current object whose member variables a method names
// plainly (balance inside a method of its type): while a FAST_MEMBERS guard
// holds it, fast_int and fast_bool read such a name from the object as
// eval_variable finds it; with no object (null), the name is not
// applicable. A guard spans fast reads only: they run no code, so the
// object stays the current one throughout. Only the item's cell and mode
// are kept, all that the reading looks at.
// The object's access mode goes with it: x[i] refuses a member list of an
// object given read-only, which get(i) reads.
extern UNION_DATA* fast_members_object;
extern uint32_t fast_members_mode;

// A variable set for a scope, its value put back on every way out.
template <typename T>
class SCOPED_SET {
public:
    SCOPED_SET(T& place, T value) : place(place), saved(place) { place = value; }
    ~SCOPED_SET() { place = saved; }
    SCOPED_SET(const SCOPED_SET&) = delete;
    SCOPED_SET& operator=(const SCOPED_SET&) = delete;

private:
    T& place;
    T saved;
};

class FAST_MEMBERS {
public:
    explicit FAST_MEMBERS(RESULT_ITEM this_item)
        : object(fast_members_object, this_item.cell), mode(fast_members_mode, this_item.mode) {}

private:
    SCOPED_SET<UNION_DATA*> object;
    SCOPED_SET<uint32_t> mode;
};

// A fast read run with the members of the current object (this_item's
// cell) readable when there is one, so that a member name reads at the
// first try; without an object the read runs as it is. What the read
// returns is handed back.
template <typename READ>
[[gnu::always_inline]] inline auto read_with_members(RESULT_ITEM this_item, READ read) {
    if (this_item.cell == nullptr) return read();
    const FAST_MEMBERS members(this_item);
    return read();
}

// The cell of a member variable of fast_members_object that a name node
// stands for; null for other names and with no object.
UNION_DATA* fast_member_cell(const TOKEN* name);

// Whether a name is an object variable the object may be written through:
// no plain input parameter, and no link lending a read-only mode.
bool fast_writable_object(const TOKEN* name);

// The member cell of o.name, where o is a variable or an input parameter
// holding a defined object, as the member access finds it (the first of
// the object's groups whose type has the name); null for every other node
// and whenever the access would refuse.
UNION_DATA* fast_object_member(const TOKEN* node);

// Expressions nested deeper than this take the general path, which walks
// long chains without recursing.
inline constexpr int fast_depth_limit = 32;

// fast_int for a node at the depth of nesting given.
bool fast_int_at(TOKEN* node, int64_t& out, int depth);

// fast_int for an operator node (+ - * / % or unary -) read as its handler,
// given, evaluates it: the handler a node runs with is not always cached in
// it (a block's own expression, such as the key of a sort, keeps the
// initial one). False for other handlers.
bool fast_operator_int(TOKEN* node, EVAL_HANDLER handler, int64_t& out);

// The value of an int literal, int variable, + - * / % of such nodes or
// -x of one.
inline bool fast_int(TOKEN* node, int64_t& out) { return fast_int_at(node, out, 0); }

// h.get(k) and h[k] on a hash variable, or on a hash member of the current
// object reached through a variable object (this_item), their key read as
// fast_int reads h[k]'s (or else as a fast int): the int value of a key
// the hash holds. False for every other node, key or value.
bool fast_hash_int(TOKEN* node, RESULT_ITEM this_item, int64_t& out);

// The value cell of a pair that h[k] finds, h a hash as the element call
// may write it (not read-only) read without running code, k a key as
// h.def(k) reads it: the cell whose alias the element call would hand out.
// Null for a key the hash lacks (the call would add it), a value that is a
// link, and every other node.
UNION_DATA* fast_hash_element(TOKEN* node, RESULT_ITEM this_item);

// h.def(k) of one key on a hash or set variable, or on a hash member of the
// current object reached through a variable object, its key read as
// h.get(k) reads it on the fast path: 1 or 0, as the handler answers; -1
// for every other node, receiver or key.
int fast_hash_def(TOKEN* node, RESULT_ITEM this_item);

// The int element at a position of the list a plain variable or ":$"
// input parameter (its declaring node given) holds, read as l[i] reads it on
// the fast path (from_end: as l.Get(i)): 1 with the number in out; 0 where
// that read declines on a list (a walked list, a position outside it, an
// element of another kind); -1 when the variable holds no list, whose
// element read fast_int then tells.
int fast_list_int(const TOKEN* declaration, int64_t position, bool from_end, int64_t& out);

// The text a node reads as a comparison's operand without running
// anything, as fast_text_comparison reads it (a text literal, a variable or
// a list element holding a defined text); null otherwise.
const std::string* fast_operand_text(TOKEN* node);

// l[i] = value on such a list, as fast_element_store stores a small int
// into an int element; false, with nothing changed, where that store
// declines (the general path then runs the statement).
bool fast_list_store(const TOKEN* declaration, int64_t position, int64_t value);

// The elements of the list such a variable holds where fast_list_int and
// fast_list_store would read and store them (a plain list, not walked);
// null otherwise. Code that runs nothing else may keep it while it reads
// and stores elements by position.
LIST_DATA* fast_plain_list(const TOKEN* declaration);

// The same for a list member of fast_members_object that a name node
// stands for; null for other names, other members and with no object.
LIST_DATA* fast_member_list(const TOKEN* name);

// An element found there takes a small int as fast_list_store stores it;
// false, with nothing changed, where that store declines.
bool fast_store_int_element(UNION_DATA* element, int64_t value);

// A comparison node (== != < > <= >=) of two fast int operands: 0 or 1;
// -1 when not applicable. A condition of another shape that fast_bool
// (eval/slot_paths.h) reads, a slot or variable holding a bool and ! && ||
// of fast bools, gives its bool as well.
int fast_comparison(const TOKEN* node);

// The comparison alone: -1 for every node that is no comparison of fast ints.
int fast_int_comparison(const TOKEN* node);

// The current cell of a declared variable as eval_variable hands it out,
// with the cell's own access mode; null for members of the current object
// and for parameters whose role sets the mode (they take the evaluator).
inline UNION_DATA* declared_plain_cell(const TOKEN* declaration) {
    if (declaration == nullptr || declaration->member_slot >= 0) return nullptr;
    const int role = declaration->arg_role;
    if (role == arg_role_constant_input || role == arg_role_output_object || role == arg_role_variable_input)
        return nullptr;
    return top_cell(declaration);
}

// The same for a name node that is a plain variable; null for other nodes.
UNION_DATA* plain_variable(const TOKEN* name);

// The int cell a plain name stands for when it is an assignable variable (a
// declared int of the running activation, access mode 6, no parameter role)
// holding a defined int; null otherwise.
UNION_DATA* fast_int_variable(TOKEN* node);

// The element cell l[i], l.get(i) or l.Get(i) reads, l a list variable, a
// ":$" parameter or (for get and Get) an input parameter that no walk
// holds, and i a fast int within it, as fast_int reads an int element;
// null for every other node.
UNION_DATA* fast_read_element(TOKEN* node);

// The element cell l[i] names, l a list variable or ":$" parameter that no
// walk holds and i a fast int within it, as l[i] = e finds the element it
// writes; null for every other node.
UNION_DATA* fast_list_element(TOKEN* node);

// The element cell l[i] = e or l[i][j] = e writes as fast_element_store
// finds it, l a variable of the shapes fast_list_element takes or such an
// element holding a list; null for every other node.
UNION_DATA* fast_stored_element(TOKEN* node);

// The key of h[k] read without running code, as h[k] reads it: a plain
// variable holding a defined int or text, a text literal, or str:(...) of
// plain values (the last two built in a cell of the process, valid until
// the next call); null for any other key.
UNION_DATA* fast_hash_key(TOKEN* node);
// The key cell of a char literal node, as the hash reads of the fast path make it.
UNION_DATA* fast_hash_char_key(TOKEN* node);

// The number a plain name holds, as fast_int reads the name's cell but of
// any length (an int in the payload word is written into spare); null for
// an empty number and for every other node or cell.
const INT_DATA* variable_number(const TOKEN* node, INT_DATA& spare);

// l[i] = e where l is a list variable or ":$" parameter that no walk
// holds and i reads as a fast int within it: an int element takes e read
// as a fast int, a text element e read as fast_text_comparison reads its
// operands, in place (a number in the payload word stays one). True when
// done; false with nothing changed otherwise (the general assignment then
// runs).
bool fast_element_store(TOKEN* node);

// l.Ins0(x) as a statement, where l is a list variable or ":$" parameter
// (as l[i] reads it) that no walk holds and that may be changed, and x is
// one int or text read without running anything: a name whose own cell
// holds one, or l2[i] on a plain list as l2[i] reads it. x is copied in at
// the tail as the method copies it. True when done; false with nothing
// changed otherwise (the method call then runs).
bool fast_list_append(TOKEN* node);

// A comparison (== != < > <= >=) of two texts read without running
// anything: text literals, plain variables holding a defined text, elements
// of a plain list (l[i], l.get(i), l.Get(i)) holding one: 0 or 1, in the
// order the general comparison gives texts; -1 when not applicable (an
// operand of another kind, such as an int, takes the general path and its
// message).
int fast_text_comparison(const TOKEN* node);

// name = e on a plain text variable, where e is a text as
// fast_text_comparison reads its operands: the variable takes the
// characters in place. True when done; false with nothing changed
// otherwise.
bool fast_text_store(TOKEN* node);

// name = e on a plain int variable (as fast_int_variable finds it) where e
// is a call by name or + - * with a call operand, such as
// r = fib(n - 1) + fib(n - 2), or a sum or difference of two int variables
// whose numbers fast_int cannot read, which is computed here. Otherwise the
// right side is evaluated the general way; one owned int result then hands
// its number to the variable. True when the assignment is done, and when
// the right side failed (an exception became pending), which leaves the
// variable as it was. Otherwise false, and what was evaluated is parked on
// the right side, whose frame in the general assignment takes it over; false
// with nothing evaluated when the statement has another shape.
bool fast_call_assignment(TOKEN* node, RESULT_ITEM this_item);

// The part of fast_call_assignment that computes a sum or difference of two
// long int variables: true when done; false with nothing changed otherwise.
// A failed allocation throws with nothing changed.
bool long_sum_assignment(TOKEN* node);

}  // namespace morvu
