// The contract every built-in type's methods follow, and the table through
// which call_routine reaches them.
//
// Each built-in type has two method handlers in its own source file: the
// function handler answers calls inside expressions and appends its results
// to call.results; the procedure handler answers calls written as
// statements (the type's call form, its constructor, among them) and may
// change the receiver. Both have the one shape METHOD_HANDLER. A handler
// answers false for a key that is not one of its own, without raising or
// changing anything, and call_routine goes on looking (the methods common
// to all types, then user routines). A handler that knows the key does the
// work and answers true; every failure leaves through raise_error.
//
// The method key (values/signatures.h) is the method name, 0xA7, each
// argument's type name followed by ';', and a closing 0xA7 when there is at
// least one argument. Handlers test it in a fixed order, first match wins:
// exactly (key_is), by the name and mark (key_has_prefix), or as the call
// form (is_call_form_key).
//
// Errors a handler raises itself name the routine "type:method" (the
// method context, computed only when an error is raised) with the routine
// kind 'f' (function handler) or 'p' (procedure handler) and error kind
// 's': METHOD_CALL::raise does exactly that. The two refusals (constant
// receiver, container under iteration) raise "type:method <refusal>"
// without routine kind.
//
// Element results follow the access modes of RESULT_ITEM: 0 a new value
// from a factory, 3 a constructor's new value or a handed-out copy, 7, 8, 9
// a handed-out place that designates an element, 2 a copy for an input
// object.

#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "values/result_list.h"
#include "values/signatures.h"
#include "values/union_data.h"

namespace morvu {

struct TOKEN;
class INT_DATA;

// The items of a call's arguments, in call order. Most calls have up to
// four arguments: those lie in the array itself, so the call makes no heap
// block for them, and a recursion's frames grow little.
class ARGUMENT_ITEMS {
public:
    ARGUMENT_ITEMS() = default;
    ARGUMENT_ITEMS(std::initializer_list<RESULT_ITEM> given) { assign(given.begin(), given.end()); }
    ARGUMENT_ITEMS& operator=(std::initializer_list<RESULT_ITEM> given) {
        assign(given.begin(), given.end());
        return *this;
    }
    ARGUMENT_ITEMS(const ARGUMENT_ITEMS&) = delete;
    ARGUMENT_ITEMS& operator=(const ARGUMENT_ITEMS&) = delete;
    ~ARGUMENT_ITEMS() {
        if (items != inline_items) delete[] items;
    }

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    size_t capacity() const { return room; }
    RESULT_ITEM* data() { return items; }
    const RESULT_ITEM* data() const { return items; }
    RESULT_ITEM* begin() { return items; }
    RESULT_ITEM* end() { return items + count; }
    const RESULT_ITEM* begin() const { return items; }
    const RESULT_ITEM* end() const { return items + count; }
    RESULT_ITEM& operator[](size_t index) { return items[index]; }
    const RESULT_ITEM& operator[](size_t index) const { return items[index]; }

    void push_back(const RESULT_ITEM& item) {
        if (count == room) reserve(size_t{room} * 2);
        items[count++] = item;
    }
    void reserve(size_t wanted) {
        if (wanted <= room) return;
        auto* grown = new RESULT_ITEM[wanted];
        for (uint32_t i = 0; i < count; ++i) grown[i] = items[i];
        if (items != inline_items) delete[] items;
        items = grown;
        room = static_cast<uint32_t>(wanted);
    }
    void clear() { count = 0; }
    void assign(const RESULT_ITEM* first, const RESULT_ITEM* last) {
        clear();
        reserve(static_cast<size_t>(last - first));
        for (; first != last; ++first) items[count++] = *first;
    }

private:
    static constexpr uint32_t inline_room = 4;
    RESULT_ITEM* items = inline_items;  // inline_items, or a heap block once more are needed
    uint32_t count = 0;
    uint32_t room = inline_room;
    RESULT_ITEM inline_items[inline_room];
};

// The method key of one call: a text of the call's own, or the interned
// text of a call site (intern_call_key), which the call borrows instead of
// copying. Interned texts live as long as the process, so a borrowed key
// stays valid whatever the call's body does to the site tables.
class CALL_KEY {
public:
    CALL_KEY() = default;
    // A key given as its text, as a prepared argument block writes it.
    CALL_KEY(std::string text) : own(std::move(text)) {}
    CALL_KEY(const CALL_KEY&) = delete;
    CALL_KEY& operator=(const CALL_KEY&) = delete;

    CALL_KEY& operator=(const std::string& text) {
        own = text;
        current = &own;
        return *this;
    }
    CALL_KEY& operator=(std::string&& text) {
        own = std::move(text);
        current = &own;
        return *this;
    }
    CALL_KEY& operator=(const char* text) {
        own = text;
        current = &own;
        return *this;
    }
    CALL_KEY& operator+=(char c) {
        edit() += c;
        return *this;
    }
    CALL_KEY& operator+=(const std::string& text) {
        edit() += text;
        return *this;
    }
    CALL_KEY& operator+=(const char* text) {
        edit() += text;
        return *this;
    }
    CALL_KEY& append(const std::string& text, size_t position, size_t length) {
        edit().append(text, position, length);
        return *this;
    }

    // Reads the interned text from now on.
    void borrow(const std::string& interned) { current = &interned; }
    // Handlers read the key many times over: one load, no test.
    const std::string& text() const { return *current; }
    operator const std::string&() const { return *current; }
    // The call's own text, made from a borrowed one first.
    std::string& edit() {
        if (current != &own) {
            own = *current;
            current = &own;
        }
        return own;
    }

private:
    std::string own;
    const std::string* current = &own;
};

// The one lasting copy of a key text (see CALL_KEY).
const std::string& intern_call_key(const std::string& key);

// The argument block of one call, owned by whoever prepared it (call_routine
// or a caller with a prepared block) and only read by handlers.
struct CALL_ARGS {
    CALL_KEY key;
    ARGUMENT_ITEMS args;  // one per argument, in call order

    int32_t count() const { return static_cast<int32_t>(args.size()); }
    const RESULT_ITEM& operator[](int32_t index) const { return args[static_cast<size_t>(index)]; }
};

// One call of a built-in method, as its handler sees it.
struct METHOD_CALL {
    TOKEN* node = nullptr;           // the call node: every error is raised here
    CALL_ARGS* args = nullptr;       // the key and the evaluated arguments
    RESULT_LIST* results = nullptr;  // where a function call appends; null for a procedure call
    RESULT_ITEM receiver;            // the value the method is called on (may be a link)
    RESULT_ITEM this_item;           // the current object: what code arguments capture
    const char* type_name = "";      // the receiver's type name ("list" or "args", ...)
    char type_code = 0;              // the receiver's base type code ('l', 'y', 's', ...)
    bool in_object_type = false;     // the methods of any: the call looked in the object's type
    // The caller uses an element result at once, before anything else runs
    // (call_routine.h): it may be the element's own cell instead of an alias.
    bool element_used_at_once = false;

    bool is_function() const { return results != nullptr; }
    const std::string& key() const { return args->key.text(); }
    int32_t count() const { return args->count(); }
    const RESULT_ITEM& arg(int32_t index) const { return (*args)[index]; }

    // "type:method", the routine name of the handler's errors.
    std::string context() const { return method_context(node, type_name, args->key.text(), false); }

    // Raises the message at the call node as an error of this method:
    // routine kind 'f' or 'p', the method context, error kind 's'.
    [[noreturn]] void raise(const std::string& message) const;
    // Raises a check's message; returns when the check passed (null or empty).
    void raise_if(const char* message) const {
        if (message != nullptr && *message != 0) raise(message);
    }
    void raise_if(const std::string& message) const {
        if (!message.empty()) raise(message);
    }

    // The receiver checks in their order: the object exists, then is
    // defined (and, with non_empty, holds at least one element); raise
    // as above. Returns the receiver's value cell (links followed).
    UNION_DATA* checked_receiver(bool non_empty = false) const;

    // The refusals of a method that changes its receiver.
    void refuse_constant(bool strict = true) const;
    void refuse_during_iteration() const;

    // Appends an owned result (function calls only).
    void append(RESULT_ITEM item) const { results->append(item); }
};

using METHOD_HANDLER = bool (*)(METHOD_CALL& call);

// Set while the grant of an element used at once (element_used_at_once)
// comes from a caller that only copies the element's value into a plain
// variable: an object of plain members may then be handed out as well, its
// own cell standing for its copy.
extern bool element_objects_at_once;

// Whether an element handed out to such a caller may be the object's own
// cell: an object of a user type, no link, nothing linking to it, every
// member a plain value.
bool is_plain_object_element(const UNION_DATA* element);

// A call whose key a call site has already resolved, with the arguments as
// its evaluation left them (their type names those of the key).
struct DIRECT_CALL {
    TOKEN* node;
    const std::string& key;
    RESULT_ITEM receiver;
    const RESULT_LIST& args;
    RESULT_LIST* results;  // a function call's results
    bool element_used_at_once;

    // Raises the message as the type's handler would (METHOD_CALL::raise).
    [[noreturn]] void raise(const char* type_name, const std::string& message) const;

    // The one argument as a machine int, through its aliases and one more
    // reference, as the handlers read an int argument; false when there is
    // not exactly one argument or it is no defined int within 64 bits.
    bool single_int(int64_t& out) const;

    // The receiver's value, through its aliases and one more reference as
    // checked_receiver reads it, when it is a defined value of the type
    // `tag`; null otherwise.
    UNION_DATA* defined_receiver(char tag) const;
};

// The work of one method key, for the plain case of its call: false,
// having changed nothing a second run of the method would notice, when the
// case is not plain (a link, a constant, an undefined value, a format in
// force...); the type's handler then runs the call in full and raises what
// it must.
using DIRECT_HANDLER = bool (*)(const DIRECT_CALL& call);

// The same for a key whose arguments are all ints, handed over as machine
// ints (`values`, `count` of them) read where they stand, without a cell
// each: the call's argument list is empty and must not be read.
using INT_DIRECT_HANDLER = bool (*)(const DIRECT_CALL& call, const int64_t* values, size_t count);

// The same for a function key whose one result is a bool, asked for where
// only its truth counts (a condition): 1 or 0 without a result cell, or -1,
// having done nothing, for a case that is not plain. The call's results are
// null and must not be touched.
using BOOL_DIRECT_HANDLER = int (*)(const DIRECT_CALL& call);

// ---- the table ----

// The handlers of one type; reset empties the type's process-wide texts at
// the global clean-up (may be null). direct_for names the direct handler of
// a function key (function) or procedure key, or null; a type without any
// has none (null). reads_int_arguments tells of a key whose int arguments
// the type's handlers only read (never keep, change or link the cells), so
// that a new cell of each number may stand for whatever the argument's
// evaluation gives; null when no key is such. int_direct_for names the
// handler of a function key taking its int arguments as machine ints, or
// null (may be null); bool_direct_for the handler of a function key that
// gives one bool, or null (may be null).
struct TYPE_METHODS {
    char code;
    const char* name;
    METHOD_HANDLER functions;
    METHOD_HANDLER procedures;
    void (*reset)();
    DIRECT_HANDLER (*direct_for)(const std::string& key, bool function);
    bool (*reads_int_arguments)(const std::string& key);
    INT_DIRECT_HANDLER (*int_direct_for)(const std::string& key) = nullptr;
    BOOL_DIRECT_HANDLER (*bool_direct_for)(const std::string& key) = nullptr;
};

// The handlers of the built-in type with the base type code (the lower-case
// tag: 'i', 's', 'l', ... 'v' for the methods common to all types); null for
// codes without methods (objects of user types, sys).
const TYPE_METHODS* methods_of_type(char code);

// Calls every type's reset function (global clean-up).
void reset_type_methods();

// ---- refusals ----

// Refuses a constant receiver (access mode 0 to 5, 7 for an args value) of a
// method that changes it: raises "<context> <refusal>" without routine kind
// and name; returns for variables and for the modes that only strict refuses
// when strict is clear. An empty type name puts key (then a message text)
// in place of the context.
void raise_infeasible_for_constant(const TOKEN* node, RESULT_ITEM item, std::string_view type_name,
                                   const std::string& key, bool strict);

// Refuses a container that a for/For walk is iterating: raises
// "<context> infeasible during iteration"; returns otherwise.
void raise_infeasible_during_iteration(const TOKEN* node, RESULT_ITEM item, std::string_view type_name,
                                       const std::string& key);

// The iteration mark of the value a cell holds (aliases followed, then one
// reference); 0 for types that keep none.
int32_t iteration_mark(UNION_DATA* cell);

// ---- arguments ----

// Argument i's int value as a machine integer (machine_int), the cell taken
// through its aliases and at most one more reference. The argument must have
// passed the int type check.
int32_t int_argument(const CALL_ARGS& call_args, int32_t index);
// The same saturated at the 64-bit range (machine_int64): a position in a
// text.
int64_t int64_argument(const CALL_ARGS& call_args, int32_t index);
// The same exactly, at any size, for a message that names it (0 for an int
// without a value).
INT_DATA int_argument_number(const CALL_ARGS& call_args, int32_t index);

// How argument `index` of a call is handed on: the cell to assign from and
// the assignment mode (0 copy, 1 reference, 7 call-alias, or a reference
// that stays read-only for a value given read-only into a container). With
// must_be_variable the argument must be a variable (raises for constants;
// `input` chooses the wording) and is passed as a call-alias.
void transfer_out_arg(const CALL_ARGS* args, TOKEN* node, int index, bool must_be_variable, bool input,
                      UNION_DATA** out_cell, int* out_mode);

// The type name of a value as it stands in a method key: the held type of a
// variable declared any, "::" of a qualified user type name as byte 27.
std::string key_type_name(UNION_DATA* cell);
// The same, appended to a key.
void append_key_type_name(std::string& key, UNION_DATA* cell);

// ---- the way back up ----

// A call of a routine by name: what call_routine needs. The execution layer
// serves it; methods that call user routines (a type's "out" function, calls
// by a name held in a text) go through call_routine_entry.
// Whether a call by name found what it names.
enum class CALL_OUTCOME { made, not_defined };

// The truth a function hands over without a result cell: `filled` tells
// whether it did; `word` is the bool's word, its empty value included.
struct TRUTH_SLOT {
    bool filled = false;
    uint16_t word = 0;
};

struct ROUTINE_REQUEST {
    TOKEN* node = nullptr;                 // the call node (its name, its argument subtree)
    RESULT_ITEM receiver;                  // the value the call is made on (this_item for plain calls)
    const TYPE_NAME* qualifier = nullptr;  // an explicit type qualification, or null
    bool in_object_type = false;           // look the routine up in the receiver object's type
    RESULT_LIST* results = nullptr;        // non-null: a function call appending here; null: a procedure call
    CALL_ARGS* prepared = nullptr;         // arguments and key already made (no evaluation)
    RESULT_ITEM context;                   // the this_item of argument evaluation and code arguments
    bool runtime_name = false;             // the first argument is a str holding the routine name
    // The routine found changes nothing outside its activation: the
    // receiver cannot go while it runs, and is not held for it.
    bool receiver_stays = false;
    // Non-null: a function whose one result is its own bool variable hands
    // the truth over here instead of appending it (see TRUTH_SLOT).
    TRUTH_SLOT* truth_result = nullptr;
    // Bit i set: argument i is a value the routine only reads and could not
    // tell from a copy; a plain parameter of its type refers to it.
    uint32_t lent_arguments = 0;
};

// Installed by the execution layer at start-up. call_routine_entry makes the
// call and tells whether it found what it names (nothing is raised when it
// did not); not_defined_entry formats the message of the last call that
// found nothing; run_block_entry runs a block's statements (with
// own_variables, the block's variables get fresh cells first).
extern CALL_OUTCOME (*call_routine_entry)(const ROUTINE_REQUEST& request);
extern std::string (*not_defined_entry)();
extern void (*run_block_entry)(TOKEN* block, RESULT_ITEM this_item, bool own_variables);

// Two statements that the methods of oper perform, served by the execution
// layer (src/exec/oper_services.cpp defines them). assign_pair_entry applies
// one pair of an assignment statement, target op source, with every check
// the statement makes, for the operators = @ $ ~ ? += -= *= /= %= ^=, and
// answers false for any other operator. repeat_block_entry runs the block
// count times, as the statement count ;; block does.
extern bool (*assign_pair_entry)(TOKEN* node, RESULT_ITEM target, RESULT_ITEM source, const char* op);
extern void (*repeat_block_entry)(RESULT_ITEM this_item, RESULT_ITEM count, TOKEN* block);

}  // namespace morvu
