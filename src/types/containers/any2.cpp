// Methods of any2: a pair of two elements held inside the value. The
// lower-case names and index 0 address the first element, the capitalised
// names and index 1 the second. The element cells never move: links that
// other cells hold to an element stay with its position.

#include <string>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

ANY2_DATA& pair_of(UNION_DATA* value) { return *value->any2_data(); }

// Argument i must be the int 0 (the first element) or 1 (the second); the
// element goes to *out.
std::string check_any2_index(const CALL_ARGS& args, ANY2_DATA& pair, int32_t i, UNION_DATA** out) {
    std::string failure = check_arg_type(args, i, tag_int, true);
    if (!failure.empty()) return failure;
    const int32_t index = int_argument(args, i);
    if (index != 0 && index != 1) return format_string(msg_text("indnicdef"), index);
    *out = index == 0 ? &pair.first : &pair.second;
    return {};
}

// Gives one element the value of argument i. The old value stays when the
// assignment is refused; its message is raised.
void assign_element(const METHOD_CALL& call, UNION_DATA* element, int32_t i) {
    UNION_DATA* cell = nullptr;
    int mode = 0;
    transfer_out_arg(call.args, call.node, i, false, false, &cell, &mode);
    call.raise_if(assign_by_mode(element, cell, mode));
}

// What one element holds while the two exchange their contents: a link (its
// kind and target), a value moved out into `value`, or only its tag ('v' the
// empty value, 'V' no value).
struct ELEMENT_CONTENT {
    char link_kind = 0;
    UNION_DATA* target = nullptr;
    uint8_t access_mode = access_variable;  // a link made read-only stays so
    char bare_tag = 0;
    UNION_DATA value{'V'};
};

// Empties the element into content. A link is unregistered from its
// target, so that no target's list names a cell that no longer links to it.
void take_content(UNION_DATA* element, ELEMENT_CONTENT& content) {
    if (is_link_cell(element)) {
        content.link_kind = lower_tag(element->tag);
        content.target = element->target();
        content.access_mode = element->access_mode;
    } else if (element->tag == tag_any || element->tag == tag_nothing) {
        content.bare_tag = element->tag;
    } else {
        move_payload(&content.value, element);  // a scalar's inline word moves too
    }
    destroy_payload(element, false);  // the element is an any cell: it ends 'V'
}

// Fills an emptied element from content. A link that led to one element of
// the pair leads to the other afterwards: it follows the value it stood for.
void put_content(UNION_DATA* element, ELEMENT_CONTENT& content, ANY2_DATA& pair) {
    if (content.link_kind != 0) {
        UNION_DATA* target = content.target;
        if (target == &pair.first) target = &pair.second;
        else if (target == &pair.second) target = &pair.first;
        link_cell(element, target, content.link_kind);
        element->access_mode = content.access_mode;
    } else if (content.bare_tag != 0) {
        element->tag = content.bare_tag;
    } else {
        move_payload(element, &content.value);
    }
}

// The two elements exchange their contents. Typed cells that refer to an
// element must keep seeing their type, so a flip that would change the type
// under them is refused like a move.
void flip_pair(const METHOD_CALL& call, ANY2_DATA& pair) {
    const TYPE_NAME first_type = value_type_name(&pair.first, true);
    const TYPE_NAME second_type = value_type_name(&pair.second, true);
    if (!same_type_name(first_type, second_type)) {
        if (has_foreign_referrers(&pair.first))
            call.raise(format_string(msg_text("verobjtypvoinicerl"), type_name_text(second_type).c_str()));
        if (has_foreign_referrers(&pair.second))
            call.raise(format_string(msg_text("verobjtypvoinicerl"), type_name_text(first_type).c_str()));
    }
    ELEMENT_CONTENT first;
    ELEMENT_CONTENT second;
    take_content(&pair.first, first);
    take_content(&pair.second, second);
    put_content(&pair.first, second, pair);
    put_content(&pair.second, first, pair);
}

}  // namespace

bool any2_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        call.raise_if(check_arg_count(args, 2));
        UNION_DATA* cells[2] = {};
        int modes[2] = {};
        for (int i = 0; i < 2; ++i) transfer_out_arg(call.args, call.node, i, false, false, &cells[i], &modes[i]);
        const char* refusal = nullptr;
        RESULT_ITEM made = make_any2_value(cells[0], static_cast<uint32_t>(modes[0]), cells[1],
                                           static_cast<uint32_t>(modes[1]), &refusal);
        call.raise_if(refusal);
        made.mode = 3;
        call.append(made);
        return true;
    }
    if (key_has_prefix(key, "get0\xA7") || key_has_prefix(key, "Get0\xA7")) {
        ANY2_DATA& pair = pair_of(call.checked_receiver(true));  // the arguments are not looked at
        call.raise_if(make_copy_value(*call.results, key[0] == 'g' ? &pair.first : &pair.second, 4, false, false));
        return true;
    }
    if (key_is(key, "args\xA7")) {
        ANY2_DATA& pair = pair_of(call.checked_receiver());
        call.raise_if(make_copy_value(*call.results, &pair.first, 4, false, false));
        call.raise_if(make_copy_value(*call.results, &pair.second, 4, false, false));
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        ANY2_DATA& pair = pair_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_range(args, 1, -1));
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* element = nullptr;
            call.raise_if(check_any2_index(args, pair, i, &element));
            call.raise_if(make_copy_value(*call.results, element, 3, false, false));
        }
        return true;
    }
    return false;
}

bool any2_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        ANY2_DATA& pair = pair_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_count(args, 2));
        assign_element(call, &pair.first, 0);
        assign_element(call, &pair.second, 1);
        return true;
    }
    if (key_has_prefix(key, "set0\xA7") || key_has_prefix(key, "Set0\xA7")) {
        ANY2_DATA& pair = pair_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_count(args, 1));
        assign_element(call, key[0] == 's' ? &pair.first : &pair.second, 0);
        return true;
    }
    if (key_is(key, "flip\xA7")) {
        ANY2_DATA& pair = pair_of(call.checked_receiver());
        call.refuse_constant();
        flip_pair(call, pair);
        return true;
    }
    return false;
}

}  // namespace morvu
