// Methods of the built-in type str, and the text searches they share with the
// rest of the system.

#pragma once

#include <string>

#include "eval/result_list.h"

namespace morvu {

struct TOKEN;
struct CALL_ARGS;

// The method handlers of str (see the handlers of the other types): true
// when the key is one of their methods and it ran, false otherwise.
bool str_functions(TOKEN* node, CALL_ARGS* args, RESULT_LIST* results, RESULT_ITEM receiver,
                   RESULT_ITEM this_item);
bool str_procedures(TOKEN* node, CALL_ARGS* args, RESULT_ITEM receiver, RESULT_ITEM this_item);

// The start of the last occurrence of search that lies wholly within text
// minus its last `count` characters, counted from the end of text (0 is the
// last character); -1 when there is none. An empty search matches at the end
// of the part searched, giving count - 1.
int str_rfind(const std::string& text, const std::string& search, int count);

}  // namespace morvu
