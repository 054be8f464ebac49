#include "exec/call_routine.h"

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "eval/arg_frame.h"
#include "eval/builtin_functions.h"
#include "eval/evaluator.h"
#include "eval/fast_path.h"
#include "eval/member_access.h"
#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "exec/block_exec.h"
#include "exec/int_routines.h"
#include "exec/pending_exception.h"
#include "exec/statement_binding.h"
#include "exec/user_call.h"
#include "exec/user_objects.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/build_options.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "eval/text_pieces.h"
#include "types/scalar/str_methods.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The execution layer serves the types' calls back up.
[[maybe_unused]] const bool entries_installed =
    (call_routine_entry = call_routine_status, not_defined_entry = not_defined_message, true);

// What the last call that found nothing leaves for a caller that raises its
// message: the text is formatted only then.
struct NOT_DEFINED_RECORD {
    TOKEN* node = nullptr;
    std::string key;
    TYPE_NAME qualifier{};
    TYPE_NAME receiver_type{};
    bool in_object_type = false;
    bool has_receiver = false;
    bool is_procedure = false;
};
NOT_DEFINED_RECORD not_defined_record;

const TYPE_NAME no_type{};

// The call node whose element result its caller uses at once (ELEMENT_USED_AT_ONCE).
const TOKEN* element_grant = nullptr;

// The argument list that the last call which found nothing left parked, as
// long as no other call has started since.
RESULT_LIST* unclaimed_arguments = nullptr;

bool has_type(const TYPE_NAME& qualifier) { return qualifier.text != nullptr || qualifier.type != nullptr; }

bool names_any(const TYPE_NAME& qualifier) {
    return !qualifier.is_user_type && qualifier.text != nullptr && qualifier.text[0] == 'a' &&
           std::strcmp(qualifier.text, "any") == 0;
}

}  // namespace

namespace {

// The text of a str cell (links already followed).
const std::string& str_text(UNION_DATA* cell) { return cell->str_data()->text; }

// A link handed out of a value given read-only (an element's reference, the
// value a method finds) leads into the giver's data: it stays read-only.
[[gnu::noinline]] void lend_results(RESULT_NODE* from, uint32_t lent) {
    for (RESULT_NODE* node = from; node != nullptr; node = node->next) {
        UNION_DATA* cell = node->item.cell;
        // Only a cell made for the result: another belongs to its holder.
        if (node->item.owned != 0 && cell != nullptr && is_link_cell(cell) && is_variable_mode(cell->access_mode))
            cell->access_mode = static_cast<uint8_t>(lent);
    }
}

// Runs the function handler (with a result list) or the procedure handler
// (without one) of the type's methods.
bool run_methods(const TYPE_METHODS& methods, char code, TOKEN* node, CALL_ARGS* args, RESULT_LIST* results,
                 RESULT_ITEM receiver, RESULT_ITEM context, bool in_object_type, bool used_at_once = false) {
    METHOD_CALL call;
    call.node = node;
    call.args = args;
    call.results = results;
    call.receiver = receiver;
    call.this_item = context;
    call.type_name = methods.name;
    call.type_code = code;
    call.in_object_type = in_object_type;
    call.element_used_at_once = used_at_once;
    if (results == nullptr) return methods.procedures(call);
    RESULT_NODE* before = results->tail;
    if (!methods.functions(call)) return false;
    const uint32_t lent = lent_item_access(receiver.mode, receiver.cell);
    if (!is_variable_mode(lent)) lend_results(before != nullptr ? before->next : results->head, lent);
    return true;
}

// The handlers of a built-in type, chosen by its type code. The receiver
// sys serves the built-in functions inside expressions and the statements
// written as "sys:name(...)".
bool call_type_handler(char code, TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                       RESULT_ITEM context) {
    if (code == tag_sys) {
        if (results != nullptr) return call_builtin_function(node, RESULT_ITEM{}, *results);
        // A statement addressed through sys: the keyword runs at once.
        if (!bind_keyword_executor(node)) return false;
        execute_node_guarded(node, RESULT_ITEM{});
        return true;
    }
    if (code == tag_any) return false;  // the common methods come later, once
    const TYPE_METHODS* methods = methods_of_type(code);
    return methods != nullptr && run_methods(*methods, code, node, args, results, receiver, context, false);
}

// The methods common to all types.
bool call_any_handler(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver, bool in_object_type,
                      RESULT_ITEM context) {
    return run_methods(*methods_of_type('v'), 'v', node, args, results, receiver, context, in_object_type);
}

// Records what the not-defined text of a call that found nothing needs.
void record_not_defined(TOKEN* node, std::string&& key, const TYPE_NAME& qualifier, uint8_t in_object_type,
                        UNION_DATA* receiver_cell, bool is_procedure) {
    NOT_DEFINED_RECORD& record = not_defined_record;
    record.node = node;
    record.key = std::move(key);
    record.qualifier = qualifier;
    record.in_object_type = in_object_type != 0;
    record.has_receiver = receiver_cell != nullptr;
    record.receiver_type = receiver_cell != nullptr && in_object_type != 0 && !has_type(qualifier)
                               ? value_type_name(receiver_cell, true)
                               : TYPE_NAME{};
    record.is_procedure = is_procedure;
}

// The type identity of an argument as its key names it (see
// append_key_type_name): the held tag, or the type node of an object, found
// through every link. Zero for a value that no key can be cached for.
[[gnu::noinline]] uintptr_t linked_key_type_identity(const UNION_DATA* cell) {
    for (;;) {
        const char tag = lower_tag(cell->tag);
        if (tag == tag_call_alias || tag == tag_reference || tag == tag_alias) {
            cell = cell->target();
            if (cell == nullptr) return 0;
            continue;
        }
        if (tag != tag_object) return static_cast<unsigned char>(tag);
        const OBJECT_HOLDER* holder = cell->holder();
        return holder == nullptr || holder->type == nullptr ? '?' : reinterpret_cast<uintptr_t>(holder->type);
    }
}

// The same, told at once for a value held by value, as most arguments are.
inline uintptr_t key_type_identity(const UNION_DATA* cell) {
    const char tag = lower_tag(cell->tag);
    if (tag == tag_call_alias || tag == tag_reference || tag == tag_alias || tag == tag_object)
        return linked_key_type_identity(cell);
    return static_cast<unsigned char>(tag);
}

// What one call site by its written name resolved to for the argument
// types it was made with: a plain call (no receiver, no type
// qualification) or a call on an object (see type below),
// while no routine table changes. The resolution depends only on the place
// (the parent), the kind and the key, so the entry holds those to tell a
// site from another that reuses its address.
struct CALL_SITE {
    const TOKEN* parent = nullptr;
    char kind = 0;
    TOKEN* routine = nullptr;  // null: nothing answers the key
    bool crossed = false;
    const std::string* key = nullptr;  // interned (intern_call_key)
    std::vector<uintptr_t> signature;
    bool all_ints = false;  // every type identity of the signature is int's
    // A site on an object (a receiver of a user type, no type qualification)
    // keeps the routine its receiver's type answered with: that type, and
    // whether the call looked in it. Only a routine found in the type itself
    // is kept; anything else takes the general road.
    const TOKEN* type = nullptr;
    bool in_object_type = false;
    // What the same site resolved to for other argument types, newest
    // first: a site that meets values of several types (a routine taking
    // any) keeps a few resolutions instead of making them anew by turns.
    std::vector<CALL_SITE> others;
};

// The resolutions a call site keeps beside its newest one.
constexpr size_t site_other_count = 3;

// What one built-in method call site (a receiver of a built-in type, or a
// built-in type qualifier without receiver) resolved to for the argument
// types it was made with: the key and the type code of its handler. The
// handler answers the same key the same way, so only the key's making is
// saved; a handler that declines sends the call on the general road. A key
// the type's handler declines and the methods common to all types answer
// is kept as well, with every receiver type code it was seen declined for:
// a site that meets values of several types keeps one entry for them all.
struct METHOD_SITE {
    const TOKEN* parent = nullptr;
    bool qualified = false;  // by a type qualifier (its text), not by a receiver
    std::string qualifier;
    char kind = 0;
    char code = 0;
    const std::string* key = nullptr;  // interned (intern_call_key)
    std::vector<uintptr_t> signature;
    DIRECT_HANDLER direct = nullptr;  // the type's direct handler of the key, if it has one
    bool common = false;              // the methods common to all types answer the key
    uint64_t common_codes = 0;        // the receiver codes whose handler declines it (code_bit)
    bool int_reads = false;           // the type only reads the key's int arguments (TYPE_METHODS)
    // The type's handler of the key taking its arguments, all ints, as
    // machine ints (a function site with int_reads only).
    INT_DIRECT_HANDLER int_direct = nullptr;
    // The type's handler of the key giving its one bool as a truth (a
    // function site only).
    BOOL_DIRECT_HANDLER bool_direct = nullptr;
    // Times the arguments could not be read in place; a site that keeps
    // failing (an argument that is a call, say) stops trying.
    mutable uint8_t read_misses = 0;
    mutable uint8_t int_misses = 0;  // the same for int_direct declining
    // What the same site resolved to for other receiver types or argument
    // types, newest first (a conversion such as list:(...) meets lists of
    // several lengths). An entry read for a call is copied out before the
    // call runs code, which may remember anew.
    std::vector<METHOD_SITE> others;
};

// A type code's bit in METHOD_SITE::common_codes; 0 for a code without one.
uint64_t code_bit(char code) {
    if (code >= 'a' && code <= 'z') return uint64_t{1} << (code - 'a');
    if (code >= '0' && code <= '9') return uint64_t{1} << (26 + code - '0');
    return 0;
}

constexpr uint8_t read_miss_limit = 8;

// The most arguments a site hands over as machine ints (METHOD_SITE::int_direct).
constexpr size_t max_int_values = 4;

constexpr size_t site_slot_count = 1024;

// Site entries by call node, with a direct-mapped front: most calls find
// their entry there without hashing. Map entries never move, so the front's
// pointers stay valid until the map is emptied, which empties the front too.
template <typename SITE>
class SITE_TABLE {
public:
    // The node's entry, or null.
    SITE* find(const TOKEN* node) {
        SLOT& slot = slot_of(node);
        if (slot.node != node) {
            auto found = sites.find(node);
            if (found == sites.end()) return nullptr;
            slot = SLOT{node, &found->second};
        }
        return slot.site;
    }
    // The node's entry when the front holds it, or null.
    SITE* in_front(const TOKEN* node) {
        SLOT& slot = slot_of(node);
        return slot.node == node ? slot.site : nullptr;
    }
    // The node's entry, made when it has none.
    SITE& enter(const TOKEN* node) {
        SITE& site = sites[node];
        slot_of(node) = SLOT{node, &site};
        return site;
    }
    void clear() {
        sites.clear();
        for (SLOT& slot : slots) slot = SLOT{};
    }

private:
    struct SLOT {
        const TOKEN* node = nullptr;
        SITE* site = nullptr;
    };
    SLOT& slot_of(const TOKEN* node) {
        return slots[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % site_slot_count];
    }

    std::unordered_map<const TOKEN*, SITE> sites;
    SLOT slots[site_slot_count];
};

SITE_TABLE<CALL_SITE> call_sites;
SITE_TABLE<METHOD_SITE> method_sites;
SITE_TABLE<CALL_SITE> object_sites;
// Calls without receiver qualified by a user type (its constructor T:(...)).
SITE_TABLE<CALL_SITE> type_sites;
uint64_t call_sites_generation = 0;
// Counts the emptyings of the tables: an entry found before code ran is
// still there afterwards only while this has not moved.
uint64_t sites_forgotten = 0;

void forget_sites() {
    ++sites_forgotten;
    call_sites.clear();
    method_sites.clear();
    object_sites.clear();
    type_sites.clear();
    call_sites_generation = routine_tables_generation;
}

// Whether the arguments have the type identities of a site's signature.
bool signature_matches(const std::vector<uintptr_t>& signature, const RESULT_LIST& list) {
    if (signature.size() != list.count) return false;
    size_t i = 0;
    for (const RESULT_NODE* item = list.head; item != nullptr; item = item->next, ++i) {
        if (key_type_identity(item->item.cell) != signature[i]) return false;
    }
    return true;
}

// The type identities of the arguments; false when one has none.
bool argument_signature(const RESULT_LIST& list, std::vector<uintptr_t>& signature) {
    signature.reserve(list.count);
    for (const RESULT_NODE* item = list.head; item != nullptr; item = item->next) {
        const uintptr_t identity = key_type_identity(item->item.cell);
        if (identity == 0) return false;
        signature.push_back(identity);
    }
    return true;
}

// The entry of the table for a node whose resolution still holds for these
// arguments (and, on an object, this type); null when it must be resolved
// anew.
const CALL_SITE* site_holding(SITE_TABLE<CALL_SITE>& table, const TOKEN* node, char kind, const RESULT_LIST& list,
                              const TOKEN* type, bool in_object_type) {
    if (call_sites_generation != routine_tables_generation) {
        forget_sites();
        return nullptr;
    }
    const CALL_SITE* site = table.find(node);
    if (site == nullptr || site->parent != node->parent || site->kind != kind || site->type != type ||
        site->in_object_type != in_object_type)
        return nullptr;
    if (signature_matches(site->signature, list)) return site;
    for (const CALL_SITE& other : site->others) {
        if (signature_matches(other.signature, list)) return &other;
    }
    return nullptr;
}

// Remembers in the table what a site resolved to.
void remember_in(SITE_TABLE<CALL_SITE>& table, const TOKEN* node, char kind, const RESULT_LIST& list,
                 const std::string& key, TOKEN* routine, bool crossed, const TOKEN* type, bool in_object_type) {
    if (call_sites_generation != routine_tables_generation) forget_sites();
    std::vector<uintptr_t> signature;
    if (!argument_signature(list, signature)) return;
    CALL_SITE& site = table.enter(node);
    std::vector<CALL_SITE> others;
    if (site.parent == node->parent && site.kind == kind && site.type == type &&
        site.in_object_type == in_object_type && site.key != nullptr) {
        // The resolution for other argument types stays among the others.
        others = std::move(site.others);
        std::erase_if(others, [&](const CALL_SITE& other) { return other.signature == signature; });
        if (site.signature != signature) others.insert(others.begin(), std::move(site));
        if (others.size() > site_other_count) others.resize(site_other_count);
    }
    site.others = std::move(others);
    site.parent = node->parent;
    site.kind = kind;
    site.routine = routine;
    site.crossed = crossed;
    site.key = &intern_call_key(key);
    site.signature = std::move(signature);
    site.all_ints = std::all_of(site.signature.begin(), site.signature.end(),
                                [](uintptr_t identity) { return identity == static_cast<unsigned char>(tag_int); });
    site.type = type;
    site.in_object_type = in_object_type;
}

// The entry of a plain call site whose resolution still holds.
__attribute__((noinline)) const CALL_SITE* cached_site(const TOKEN* node, char kind, const RESULT_LIST& list) {
    return site_holding(call_sites, node, kind, list, nullptr, false);
}

// Remembers the resolution of a plain call site.
void remember_site(const TOKEN* node, char kind, const RESULT_LIST& list, const std::string& key, TOKEN* routine,
                   bool crossed) {
    remember_in(call_sites, node, kind, list, key, routine, crossed, nullptr, false);
}

// Whether an entry of a site holds for this type code (or qualifier) and
// these arguments.
[[gnu::always_inline]] inline bool method_site_fits(const METHOD_SITE& site, char code, const char* qualifier,
                                                    const RESULT_LIST& list) {
    if (qualifier != nullptr) {
        if (!site.qualified || site.qualifier != qualifier) return false;
    } else if (site.qualified || (site.code != code && (!site.common || (site.common_codes & code_bit(code)) == 0))) {
        return false;
    }
    return signature_matches(site.signature, list);
}

// The entry among a site's others that holds, or null.
[[gnu::noinline]] const METHOD_SITE* other_method_site(const METHOD_SITE& site, char code, const char* qualifier,
                                                       const RESULT_LIST& list) {
    for (const METHOD_SITE& other : site.others) {
        if (method_site_fits(other, code, qualifier, list)) return &other;
    }
    return nullptr;
}

// The key of a built-in method call whose site entry holds for this type
// code (or qualifier) and these arguments; null when it must be made anew.
const METHOD_SITE* cached_method_site(const TOKEN* node, char kind, char code, const char* qualifier,
                                      const RESULT_LIST& list) {
    if (call_sites_generation != routine_tables_generation) {
        forget_sites();
        return nullptr;
    }
    const METHOD_SITE* site = method_sites.find(node);
    if (site == nullptr || site->parent != node->parent || site->kind != kind) return nullptr;
    if (method_site_fits(*site, code, qualifier, list)) return site;
    return site->others.empty() ? nullptr : other_method_site(*site, code, qualifier, list);
}

// Whether an argument is a str or int literal: the built-in methods read
// such an argument and never keep, change or link it, so every call hands
// them the one cell the literal's node keeps.
bool constant_argument(const TOKEN* argument) {
    return argument->evaluator == eval_str_literal || argument->evaluator == eval_int_literal;
}

// Remembers the key of a built-in method call site whose handler answered
// for arguments of these type identities (taken before the call: a method
// may change its arguments).
void remember_method_site(const TOKEN* node, char kind, char code, const char* qualifier,
                          std::vector<uintptr_t>&& signature, const std::string& key, bool common = false) {
    if (call_sites_generation != routine_tables_generation) forget_sites();
    uint64_t common_codes = common ? code_bit(code) : 0;
    if (const METHOD_SITE* known = common ? method_sites.find(node) : nullptr) {
        // The same common answer for a receiver of another type joins it.
        if (known->common && known->parent == node->parent && known->kind == kind && !known->qualified &&
            *known->key == key && known->signature == signature)
            common_codes |= known->common_codes;
    }
    METHOD_SITE& site = method_sites.enter(node);
    std::vector<METHOD_SITE> others;
    if (site.parent == node->parent && site.kind == kind && site.key != nullptr) {
        // The resolution for other types stays among the others; one for
        // the same types is replaced.
        others = std::move(site.others);
        const bool qualified = qualifier != nullptr;
        auto same_types = [&](const METHOD_SITE& other) {
            return other.qualified == qualified && (!qualified || other.qualifier == qualifier) &&
                   (qualified || other.common || other.code == code) && other.signature == signature;
        };
        std::erase_if(others, same_types);
        if (!same_types(site)) others.insert(others.begin(), std::move(site));
        if (others.size() > site_other_count) others.resize(site_other_count);
    }
    site.others = std::move(others);
    site.parent = node->parent;
    site.qualified = qualifier != nullptr;
    site.qualifier = qualifier != nullptr ? qualifier : "";
    site.kind = kind;
    site.code = code;
    site.key = &intern_call_key(key);
    site.signature = std::move(signature);
    site.common = common;
    site.common_codes = common_codes;
    // Without the specialised roads every call runs the type's handler in
    // full.
    const TYPE_METHODS* methods = common || !fast_paths ? nullptr : methods_of_type(code);
    site.direct =
        methods != nullptr && methods->direct_for != nullptr ? methods->direct_for(key, kind == 'f') : nullptr;
    // Literals and variables alone are put in place the general way as
    // well: only an argument to compute gains from the reading.
    bool computed = false;
    if (node->left != nullptr)
        for (const TOKEN* argument : argument_list_of(node->left))
            computed |= !constant_argument(argument) && argument->evaluator != eval_variable;
    site.int_reads =
        computed && methods != nullptr && methods->reads_int_arguments != nullptr && methods->reads_int_arguments(key);
    const bool all_ints = site.signature.size() <= max_int_values &&
                          std::all_of(site.signature.begin(), site.signature.end(), [](uintptr_t identity) {
                              return identity == static_cast<unsigned char>(tag_int);
                          });
    site.int_direct = site.int_reads && kind == 'f' && all_ints && methods->int_direct_for != nullptr
                          ? methods->int_direct_for(key)
                          : nullptr;
    site.bool_direct = methods != nullptr && kind == 'f' && methods->bool_direct_for != nullptr
                           ? methods->bool_direct_for(key)
                           : nullptr;
}

// The type of the object a receiver holds (links followed), or null.
const TOKEN* object_type_of(UNION_DATA* receiver_cell) {
    UNION_DATA* holder_cell = follow_link(receiver_cell);
    if (lower_tag(holder_cell->tag) != tag_object || holder_cell->holder() == nullptr) return nullptr;
    return holder_cell->holder()->type;
}

// Remembers the routine an object call site found in the receiver's type
// (`type`: null for an object without one, which is not remembered).
void remember_object_site(const TOKEN* node, char kind, const TOKEN* type, bool in_object_type, const RESULT_LIST& list,
                          const std::string& key, TOKEN* routine) {
    if (type != nullptr) remember_in(object_sites, node, kind, list, key, routine, false, type, in_object_type);
}

// Whether a call may keep its key in a method site entry: a receiver of a
// built-in type without qualifier (`code`: its held type code), or a
// built-in type qualifier other than any without receiver (`qualifier_text`:
// the qualifier's name).
bool built_in_method_shape(RESULT_ITEM receiver, const TYPE_NAME& qualifier, char& code, const char*& qualifier_text) {
    code = 0;
    qualifier_text = nullptr;
    if (receiver.cell != nullptr) {
        if (has_type(qualifier)) return false;
        UNION_DATA* cell = follow_aliases(receiver.cell);
        if (base_type_code(cell) == tag_object) return false;
        code = held_type_code_of(cell);
        return true;
    }
    if (qualifier.is_user_type || qualifier.text == nullptr || names_any(qualifier)) return false;
    qualifier_text = qualifier.text;
    return true;
}

// Runs a built-in type's handler for a call whose arguments stay in the
// caller's list; with `remember`, a handler that answers leaves the key in
// the site entry.
__attribute__((noinline)) bool run_site_handler(const TYPE_METHODS& methods, char code, const ROUTINE_REQUEST& request,
                                                CALL_ARGS* args, const RESULT_LIST& list, bool remember,
                                                const char* qualifier_text) {
    const char kind = request.results != nullptr ? 'f' : 'p';
    std::vector<uintptr_t> signature;
    remember = remember && argument_signature(list, signature);
    if (!run_methods(methods, code, request.node, args, request.results, request.receiver, request.context, false)) {
        return false;
    }
    if (remember)
        remember_method_site(request.node, kind, code, qualifier_text, std::move(signature), args->key.text());
    return true;
}

// Parks the arguments a call evaluated on its argument subtree (the items
// keep their cells: the list moves, the cells stay) before anything that may
// take the call over runs. A built-in type's own handler never does, so its
// call keeps them in its own frame.
RESULT_LIST* park_list(RESULT_LIST& own_list, TOKEN* subtree) {
    if (subtree == nullptr) return nullptr;
    auto* parked = new RESULT_LIST(std::move(own_list));
    push_result_list(subtree, parked);
    return parked;
}

// Where the user routines of a call are looked up: the body of the receiver
// object's type, the body of the named user type, or the call's own place.
TOKEN* search_start(TOKEN* node, uint8_t in_object_type, UNION_DATA* receiver_cell, const TYPE_NAME& qualifier) {
    if (in_object_type != 0 && receiver_cell != nullptr) {
        UNION_DATA* holder_cell = follow_link(receiver_cell);
        if (lower_tag(holder_cell->tag) == tag_object && holder_cell->holder() != nullptr &&
            holder_cell->holder()->type != nullptr) {
            return last_list_item(holder_cell->holder()->type);
        }
    }
    if (qualifier.is_user_type && qualifier.type != nullptr) return last_list_item(qualifier.type);
    return node->parent;
}

}  // namespace

std::string not_defined_message() {
    const NOT_DEFINED_RECORD& record = not_defined_record;
    const bool type_routine = record.in_object_type || has_type(record.qualifier);
    const char* word = routine_type_word(type_routine, record.is_procedure);
    std::string routine = method_context(record.node, "", record.key, true);
    std::string type_part;
    if (has_type(record.qualifier)) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"), type_name_text(record.qualifier).c_str());
    } else if (record.in_object_type && record.has_receiver) {
        type_part = format_string(" (%s '%s')", msg_text("dattyp"), type_name_text(record.receiver_type).c_str());
    }
    return format_string("%s '%s'%s %s", word, routine.c_str(), type_part.c_str(), msg_text("nicdef"));
}

void raise_not_defined() { raise_system_error(not_defined_record.node, not_defined_message()); }

namespace {

// The whole resolution of a call. `evaluated`: the arguments of a plain call
// that its site entry did not answer, evaluated already (`site`: the entry
// that found nothing for them, or null).
CALL_OUTCOME resolve_and_call(const ROUTINE_REQUEST& request, RESULT_LIST* evaluated, const CALL_SITE* site) {
    TOKEN* node = request.node;
    const RESULT_ITEM receiver = request.receiver;
    // The receiver lives until the call is over (the caller's UNWIND_RESULT_STACK),
    // whatever the arguments or the routine's body do to the value it belongs to.
    hold_unowned(receiver.cell);
    const TYPE_NAME& qualifier = request.qualifier != nullptr ? *request.qualifier : no_type;
    const uint8_t in_object_type = request.in_object_type ? 1 : 0;
    RESULT_LIST* results = request.results;
    CALL_ARGS* prepared = request.prepared;
    const RESULT_ITEM context = request.context;
    const bool runtime_name = request.runtime_name;
    const bool is_function = results != nullptr;
    const char kind = is_function ? 'f' : 'p';

    // A list is handed over only to the call right after the one that
    // parked it and found nothing (a plain call has let it go already).
    RESULT_LIST* handed_over = nullptr;
    if (evaluated == nullptr) {
        handed_over = unclaimed_arguments;
        unclaimed_arguments = nullptr;
    }

    RESULT_LIST own_list;  // the evaluated arguments until they are parked
    CALL_ARGS own_args;
    CALL_ARGS* args = prepared;
    TOKEN* subtree = node->left;
    RESULT_LIST* parked = nullptr;  // the evaluated arguments on the subtree's stack
    bool own_list_pending = false;  // own_list holds arguments still to be parked
    bool method_shape = false;      // see built_in_method_shape
    char method_code = 0;
    const char* method_qualifier = nullptr;
    // A plain call: by its written name, without receiver, qualification or
    // object type. Its resolution is kept per call site.
    const bool plain_site = prepared == nullptr && !runtime_name && receiver.cell == nullptr &&
                            request.qualifier == nullptr && in_object_type == 0;
    if (args == nullptr) {
        // Evaluate the arguments once, into a list that is parked on the
        // argument subtree only when it is complete: a keyword executor or
        // built-in function taking the call over finds it there. A statement
        // that calls by computed name (proc) takes over what the binder's
        // call has just evaluated.
        RESULT_LIST* list = nullptr;
        if (evaluated != nullptr) {
            own_list = std::move(*evaluated);
            list = &own_list;
            if (site != nullptr) {
                // Nothing answers this site for these arguments.
                if (subtree != nullptr) {
                    parked = new RESULT_LIST(std::move(own_list));
                    push_result_list(subtree, parked);
                }
                unclaimed_arguments = parked;
                record_not_defined(node, std::string(*site->key), qualifier, in_object_type, nullptr, !is_function);
                return CALL_OUTCOME::not_defined;
            }
        } else if (subtree != nullptr && handed_over != nullptr && !subtree->result_stack.empty() &&
                   subtree->result_stack.back() == handed_over) {
            list = handed_over;
            parked = handed_over;
        } else {
            list = &own_list;
            if (subtree != nullptr) {
                PENDING_EXCEPTION* before = pending_exception;
                ARGUMENT_HOLDS holding(*list);
                for (TOKEN* argument : argument_list_of(subtree)) {
                    holding.before(argument);
                    eval_cached(argument, context, *list);
                    if (pending_exception != before) return CALL_OUTCOME::made;
                }
            }
        }
        RESULT_NODE* item_node = list->head;
        own_list_pending = list == &own_list;
        if (own_list_pending && !runtime_name) {
            method_shape = built_in_method_shape(receiver, qualifier, method_code, method_qualifier);
        }
        if (runtime_name) {
            if (list->count == 0) {
                raise_error(node, kind, is_function ? "sys:func" : "sys:proc", format_string(msg_text("erwminarg"), 1),
                            error_kind_system);
            }
            UNION_DATA* name_cell = follow_aliases(item_node->item.cell);
            if (name_cell->tag != tag_str && name_cell->tag != raise_tag(tag_str)) {
                raise_error(node, kind, "sys:call", msg_text("erwzeiket1arg"), error_kind_system);
            }
            own_args.key = name_cell->payload != nullptr ? str_text(name_cell) : std::string();
            item_node = item_node->next;
        } else {
            own_args.key = escape_method_text(node, node->text ? *node->text : std::string());
        }
        std::string& key_text = own_args.key.edit();
        key_text += method_key_mark;
        own_args.args.reserve(list->count);
        for (; item_node != nullptr; item_node = item_node->next) {
            append_key_type_name(key_text, follow_aliases(item_node->item.cell));
            key_text += ';';
            own_args.args.push_back(item_node->item);
        }
        if (list->count > 0) key_text += method_key_mark;
        args = &own_args;
    }
    UNION_DATA* receiver_cell = receiver.cell != nullptr ? follow_aliases(receiver.cell) : nullptr;
    const bool qualifier_any = names_any(qualifier);
    bool user_side = false;
    bool common_remember = false;
    std::vector<uintptr_t> common_signature;
    const bool builtin =
        !qualifier_any && (receiver_cell != nullptr ? base_type_code(receiver_cell) != tag_object
                                                    : (!qualifier.is_user_type && qualifier.text != nullptr));
    if (!builtin && own_list_pending) {
        parked = park_list(own_list, subtree);
        own_list_pending = false;
    }
    // Only a list evaluated by this call itself describes the site's arguments.
    const RESULT_LIST* site_list = plain_site && parked != nullptr && parked != handed_over ? parked : nullptr;
    static const RESULT_LIST no_arguments;
    if (plain_site && subtree == nullptr) site_list = &no_arguments;
    // A call qualified by a user type, without receiver: kept per type.
    const RESULT_LIST* type_list = nullptr;
    if (prepared == nullptr && !runtime_name && receiver_cell == nullptr && qualifier.is_user_type &&
        qualifier.type != nullptr) {
        type_list = parked != nullptr && parked != handed_over ? parked : subtree == nullptr ? &no_arguments : nullptr;
    }
    // A call on an object by its written name: its resolution is kept too.
    const RESULT_LIST* object_list = nullptr;
    if (prepared == nullptr && !runtime_name && receiver_cell != nullptr && !has_type(qualifier) &&
        base_type_code(receiver_cell) == tag_object) {
        object_list = parked != nullptr && parked != handed_over ? parked
                      : subtree == nullptr                       ? &no_arguments
                                                                 : nullptr;
    }

    if (!qualifier_any) {
        if (builtin) {
            if (has_type(qualifier) && receiver_cell != nullptr) {
                TYPE_NAME own_type = value_type_name(receiver_cell, true);
                if (!same_type_name(qualifier, own_type)) {
                    std::string qualifier_text = type_name_text(qualifier);
                    std::string own_text = type_name_text(own_type);
                    raise_system_error(
                        node, format_string(msg_text("typspedattypnicerl"), qualifier_text.c_str(), own_text.c_str()));
                }
            }
            const char code =
                receiver_cell != nullptr ? held_type_code_of(receiver_cell) : type_code_of_name(qualifier.text);
            const TYPE_METHODS* methods = code != tag_sys && code != tag_any ? methods_of_type(code) : nullptr;
            // The handler runs on the arguments in this frame when it can;
            // the list is parked before anything else may take the call over.
            const bool in_frame = methods != nullptr && own_list_pending;
            if (in_frame && run_site_handler(*methods, code, request, args, own_list, method_shape, method_qualifier)) {
                return CALL_OUTCOME::made;
            }
            // The handler declined without touching the arguments: their
            // types name the site should the common methods answer.
            if (in_frame && method_shape && receiver_cell != nullptr)
                common_remember = argument_signature(own_list, common_signature);
            if (own_list_pending) {
                parked = park_list(own_list, subtree);
                own_list_pending = false;
            }
            if (!in_frame && call_type_handler(code, node, args, results, receiver, context)) return CALL_OUTCOME::made;
        } else {
            user_side = true;
            TOKEN* start = search_start(node, in_object_type, receiver_cell, qualifier);
            if (TOKEN* routine = find_symbol(start, args->key.text(), kind, qualifier, in_object_type != 0, node)) {
                if (site_list != nullptr) remember_site(node, kind, *site_list, args->key.text(), routine, false);
                if (object_list != nullptr) {
                    remember_object_site(node, kind, object_type_of(receiver_cell), in_object_type != 0, *object_list,
                                         args->key.text(), routine);
                }
                if (type_list != nullptr) {
                    remember_in(type_sites, node, kind, *type_list, args->key.text(), routine, false, qualifier.type,
                                in_object_type != 0);
                }
                run_user_routine({node, args, results, receiver, context, in_object_type != 0 || has_type(qualifier),
                                  nullptr, nullptr, nullptr},
                                 routine, false);
                return CALL_OUTCOME::made;
            }
            const bool object_receiver = receiver_cell != nullptr && base_type_code(receiver_cell) == tag_object;
            if (is_function && (object_receiver || has_type(qualifier)) &&
                user_object_methods(node, args, results, receiver, &qualifier)) {
                return CALL_OUTCOME::made;
            }
        }
    }

    if (qualifier_any || (!has_type(qualifier) && (in_object_type != 0 || receiver_cell != nullptr))) {
        if (call_any_handler(node, args, results, receiver, in_object_type != 0, context)) {
            if (common_remember)
                remember_method_site(node, kind, method_code, nullptr, std::move(common_signature), args->key.text(),
                                     true);
            return CALL_OUTCOME::made;
        }
    }

    if (user_side) {
        TOKEN* start = search_start(node, in_object_type, receiver_cell, qualifier);
        bool crossed = false;
        if (TOKEN* routine =
                find_symbol(start, args->key.text(), kind, qualifier, in_object_type != 0, node, &crossed)) {
            if (site_list != nullptr) remember_site(node, kind, *site_list, args->key.text(), routine, crossed);
            run_user_routine({node, args, results, receiver, context, in_object_type != 0 || has_type(qualifier),
                              nullptr, nullptr, nullptr},
                             routine, crossed);
            return CALL_OUTCOME::made;
        }
    }
    if (site_list != nullptr) remember_site(node, kind, *site_list, args->key.text(), nullptr, false);
    unclaimed_arguments = parked;
    record_not_defined(node, args == &own_args ? std::move(own_args.key.edit()) : std::string(args->key.text()),
                       qualifier, in_object_type, receiver_cell, !is_function);
    return CALL_OUTCOME::not_defined;
}

// Evaluates a call's arguments into the list, in order; false when one of
// them leaves an exception pending, which ends the call.
inline __attribute__((always_inline)) bool evaluate_arguments(TOKEN* subtree, RESULT_ITEM context, RESULT_LIST& list) {
    if (subtree == nullptr) return true;
    PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    for (TOKEN* argument : argument_list_of(subtree)) {
        holding.before(argument);
        eval_cached(argument, context, list);
        if (pending_exception != before) return false;
    }
    return true;
}

// The argument block of a call that a site entry answers: the key kept
// there and the evaluated arguments, which stay in the caller's list.
void fill_site_args(CALL_ARGS& args, const std::string& key, const RESULT_LIST& list) {
    args.key.borrow(key);
    for (const RESULT_NODE* item = list.head; item != nullptr; item = item->next) args.args.push_back(item->item);
}

// A plain call: its arguments first, then its site entry; a call the entry
// answers with a user routine runs from this small frame, so that a deep
// recursion needs no more stack than the general road.
__attribute__((noinline)) CALL_OUTCOME call_plain_site(const ROUTINE_REQUEST& request, INT_RESULT_SLOT* int_result) {
    TOKEN* node = request.node;
    TOKEN* subtree = node->left;
    unclaimed_arguments = nullptr;
    RESULT_LIST list;
    if (!evaluate_arguments(subtree, request.context, list)) return CALL_OUTCOME::made;
    const bool is_function = request.results != nullptr;
    const CALL_SITE* site = cached_site(node, is_function ? 'f' : 'p', list);
    if (site == nullptr || site->routine == nullptr) return resolve_and_call(request, &list, site);
    // A user routine: nothing else takes the arguments over, so they stay
    // in this call's own list.
    CALL_ARGS args;
    fill_site_args(args, *site->key, list);
    run_user_routine(
        {node, &args, request.results, request.receiver, request.context, false, int_result, nullptr, nullptr},
        site->routine, site->crossed);
    return CALL_OUTCOME::made;
}

UNION_DATA* literal_constant(TOKEN* argument) {
    if (argument->constant == nullptr) {
        RESULT_LIST made;
        eval_cached(argument, RESULT_ITEM{}, made);
        RESULT_ITEM item = pop(made);  // the literal's own new cell
        argument->constant.reset(item.cell);
    }
    return argument->constant.get();
}

// The general road may hand the arguments on to routines that keep or
// change them: a literal's constant becomes a cell of the call's own there.
void own_constants(RESULT_LIST& list) {
    for (RESULT_NODE* entry = list.head; entry != nullptr; entry = entry->next) {
        RESULT_ITEM& item = entry->item;
        if (item.owned != 0 || item.mode != access_literal) continue;
        auto copy = std::make_unique<UNION_DATA>(tag_any);
        copy_construct_value(copy.get(), item.cell);  // an int or a text: nothing to refuse
        item.cell = copy.release();
        item.owned = 1;
    }
}

// A user routine's arguments, evaluated in order into the list as
// evaluate_arguments does, except that an int or str literal among the
// first 32 puts the constant cell its node keeps there (its bit set in
// `shared`): a call its site entry answers copies it into a plain
// parameter and makes nothing for it (see USER_ROUTINE_CALL).
inline __attribute__((always_inline)) bool evaluate_sharing_literals(TOKEN* subtree, RESULT_ITEM context,
                                                                     RESULT_LIST& list, uint32_t& shared) {
    if (subtree == nullptr) return true;
    PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    for (TOKEN* argument : argument_list_of(subtree)) {
        if (list.count < 32 && constant_argument(argument) && argument->result_stack.empty()) {
            shared |= uint32_t{1} << list.count;
            list.append(RESULT_ITEM{literal_constant(argument), access_literal, 0});
            continue;
        }
        holding.before(argument);
        eval_cached(argument, context, list);
        if (pending_exception != before) return false;
    }
    return true;
}

// Before the general road, which may keep or change its arguments: the
// shared literal constants become cells of the call's own, as their
// evaluation makes them.
void own_shared_literals(RESULT_LIST& list, uint32_t shared) {
    uint32_t index = 0;
    for (RESULT_NODE* entry = list.head; entry != nullptr && shared != 0; entry = entry->next, ++index) {
        if (index >= 32 || (shared & (uint32_t{1} << index)) == 0) continue;
        shared &= ~(uint32_t{1} << index);
        RESULT_ITEM& item = entry->item;
        auto copy = std::make_unique<UNION_DATA>(tag_any);
        copy_construct_value(copy.get(), item.cell);  // an int or a text: nothing to refuse
        item = RESULT_ITEM{copy.release(), access_literal, 1};
    }
}

// A built-in method's arguments, evaluated in order into the list, where an
// int or str literal puts the constant cell its node keeps (`constants`
// tells whether one did); false when one of them leaves an exception
// pending, which ends the call.
inline __attribute__((always_inline)) bool evaluate_method_arguments(TOKEN* subtree, RESULT_ITEM context,
                                                                     RESULT_LIST& list, bool& constants) {
    // The empty list of x.name() gives nothing and runs nothing.
    if (subtree == nullptr || (subtree->evaluator == eval_empty_code && subtree->block_mode == block_mode_none))
        return true;
    PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    for (TOKEN* argument : argument_list_of(subtree)) {
        if (constant_argument(argument)) {
            list.append(RESULT_ITEM{literal_constant(argument), access_literal, 0});
            constants = true;
            continue;
        }
        holding.before(argument);
        eval_cached(argument, context, list);
        if (pending_exception != before) return false;
    }
    return true;
}

// A built-in method call whose site entry says the methods common to all
// types answer its key. They take the arguments parked, as on the general
// road: they may run a routine that takes the call over.
[[gnu::noinline]] CALL_OUTCOME call_common_site(const ROUTINE_REQUEST& request, RESULT_LIST& list, bool constants,
                                                const std::string& key) {
    TOKEN* node = request.node;
    if (constants) own_constants(list);
    CALL_ARGS args;
    args.key.borrow(key);
    for (const RESULT_NODE* item = list.head; item != nullptr; item = item->next) args.args.push_back(item->item);
    // An empty list holds no cell, and no common method that takes the call
    // over does without arguments: it is parked only for the general road.
    const bool empty = list.empty();
    RESULT_LIST* parked = empty ? nullptr : park_list(list, node->left);
    if (call_any_handler(node, &args, request.results, request.receiver, request.in_object_type, request.context))
        return CALL_OUTCOME::made;
    if (empty) parked = park_list(list, node->left);
    unclaimed_arguments = parked;  // handed over to the general road
    return resolve_and_call(request, nullptr, nullptr);
}

// The cell an arithmetic argument's evaluation makes for a small int.
void append_int_argument(RESULT_LIST& list, int64_t value) {
    auto number = std::make_unique<INT_DATA>();
    number->assign_int64(value);
    list.append(RESULT_ITEM{new_int_cell(std::move(number)), access_expression, 1});
}

// The arguments of a call whose site entry `seen` answers and whose type
// only reads its int arguments, each read where it stands: an int or str
// literal as evaluate_method_arguments puts it, a plain variable as its
// evaluation hands it out, anything else read as fast_int reads it (which
// runs nothing) into a new int cell, standing for the item its evaluation
// would give. False, with the list emptied, when an argument reads
// otherwise or the arguments do not fit the entry; the general evaluation
// then starts afresh, nothing having happened.
bool read_int_arguments(TOKEN* subtree, const METHOD_SITE& seen, RESULT_LIST& list, bool& constants) {
    if (subtree == nullptr) return seen.signature.empty();
    const TOKEN_LIST& arguments = argument_list_of(subtree);
    if (arguments.count() != seen.signature.size()) return false;
    for (TOKEN* argument : arguments) {
        if (constant_argument(argument)) {
            list.append(RESULT_ITEM{literal_constant(argument), access_literal, 0});
            constants = true;
            continue;
        }
        int64_t value = 0;
        bool read = argument->result_stack.empty();
        if (read && argument->evaluator == eval_variable) {
            UNION_DATA* cell = declared_plain_cell(argument->declaration);
            if (cell != nullptr) list.append(RESULT_ITEM{cell, cell->access_mode, 0});
            read = cell != nullptr;
        } else if (read && fast_int(argument, value)) {
            append_int_argument(list, value);
        } else {
            read = false;
        }
        if (!read) {
            if (!list.empty()) clear_value_list(list);
            constants = false;
            return false;
        }
    }
    if (signature_matches(seen.signature, list)) return true;
    clear_value_list(list);
    constants = false;
    return false;
}

// The type code a seen site's receiver answers for: its own for a value
// cell, the target's for a reference leading straight to a value (0 for
// anything else, which no entry answers).
inline char seen_receiver_code(const UNION_DATA* cell) {
    const char own = lower_tag(cell->tag);
    if (own != tag_reference) return own;
    const UNION_DATA* target = cell->target();
    if (target == nullptr) return 0;
    const char held = lower_tag(target->tag);
    return is_link_tag(held) ? 0 : held;
}

// Whether a seen site's entry still answers for the receiver: no table was
// emptied since, the entry is not for a type qualifier, and the receiver
// holds (or a reference leads straight to) a value of the entry's type.
inline bool seen_entry_holds(const METHOD_SITE& seen, const UNION_DATA* receiver) {
    return call_sites_generation == routine_tables_generation && !seen.qualified &&
           seen_receiver_code(receiver) == seen.code;
}

// Whether the arguments of a call at a seen site whose type only reads its
// int arguments were read in place (see read_int_arguments); the entry must
// still hold for the receiver, as after a general evaluation, which nothing
// ran in between.
__attribute__((noinline)) bool read_in_place(const ROUTINE_REQUEST& request, const METHOD_SITE& seen, RESULT_LIST& list,
                                             bool& constants) {
    if (seen.read_misses >= read_miss_limit || !seen_entry_holds(seen, request.receiver.cell)) return false;
    if (read_int_arguments(request.node->left, seen, list, constants)) return true;
    ++seen.read_misses;
    return false;
}

// The rest of a built-in method call once its arguments are in the list:
// the site entry's direct handler or the type's handler on the key, or the
// general road when there is no entry or the handlers decline.
[[gnu::always_inline]] inline CALL_OUTCOME call_with_site(const ROUTINE_REQUEST& request, const METHOD_SITE* site,
                                                          RESULT_LIST& list, bool constants, bool used_at_once) {
    TOKEN* node = request.node;
    // What the entry says is read before anything runs: a call may remember
    // anew at this very site.
    const std::string* site_key = site != nullptr ? site->key : nullptr;
    const DIRECT_HANDLER direct = site != nullptr ? site->direct : nullptr;
    const char site_code = site != nullptr ? site->code : 0;
    if (site != nullptr && site->common) return call_common_site(request, list, constants, *site_key);
    if (site != nullptr) {
        if (direct != nullptr &&
            direct(DIRECT_CALL{node, *site_key, request.receiver, list, request.results, used_at_once})) {
            return CALL_OUTCOME::made;
        }
        // The handler reads the interned key where it lies: a copy would
        // cost as much as the reads it could serve.
        CALL_ARGS args;
        args.key.borrow(*site_key);
        for (const RESULT_NODE* item = list.head; item != nullptr; item = item->next) args.args.push_back(item->item);
        if (run_methods(*methods_of_type(site_code), site_code, node, &args, request.results, request.receiver,
                        request.context, false, used_at_once)) {
            return CALL_OUTCOME::made;
        }
    }
    if (constants) own_constants(list);
    return resolve_and_call(request, &list, nullptr);
}

// The most arguments a seen site's call reads where they stand.
constexpr uint32_t max_plain_arguments = 4;

// The arguments of a call, each read where it stands when every one is an
// int or str literal (its node's constant cell, `constants` set) or a plain
// variable, as evaluate_method_arguments would put them in its list; reading
// them runs nothing. False for any other argument or more than
// max_plain_arguments of them: the call then evaluates them, nothing having
// happened. A variable whose item has the literal mode (an element a walk
// hands out) is left to its evaluation: that mode marks a literal's cell here.
bool read_plain_arguments(TOKEN* subtree, RESULT_ITEM* items, uint32_t& count, bool& constants) {
    count = 0;
    if (subtree == nullptr || (subtree->evaluator == eval_empty_code && subtree->block_mode == block_mode_none))
        return true;
    for (TOKEN* argument : argument_list_of(subtree)) {
        if (count == max_plain_arguments) return false;
        RESULT_ITEM& item = items[count];
        if (constant_argument(argument)) {
            item = RESULT_ITEM{literal_constant(argument), access_literal, 0};
            constants = true;
        } else if (!argument->result_stack.empty() || !variable_item(argument, item) || item.mode == access_literal) {
            return false;
        }
        ++count;
    }
    return true;
}

// Whether the items have the type identities of a site's signature.
bool items_match(const std::vector<uintptr_t>& signature, const RESULT_ITEM* items, uint32_t count) {
    if (signature.size() != count) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (key_type_identity(items[i].cell) != signature[i]) return false;
    }
    return true;
}

// Arguments read in place, linked as a list of results whose nodes live in
// this frame, for a direct handler: it reads the list and never takes an
// item over, so nothing is allocated, owned or freed for it. The list is
// emptied before it goes, thrown out of or not, so that it deletes nothing.
class PLAIN_ARGUMENT_LIST {
public:
    PLAIN_ARGUMENT_LIST(const RESULT_ITEM* items, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            nodes[i].item = items[i];
            nodes[i].prev = i > 0 ? &nodes[i - 1] : nullptr;
            nodes[i].next = i + 1 < count ? &nodes[i + 1] : nullptr;
        }
        list.count = count;
        list.head = count > 0 ? &nodes[0] : nullptr;
        list.tail = count > 0 ? &nodes[count - 1] : nullptr;
    }
    ~PLAIN_ARGUMENT_LIST() {
        list.count = 0;
        list.head = list.tail = nullptr;
    }
    PLAIN_ARGUMENT_LIST(const PLAIN_ARGUMENT_LIST&) = delete;
    PLAIN_ARGUMENT_LIST& operator=(const PLAIN_ARGUMENT_LIST&) = delete;

    const RESULT_LIST& view() const { return list; }

private:
    RESULT_NODE nodes[max_plain_arguments];
    RESULT_LIST list;
};

// A call at a seen site, its arguments read where they stand
// (read_plain_arguments): the key's direct handler, when the type has one,
// then the type's handler run on them without a list of results. A handler
// that declines has changed nothing; the call then takes the general road
// with the list their evaluation would have made.
[[gnu::noinline]] CALL_OUTCOME call_on_plain_arguments(const ROUTINE_REQUEST& request, const METHOD_SITE& seen,
                                                       const RESULT_ITEM* items, uint32_t count, bool constants,
                                                       bool used_at_once) {
    // What the entry says is read before anything runs: a call may remember
    // anew at this very site.
    const char code = seen.code;
    const std::string& key = *seen.key;
    if (const DIRECT_HANDLER direct = seen.direct) {
        const PLAIN_ARGUMENT_LIST arguments(items, count);
        if (direct(DIRECT_CALL{request.node, key, request.receiver, arguments.view(), request.results, used_at_once}))
            return CALL_OUTCOME::made;
    }
    {
        CALL_ARGS args;
        args.key.borrow(key);
        for (uint32_t i = 0; i < count; ++i) args.args.push_back(items[i]);
        if (run_methods(*methods_of_type(code), code, request.node, &args, request.results, request.receiver,
                        request.context, false, used_at_once))
            return CALL_OUTCOME::made;
    }
    RESULT_LIST list;
    for (uint32_t i = 0; i < count; ++i) list.append(items[i]);
    if (constants) own_constants(list);
    return resolve_and_call(request, &list, nullptr);
}

// A built-in method call: its arguments first, then its site entry; a call
// the entry answers runs the key's direct handler when the type has one and
// the case is plain, else the type's handler on the key kept there. Anything
// else (no entry for these types, a handler that declines) takes the
// general road with the arguments evaluated.
//
// `seen`: the entry the caller found for a receiver that is a variable's own
// cell of the entry's type; it answers without the receiver and key checks
// as long as the receiver still is such a cell, no table was emptied and the
// arguments fit.
__attribute__((noinline)) CALL_OUTCOME call_method_site(const ROUTINE_REQUEST& request,
                                                        const METHOD_SITE* seen = nullptr) {
    hold_unowned(request.receiver.cell);  // see resolve_and_call
    TOKEN* node = request.node;
    const bool used_at_once = element_grant == node;
    element_grant = nullptr;  // not for the calls among the arguments
    unclaimed_arguments = nullptr;
    const uint64_t forgotten = sites_forgotten;
    // A site the common methods answer takes its arguments evaluated: those
    // methods may keep them.
    bool constants = false;
    if (seen != nullptr && !seen->common && seen_entry_holds(*seen, request.receiver.cell)) {
        RESULT_ITEM items[max_plain_arguments];
        uint32_t count = 0;
        if (read_plain_arguments(node->left, items, count, constants) && items_match(seen->signature, items, count))
            return call_on_plain_arguments(request, *seen, items, count, constants, used_at_once);
        constants = false;
    }
    RESULT_LIST list;
    if (!evaluate_method_arguments(node->left, request.context, list, constants)) return CALL_OUTCOME::made;
    const METHOD_SITE* site = nullptr;
    if (seen != nullptr && forgotten == sites_forgotten && seen_entry_holds(*seen, request.receiver.cell) &&
        signature_matches(seen->signature, list)) {
        site = seen;
    } else {
        const TYPE_NAME& qualifier = request.qualifier != nullptr ? *request.qualifier : no_type;
        char code = 0;
        const char* qualifier_text = nullptr;
        const char kind = request.results != nullptr ? 'f' : 'p';
        if (built_in_method_shape(request.receiver, qualifier, code, qualifier_text))
            site = cached_method_site(node, kind, code, qualifier_text, list);
    }
    return call_with_site(request, site, list, constants, used_at_once);
}

// An argument's int value as read_int_arguments reads it, without making
// a cell: a literal's or a plain variable's defined int within 64 bits, or
// what fast_int reads. False when it reads otherwise (nothing ran then).
bool int_argument_value(TOKEN* argument, int64_t& value) {
    if (!argument->result_stack.empty()) return false;
    const UNION_DATA* cell = nullptr;
    if (argument->evaluator == eval_int_literal) cell = literal_constant(argument);
    else if (argument->evaluator == eval_variable) cell = declared_plain_cell(argument->declaration);
    else if (argument->evaluator == eval_str_literal) return false;
    else return fast_int(argument, value);
    return cell != nullptr && lower_tag(cell->tag) == tag_int && cell->payload != nullptr && cell_int64(cell, value);
}

// A call at a seen site with a handler of machine ints (see
// METHOD_SITE::int_direct) whose arguments all read as ints in place: the
// handler's answer, or false, nothing having run or changed, for the call
// to be made as call_reading_site makes it. A site whose handler keeps
// declining stops trying.
bool call_with_int_values(const ROUTINE_REQUEST& request, const METHOD_SITE& seen) {
    if (seen.int_misses >= read_miss_limit || seen.read_misses >= read_miss_limit ||
        call_sites_generation != routine_tables_generation || seen.qualified || request.results == nullptr ||
        lower_tag(request.receiver.cell->tag) != seen.code)
        return false;
    TOKEN* node = request.node;
    int64_t values[max_int_values];
    size_t count = 0;
    if (node->left != nullptr) {
        const TOKEN_LIST& arguments = argument_list_of(node->left);
        if (arguments.count() != seen.signature.size()) return false;
        for (TOKEN* argument : arguments) {
            if (!int_argument_value(argument, values[count])) return false;
            ++count;
        }
    } else if (!seen.signature.empty()) {
        return false;
    }
    static const RESULT_LIST no_arguments;
    const bool used_at_once = element_grant == node;
    if (!seen.int_direct(DIRECT_CALL{node, *seen.key, request.receiver, no_arguments, request.results, used_at_once},
                         values, count)) {
        ++seen.int_misses;
        return false;
    }
    hold_unowned(request.receiver.cell);  // see resolve_and_call
    element_grant = nullptr;
    unclaimed_arguments = nullptr;
    return true;
}

// call_method_site at a seen site whose type only reads the key's int
// arguments: the arguments read in place when they can be (nothing runs
// then, so the entry holds as after an evaluation), else the call as
// call_method_site makes it.
__attribute__((noinline)) CALL_OUTCOME call_reading_site(const ROUTINE_REQUEST& request, const METHOD_SITE& seen) {
    if (seen.int_direct != nullptr && call_with_int_values(request, seen)) return CALL_OUTCOME::made;
    RESULT_LIST list;
    bool constants = false;
    if (!read_in_place(request, seen, list, constants)) return call_method_site(request, &seen);
    hold_unowned(request.receiver.cell);  // see resolve_and_call
    const bool used_at_once = element_grant == request.node;
    element_grant = nullptr;
    unclaimed_arguments = nullptr;
    return call_with_site(request, &seen, list, constants, used_at_once);
}

// A call on an object: its arguments first, then its site entry; a call the
// entry answers runs the type's routine from this small frame, so that a
// deep recursion through objects needs no more stack than the general road.
__attribute__((noinline)) CALL_OUTCOME call_object_site(const ROUTINE_REQUEST& request) {
    hold_unowned(request.receiver.cell);  // see resolve_and_call
    TOKEN* node = request.node;
    TOKEN* subtree = node->left;
    unclaimed_arguments = nullptr;
    RESULT_LIST list;
    uint32_t shared = 0;
    if (!evaluate_sharing_literals(subtree, request.context, list, shared)) return CALL_OUTCOME::made;
    const char kind = request.results != nullptr ? 'f' : 'p';
    const CALL_SITE* site = site_holding(object_sites, node, kind, list,
                                         object_type_of(follow_aliases(request.receiver.cell)), request.in_object_type);
    if (site == nullptr) {
        own_shared_literals(list, shared);
        return resolve_and_call(request, &list, nullptr);
    }
    CALL_ARGS args;
    fill_site_args(args, *site->key, list);
    run_user_routine({node, &args, request.results, request.receiver, request.context, request.in_object_type, nullptr,
                      nullptr, nullptr, shared},
                     site->routine, false);
    return CALL_OUTCOME::made;
}

// A call qualified by a user type without receiver (the type's
// constructor, most often): the routine its site found for these argument
// types, as call_object_site takes an object's.
__attribute__((noinline)) CALL_OUTCOME call_type_site(const ROUTINE_REQUEST& request) {
    TOKEN* node = request.node;
    unclaimed_arguments = nullptr;
    RESULT_LIST list;
    uint32_t shared = 0;
    if (!evaluate_sharing_literals(node->left, request.context, list, shared)) return CALL_OUTCOME::made;
    const char kind = request.results != nullptr ? 'f' : 'p';
    const CALL_SITE* site = site_holding(type_sites, node, kind, list, request.qualifier->type, request.in_object_type);
    if (site == nullptr) {
        own_shared_literals(list, shared);
        return resolve_and_call(request, &list, nullptr);
    }
    CALL_ARGS args;
    fill_site_args(args, *site->key, list);
    run_user_routine(
        {node, &args, request.results, request.receiver, request.context, true, nullptr, nullptr, nullptr, shared},
        site->routine, false);
    return CALL_OUTCOME::made;
}

// The site entry of a node whose resolution holds for `count` int arguments.
const CALL_SITE* cached_int_site(const TOKEN* node, char kind, uint32_t count) {
    if (call_sites_generation != routine_tables_generation) return nullptr;
    const CALL_SITE* site = call_sites.in_front(node);
    if (site == nullptr || site->parent != node->parent || site->kind != kind || !site->all_ints ||
        site->signature.size() != count)
        return nullptr;
    return site;
}

// An argument whose evaluation starts with the small-int path of fast_int
// and, when that succeeds, makes nothing but a new int cell of its value.
bool arithmetic_argument(const TOKEN* argument) {
    const EVAL_HANDLER handler = argument->evaluator;
    return handler == eval_minus || handler == eval_plus || handler == eval_times || handler == eval_divide ||
           handler == eval_modulo;
}

constexpr uint32_t max_int_arguments = 4;

// Whether every argument of the call may be read where it stands (see
// inert_argument), remembered per call node once the arguments' handlers
// are bound. Only a hint: inert_argument checks each argument again.
struct INERT_HINT {
    const TOKEN* node = nullptr;
    bool inert = false;
};
constexpr size_t inert_hint_count = 64;
INERT_HINT inert_hints[inert_hint_count];

bool inert_candidates(const TOKEN* node, const TOKEN_LIST& arguments) {
    INERT_HINT& hint = inert_hints[(reinterpret_cast<uintptr_t>(node) / alignof(TOKEN)) % inert_hint_count];
    if (hint.node == node) return hint.inert;
    bool inert = true;
    bool bound = true;
    for (const TOKEN* argument : arguments) {
        const EVAL_HANDLER handler = argument->evaluator;
        bound &= handler != eval_node;
        if (handler != eval_variable && handler != eval_int_literal && handler != eval_str_literal &&
            !arithmetic_argument(argument))
            inert = false;
    }
    if (bound) hint = INERT_HINT{node, inert};
    return inert;
}

// An argument read where it stands, running no code: a number as
// number_argument reads it (`number` set), else an int or str literal's
// constant cell or a variable's item, as their evaluation hands them out.
// A variable whose item has the literal mode (an element a walk hands out)
// is left to its evaluation: that mode marks a literal's shared cell here.
bool inert_argument(TOKEN* argument, int64_t& value, RESULT_ITEM& item, bool& number) {
    const EVAL_HANDLER handler = argument->evaluator;
    UNION_DATA* cell = nullptr;
    if (handler == eval_int_literal || handler == eval_str_literal) {
        if (!argument->result_stack.empty()) return false;
        cell = literal_constant(argument);
        item = RESULT_ITEM{cell, access_literal, 0};
    } else if (handler == eval_variable) {
        if (!argument->result_stack.empty() || !variable_item(argument, item) || item.mode == access_literal)
            return false;
        cell = item.cell;
    } else {
        item = RESULT_ITEM{nullptr, access_expression, 0};
        number = arithmetic_argument(argument) && fast_int(argument, value);
        return number;
    }
    // An int, or an int held by a variable declared any (a loop's variable).
    number = cell != nullptr && lower_tag(cell->tag) == tag_int && cell->payload != nullptr && cell_int64(cell, value);
    return true;
}

// Appends to the list what the evaluation of an argument read in place
// gives (see inert_argument): a literal's constant cell gets its bit in
// `shared`, as evaluate_sharing_literals gives it.
void append_inert_argument(RESULT_LIST& list, const RESULT_ITEM& item, int64_t value, bool number, uint32_t& shared) {
    if (number) {
        append_number_argument(list, item, value, shared);
        return;
    }
    if (item.mode == access_literal) shared |= uint32_t{1} << list.count;
    list.append(item);
}

// Whether the arguments read in place have the type identities of a site's
// signature (arithmetic, without a cell yet, is an int).
bool inert_signature_matches(const std::vector<uintptr_t>& signature, const RESULT_ITEM* items, uint32_t count) {
    if (signature.size() != count) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uintptr_t identity =
            items[i].cell == nullptr ? static_cast<unsigned char>(tag_int) : key_type_identity(items[i].cell);
        if (identity != signature[i]) return false;
    }
    return true;
}

// cached_site for arguments read in place.
const CALL_SITE* cached_inert_site(const TOKEN* node, char kind, const RESULT_ITEM* items, uint32_t count) {
    if (call_sites_generation != routine_tables_generation) {
        forget_sites();
        return nullptr;
    }
    const CALL_SITE* site = call_sites.find(node);
    if (site == nullptr || site->parent != node->parent || site->kind != kind || site->type != nullptr ||
        site->in_object_type)
        return nullptr;
    if (inert_signature_matches(site->signature, items, count)) return site;
    for (const CALL_SITE& other : site->others) {
        if (inert_signature_matches(other.signature, items, count)) return &other;
    }
    return nullptr;
}

// The int cells made for arithmetic arguments read in place, owned by the
// call as the list of its evaluated arguments would own them.
class ARGUMENT_CELLS {
public:
    ARGUMENT_CELLS() = default;
    ~ARGUMENT_CELLS() {
        for (uint32_t i = 0; i < count; ++i) delete cells[i];
    }
    ARGUMENT_CELLS(const ARGUMENT_CELLS&) = delete;
    ARGUMENT_CELLS& operator=(const ARGUMENT_CELLS&) = delete;

    RESULT_ITEM make(int64_t value) {
        auto number = std::make_unique<INT_DATA>();
        number->assign_int64(value);
        UNION_DATA* cell = new_int_cell(std::move(number));
        cells[count++] = cell;
        return RESULT_ITEM{cell, access_expression, 1};
    }

private:
    UNION_DATA* cells[max_int_arguments];  // the first `count` are made
    uint32_t count = 0;
};

// A plain call whose arguments run no code as they are read (variables,
// literals, arithmetic giving small ints) reads them where they stand:
// numbers alone are bound to int parameters without cells for them, other
// arguments go to the routine without a list of results. Anything else
// takes the general evaluation, with the cells made as it makes them.
__attribute__((noinline)) CALL_OUTCOME call_int_site(const ROUTINE_REQUEST& request, INT_RESULT_SLOT* int_result) {
    TOKEN* node = request.node;
    TOKEN* subtree = node->left;
    if (subtree == nullptr) return call_plain_site(request, int_result);
    unclaimed_arguments = nullptr;
    int64_t numbers[max_int_arguments];
    RESULT_ITEM sources[max_int_arguments];
    bool is_number[max_int_arguments];
    bool from_nodes = false;  // some number came from a literal or a variable
    bool numbers_only = true;
    uint32_t count = 0;
    RESULT_LIST list;
    uint32_t shared = 0;
    bool inert = true;
    PENDING_EXCEPTION* before = pending_exception;
    ARGUMENT_HOLDS holding(list);
    const TOKEN_LIST& arguments = argument_list_of(subtree);
    // An argument that always runs code as it is read (a call, say) sends
    // the call the way of the general evaluation from the start.
    if (arguments.count() > max_int_arguments || !inert_candidates(node, arguments)) inert = false;
    for (TOKEN* argument : arguments) {
        if (inert) {
            if (count < max_int_arguments &&
                inert_argument(argument, numbers[count], sources[count], is_number[count])) {
                if (is_number[count]) from_nodes |= sources[count].cell != nullptr;
                else numbers_only = false;
                ++count;
                continue;
            }
            inert = false;
            for (uint32_t i = 0; i < count; ++i) {
                append_inert_argument(list, sources[i], numbers[i], is_number[i], shared);
            }
        }
        if (list.count < 32 && constant_argument(argument) && argument->result_stack.empty()) {
            shared |= uint32_t{1} << list.count;  // see evaluate_sharing_literals
            list.append(RESULT_ITEM{literal_constant(argument), access_literal, 0});
            continue;
        }
        holding.before(argument);
        eval_cached(argument, request.context, list);
        if (pending_exception != before) return CALL_OUTCOME::made;
    }
    if (count == 0) inert = false;
    if (!inert) numbers_only = false;
    const bool is_function = request.results != nullptr;
    const char kind = is_function ? 'f' : 'p';
    const CALL_SITE* site = nullptr;
    if (numbers_only) site = cached_int_site(node, kind, count);
    else if (inert) site = cached_inert_site(node, kind, sources, count);
    if (site == nullptr || site->routine == nullptr) {
        if (inert) {
            for (uint32_t i = 0; i < count; ++i) {
                append_inert_argument(list, sources[i], numbers[i], is_number[i], shared);
            }
        }
        site = cached_site(node, kind, list);
        if (site == nullptr || site->routine == nullptr) {
            own_shared_literals(list, shared);
            return resolve_and_call(request, &list, site);
        }
        numbers_only = false;
        inert = false;
    }
    ARGUMENT_CELLS made;
    CALL_ARGS args;
    args.key.borrow(*site->key);
    if (numbers_only) {
        for (uint32_t i = 0; i < count; ++i) args.args.push_back(RESULT_ITEM{nullptr, access_expression, 0});
    } else if (inert) {
        for (uint32_t i = 0; i < count; ++i) {
            const RESULT_ITEM& item = sources[i];
            if (item.cell == nullptr) {
                args.args.push_back(made.make(numbers[i]));
                continue;
            }
            if (item.mode == access_literal) shared |= uint32_t{1} << i;  // see append_inert_argument
            args.args.push_back(item);
        }
    } else {
        for (RESULT_NODE* item = list.head; item != nullptr; item = item->next) args.args.push_back(item->item);
    }
    run_user_routine({node, &args, request.results, request.receiver, request.context, false, int_result,
                      numbers_only ? numbers : nullptr, &list, shared, numbers_only && from_nodes ? sources : nullptr},
                     site->routine, site->crossed);
    return CALL_OUTCOME::made;
}

// The plan of a call node, made or renewed for the tables of now; null when
// the node keeps a plan of another kind or has stopped looking.
INT_CALL_PLAN* int_call_plan(TOKEN* node) {
    if (node->plan == nullptr) node->plan = std::make_unique<INT_CALL_PLAN>();
    else if (node->plan->kind != plan_int_call) return nullptr;
    auto* plan = static_cast<INT_CALL_PLAN*>(node->plan.get());
    if (plan->generation != routine_tables_generation || plan->parent != node->parent) [[unlikely]] {
        plan->generation = routine_tables_generation;
        plan->parent = node->parent;
        plan->routine = nullptr;
        plan->misses = 0;
    }
    if (plan->routine == nullptr && plan->misses >= int_call_patience) return nullptr;
    return plan;
}

}  // namespace

bool run_planned_int_call(TOKEN* node, int64_t& result) {
    TOKEN* subtree = node->left;
    if (subtree == nullptr || !subtree->result_stack.empty() || exception_pending()) return false;
    INT_CALL_PLAN* plan = int_call_plan(node);
    if (plan == nullptr) return false;
    const TOKEN_LIST& arguments = argument_list_of(subtree);
    const uint32_t count = arguments.count();
    int64_t numbers[max_int_arguments];
    bool numbers_only = count != 0 && count <= max_int_arguments;
    for (uint32_t i = 0; numbers_only && i < count; ++i) {
        RESULT_ITEM item;
        bool number = false;
        numbers_only = inert_argument(arguments[i], numbers[i], item, number) && number;
    }
    if (plan->routine == nullptr) {
        // The entry the general road made for such arguments.
        const CALL_SITE* site = numbers_only ? cached_int_site(node, 'f', count) : nullptr;
        if (site == nullptr || site->routine == nullptr || site->crossed) {
            ++plan->misses;
            return false;
        }
        plan->routine = site->routine;
    }
    if (!numbers_only) return false;
    unclaimed_arguments = nullptr;  // a call starts, as on the general road
    if (run_int_routine(plan->routine, numbers, count, result)) return true;
    if (int_routine_refused(plan->routine)) {
        plan->routine = nullptr;
        plan->misses = int_call_patience;
    }
    return false;
}

void append_number_argument(RESULT_LIST& list, const RESULT_ITEM& item, int64_t value, uint32_t& shared) {
    if (item.cell == nullptr) {
        append_int_argument(list, value);
        return;
    }
    if (item.mode == access_literal) shared |= uint32_t{1} << list.count;  // see evaluate_sharing_literals
    list.append(item);
}

namespace {

// str:(...) whose arguments run no code (variables, literals): each value is
// read where it is and written into one new str, without a list of
// results. False, with nothing done, for any other argument, a value the
// writers refuse or a format in force.
bool text_of_inert_arguments(TOKEN* node, RESULT_ITEM context, RESULT_LIST& results) {
    if (!plain_text_format()) return false;
    TEXT_PIECES pieces;
    {
        const FAST_MEMBERS members(context);
        if (!pieces.read(node->left)) return false;
    }
    results.append(make_str_value({}));
    pieces.write(results.tail->item.cell->str_data()->text);
    return true;
}

}  // namespace

CALL_OUTCOME call_text_conversion(const ROUTINE_REQUEST& request) {
    TOKEN* node = request.node;
    TOKEN* subtree = node->left;
    // A list handed over takes the general road, as in call_routine_status.
    if (unclaimed_arguments != nullptr && subtree != nullptr && !subtree->result_stack.empty() &&
        subtree->result_stack.back() == unclaimed_arguments) {
        const UNWIND_RESULT_STACK unwind(node);
        return call_routine_status(request);
    }
    int_result_request = INT_RESULT_REQUEST{};  // for this call or for none
    element_grant = nullptr;                    // not for the calls among the arguments
    unclaimed_arguments = nullptr;
    if (text_of_inert_arguments(node, request.context, *request.results)) return CALL_OUTCOME::made;
    // What the arguments park or hold goes when the conversion ends.
    const UNWIND_RESULT_STACK unwind(node);
    RESULT_LIST list;
    bool constants = false;
    if (!evaluate_method_arguments(subtree, request.context, list, constants)) return CALL_OUTCOME::made;
    static const std::string no_key;  // the handler reads none
    if (plain_str_from_arguments(DIRECT_CALL{node, no_key, request.receiver, list, request.results, false}))
        return CALL_OUTCOME::made;
    if (constants) own_constants(list);
    return resolve_and_call(request, &list, nullptr);
}

CALL_OUTCOME call_routine_status(const ROUTINE_REQUEST& request) {
    // A request for a number alone is for this call or for none.
    INT_RESULT_SLOT* int_result =
        int_result_request.node == request.node && request.results != nullptr ? int_result_request.slot : nullptr;
    int_result_request = INT_RESULT_REQUEST{};
    const TOKEN* subtree = request.node->left;
    const bool plain_site = request.prepared == nullptr && !request.runtime_name && request.receiver.cell == nullptr &&
                            request.qualifier == nullptr && !request.in_object_type;
    // A list handed over (see resolve_and_call) takes the general road.
    const bool handing_over = unclaimed_arguments != nullptr && subtree != nullptr && !subtree->result_stack.empty() &&
                              subtree->result_stack.back() == unclaimed_arguments;
    if (plain_site && !handing_over) return call_int_site(request, int_result);
    // A built-in method call or a call on an object by its written name,
    // with arguments to evaluate.
    if (request.prepared == nullptr && !request.runtime_name && !handing_over) {
        const TYPE_NAME* qualifier = request.qualifier;
        if (request.receiver.cell != nullptr) {
            if (base_type_code(follow_aliases(request.receiver.cell)) != tag_object) return call_method_site(request);
            if (qualifier == nullptr || !has_type(*qualifier)) return call_object_site(request);
        } else if (qualifier != nullptr && !qualifier->is_user_type && qualifier->text != nullptr) {
            return call_method_site(request);
        } else if (qualifier != nullptr && qualifier->is_user_type && qualifier->type != nullptr) {
            return call_type_site(request);
        }
    }
    return resolve_and_call(request, nullptr, nullptr);
}

TOKEN* call_type_routine(const ROUTINE_REQUEST& request, TOKEN* routine) {
    // The state a call resets as it starts, reset as call_routine_status
    // and resolve_and_call reset it before their search.
    int_result_request = INT_RESULT_REQUEST{};
    unclaimed_arguments = nullptr;
    TOKEN* node = request.node;
    const char kind = request.results != nullptr ? 'f' : 'p';
    if (routine == nullptr) {
        UNION_DATA* receiver_cell = follow_aliases(request.receiver.cell);
        TOKEN* start = search_start(node, 1, receiver_cell, no_type);
        routine = find_symbol(start, request.prepared->key.text(), kind, no_type, true, node);
        if (routine == nullptr) return nullptr;
    }
    if (!request.receiver_stays) hold_unowned(request.receiver.cell);  // see resolve_and_call
    USER_ROUTINE_CALL call{node, request.prepared, request.results, request.receiver, request.context,
                           true, nullptr,          nullptr,         nullptr};
    call.truth_result = request.truth_result;
    call.lent_arguments = request.lent_arguments;
    run_user_routine(call, routine, false);
    return routine;
}

namespace {

// call_seen_method on `receiver`, a value held by value in a variable's own
// cell, named through an alias variable (`through_alias`) or by a reference
// (`by_reference`), with the access mode of the variable's cell.
[[gnu::always_inline]] inline bool call_seen_site(TOKEN* node, UNION_DATA* receiver, uint32_t mode, bool through_alias,
                                                  bool by_reference, RESULT_LIST* results, RESULT_ITEM context,
                                                  CALL_OUTCOME& outcome) {
    const char tag = receiver->tag;
    const char kind = results != nullptr ? 'f' : 'p';
    bool on_object = false;
    const METHOD_SITE* site = nullptr;
    if (tag == tag_object && !through_alias && !by_reference) {
        // The routine the site found in the object's type, for that type.
        const CALL_SITE* entry = object_sites.in_front(node);
        if (entry == nullptr || entry->parent != node->parent || entry->kind != kind || !entry->in_object_type ||
            receiver->holder() == nullptr || entry->type != receiver->holder()->type)
            return false;
        on_object = true;
    } else {
        // A reference answers as the general road finds it: for its
        // target's type, with the reference itself as the receiver.
        const char held = by_reference ? seen_receiver_code(receiver) : lower_tag(tag);
        if (is_link_tag(held) || !is_value_tag(held)) return false;
        // A site the methods common to all types answer for this type as
        // well: its entry is found again among the site's resolutions.
        site = method_sites.in_front(node);
        if (site == nullptr || (site->code != held && (!site->common || (site->common_codes & code_bit(held)) == 0)) ||
            site->qualified || site->parent != node->parent || site->kind != kind)
            return false;
    }
    // A list handed over takes the general road, as in call_routine_status.
    const TOKEN* subtree = node->left;
    if (unclaimed_arguments != nullptr && subtree != nullptr && !subtree->result_stack.empty() &&
        subtree->result_stack.back() == unclaimed_arguments)
        return false;
    int_result_request = INT_RESULT_REQUEST{};  // for this call or for none
    const UNWIND_RESULT_STACK unwind(node);
    ROUTINE_REQUEST request;
    request.node = node;
    request.receiver = RESULT_ITEM{receiver, mode, 0};
    request.qualifier = &no_type;
    request.in_object_type = true;
    request.results = results;
    request.context = context;
    if (!through_alias && !by_reference) {
        outcome = on_object         ? call_object_site(request)
                  : site->int_reads ? call_reading_site(request, *site)
                                    : call_method_site(request, site);
        return true;
    }
    // A value named through an alias may belong to a container that let it
    // go meanwhile: what the results stand for in it outlives that, as on
    // the general road.
    // So may the target of a reference.
    RESULT_NODE* const before = results != nullptr ? results->tail : nullptr;
    outcome = site->int_reads ? call_reading_site(request, *site) : call_method_site(request, site);
    if (results != nullptr) keep_let_go_results(before != nullptr ? before->next : results->head);
    return true;
}

// call_seen_method on an alias variable: the value its aliases lead to.
__attribute__((noinline)) bool call_seen_through_alias(TOKEN* node, UNION_DATA* alias, RESULT_LIST* results,
                                                       RESULT_ITEM context, CALL_OUTCOME& outcome) {
    UNION_DATA* target = follow_aliases(alias);
    // A link made read-only behind the alias: the general road takes its mode.
    if (!is_variable_mode(target->access_mode)) return false;
    return call_seen_site(node, target, alias->access_mode, true, false, results, context, outcome);
}

// call_seen_input_method on a parameter bound to a value it does not own.
__attribute__((noinline)) bool call_seen_by_reference(TOKEN* node, UNION_DATA* reference, RESULT_LIST* results,
                                                      RESULT_ITEM context, CALL_OUTCOME& outcome) {
    return call_seen_site(node, reference, access_constant_input, false, true, results, context, outcome);
}

}  // namespace

bool call_seen_method(TOKEN* node, UNION_DATA* receiver, RESULT_LIST* results, RESULT_ITEM context,
                      CALL_OUTCOME& outcome) {
    // Only a receiver held by value in the variable's own cell, or a value
    // of a built-in type that an alias variable (a walk's element, an
    // alias parameter) names: a reference, a constant or an object through
    // an alias takes the general road. An any variable's cell carries the
    // raised tag of what it holds; its call answers as the same value in a
    // typed variable's cell does. The general road calls with the value
    // the aliases lead to and the alias variable's own access mode.
    if (receiver->access_mode < access_variable || call_sites_generation != routine_tables_generation) return false;
    const char own_tag = lower_tag(receiver->tag);
    if (own_tag == tag_alias || own_tag == tag_call_alias)
        return call_seen_through_alias(node, receiver, results, context, outcome);
    // A variable made to refer to a value (x @ y) answers for its target's
    // type, as a parameter bound by reference does.
    if (own_tag == tag_reference)
        return call_seen_site(node, receiver, receiver->access_mode, false, true, results, context, outcome);
    return call_seen_site(node, receiver, receiver->access_mode, false, false, results, context, outcome);
}

bool call_seen_input_method(TOKEN* node, UNION_DATA* receiver, RESULT_LIST* results, RESULT_ITEM context,
                            CALL_OUTCOME& outcome) {
    if (call_sites_generation != routine_tables_generation) return false;
    if (lower_tag(receiver->tag) == tag_reference)
        return call_seen_by_reference(node, receiver, results, context, outcome);
    return call_seen_site(node, receiver, access_constant_input, false, false, results, context, outcome);
}

bool call_seen_variable_input_method(TOKEN* node, UNION_DATA* parameter, RESULT_LIST* results, RESULT_ITEM context,
                                     CALL_OUTCOME& outcome) {
    if (call_sites_generation != routine_tables_generation) return false;
    // A link made read-only along the way lends its mode: the general road
    // takes it.
    if (!is_variable_mode(lent_access(parameter))) return false;
    return call_seen_site(node, follow_aliases(parameter), access_variable_input, true, false, results, context,
                          outcome);
}

bool call_seen_receiver_method(TOKEN* node, UNION_DATA* receiver, uint32_t mode, RESULT_LIST* results,
                               RESULT_ITEM context, CALL_OUTCOME& outcome) {
    if (call_sites_generation != routine_tables_generation) return false;
    return call_seen_site(node, receiver, mode, true, false, results, context, outcome);
}

bool call_seen_member_method(TOKEN* node, UNION_DATA* member, uint32_t mode, RESULT_LIST* results, RESULT_ITEM context,
                             CALL_OUTCOME& outcome) {
    if (call_sites_generation != routine_tables_generation) return false;
    // A member that is an alias takes the general road, which follows it;
    // so does a link made read-only, whose mode the general road reads.
    const char own_tag = lower_tag(member->tag);
    if (own_tag == tag_alias || own_tag == tag_call_alias || !is_variable_mode(member->access_mode)) return false;
    return call_seen_site(node, member, mode, false, false, results, context, outcome);
}

namespace {
const RESULT_LIST no_truth_arguments;  // the empty list of x.name()
}  // namespace

int seen_method_truth(TOKEN* expression) {
    if (expression->evaluator != eval_member || expression->op1 != '.' || expression->op2 != 0) return -1;
    TOKEN* part = expression->right;
    if (part == nullptr || part->op1 != '(' || part->op2 != 0 || !part->text) return -1;
    // The empty list of x.name(), once bound, evaluates to nothing.
    const TOKEN* subtree = part->left;
    if (subtree != nullptr && (subtree->evaluator != eval_empty_code || subtree->block_mode != block_mode_none ||
                               !subtree->result_stack.empty()))
        return -1;
    if (call_sites_generation != routine_tables_generation) return -1;
    const METHOD_SITE* site = method_sites.in_front(part);
    if (site == nullptr || site->bool_direct == nullptr || site->kind != 'f' || site->qualified ||
        site->parent != part->parent || !site->signature.empty())
        return -1;
    // The receiver as eval_member finds it: a variable's own cell (or what
    // its aliases lead to, with the alias variable's mode), or a parameter
    // declared plainly in the input part.
    UNION_DATA* receiver = nullptr;
    uint32_t mode = 0;
    const TOKEN* name = expression->left;
    if (name == nullptr || name->evaluator != eval_variable) return -1;
    // plain_variable, read here without a call: this test runs per condition.
    if (UNION_DATA* cell = declared_plain_cell(name->declaration)) {
        if (cell->access_mode < access_variable) return -1;
        mode = cell->access_mode;
        const char own_tag = lower_tag(cell->tag);
        receiver = own_tag == tag_alias || own_tag == tag_call_alias ? follow_aliases(cell) : cell;
    } else if (UNION_DATA* input = constant_input_cell(name)) {
        receiver = input;
        mode = access_constant_input;
        if (is_link_tag(lower_tag(receiver->tag))) return -1;
    } else {
        return -1;
    }
    const char held = lower_tag(receiver->tag);
    if (held != site->code || is_link_tag(held) || !is_value_tag(held)) return -1;
    const int truth = site->bool_direct(
        DIRECT_CALL{part, *site->key, RESULT_ITEM{receiver, mode, 0}, no_truth_arguments, nullptr, false});
    if (truth >= 0) {
        // As any call does when it starts.
        int_result_request = INT_RESULT_REQUEST{};
        element_grant = nullptr;
        unclaimed_arguments = nullptr;
    }
    return truth;
}

ELEMENT_USED_AT_ONCE::ELEMENT_USED_AT_ONCE(const TOKEN* call, bool objects)
    : saved(element_grant), saved_objects(element_objects_at_once) {
    element_grant = call;
    element_objects_at_once = objects;
}
ELEMENT_USED_AT_ONCE::~ELEMENT_USED_AT_ONCE() {
    element_grant = saved;
    element_objects_at_once = saved_objects;
}

}  // namespace morvu
