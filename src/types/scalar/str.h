// Methods of the built-in type str, and the text searches they share with the
// rest of the system.

#pragma once

#include <string>

namespace morvu {

// The start of the last occurrence of search that lies wholly within text
// minus its last `count` characters, counted from the end of text (0 is the
// last character); -1 when there is none. An empty search matches at the end
// of the part searched, giving count - 1.
int str_rfind(const std::string& text, const std::string& search, int count);

}  // namespace morvu
