#include "values/assign_rules.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_copy.h"

namespace morvu {

namespace {

// A message naming the destination's and the source's types.
const char* two_type_message(const char* identifier, const TYPE_NAME& dest, const TYPE_NAME& src) {
    std::string dest_text = type_name_text(dest);
    std::string src_text = type_name_text(src);
    return keep_message(format_string(msg_text(identifier), dest_text.c_str(), src_text.c_str()));
}

// A message naming one type.
const char* one_type_message(const char* identifier, const TYPE_NAME& name) {
    std::string text = type_name_text(name);
    return keep_message(format_string(msg_text(identifier), text.c_str()));
}

bool is_alias_tag(char tag) { return tag == tag_alias || tag == raise_tag(tag_alias); }
bool is_call_alias_tag(char tag) { return tag == tag_call_alias || tag == raise_tag(tag_call_alias); }

// The message identifiers of the checks that assignment and move share.
struct TRANSFER_MESSAGES {
    const char* type_mismatch;
    const char* reference;
    const char* alias;
    const char* foreign_type;
};

constexpr TRANSFER_MESSAGES assign_messages{"zuwnurfuegledattyp", "zuwrefnicerl", "zuwalinicerl", "zuwobjtypvoinicerl"};
constexpr TRANSFER_MESSAGES move_messages{"vernurfuegledattyp", "verrefnicerl", "veralinicerl", "verobjtypvoinicerl"};

// Two object cells of one user type, whose type names are therefore the
// same: a link between them needs no names made to be compared.
bool same_object_type(const UNION_DATA* a, const UNION_DATA* b) {
    if (lower_tag(a->tag) != tag_object || lower_tag(b->tag) != tag_object) return false;
    const OBJECT_HOLDER* first = a->holder();
    const OBJECT_HOLDER* second = b->holder();
    return first != nullptr && second != nullptr && first->type != nullptr && first->type == second->type;
}

// An object cell without an object record holds no cell at all.
bool holds_no_object(const UNION_DATA* cell) {
    return lower_tag(cell->tag) == tag_object && (cell->holder() == nullptr || cell->holder()->object == nullptr);
}

// A built-in type's name is its tag's: cells of one such tag (no link, no
// object) have one type name without comparing names.
bool same_built_in_tag(const UNION_DATA* a, const UNION_DATA* b) {
    const char tag = lower_tag(a->tag);
    return tag == lower_tag(b->tag) && tag != tag_object && !is_link_tag(tag);
}

// check_transfer for the pairs whose type names have to be compared.
[[gnu::noinline]] const char* check_transfer_by_names(UNION_DATA* dest, UNION_DATA* src, UNION_DATA* s,
                                                      const TRANSFER_MESSAGES& ids) {
    TYPE_NAME dest_name = value_type_name(dest, true);
    TYPE_NAME src_name = value_type_name(src, true);
    bool any_dest = is_any_cell(dest);
    if (!any_dest && !same_type_name(dest_name, src_name))
        return two_type_message(ids.type_mismatch, dest_name, src_name);
    if (is_reference_tag(s->tag)) return msg_text(ids.reference);
    if (is_alias_tag(s->tag)) return msg_text(ids.alias);
    if (any_dest && !same_type_name(dest_name, src_name) && has_foreign_referrers(dest))
        return one_type_message(ids.foreign_type, src_name);
    return nullptr;
}

// The checks that an assignment or a move of src (s: src, a link followed)
// into dest makes first, in this order: the types must match unless dest is
// an any cell, a reference or alias is not transferred, and an any cell that
// others refer to does not change its type. Null when all pass. Inline in
// its callers: most pairs pass on the first test.
inline const char* check_transfer(UNION_DATA* dest, UNION_DATA* src, UNION_DATA* s, const TRANSFER_MESSAGES& ids) {
    // A source that is no link, of the destination's built-in type or user
    // type (the type names compare those), or going into an any cell nothing
    // links to: no type names to compare.
    if (src == s &&
        (same_built_in_tag(dest, s) || same_object_type(dest, s) || (is_any_cell(dest) && dest->referrers == nullptr)))
        return nullptr;
    return check_transfer_by_names(dest, src, s, ids);
}

// A plain assignment made aside first: the source may lie inside the value
// it replaces, and the destination changes only once the copy is whole.
void copy_through_temporary(UNION_DATA* dest, UNION_DATA* s) {
    UNION_DATA temporary('V');
    {
        COPY_SCOPE scope;
        init_payload(&temporary, s);
        const bool relink = deep_copy_payload(&temporary, s);
        // Links inside the copy that pointed at s must end at dest, which is
        // what the copy becomes.
        if (copy_partners.of(s) == &temporary) copy_partners.record(s, dest);
        scope.finish(&temporary, relink);
    }
    move_payload(dest, &temporary);
}

// A defined list, args, hash, set or object value into an any cell that
// holds nothing and that no link points to: no value of the destination can
// hold the source, and nobody sees the destination before the copy is whole,
// so the copy needs no temporary. False for any other pair.
bool takes_container_in_place(const UNION_DATA* dest, const UNION_DATA* s, char lowered) {
    return (lowered == tag_list || lowered == tag_args || lowered == tag_hash || lowered == tag_set ||
            lowered == tag_object) &&
           s->payload != nullptr && dest->payload == nullptr && (dest->tag == tag_any || dest->tag == tag_nothing) &&
           dest->referrers == nullptr && dest->weak_held == 0;
}

void copy_in_place(UNION_DATA* dest, UNION_DATA* s) {
    COPY_SCOPE scope;
    init_payload(dest, s);
    const bool relink = deep_copy_payload(dest, s);
    scope.finish(dest, relink);
}

// An int or a text into a cell without payload (an any cell holding
// nothing, or a cell of its type without value): the new payload is made
// whole before the cell takes it. False, with nothing done, for any other
// pair.
bool give_new_payload(UNION_DATA* dest, const UNION_DATA* s, char lowered) {
    if (dest->payload != nullptr || s->payload == nullptr) return false;
    const bool any_dest = dest->tag == tag_any || dest->tag == tag_nothing;
    if (!any_dest && lower_tag(dest->tag) != lowered) return false;
    if (lowered == tag_int) {
        // A plain machine number goes into an any cell (a hash's value, an
        // any variable) as the payload word; a typed cell keeps a record,
        // which loops change in place.
        if (any_dest && is_inline_int(s->payload)) {
            dest->payload = s->payload;
        } else if (!any_dest || !inline_copy_of(*s->int_data(), dest->payload)) {
            auto number = std::make_unique<INT_DATA>();
            *number = *s->int_data();  // the assignment the general copy makes
            dest->payload = number.release();
        }
    } else if (lowered == tag_str) {
        dest->payload = new STR_DATA(s->str_data()->text);
    } else {
        return false;
    }
    if (any_dest) dest->tag = raise_tag(lowered);
    return true;
}

}  // namespace

const char* assign_by_mode(UNION_DATA* dest, UNION_DATA* src, int mode) {
    switch (mode) {
    case -1:
    case assign_mode_plain: return assign_value(dest, src);
    case assign_mode_reference: return assign_link(dest, src, link_kind_reference);
    case assign_mode_movement: return move_value(dest, src);
    case assign_mode_alias: return assign_link(dest, src, link_kind_alias);
    case assign_mode_keep_reference:
        return is_reference_tag(src->tag) ? assign_link(dest, src, link_kind_reference) : assign_value(dest, src);
    case assign_mode_link_or_move:
    case assign_mode_link_or_copy: {
        char lowered = lower_tag(src->tag);
        if (lowered == link_kind_call_alias || lowered == link_kind_alias || lowered == link_kind_reference)
            return assign_link(dest, src, lowered);
        return mode == assign_mode_link_or_move ? move_value(dest, src) : assign_value(dest, src);
    }
    case assign_mode_call_alias: return assign_link(dest, src, link_kind_call_alias);
    default:
        if (is_lent_reference_mode(mode)) {
            const char* message = assign_link(dest, src, link_kind_reference);
            if (message == nullptr) dest->access_mode = lent_reference_access(mode);
            return message;
        }
        return nullptr;
    }
}

bool assign_machine_int(UNION_DATA* dest, int64_t value) {
    if ((dest->tag != tag_int && (dest->tag != raise_tag(tag_int) || dest->referrers != nullptr)) ||
        dest->payload == nullptr || copy_depth != 0)
        return false;
    if (!is_inline_int(dest->payload)) {
        dest->int_data()->assign_int64(value);
        return true;
    }
    return (dest->tag != tag_int || dest->scope_variable == 0) && make_inline_int(value, dest->payload);
}

const char* assign_value(UNION_DATA* dest, UNION_DATA* src) {
    if (src->tag == tag_int && is_inline_int(src->payload) && assign_machine_int(dest, inline_int_value(src->payload)))
        return nullptr;
    UNION_DATA* s = follow_link(src);
    if (s == dest) return nullptr;
    if (const char* message = check_transfer(dest, src, s, assign_messages)) return message;
    // The target changes only once the copy is whole. A plain value goes
    // straight into a target that holds a value of its type, whose payload
    // takes it whole or not at all; so do the empty value and the small
    // values that live in the cell, which allocate nothing; an int or a text
    // into a cell without payload gets its payload made first. Any other
    // value is made aside and moved in.
    const char lowered = lower_tag(s->tag);
    const char dest_lowered = lower_tag(dest->tag);
    if (!is_nesting_tag(lowered) && !is_nesting_tag(dest_lowered) && !is_link_tag(dest_lowered)) {
        if ((dest_lowered == lowered && dest->payload != nullptr) || !is_value_tag(lowered) || is_scalar_tag(lowered)) {
            copy_value(dest, s, false);
            return nullptr;
        }
        if (give_new_payload(dest, s, lowered)) return nullptr;
    }
    // An object over one of its type whose plain members take the new values,
    // a list over one of as many plain elements.
    if (lowered == tag_object && assign_object_in_place(dest, s)) return nullptr;
    if (lowered == tag_list && assign_list_in_place(dest, s)) return nullptr;
    if (takes_container_in_place(dest, s, lowered)) {
        copy_in_place(dest, s);
        return nullptr;
    }
    copy_through_temporary(dest, s);
    return nullptr;
}

const char* assign_temporary(UNION_DATA* dest, UNION_DATA* src) {
    const char lowered = lower_tag(src->tag);
    // A typed str cell keeps its own text record: a walk over the variable
    // reads it at every step.
    const bool text = lowered == tag_str && dest->tag == tag_str && dest->payload != nullptr;
    if (src == dest || src->payload == nullptr || is_link_cell(src) || is_link_cell(dest) ||
        (!text && lowered != tag_object && lowered != tag_list && lowered != tag_hash && lowered != tag_set))
        return assign_value(dest, src);
    // An object over one of its type whose plain members take the new values
    // (which passes every check) costs less than the walk that proves a move
    // safe and the freeing of dest's old object.
    if (lowered == tag_object && assign_object_in_place(dest, src)) return nullptr;
    static std::vector<UNION_DATA*> cells;
    if (!moves_as_copy(src, cells, dest)) return assign_value(dest, src);
    if (const char* message = check_transfer(dest, src, src, assign_messages)) return message;
    settle_taken_cells(cells);
    if (text) {
        std::swap(dest->str_data()->text, src->str_data()->text);
        dest->str_data()->reset_read();
    } else {
        // What copy_through_temporary ends with, the copy being src itself.
        move_payload(dest, src);
    }
    return nullptr;
}

const char* move_value(UNION_DATA* dest, UNION_DATA* src) { return move_value_with_root(dest, src, nullptr); }

const char* move_value_with_root(UNION_DATA* dest, UNION_DATA* src, const UNION_DATA* root) {
    UNION_DATA* s = follow_link(src);
    if (s == dest) return msg_text("veraufsicnicerl");
    if (const char* message = check_transfer(dest, src, s, move_messages)) return message;
    // A value moved into a cell of its own would end up owning itself. An
    // object holder belongs to one cell, so this also finds dest's object.
    if (is_within_value(s, dest, root)) return msg_text("vermuszykfresei");
    move_payload(dest, s);
    return nullptr;
}

namespace {

// Whether a link cell leads, along links alone, to a cell of s's built-in
// type: the type name of either is then that type's, found without
// comparing names.
bool leads_to_built_in_tag(const UNION_DATA* dest, const UNION_DATA* s) {
    const UNION_DATA* cell = dest;
    for (int step = 0; step < 4 && cell != nullptr && is_link_cell(cell); ++step) cell = cell->target();
    return cell != nullptr && same_built_in_tag(cell, s);
}

// An any alias that nothing links to, bound anew to a cell that is no link:
// every rule of assign_link passes for it (an any cell takes any type, and
// without referrers nothing refuses a change of type), and dissolving the
// old link then making the new one leaves only the record's threading
// changed. A walk's variable is bound so once per element; the record is
// moved instead of freed and made again.
bool rebinds_plain_alias(const UNION_DATA* dest, const UNION_DATA* src) {
    return dest->tag == raise_tag(tag_alias) && dest->payload != nullptr && dest->referrers == nullptr &&
           dest->scope_variable != 0 && src != dest && !is_link_cell(src);
}

void move_alias(UNION_DATA* dest, UNION_DATA* src) {
    ++links_made;
    unlink_cell(dest);
    LINK_RECORD* record = dest->link();
    record->target = src;
    record->next = src->referrers;
    if (src->referrers != nullptr) src->referrers->link()->prev = dest;
    src->referrers = dest;
    record->prev = src;
    dest->access_mode = access_variable;  // a read-only mode goes with the old link
}

// An any variable that holds the empty value and that nothing links to,
// bound as an alias to a cell that is no link: every rule of assign_link
// passes for it, as for rebinds_plain_alias. A walk's variable is bound so
// at its first element, in every activation of the routine it runs in.
bool binds_fresh_any(const UNION_DATA* dest, const UNION_DATA* src) {
    return dest->tag == tag_any && dest->payload == nullptr && dest->referrers == nullptr &&
           dest->scope_variable != 0 && src != dest && !is_link_cell(src);
}

}  // namespace

const char* assign_link(UNION_DATA* dest, UNION_DATA* src, char kind) {
    if (kind == link_kind_alias) {
        if (rebinds_plain_alias(dest, src)) {
            move_alias(dest, src);
            return nullptr;
        }
        if (binds_fresh_any(dest, src)) {
            destroy_payload(dest, false);
            link_cell(dest, src, kind);
            return nullptr;
        }
    }
    switch (kind) {
    case 'p':
        if (first_referrer(dest, tag_reference) != nullptr) return msg_text("verketrefnicerl");
        break;
    case 'q':
        if (first_referrer(dest, tag_alias) != nullptr) return msg_text("verketalinicerl");
        if (first_referrer(dest, tag_reference) != nullptr) return msg_text("refaufalinicerl");
        if (dest->scope_variable == 0) return msg_text("alizuwnurfuescovarerl");
        break;
    default:
        if (first_referrer(dest, tag_reference) != nullptr) return msg_text("refaufsynnicerl");
        if (first_referrer(dest, tag_alias) != nullptr) return msg_text("aliaufsynnicerl");
        if (first_referrer(dest, tag_call_alias) != nullptr) return msg_text("verketsynnicerl");
        if (dest->scope_variable == 0) return msg_text("synzuwnurfuescovarerl");
        break;
    }
    UNION_DATA* s = src;
    if (kind == link_kind_reference) s = follow_link(src);
    else if (is_alias_tag(src->tag) || is_call_alias_tag(src->tag)) s = src->target();
    const char* self_id = kind == 'p' ? "refaufsicnicerl" : kind == 'q' ? "aliaufsicnicerl" : "synaufsicnicerl";
    if (s == dest) return msg_text(self_id);
    for (UNION_DATA* c = s; is_link_cell(c);) {
        c = c->target();
        if (c == dest) {
            return msg_text(kind == 'p'   ? "refzuwmuszykfresei"
                            : kind == 'q' ? "alizuwmuszykfresei"
                                          : "synzuwmuszykfresei");
        }
    }
    const bool same_tag = same_built_in_tag(dest, s);
    const bool any_dest = is_any_cell(dest);
    if (!any_dest && !same_tag && !same_object_type(dest, s) && !leads_to_built_in_tag(dest, s)) {
        const TYPE_NAME dest_name = value_type_name(dest, true);
        const TYPE_NAME s_name = value_type_name(s, true);
        if (!same_type_name(dest_name, s_name)) {
            return two_type_message(kind == 'p'   ? "refzuwnurfuegledatttyp"
                                    : kind == 'q' ? "alizuwnurfuegledatttyp"
                                                  : "synzuwnurfuegledatttyp",
                                    dest_name, s_name);
        }
    }
    if (any_dest && !same_tag && has_foreign_referrers(dest)) {
        const TYPE_NAME s_name = value_type_name(s, true);
        if (!same_type_name(value_type_name(dest, true), s_name)) {
            return one_type_message(kind == 'p'   ? "refaufobjtypvoinicerl"
                                    : kind == 'q' ? "aliaufobjtypvoinicerl"
                                                  : "synaufobjtypvoinicerl",
                                    s_name);
        }
    }
    // The link would outlive its target: dest's value, which holds s, is
    // destroyed below.
    if (!holds_no_object(dest) && is_within_value(dest, s)) {
        return msg_text(kind == 'p'   ? "refzuwaufloedatnicerl"
                        : kind == 'q' ? "alizuwaufloedatnicerl"
                                      : "synzuwaufloedatnicerl");
    }
    if (is_link_tag(dest->tag) && !is_any_tag(dest->tag) && dest->payload != nullptr) {
        // A typed link linked anew keeps its record (link_cell threads it
        // again); dissolving the old link would only free it, leave the
        // cell with the mode of a variable and make an empty holder that
        // the new link drops.
        dest->access_mode = access_variable;
    } else {
        destroy_payload(dest, false);
    }
    link_cell(dest, s, kind);
    // A link made past a read-only link leads where that one leads, and as
    // read-only.
    if (s != src && !is_variable_mode(src->access_mode)) dest->access_mode = src->access_mode;
    return nullptr;
}

bool has_foreign_referrers(const UNION_DATA* cell) {
    for (const UNION_DATA* referrer = cell->referrers; referrer != nullptr; referrer = referrer->link()->next) {
        if (referrer->skip_flag == 0 && !is_any_cell(referrer)) return true;
    }
    return false;
}

void link_cell(UNION_DATA* cell, UNION_DATA* target, char kind) {
    ++links_made;
    if (lower_tag(cell->tag) == tag_object) delete cell->holder();  // the cell holds no object here
    bool any_cell = is_any_cell(cell);                              // an any cell stays one: 'P', 'Q', 'J'
    // A link cell that links again keeps its record; any other cell holds no
    // payload here.
    LINK_RECORD* record = nullptr;
    if (is_link_cell(cell) && cell->payload != nullptr) {
        unlink_cell(cell);
        record = cell->link();
    } else {
        record = new LINK_RECORD;
    }
    record->target = target;
    UNION_DATA*& head = target->referrers;
    record->next = head;
    if (head != nullptr) head->link()->prev = cell;
    head = cell;
    record->prev = target;
    cell->payload = record;
    cell->tag = any_cell ? raise_tag(kind) : kind;
}

void move_payload(UNION_DATA* dest, UNION_DATA* src) {
    char lowered = lower_tag(src->tag);
    // Take the value out of src before dest's old value goes: src may lie
    // inside it.
    OBJECT_RECORD* object = nullptr;
    TOKEN* type = nullptr;
    void* payload = nullptr;
    SCALAR_WORD scalar = src->scalar;
    if (lowered == tag_object) {
        if (src->holder() != nullptr) {
            object = src->holder()->object;
            type = src->holder()->type;
            src->holder()->object = nullptr;
        }
    } else {
        payload = src->payload;
        src->payload = nullptr;
    }
    bool scalar_payload = payload != nullptr && payload == &src->scalar;
    destroy_payload(dest, false);
    if (dest->tag == tag_nothing) {
        dest->tag = raise_tag(lowered);
        if (lowered == tag_object) dest->payload = new OBJECT_HOLDER{nullptr, type};
    }
    if (lowered == tag_object) {
        if (dest->holder() == nullptr) dest->payload = new OBJECT_HOLDER();
        dest->holder()->object = object;
        dest->holder()->type = type;
    } else if (scalar_payload) {
        dest->scalar = scalar;
        dest->payload = &dest->scalar;
    } else {
        dest->payload = payload;
    }
}

const char* copy_into_slot(UNION_DATA* cell, UNION_DATA* src, int mode) {
    if (src == nullptr) return nullptr;
    UNION_DATA* followed = follow_link(src);
    char own = lower_tag(src->tag);
    bool copy = false;
    switch (mode) {
    case -1:
    case assign_mode_plain: copy = true; break;
    case assign_mode_reference: link_cell(cell, followed, link_kind_reference); break;
    case assign_mode_movement: move_payload(cell, followed); break;
    case assign_mode_alias: link_cell(cell, src, link_kind_alias); break;
    case assign_mode_keep_reference:
        if (own == link_kind_reference) link_cell(cell, followed, link_kind_reference);
        else copy = true;
        break;
    case assign_mode_link_or_move:
    case assign_mode_link_or_copy:
        if (own == link_kind_alias) link_cell(cell, src, link_kind_alias);
        else if (own == link_kind_reference) link_cell(cell, followed, link_kind_reference);
        else if (own == link_kind_call_alias && mode == assign_mode_link_or_copy)
            link_cell(cell, src, link_kind_call_alias);
        else if (mode == assign_mode_link_or_move) move_payload(cell, followed);
        else copy = true;
        break;
    case assign_mode_call_alias: link_cell(cell, src, link_kind_call_alias); break;
    default:
        if (is_lent_reference_mode(mode)) {
            link_cell(cell, followed, link_kind_reference);
            cell->access_mode = lent_reference_access(mode);
            return nullptr;
        }
        break;
    }
    if (copy) {
        copy_value(cell, followed, false);
    } else if (followed != src && is_link_cell(cell) && lower_tag(cell->tag) == link_kind_reference) {
        // A reference made past a read-only link stays read-only, and so does
        // one a copy of a value given read-only takes over.
        cell->access_mode = is_variable_mode(src->access_mode) ? copied_link_access : src->access_mode;
    }
    return nullptr;
}

}  // namespace morvu
