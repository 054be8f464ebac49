// The stream side of str: a text read like an input file (in, pin, sin,
// inw, inc, inl), split into its items, an item taken out of either end,
// values written into a text with the output family, and the format of all
// texts set and restarted.
//
// Reading continues where the previous read of the same str stopped; the
// methods that install their own separators (sin, inw, inc, the split
// family, del0 with a variable) put the previous separators of the format
// back on every exit. User code runs in the middle of some of these methods
// (an object's own "in" procedure, an object's "out" function) and may
// change or destroy the receiver, so the receiver is looked up again after
// each such call.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/scope.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "runtime/stream.h"
#include "runtime/text_utils.h"
#include "types/arg_checks.h"
#include "types/input_text.h"
#include "types/output_items.h"
#include "eval/text_pieces.h"
#include "types/scalar/str_methods.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/factories.h"
#include "values/saved_text.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The receiver's stream as it is now; "Object does not exist" when the
// receiver no longer holds a text.
STR_DATA& live_str(const METHOD_CALL& call) {
    UNION_DATA* value = argument_value(call.receiver.cell);
    if (value == nullptr || base_type_code(value) != tag_str || !is_defined_value(value))
        call.raise(msg_text("insexinic"));
    return *follow_link(value)->str_data();
}

// The input separators of all texts, replaced for the duration of one call.
class SEPARATOR_SWAP {
public:
    SEPARATOR_SWAP() : saved(str_format.in_spc) {}
    ~SEPARATOR_SWAP() { str_format.set_in_spc(saved); }
    SEPARATOR_SWAP(const SEPARATOR_SWAP&) = delete;
    SEPARATOR_SWAP& operator=(const SEPARATOR_SWAP&) = delete;

    const char* install(const std::vector<std::string>& separators) { return str_format.set_in_spc(separators); }

private:
    std::vector<std::string> saved;
};

std::vector<std::string> word_separator_texts() {
    return std::vector<std::string>(word_separators, word_separators + word_separator_count);
}

// The same separators as views, made once: what split cuts at by default.
const std::vector<std::string_view>& word_separator_views() {
    static const std::vector<std::string_view> views(word_separators, word_separators + word_separator_count);
    return views;
}

std::string reversed(const std::string& text) { return std::string(text.rbegin(), text.rend()); }

// The variable an argument designates: a call-alias stands for its target.
UNION_DATA* variable_cell(const METHOD_CALL& call, int32_t index) {
    UNION_DATA* cell = call.arg(index).cell;
    return cell->tag == tag_call_alias || cell->tag == raise_tag(tag_call_alias) ? cell->target() : cell;
}

// Whether the read under way (or one about to begin) has no character left.
bool read_exhausted(STR_DATA& str) {
    const char* error = nullptr;
    str.begin_read(&error);
    return str.read_used_up();
}

// ---- input ----

enum class INPUT_KIND { current, saved, given, words, characters };

// in, pin, sin, inw, inc: one item per variable; the bool result says
// whether every variable received one.
void read_items(const METHOD_CALL& call, INPUT_KIND kind) {
    receiver_str(call);
    call.raise_if(check_arg_range(*call.args, kind == INPUT_KIND::given ? 2 : 1, -1));
    call.raise_if(check_args_defined(*call.args));
    int32_t first_variable = 0;
    std::vector<std::string> separators;
    if (kind == INPUT_KIND::given) {
        // The separators are the arguments before the trailing run of variables.
        int32_t last_constant = -1;
        for (int32_t i = 0; i < call.count(); ++i)
            if (call.arg(i).mode <= 5) last_constant = i;
        if (last_constant < 0) call.raise(msg_text("erwbegmin1nicvararg"));
        if (last_constant == call.count() - 1) call.raise(msg_text("erwendmin1vararg"));
        for (int32_t i = 0; i <= last_constant; ++i) {
            call.raise_if(check_arg_type(*call.args, i, tag_str, true));
            separators.push_back(str_argument(call, i));
        }
        first_variable = last_constant + 1;
    } else {
        for (int32_t i = 0; i < call.count(); ++i) call.raise_if(check_arg_variable(*call.args, i, true));
        if (kind == INPUT_KIND::words) separators = word_separator_texts();
    }

    std::optional<SEPARATOR_SWAP> swap;
    if (kind == INPUT_KIND::given || kind == INPUT_KIND::words || kind == INPUT_KIND::characters) {
        swap.emplace();
        call.raise_if(swap->install(separators));
    }
    // A type's own procedure in may remove the targets still to be read:
    // they stay alive until the reading is done.
    for (int32_t i = first_variable; i < call.count(); ++i) hold_item(call.arg(i));
    bool filled = true;
    std::string item;
    for (int32_t i = first_variable; i < call.count(); ++i) {
        STR_DATA& str = live_str(call);
        const char* error = nullptr;
        if (kind == INPUT_KIND::saved) {
            const bool read = read_saved_value(call.arg(i).cell, &str, call.node, &error);
            call.raise_if(error);
            if (!read) {
                filled = false;
                break;
            }
            continue;
        }
        item.clear();
        // One-character reading never reports the end of the text itself.
        const bool read = kind == INPUT_KIND::characters
                              ? !read_exhausted(str) && read_input_item(&str, item, true, &error)
                              : read_input_item(&str, item, false, &error);
        call.raise_if(error);
        if (!read) {
            filled = false;
            break;
        }
        call.raise_if(assign_input_text(call.node, follow_aliases(call.arg(i).cell), item, call.this_item));
    }
    call.append(make_bool_value(filled, 0));
}

// inl: one line into one variable; at the end of the text it keeps its value.
void read_line_into(const METHOD_CALL& call) {
    STR_DATA& str = receiver_str(call);
    call.raise_if(check_arg_count(*call.args, 1));
    call.raise_if(check_args_defined(*call.args));
    call.raise_if(check_arg_variable(*call.args, 0, true));
    std::string line;
    const char* error = nullptr;
    const bool read = read_input_line(&str, line, &error);
    call.raise_if(error);
    if (read) call.raise_if(assign_input_text(call.node, follow_aliases(call.arg(0).cell), line, call.this_item));
    call.append(make_bool_value(read, 0));
}

// Calls emit with every item of text: the runs between separators, empty
// runs skipped. At each position the first separator, in the given order,
// that ends there and begins after the previous cut ends the item, just as
// the stream read of items cuts them.
template <typename SEPARATORS, typename EMIT>
void scan_items(std::string_view text, const SEPARATORS& separators, EMIT emit) {
    size_t cut = 0;  // where the current item begins
    auto take = [&](size_t end, size_t next) {
        if (end > cut) emit(text.substr(cut, end - cut));
        cut = next;
    };
    if (separators.size() == 1) {
        const std::string_view separator = separators[0];
        for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, cut))
            take(at, at + separator.size());
    } else if (std::all_of(separators.begin(), separators.end(),
                           [](std::string_view separator) { return separator.size() == 1; })) {
        bool is_separator[256] = {};
        for (std::string_view separator : separators) is_separator[static_cast<unsigned char>(separator[0])] = true;
        for (size_t at = 0; at < text.size(); ++at)
            if (is_separator[static_cast<unsigned char>(text[at])]) take(at, at + 1);
    } else {
        for (size_t end = 1; end <= text.size(); ++end) {
            for (std::string_view separator : separators) {
                if (separator.size() <= end - cut &&
                    text.compare(end - separator.size(), separator.size(), separator) == 0) {
                    take(end - separator.size(), end);
                    break;
                }
            }
        }
    }
    take(text.size(), text.size());
}

// Every item of the receiver's text cut at the separators, appended as a
// result (see split_items).
template <typename SEPARATORS>
void append_items(const METHOD_CALL& call, STR_DATA& str, const SEPARATORS& separators, bool backward, bool fitting) {
    for (std::string_view separator : separators)
        if (separator.empty()) call.raise(msg_text("leezeiketsepunz"));
    str.reset_read();
    std::string reversed_text;
    std::string_view text;
    if (backward) {
        reversed_text = reversed(str.text);
        text = reversed_text;
    } else {
        str.read_to_end();
        text = str.text;
    }
    // A read ends at the first NUL.
    text = text.substr(0, text.find('\0'));
    std::string item;
    scan_items(text, separators, [&](std::string_view piece) {
        if (!backward && !fitting) {
            call.append(make_str_value(std::string(piece)));
            return;
        }
        item.assign(piece);
        if (backward) std::reverse(item.begin(), item.end());
        call.append(fitting ? fitting_value(item) : make_str_value(item));
    });
}

// split, anysplit, Split, Anysplit: every item of the whole text as a
// result. The capitalised forms cut a reversed copy of the text with
// reversed separators, so the items come from the end, each in its own
// orientation; the receiver's text is never rewritten. The text is cut
// directly rather than read through the stream, without touching the
// format's separators; the receiver is left as a full read leaves it.
void split_items(const METHOD_CALL& call) {
    const char first = call.key()[0];
    const bool backward = first == 'S' || first == 'A';
    const bool fitting = first == 'a' || first == 'A';
    STR_DATA& str = receiver_str(call);
    if (call.count() == 1 && !backward) {
        // The common form: one separator, cut where the argument's text
        // stands, which nothing changes meanwhile.
        call.raise_if(check_arg_type(*call.args, 0, tag_str, true));
        const std::array<std::string_view, 1> separator{str_argument(call, 0)};
        append_items(call, str, separator, backward, fitting);
        return;
    }
    if (call.count() == 0) {
        // Each word separator is one character: the same either way round.
        append_items(call, str, word_separator_views(), backward, fitting);
        return;
    }
    std::vector<std::string> separators;
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_type(*call.args, i, tag_str, true));
        separators.push_back(backward ? reversed(str_argument(call, i)) : str_argument(call, i));
    }
    append_items(call, str, separators, backward, fitting);
}

// del0, Del0 with a variable: the first (last) item goes into the variable
// and out of the text, with the separators around it.
void take_item(const METHOD_CALL& call) {
    const bool from_end = call.key()[0] == 'D';
    STR_DATA& str = receiver_str(call);
    call.raise_if(check_arg_rebound_variable(*call.args, 0, false));
    std::vector<std::string> separators;
    if (call.count() == 1) {
        separators = word_separator_texts();
    } else {
        for (int32_t i = 1; i < call.count(); ++i) {
            call.raise_if(check_arg_type(*call.args, i, tag_str, true));
            separators.push_back(str_argument(call, i));
        }
    }
    str.reset_read();
    std::string item;
    bool read = false;
    {
        SEPARATOR_SWAP swap;
        const char* error = nullptr;
        if (from_end) {
            std::vector<std::string> backward;
            for (const std::string& separator : separators) backward.push_back(reversed(separator));
            call.raise_if(swap.install(backward));
            STR_DATA copy(reversed(str.text));
            read = read_input_item(&copy, item, false, &error);
            std::reverse(item.begin(), item.end());
        } else {
            call.raise_if(swap.install(separators));
            read = read_input_item(&str, item, false, &error);
        }
        call.raise_if(error);
    }
    if (read) {
        UNION_DATA fresh('s');
        fresh.str_data()->text = item;
        call.raise_if(assign_by_mode(variable_cell(call, 0), &fresh, 0));
    }
    call.append(make_bool_value(read, 0));
    if (!read) return;

    // The variable may have been the receiver itself: cut from the text as
    // it is now.
    STR_DATA& now = live_str(call);
    std::vector<const char*> strips;
    for (const std::string& separator : separators) strips.push_back(separator.c_str());
    const int count = static_cast<int>(strips.size());
    std::string& text = now.text;
    if (from_end) {
        strip_suffixes(text, strips.data(), count);
        text.erase(text.size() - std::min(item.size(), text.size()));
        strip_suffixes(text, strips.data(), count);
    } else {
        strip_prefixes(text, strips.data(), count);
        text.erase(0, item.size());
        strip_prefixes(text, strips.data(), count);
    }
    now.reset_read();
}

// ---- output ----

// Writes into the receiver, looked up again after user code ran, or into a
// new str that no user code can reach; the method's argument checks number
// arguments from 1.
class STR_SINK final : public OUTPUT_SINK {
public:
    STR_SINK(const METHOD_CALL& call, STR_DATA* fixed) : call(call), fixed(fixed), found(fixed) {}

    STREAM_DATA* stream() override {
        if (found == nullptr) found = &live_str(call);
        return found;
    }
    void user_code_ran() override { found = fixed; }
    [[noreturn]] void fail(const std::string& message) override { call.raise(message); }
    std::string check_count(int32_t min) override { return check_arg_range(*call.args, min, -1); }
    std::string check_type(int32_t index, char code, bool non_empty) override {
        return check_arg_type(*call.args, index, code, non_empty);
    }

private:
    const METHOD_CALL& call;
    STR_DATA* fixed;  // a new str, or null for the receiver
    STR_DATA* found;  // the stream while no user code has run since
};

// The output family on a str receiver; the call form empties it first.
void write_into_receiver(const METHOD_CALL& call, const OUTPUT_FORM& form, bool call_form) {
    STR_DATA& str = receiver_str(call);
    call.refuse_constant();
    call.refuse_during_iteration();
    if (call_form) {
        str.text.clear();
        str.reset_read();
    }
    STR_SINK sink(call, nullptr);
    write_output(sink, str_format, form, call.args->args.data(), call.count(), call.node);
}

// The output form named by a key ("fsoutl§str;str;int;§"), or false.
bool output_key(const std::string& key, OUTPUT_FORM& form) {
    const size_t mark = key.find(method_key_mark);
    if (mark == std::string::npos || mark > 6) return false;
    return output_form_of(std::string_view(key).substr(0, mark), form);
}

// ---- format settings ----

bool set_format(const METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_has_prefix(key, "set_in_spc\xA7")) {
        std::vector<std::string> separators;
        for (int32_t i = 0; i < call.count(); ++i) {
            call.raise_if(check_arg_type(*call.args, i, tag_str, true));
            separators.push_back(str_argument(call, i));
        }
        call.raise_if(str_format.set_in_spc(separators));
        return true;
    }
    if (key_is(key, "set_out_spc\xA7str;\xA7")) {
        call.raise_if(check_args_defined(*call.args));
        str_format.set_out_spc(str_argument(call, 0).c_str());
        return true;
    }
    if (key_is(key, "set_out_fmt\xA7str;\xA7")) {
        call.raise_if(check_args_defined(*call.args));
        call.raise_if(str_format.set_out_fmt(str_argument(call, 0).c_str(), ' '));
        return true;
    }
    if (key_is(key,
               "set_out_fmt\xA7"
               "char;str;\xA7")) {
        call.raise_if(check_arg_not_empty(*call.args, 0));
        call.raise_if(check_arg_defined(*call.args, 1));
        call.raise_if(str_format.set_out_fmt(str_argument(call, 1).c_str(), char_argument(call, 0)));
        return true;
    }
    return false;
}

bool is_input_key(const std::string& key) {
    return key_has_prefix(key, "in\xA7") || key_has_prefix(key, "pin\xA7") || key_has_prefix(key, "sin\xA7") ||
           key_has_prefix(key, "inw\xA7") || key_has_prefix(key, "inc\xA7") || key_has_prefix(key, "inl\xA7");
}

}  // namespace

bool str_input_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (key_has_prefix(key, "in\xA7")) read_items(call, INPUT_KIND::current);
    else if (key_has_prefix(key, "pin\xA7")) read_items(call, INPUT_KIND::saved);
    else if (key_has_prefix(key, "sin\xA7")) read_items(call, INPUT_KIND::given);
    else if (key_has_prefix(key, "inw\xA7")) read_items(call, INPUT_KIND::words);
    else if (key_has_prefix(key, "inc\xA7")) read_items(call, INPUT_KIND::characters);
    else if (key_has_prefix(key, "inl\xA7")) read_line_into(call);
    else if (key_has_prefix(key, "split\xA7") || key_has_prefix(key, "anysplit\xA7") ||
             key_has_prefix(key, "Split\xA7") || key_has_prefix(key, "Anysplit\xA7"))
        split_items(call);
    else if (key_has_prefix(key, "del0\xA7str;") || key_has_prefix(key, "Del0\xA7str;")) take_item(call);
    else return false;
    return true;
}

bool str_stream_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    // Every key of this side begins with one of these bytes.
    if (key.empty() || std::string_view("ipsof\xA7").find(key[0]) == std::string_view::npos) return false;
    if (is_input_key(key)) {
        // Input written as a statement: the function handler does the work
        // and reports under its own name; its bool result is dropped.
        RESULT_LIST dropped;
        METHOD_CALL forwarded = call;
        forwarded.results = &dropped;
        str_input_functions(forwarded);
        return true;
    }
    OUTPUT_FORM form;
    if (is_call_form_key(key) || output_key(key, form)) {
        write_into_receiver(call, form, is_call_form_key(key));
        return true;
    }
    if (key_has_prefix(key, "in_reset\xA7")) {
        receiver_str(call).reset_read();
        return true;
    }
    return set_format(call);
}

void make_str_from_arguments(METHOD_CALL& call) {
    call.append(make_str_value({}));
    STR_DATA* str = call.results->tail->item.cell->str_data();
    if (plain_text_format()) {
        bool plain = true;
        for (const RESULT_ITEM& item : call.args->args) {
            if (!is_plain_scalar(argument_value(item.cell))) {
                plain = false;
                break;
            }
        }
        if (plain) {
            for (const RESULT_ITEM& item : call.args->args) append_plain_scalar(argument_value(item.cell), str->text);
            return;
        }
    }
    STR_SINK sink(call, str);
    write_output(sink, str_format, OUTPUT_FORM{}, call.args->args.data(), call.count(), call.node);
}

}  // namespace morvu
