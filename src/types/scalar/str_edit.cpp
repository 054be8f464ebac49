// The editing procedures of str: replace occurrences, set characters,
// replace or delete a range, strip texts at either end, change the case,
// insert texts, delete characters and reverse the text.
//
// Each method runs its checks in one order: the receiver, the refusal of a
// constant receiver, the refusal of a text being walked by for/For (set and
// the case changes only replace characters and are allowed during a walk),
// then its own arguments. A method that takes all its positions at once
// checks every one before the first change; set and ins0 apply their
// arguments one by one, so what an earlier argument did stays when a later
// one fails. Every change ends the read under way.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "runtime/messages.h"
#include "runtime/stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/scalar/str_methods.h"

namespace morvu {

namespace {

// The receiver of a method that changes the text: checked and refused as the
// method requires.
STR_DATA& editable_str(const METHOD_CALL& call, bool non_empty, bool refuse_walk) {
    STR_DATA& str = receiver_str(call, non_empty);
    call.refuse_constant();
    if (refuse_walk) call.refuse_during_iteration();
    return str;
}

// repl, Repl, repl_all, Repl_all: the first byte tells the direction.
void replace_texts(const METHOD_CALL& call, bool all) {
    STR_DATA& str = editable_str(call, false, true);
    call.raise_if(check_args_defined(*call.args));
    // Copies: an argument may be the receiver itself.
    const std::string search = str_argument(call, 0);
    const std::string replacement = str_argument(call, 1);
    str.reset_read();
    if (call.key()[0] == 'r') replace_substring(str.text, search.c_str(), replacement.c_str(), all);
    else replace_substring_reverse(str.text, search.c_str(), replacement.c_str(), all);
}

// set, Set: pairs (position, char), applied one after another.
void set_characters(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'S';
    STR_DATA& str = editable_str(call, false, false);
    if (call.count() == 0 || call.count() % 2 != 0) call.raise(msg_text("anzargposger"));
    for (int32_t i = 0; i < call.count(); i += 2) {
        call.raise_if(check_arg_type(*call.args, i, tag_int, true));
        const size_t position = checked_position(call, i, str.text.size(), from_end);
        call.raise_if(check_arg_type(*call.args, i + 1, tag_char, true));
        str.reset_read();
        str.text[position] = char_argument(call, i + 1);
    }
}

// setp, Setp (replace) and delp, Delp (delete): the range between two
// positions, both included.
void replace_range(const METHOD_CALL& call, bool with_text) {
    const bool from_end = call.key()[0] == 'S' || call.key()[0] == 'D';
    STR_DATA& str = editable_str(call, !with_text, true);
    call.raise_if(check_args_defined(*call.args));
    const size_t first = checked_position(call, 0, str.text.size(), from_end);
    const size_t second = checked_position(call, 1, str.text.size(), from_end);
    const size_t low = std::min(first, second);
    const size_t high = std::max(first, second);
    const std::string replacement = with_text ? str_argument(call, 2) : std::string();
    str.reset_read();
    str.text.replace(low, high - low + 1, replacement);
}

// chop, Chop, cChop: strip the white-space texts (no arguments) or the
// argument texts from the front, the end, or both.
void strip_texts(const METHOD_CALL& call, bool defaults) {
    STR_DATA& str = editable_str(call, false, true);
    // The texts are read where they stand, all but the receiver's own text,
    // which the stripping changes: that one is copied. A call strips a few
    // texts, so their list needs no heap block.
    std::string own_text;
    bool own_copied = false;
    const char* few[8];
    std::vector<const char*> many;
    const char** slots = few;
    const char* const* strips = few;
    int count = 0;
    if (defaults) {
        strips = word_separators;
        count = word_separator_count;
    } else {
        call.raise_if(check_arg_range(*call.args, 1, -1));
        if (call.count() > 8) {
            many.resize(static_cast<size_t>(call.count()));
            slots = many.data();
            strips = slots;
        }
        for (int32_t i = 0; i < call.count(); ++i) {
            call.raise_if(check_arg_type(*call.args, i, tag_str, true));
            const std::string& text = str_argument(call, i);
            if (&text == &str.text && !own_copied) {
                own_text = text;
                own_copied = true;
            }
            slots[count++] = &text == &str.text ? own_text.c_str() : text.c_str();
        }
    }
    const char first = call.key()[0];
    const bool front = first != 'C';
    const bool back = first != 'c' || call.key()[1] == 'C';
    if (front) {
        str.reset_read();
        strip_prefixes(str.text, strips, count);
    }
    if (back) {
        str.reset_read();
        strip_suffixes(str.text, strips, count);
    }
}

// tolower, toupper: the letters of the C library's default locale, so only
// ASCII letters change.
void change_case(const METHOD_CALL& call, bool lower) {
    STR_DATA& str = editable_str(call, false, false);
    // The cases told without a library call per character: in the default
    // locale they are the ASCII letters.
    const unsigned char kept = lower ? 'a' : 'A';
    const unsigned char changed = lower ? 'A' : 'a';
    for (char& c : str.text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (static_cast<unsigned char>(byte - kept) < 26) continue;
        str.reset_read();
        if (static_cast<unsigned char>(byte - changed) < 26) c = static_cast<char>(byte ^ 0x20);
    }
}

// ins0 (at the front) and Ins0 (at the end), argument by argument.
void insert_at_ends(const METHOD_CALL& call, bool at_end) {
    STR_DATA& str = editable_str(call, false, true);
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_str, false));
        const std::string& text = str_argument(call, i);
        str.reset_read();
        if (at_end) {
            str.text += text;  // appending a string to itself is well defined
        } else if (&text == &str.text) {
            str.text += std::string(str.text);
        } else {
            str.text.insert(0, text);
        }
    }
}

// ins, Ins: pairs (insertion point, text), every point taken in the text
// before the call; texts at one point follow each other in argument order.
void insert_texts(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'I';
    STR_DATA& str = editable_str(call, false, true);
    if (call.count() == 0 || call.count() % 2 != 0) call.raise(msg_text("anzargposger"));
    std::vector<int64_t> adjusted;
    const int64_t length = static_cast<int64_t>(str.text.size());
    call.raise_if(check_index_or_key_arg(*call.args, length, from_end, 's', adjusted));

    // The text is built once: the pairs in order of their points, a stable
    // sort keeping argument order at one point.
    struct INSERTION {
        size_t point;
        int32_t argument;
    };
    std::vector<INSERTION> insertions;
    size_t added = 0;
    for (int32_t i = 0; i < call.count(); i += 2) {
        const int64_t index = int64_argument(*call.args, i);
        insertions.push_back({static_cast<size_t>(from_end ? length - index : index), i + 1});
        added += str_argument(call, i + 1).size();
    }
    std::stable_sort(insertions.begin(), insertions.end(),
                     [](const INSERTION& a, const INSERTION& b) { return a.point < b.point; });
    std::string result;
    result.reserve(str.text.size() + added);
    size_t copied = 0;
    for (const INSERTION& insertion : insertions) {
        result.append(str.text, copied, insertion.point - copied);
        result += str_argument(call, insertion.argument);
        copied = insertion.point;
    }
    result.append(str.text, copied, std::string::npos);
    str.reset_read();
    str.text = std::move(result);
}

// del, Del: the characters at the positions of the text before the call,
// whatever the order of the arguments.
void delete_characters(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'D';
    STR_DATA& str = editable_str(call, false, true);
    call.raise_if(check_arg_range(*call.args, 1, -1));
    std::vector<int64_t> adjusted;
    const int64_t length = static_cast<int64_t>(str.text.size());
    call.raise_if(check_index_arg(*call.args, length, from_end, 's', adjusted));
    std::vector<bool> doomed(str.text.size(), false);
    for (int32_t i = 0; i < call.count(); ++i) {
        const int64_t index = int64_argument(*call.args, i);
        doomed[static_cast<size_t>(from_end ? length - 1 - index : index)] = true;
    }
    size_t kept = 0;
    for (size_t i = 0; i < str.text.size(); ++i) {
        if (!doomed[i]) str.text[kept++] = str.text[i];
    }
    str.reset_read();
    str.text.resize(kept);
}

}  // namespace

namespace {

// The defined text an argument stands for, read as the handler reads it;
// null for anything else.
const std::string* defined_text_argument(const RESULT_NODE* item) {
    const UNION_DATA* value = argument_value(item->item.cell);
    if (value == nullptr || lower_tag(value->tag) != tag_str || value->payload == nullptr) return nullptr;
    return &value->str_data()->text;
}

// replace_texts for a text variable's own cell, which no refusal concerns,
// and two defined texts: nothing left to check.
bool plain_replace(const DIRECT_CALL& call, bool all) {
    UNION_DATA* receiver = call.receiver.cell;
    if (call.receiver.mode != access_variable || receiver == nullptr || receiver->tag != tag_str ||
        receiver->access_mode != access_variable || receiver->payload == nullptr || call.args.count != 2)
        return false;
    STR_DATA& str = *receiver->str_data();
    if (str.walks() != 0) return false;
    const std::string* search = defined_text_argument(call.args.head);
    const std::string* replacement = defined_text_argument(call.args.tail);
    if (search == nullptr || replacement == nullptr) return false;
    // Copies: an argument may be the receiver itself.
    const std::string search_copy = *search;
    const std::string replacement_copy = *replacement;
    str.reset_read();
    if (call.key[0] == 'r') replace_substring(str.text, search_copy.c_str(), replacement_copy.c_str(), all);
    else replace_substring_reverse(str.text, search_copy.c_str(), replacement_copy.c_str(), all);
    return true;
}

}  // namespace

bool plain_replace_first(const DIRECT_CALL& call) { return plain_replace(call, false); }
bool plain_replace_all(const DIRECT_CALL& call) { return plain_replace(call, true); }

bool str_edit_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key.empty()) return false;
    switch (key[0]) {
    case 'r':
    case 'R':
        if (key_is(key, "repl\xA7str;str;\xA7") || key_is(key, "Repl\xA7str;str;\xA7")) {
            replace_texts(call, false);
            return true;
        }
        if (key_is(key, "repl_all\xA7str;str;\xA7") || key_is(key, "Repl_all\xA7str;str;\xA7")) {
            replace_texts(call, true);
            return true;
        }
        return false;
    case 's':
    case 'S':
        if (key_has_prefix(key, "set\xA7") || key_has_prefix(key, "Set\xA7")) {
            set_characters(call);
            return true;
        }
        if (key_is(key, "setp\xA7int;int;str;\xA7") || key_is(key, "Setp\xA7int;int;str;\xA7")) {
            replace_range(call, true);
            return true;
        }
        return false;
    case 'c':
    case 'C':
        if (key_is(key, "chop\xA7") || key_is(key, "Chop\xA7") || key_is(key, "cChop\xA7")) {
            strip_texts(call, true);
            return true;
        }
        if (key_has_prefix(key, "chop\xA7") || key_has_prefix(key, "Chop\xA7") || key_has_prefix(key, "cChop\xA7")) {
            strip_texts(call, false);
            return true;
        }
        return false;
    case 't':
        if (key_is(key, "tolower\xA7")) {
            change_case(call, true);
            return true;
        }
        if (key_is(key, "toupper\xA7")) {
            change_case(call, false);
            return true;
        }
        return false;
    case 'i':
    case 'I':
        if (key_has_prefix(key, "Ins0\xA7") || key_has_prefix(key, "ins0\xA7")) {
            insert_at_ends(call, key[0] == 'I');
            return true;
        }
        if (key_has_prefix(key, "ins\xA7") || key_has_prefix(key, "Ins\xA7")) {
            insert_texts(call);
            return true;
        }
        return false;
    case 'd':
    case 'D':
        if (key_is(key, "del0\xA7") || key_is(key, "Del0\xA7")) {
            STR_DATA& str = editable_str(call, true, true);
            str.reset_read();
            if (key[0] == 'd') str.text.erase(0, 1);
            else str.text.pop_back();
            return true;
        }
        if (key_is(key, "delp\xA7int;int;\xA7") || key_is(key, "Delp\xA7int;int;\xA7")) {
            replace_range(call, false);
            return true;
        }
        // del without arguments is the method every value has: it destroys
        // the text instead of deleting characters.
        if ((key_has_prefix(key, "del\xA7") && !key_is(key, "del\xA7")) || key_has_prefix(key, "Del\xA7")) {
            delete_characters(call);
            return true;
        }
        return false;
    case 'f':
        if (key_is(key, "flip\xA7")) {
            STR_DATA& str = editable_str(call, false, true);
            str.reset_read();
            std::reverse(str.text.begin(), str.text.end());
            return true;
        }
        return false;
    default: return false;
    }
}

}  // namespace morvu
