#include "runtime/str_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "runtime/memory_pages.h"

namespace morvu {

namespace {

// What is kept beside a text being read or walked.
struct TEXT_STATE {
    size_t position = 0;  // index of the next character to read
    size_t length = 0;    // length of the text when the read began
    bool reading = false;
    int32_t walks = 0;
};

// The states, by text. An entry lives while its text is read or walked.
std::unordered_map<const STR_DATA*, TEXT_STATE>& text_states() {
    static std::unordered_map<const STR_DATA*, TEXT_STATE> states;
    return states;
}

// The state of the text read last: a read goes character by character, so
// the map is asked only when another text is read. The map's entries stay
// where they are until erased, and erasing one forgets it here too.
const STR_DATA* last_owner = nullptr;
TEXT_STATE* last_state = nullptr;

// A bit for each text with a state, chosen by its address: most texts are
// told to have none without asking the map, while one is being read.
uint64_t state_bits = 0;

uint64_t bit_of(const STR_DATA* str) {
    return uint64_t{1} << ((reinterpret_cast<uintptr_t>(str) >> 3) * 0x9E3779B97F4A7C15ULL >> 58);
}

TEXT_STATE& state_of(const STR_DATA* str) {
    if (last_owner != str) {
        last_state = &text_states()[str];
        texts_with_state = text_states().size();
        state_bits |= bit_of(str);
        last_owner = str;
    }
    return *last_state;
}

// The state of a text that has one, or null; a text found becomes the one
// read last.
[[gnu::noinline]] TEXT_STATE* find_state(const STR_DATA* str) {
    auto found = text_states().find(str);
    if (found == text_states().end()) return nullptr;
    last_owner = str;
    last_state = &found->second;
    return last_state;
}

inline TEXT_STATE* existing_state(const STR_DATA* str) {
    if (last_owner == str) return last_state;
    return (state_bits & bit_of(str)) != 0 ? find_state(str) : nullptr;
}

void drop_state(const STR_DATA* str) {
    if (last_owner == str) last_owner = nullptr;
    text_states().erase(str);
    texts_with_state = text_states().size();
    state_bits = 0;
    for (const auto& [text, state] : text_states()) state_bits |= bit_of(text);
}

}  // namespace

size_t texts_with_state = 0;

void STR_DATA::end_read() {
    TEXT_STATE* state = existing_state(this);
    if (state == nullptr || !state->reading) return;
    if (state->walks != 0) {
        *state = TEXT_STATE{0, 0, false, state->walks};
        return;
    }
    drop_state(this);
}

void STR_DATA::forget_state() {
    if (existing_state(this) != nullptr) drop_state(this);
}

void STR_DATA::copy_state(const STR_DATA& other) {
    end_read();
    const TEXT_STATE* from = existing_state(&other);
    if (from == nullptr) return;
    const TEXT_STATE copy = *from;
    TEXT_STATE& state = state_of(this);
    if (copy.reading) {
        state.position = copy.position;
        state.length = copy.length;
        state.reading = true;
    }
    if (state.walks == 0) state.walks = copy.walks;  // a walk over this text keeps its own count
    if (!state.reading && state.walks == 0) drop_state(this);
}

bool STR_DATA::reading() const {
    if (texts_with_state == 0) return false;
    const TEXT_STATE* state = existing_state(this);
    return state != nullptr && state->reading;
}

int32_t STR_DATA::walks() const {
    if (texts_with_state == 0) return 0;
    const TEXT_STATE* state = existing_state(this);
    return state != nullptr ? state->walks : 0;
}

int32_t* STR_DATA::walk_counter() { return &state_of(this).walks; }

void STR_DATA::walks_ended() {
    TEXT_STATE* state = existing_state(this);
    if (state != nullptr && state->walks == 0 && !state->reading) drop_state(this);
}

void STR_DATA::begin_read(const char** error) {
    *error = nullptr;
    if (reading()) return;  // continue where the previous read stopped
    TEXT_STATE& state = state_of(this);
    state.position = 0;
    state.length = text.find('\0');
    if (state.length == std::string::npos) state.length = text.size();
    state.reading = true;
}

bool STR_DATA::read_char(char* out, bool stop) {
    TEXT_STATE* state = existing_state(this);
    if (state == nullptr || !state->reading) return true;
    if (state->position >= state->length || state->position >= text.size()) return true;
    *out = text[state->position++];
    return stop;
}

bool STR_DATA::read_used_up() const {
    const TEXT_STATE* state = texts_with_state != 0 ? existing_state(this) : nullptr;
    if (state == nullptr || !state->reading) return text.empty();
    return state->position >= std::min(state->length, text.size());
}

void STR_DATA::read_to_end() {
    const char* error = nullptr;
    begin_read(&error);
    TEXT_STATE& state = state_of(this);
    state.position = std::max(state.position, std::min(state.length, text.size()));
}

void STR_DATA::write(const char* data, bool formatted, const char** error) {
    *error = nullptr;
    if (formatted && !format().widths.empty()) {
        // A width no text could reach is refused before the memory fills (a
        // NUL fill writes nothing).
        const size_t length = std::strlen(data);
        const uint64_t padding = format().fill == '\0' ? 0 : format().next_padding(length);
        require_room(static_cast<double>(text.size()) + static_cast<double>(length) + static_cast<double>(padding));
        write_in_column(*this, format(), data, error);
        return;
    }
    reset_read();
    text += data;
}

}  // namespace morvu
