// Messages formatted at run time (a refusal naming its types, an index, a
// path) are handed out as const char*, as the catalogue's fixed texts are.
// keep_message keeps such a text in a ring of message_slot_count slots: it
// stays valid until that many later messages have been kept. A caller reads
// the text it gets at once, or after combining it with a few others, and
// raises or copies the result; so every layer formats and returns its
// messages the same way, with no text of its own to reset.

#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace morvu {

inline constexpr std::size_t message_slot_count = 8;

// Keeps text and returns it; valid for the next message_slot_count - 1
// calls (the slot is then reused).
const char* keep_message(std::string text);

// Frees every kept text (tear-down). Texts handed out before are gone.
void release_kept_messages();

// The first of the messages a loop meets while it goes on past failures,
// held by value: the failures after it keep messages of their own, which
// could reuse its slot before the loop ends.
class FIRST_MESSAGE {
public:
    void note(const char* message) {
        if (message == nullptr || held) return;
        text = message;
        held = true;
    }
    // Null when nothing was noted, else the first message, kept anew.
    const char* result() { return held ? keep_message(std::move(text)) : nullptr; }

private:
    std::string text;
    bool held = false;
};

}  // namespace morvu
