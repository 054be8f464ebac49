#include "values/slot_row.h"

#include <utility>

#include "runtime/message_scratch.h"
#include "values/assign_rules.h"
#include "values/value_copy.h"

namespace morvu {

namespace {

// The value copy_into_slot copies for the mode, or null when the mode links
// or moves instead (or there is no source).
const UNION_DATA* copied_value(const UNION_DATA* source, int mode) {
    if (source == nullptr) return nullptr;
    const char own = lower_tag(source->tag);
    const bool link = own == link_kind_alias || own == link_kind_reference || own == link_kind_call_alias;
    switch (mode) {
    case -1:
    case assign_mode_plain: break;
    case assign_mode_keep_reference:
        if (own == link_kind_reference) return nullptr;
        break;
    case assign_mode_link_or_copy:
        if (link) return nullptr;
        break;
    default: return nullptr;
    }
    return follow_link(const_cast<UNION_DATA*>(source));
}

}  // namespace

bool compact_word_of_value(const UNION_DATA* value, uintptr_t& word) {
    if (value->payload == nullptr) return false;
    switch (lower_tag(value->tag)) {
    case tag_int: {
        int64_t number = 0;
        if (is_inline_int(value->payload)) number = inline_int_value(value->payload);
        else if (!static_cast<const INT_DATA*>(value->payload)->plain_copy_int64(number)) return false;
        return int_word(number, word);
    }
    case tag_bool: word = bool_word_of(value->scalar.bool_word); return true;
    case tag_char: word = char_word_of(value->scalar.char_byte); return true;
    default: return false;
    }
}

bool compact_word_of_element(const UNION_DATA* cell, uintptr_t& word) {
    if (cell->referrers != nullptr || cell->weak_held != 0 || cell->being_written != 0 || cell->skip_flag != 0 ||
        cell->scope_variable != 0 || cell->key_follows != 0 || cell->in_use != 0 ||
        cell->access_mode != access_variable)
        return false;
    switch (cell->tag) {
    case raise_tag(tag_int):
        // Only the word form: a record carries more than its value.
        return is_inline_int(cell->payload) && int_word(inline_int_value(cell->payload), word);
    case raise_tag(tag_bool):
    case raise_tag(tag_char): return compact_word_of_value(cell, word);
    default: return false;
    }
}

void shape_cell(UNION_DATA* cell, uintptr_t word) {
    if (is_int_word(word)) {
        cell->tag = raise_tag(tag_int);
        make_inline_int(int_of_word(word), cell->payload);
        return;
    }
    if (is_bool_word(word)) {
        cell->tag = raise_tag(tag_bool);
        cell->scalar.bool_word = bool_of_word(word);
    } else {
        cell->tag = raise_tag(tag_char);
        cell->scalar.char_byte = char_of_word(word);
    }
    cell->payload = &cell->scalar;
}

UNION_DATA* SLOT_VIEW::show(uintptr_t word) {
    reset();
    shape_cell(&cell, word);
    return &cell;
}

void SLOT_VIEW::reset() {
    if (cell.tag == raise_tag(tag_int) && cell.payload != nullptr && !is_inline_int(cell.payload))
        delete static_cast<INT_DATA*>(cell.payload);
    cell.payload = nullptr;
    cell.tag = tag_nothing;
}

SLOT_ROW& SLOT_ROW::operator=(SLOT_ROW&& other) noexcept {
    if (this == &other) return *this;
    SLOT_ROW old;
    old.words = std::exchange(words, std::move(other.words));
    other.words.clear();
    return *this;  // old's elements go here
}

UNION_DATA* SLOT_ROW::make_cell(size_t at) const {
    auto* cell = new UNION_DATA(tag_any);
    shape_cell(cell, words[at]);
    words[at] = reinterpret_cast<uintptr_t>(cell);
    return cell;
}

bool SLOT_ROW::write_word(size_t at, uintptr_t word, bool* added) {
    const uintptr_t found = words[at];
    *added = found == undefined_slot;
    if (is_compact_word(found) || found == undefined_slot) {
        words[at] = word;
        return true;
    }
    auto* cell = reinterpret_cast<UNION_DATA*>(found);
    switch (cell->tag) {
    case raise_tag(tag_int):
        if (cell->payload != nullptr && !is_inline_int(cell->payload)) delete static_cast<INT_DATA*>(cell->payload);
        break;
    case raise_tag(tag_bool):
    case raise_tag(tag_char):
    case tag_any:
    case tag_nothing: break;
    default: return false;
    }
    shape_cell(cell, word);
    return true;
}

bool SLOT_ROW::plain_int(size_t at, int64_t& out) const {
    const uintptr_t found = words[at];
    if (is_compact_word(found)) {
        if (!is_int_word(found)) return false;
        out = int_of_word(found);
        return true;
    }
    const auto* cell = reinterpret_cast<const UNION_DATA*>(found);
    if (cell == nullptr || cell->tag != raise_tag(tag_int) || cell->payload == nullptr) return false;
    if (is_inline_int(cell->payload)) {
        out = inline_int_value(cell->payload);
        return true;
    }
    return static_cast<const INT_DATA*>(cell->payload)->plain_copy_int64(out);
}

const char* SLOT_ROW::store(size_t at, UNION_DATA* source, int mode, bool* added) {
    *added = false;
    // Inside a deep copy a source that something links to is paired with
    // its copy, which must then be a cell.
    const UNION_DATA* value = copied_value(source, mode);
    uintptr_t word = 0;
    std::unique_ptr<UNION_DATA> old;
    if (value != nullptr && (copy_depth == 0 || value->referrers == nullptr) && compact_word_of_value(value, word)) {
        *added = words[at] == undefined_slot;
        old = put_word(at, word);
        return nullptr;
    }
    const char* message = nullptr;
    std::unique_ptr<UNION_DATA> element = make_array_element(source, mode, &message);
    if (message != nullptr) return message;
    *added = words[at] == undefined_slot;
    old = put_cell(at, std::move(element));
    return nullptr;  // old goes here, after the new element is in place
}

void SLOT_ROW::clear() {
    for (size_t at = 0; at < words.size(); ++at) {
        if (words[at] == undefined_slot) continue;
        std::unique_ptr<UNION_DATA> old = release(at);
    }
}

void SLOT_ROW::permute(const int* permutation) {
    std::vector<uintptr_t> old = words;
    for (size_t i = 0; i < old.size(); ++i) words[i] = old[static_cast<size_t>(permutation[i])];
}

const char* SLOT_ROW::copy_from(const SLOT_ROW& source, int* defined) {
    FIRST_MESSAGE message;
    *defined = 0;
    for (size_t at = 0; at < source.size() && at < words.size(); ++at) {
        const uintptr_t found = source.words[at];
        if (found == undefined_slot) continue;
        ++*defined;
        uintptr_t word = found;
        // An element nothing links to is paired with nobody: its copy may be
        // a word.
        if (is_compact_word(found) || compact_word_of_element(reinterpret_cast<UNION_DATA*>(found), word)) {
            words[at] = word;
            continue;
        }
        const char* failure = nullptr;
        words[at] = reinterpret_cast<uintptr_t>(
            make_array_element(reinterpret_cast<UNION_DATA*>(found), assign_mode_keep_reference, &failure).release());
        message.note(failure);
    }
    return message.result();
}

std::unique_ptr<UNION_DATA> make_array_element(UNION_DATA* cell, int mode, const char** message) {
    auto element = std::make_unique<UNION_DATA>(tag_any);
    *message = copy_into_slot(element.get(), cell, mode);
    return element;
}

}  // namespace morvu
