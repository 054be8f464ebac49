#include "values/hash_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/calendar.h"
#include "values/graph_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

namespace {

// ---- canonical key text ----
//
// A key's bucket must follow its value, not its spelling: equal keys (by the
// value equality that matches keys) must give equal texts. So an int is
// written from its groups ("007" and 7 agree, and the empty number counts as
// 0), a real as under output precision -1 whatever the current setting, and
// the pairs of a hash or set in sorted order (equal hashes may hold their
// pairs in different insertion orders). Calendar values are written from
// their numbers alone, independent of the date format, and a datetime as
// its absolute seconds, since the same instant in two zones is one key.

// The magnitude's decimal digits without leading zeros; "0" for zero.
void append_magnitude(const INT_DATA& number, std::string& out) {
    int top = number.limb_count() - 1;
    while (top > 0 && number.limb(top) == 0) --top;
    if (top < 0) {
        out += '0';
        return;
    }
    char group[16];
    std::snprintf(group, sizeof group, "%d", number.limb(top));
    out += group;
    for (int i = top - 1; i >= 0; --i) {
        std::snprintf(group, sizeof group, "%03d", number.limb(i));
        out += group;
    }
}

void append_int_text(const INT_DATA& number, std::string& out) {
    if (number.is_zero()) {  // every zero, the empty number included
        out += '0';
        return;
    }
    if (number.sign() < 0) out += '-';
    append_magnitude(number, out);
}

// Up to the last non-zero decimal, no '.' when there is none.
void append_real_text(const REAL_DATA& number, std::string& out) {
    if (number.mantissa.is_zero()) {
        out += '0';
        return;
    }
    std::string digits;
    append_magnitude(number.mantissa, digits);
    if (number.mantissa.sign() < 0) out += '-';
    int scale = number.scale;
    if (scale <= 0) {
        out += digits;
        out.append(static_cast<size_t>(-scale), '0');
        return;
    }
    size_t length = digits.size();
    size_t decimals_count = static_cast<size_t>(scale);
    std::string decimals;
    if (length > decimals_count) {
        out.append(digits, 0, length - decimals_count);
        decimals = digits.substr(length - decimals_count);
    } else {
        out += '0';
        decimals.assign(decimals_count - length, '0');
        decimals += digits;
    }
    size_t last = decimals.find_last_not_of('0');
    if (last == std::string::npos) return;
    out += '.';
    out.append(decimals, 0, last + 1);
}

const char* write_key_text(UNION_DATA* cell, std::string& out);

// The texts of a hash's pairs ("key->value") or a set's keys, sorted.
std::vector<std::string> sorted_pair_texts(HASH_DATA& hash, bool with_values) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(hash.pair_count));
    for (auto& bucket : hash.buckets) {
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) {
            std::string text;
            write_key_text(&node->key, text);
            if (with_values) {
                text += "->";
                write_key_text(&node->value, text);
            }
            texts.push_back(std::move(text));
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Writes a list of element texts between brackets, separated by ",".
void append_bracketed(std::string& out, char open, const std::vector<std::string>& texts, char close) {
    out += open;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out += ',';
        out += texts[i];
    }
    out += close;
}

// Appends the canonical text of one value. Null, or the message for a type
// without a text form; containers ignore the results of their elements.
const char* write_key_text(UNION_DATA* cell, std::string& out) {
    if (!is_defined_value(cell)) return nullptr;
    if (cell->being_written) {  // the value contains itself
        out += "..";
        cell->being_written = 0;
        return nullptr;
    }
    VALUE_DEPTH_GUARD guard;
    if (guard.exceeded()) return nullptr;
    cell->being_written = 1;
    const char* message = nullptr;
    switch (lower_tag(cell->tag)) {
        case 'p':
        case 'q':
        case 'j':
            write_key_text(cell->target(), out);
            break;
        case 'b':
            if (cell->bool_word() == 1) out += "true";
            else if (cell->bool_word() == 0) out += "false";
            break;
        case 'c':
            if (cell->char_byte() != 0) out += cell->char_byte();
            break;
        case 'o':
            for (int i = 0; i < 2; ++i)
                if (cell->oper_chars()[i] != 0) out += cell->oper_chars()[i];
            break;
        case 'i':
            append_int_text(*cell->int_data(), out);
            break;
        case 'r':
            append_real_text(*cell->real_data(), out);
            break;
        case 's':
            out += cell->str_data()->text.c_str();  // texts compare up to a NUL
            break;
        case 'd':
            out += cell->dir_data()->path_name;
            break;
        case 'f':
            out += cell->file_data()->path_name;
            break;
        case 'l':
        case 'y': {
            out += '(';
            for (LIST_NODE* node = cell->list_data()->head; node != nullptr; node = node->next) {
                if (node != cell->list_data()->head) out += ',';
                write_key_text(&node->value, out);
            }
            out += ')';
            break;
        }
        case 'a': {
            ARRAY_DATA* array = cell->array_data();
            out += '[';
            bool any = false;
            for (size_t i = 0; i < array->slots.size(); ++i) {
                if (array->slots[i] == nullptr) continue;
                if (any) out += ',';
                any = true;
                out += std::to_string(i);
                out += "->";
                write_key_text(array->slots[i].get(), out);
            }
            out += ']';
            break;
        }
        case 'z': {
            ARRAY2_DATA* grid = cell->array2_data();
            out += '[';
            bool any = false;
            for (size_t i = 0; i < grid->cells.size(); ++i) {
                if (grid->cells[i] == nullptr || grid->cols <= 0) continue;
                if (any) out += ',';
                any = true;
                int row = static_cast<int>(i) / grid->cols;
                int col = static_cast<int>(i) % grid->cols;
                out += format_string("(%d,%d)->", row, col);
                write_key_text(grid->cells[i].get(), out);
            }
            out += ']';
            break;
        }
        case 'h':
            append_bracketed(out, '[', sorted_pair_texts(*cell->hash_data(), true), ']');
            break;
        case 'm':
            append_bracketed(out, '{', sorted_pair_texts(*cell->hash_data(), false), '}');
            break;
        case 'g': {
            // Edges in sorted order: equal graphs may list them differently.
            GRAPH_DATA* graph = cell->graph_data();
            std::vector<std::string> nodes, edges;
            for (int i = 0; i < graph->node_count; ++i) {
                nodes.emplace_back();
                write_key_text(&graph->nodes[static_cast<size_t>(i)]->value, nodes.back());
            }
            for (GRAPH_EDGE* edge = graph->first_edge; edge != nullptr; edge = edge->next) {
                std::string text = format_string(
                    "<%d->%d,", graph->node_count * edge->parallel_index + edge->source->index,
                    edge->target->index);
                write_key_text(&edge->value, text);
                text += '>';
                edges.push_back(std::move(text));
            }
            std::sort(edges.begin(), edges.end());
            out += '<';
            append_bracketed(out, '(', nodes, ')');
            out += ',';
            append_bracketed(out, '{', edges, '}');
            out += '>';
            break;
        }
        case 'u':
            write_key_text(&cell->any2_data()->first, out);
            out += "->";
            write_key_text(&cell->any2_data()->second, out);
            break;
        case 'e':
            out += cell->error_data()->message;
            break;
        case 'k': {
            OBJECT_RECORD* object = cell->holder()->object;
            out += '<';
            for (size_t g = 0; g < object->groups.size(); ++g) {
                if (g > 0) out += ';';
                const SLOT_ARRAY* members = object->groups[g].slots.get();
                if (members == nullptr) continue;
                for (size_t m = 0; m < members->cells.size(); ++m) {
                    if (m > 0) out += ',';
                    if (members->cells[m] != nullptr) write_key_text(members->cells[m], out);
                }
            }
            out += '>';
            break;
        }
        case 't': {
            TIME_DATA* time = cell->time_data();
            append_int_text(time->hours, out);
            out += ':';
            append_int_text(time->minutes, out);
            out += ':';
            append_int_text(time->seconds, out);
            break;
        }
        case '0': {
            DATE_DATA* date = cell->date_data();
            append_int_text(date->year, out);
            out += '-';
            append_int_text(date->month, out);
            out += '-';
            append_int_text(date->day, out);
            break;
        }
        case '2':
            append_int_text(cell->timezone_data()->hours, out);
            out += ':';
            append_int_text(cell->timezone_data()->minutes, out);
            break;
        case '4':
            append_int_text(cell->datetime_data()->total_seconds(), out);
            break;
        case 'n':
        case 'x':
            rule_message = format_string(msg_text("ausdattypnicerl"),
                                         type_name_text(value_type_name(cell, true), 1).c_str());
            message = rule_message.c_str();
            break;
        default:  // 'v' and unknown tags write nothing
            break;
    }
    cell->being_written = 0;
    return message;
}

// The key of a lookup or insertion is matched (and placed) by reference when
// it will be stored, or is stored, as a reference cell.
bool stored_by_reference(UNION_DATA* key, int key_mode) {
    if (key_mode == 1) return true;
    return (key_mode == 4 || key_mode == 5 || key_mode == 6) && is_reference_tag(key->tag);
}

bool is_reference_key(LIST_NODE* node) { return is_reference_tag(node->key.tag); }

// Whether the list holds a key matching the stored key of node.
bool holds_key_of(LIST_DATA* list, LIST_NODE* node) {
    return list != nullptr && list->find(&node->key, is_reference_key(node)) >= 0;
}

}  // namespace

std::string hash_key_text(UNION_DATA* key, const char** message) {
    std::string text;
    bool overflow_before = value_depth_overflow;
    const char* failure = write_key_text(key, text);
    if (!overflow_before && value_depth_overflow) failure = take_depth_overflow();
    if (message != nullptr) *message = failure;
    return text;
}

HASH_DATA::HASH_DATA() = default;

HASH_DATA::~HASH_DATA() { clear(); }

int HASH_DATA::bucket_of(UNION_DATA* key, bool by_reference, const char** message) {
    if (by_reference) {
        if (message != nullptr) *message = nullptr;
        // Cells are at least 8-byte aligned: the low bits carry nothing.
        auto identity = reinterpret_cast<uintptr_t>(follow_link(key)) >> 3;
        return static_cast<int>(identity % bucket_count);
    }
    int code = str_xor_code(hash_key_text(key, message));
    return (code < 0 ? -code : code) % bucket_count;
}

void HASH_DATA::clear() {
    // Take the lists out first, so that the hash is empty and consistent
    // while the pairs' links are dissolved.
    std::array<std::unique_ptr<LIST_DATA>, bucket_count> old = std::move(buckets);
    pair_count = 0;
    cached_array.reset();
}

bool HASH_DATA::contains(UNION_DATA* key, bool by_reference, const char** message) {
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    return list != nullptr && list->find(key, by_reference) >= 0;
}

UNION_DATA* HASH_DATA::get(UNION_DATA* key, bool by_reference, const char** message) {
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    if (list == nullptr || list->find(key, by_reference) < 0) return nullptr;
    return &list->cursor->value;
}

void HASH_DATA::set(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    bool by_reference = stored_by_reference(key, key_mode);
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    if (list == nullptr) return;
    int index = list->find(key, by_reference);
    if (index < 0) return;
    const char* refusal = list->set_at(index, value, value_mode);
    if (refusal != nullptr && message != nullptr) *message = refusal;
    cached_array.reset();
}

void HASH_DATA::insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    bool by_reference = stored_by_reference(key, key_mode);
    std::unique_ptr<LIST_DATA>& list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))];
    if (list == nullptr) list = std::make_unique<LIST_DATA>();
    const char* failure = list->append_pair(key, key_mode, value, value_mode);
    if (failure != nullptr && message != nullptr) *message = failure;
    ++pair_count;
    cached_array.reset();
}

void HASH_DATA::remove(UNION_DATA* key, bool by_reference, const char** message) {
    std::unique_ptr<LIST_DATA>& list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))];
    if (list == nullptr) return;
    int index = list->find(key, by_reference);
    if (index < 0) return;
    list->remove_at(index);
    --pair_count;
    if (list->node_count == 0) list.reset();
    cached_array.reset();
}

void HASH_DATA::add_all_of(HASH_DATA& other) {
    cached_array.reset();
    if (&other == this) return;  // every key is found already
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        std::unique_ptr<LIST_DATA>& mine = buckets[b];
        if (mine == nullptr) mine = std::make_unique<LIST_DATA>();
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            if (holds_key_of(mine.get(), node)) continue;
            // A reference key refers to the same cell; any other key is copied.
            mine->append_pair(&node->key, is_reference_key(node) ? 1 : 0, nullptr, 0);
            ++pair_count;
        }
    }
}

// Both removals first collect the pairs to drop and then drop them: other
// is only read while nothing has changed yet, so other may be this hash, or
// a value inside one of the pairs that go.

void HASH_DATA::keep_all_of(HASH_DATA& other) {
    cached_array.reset();
    if (&other == this) return;
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr) continue;
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (!holds_key_of(other.buckets[b].get(), node)) doomed.emplace_back(b, node);
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_all_of(HASH_DATA& other) {
    cached_array.reset();
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        LIST_DATA* theirs = other.buckets[b].get();
        if (mine == nullptr || theirs == nullptr) continue;
        if (mine == theirs) {  // the same hash: every pair goes
            for (LIST_NODE* node = mine->head; node != nullptr; node = node->next) doomed.emplace_back(b, node);
            continue;
        }
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (holds_key_of(mine, node)) doomed.emplace_back(b, mine->cursor);
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_nodes(std::vector<std::pair<size_t, LIST_NODE*>>& doomed) {
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (const auto& [b, node] : doomed) {
        std::unique_ptr<LIST_DATA>& list = buckets[b];
        list->remove_node(node);
        --pair_count;
        if (list->node_count == 0) list.reset();
    }
    cached_array.reset();
}

bool HASH_DATA::equals(HASH_DATA& other, bool compare_values) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) {
            if (mine != nullptr) return false;
            continue;
        }
        if (mine == nullptr || mine->node_count != theirs->node_count) return false;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            if (!holds_key_of(mine, node)) return false;
            if (compare_values && !is_equal_value(&mine->cursor->value, &node->value, false)) return false;
        }
    }
    return true;
}

bool HASH_DATA::is_proper_subset(HASH_DATA& other) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr) continue;
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr || theirs->node_count < mine->node_count) return false;
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (!holds_key_of(theirs, node)) return false;
    }
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr || theirs->node_count > mine->node_count) return true;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (!holds_key_of(mine, node)) return true;
    }
    return false;
}

bool HASH_DATA::is_proper_superset(HASH_DATA& other) { return other.is_proper_subset(*this); }

bool HASH_DATA::includes_keys(HASH_DATA& other) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr || mine->node_count < theirs->node_count) return false;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (!holds_key_of(mine, node)) return false;
    }
    return true;
}

void HASH_DATA::build_array() {
    std::vector<LIST_NODE*> pairs;
    pairs.reserve(static_cast<size_t>(pair_count));
    for (auto& bucket : buckets) {
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) pairs.push_back(node);
    }
    cached_array = std::move(pairs);
}

const char* HASH_DATA::copy_from(HASH_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old pairs: the source may lie
    // inside one of them.
    std::array<std::unique_ptr<LIST_DATA>, bucket_count> fresh;
    const char* message = nullptr;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = source.buckets[b].get();
        if (theirs == nullptr) continue;
        fresh[b] = std::make_unique<LIST_DATA>();
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            const char* failure = fresh[b]->append_pair(&node->key, 4, &node->value, 4);
            if (message == nullptr) message = failure;
        }
    }
    std::swap(buckets, fresh);
    pair_count = source.pair_count;
    cached_array.reset();
    return message;  // fresh now holds the old lists and destroys them
}

}  // namespace morvu
