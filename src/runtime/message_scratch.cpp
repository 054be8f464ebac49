#include "runtime/message_scratch.h"

#include <array>
#include <utility>

namespace morvu {

namespace {

std::array<std::string, message_slot_count> slots;
std::size_t next_slot = 0;

}  // namespace

const char* keep_message(std::string text) {
    std::string& slot = slots[next_slot];
    next_slot = (next_slot + 1) % message_slot_count;
    slot = std::move(text);
    return slot.c_str();
}

void release_kept_messages() {
    for (std::string& slot : slots) {
        slot.clear();
        slot.shrink_to_fit();
    }
    next_slot = 0;
}

}  // namespace morvu
