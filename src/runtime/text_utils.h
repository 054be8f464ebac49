// Small text functions shared by the whole system: substring replacement from
// either end, trimming, repeated prefix and suffix stripping, the 16-bit XOR
// code behind text-keyed hash tables, and whole-text character tests. None of
// them reports anything; each changes its text in place or returns a result.

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvu {

// Replaces the first (or every) occurrence of search, scanning from the left;
// occurrences do not overlap. The text is rebuilt once, so the cost is linear
// in its length. An empty search puts the replacement in front once without
// the all flag and replaces nothing with it (it would match at the same place
// forever).
void replace_substring(std::string& text, const char* search, const char* replacement, bool all);

// The same from the right: the last occurrence first, then (all) the next
// one that ends before it. An empty search is never found.
void replace_substring_reverse(std::string& text, const char* search, const char* replacement, bool all);

// The start of the last occurrence of search that begins at or before
// `last`, or npos: what std::string::rfind gives. Candidates are found by
// their first byte with one library scan each, not by a comparison at every
// position.
size_t find_last(std::string_view text, std::string_view search, size_t last = std::string::npos);

// Removes every character of set from both ends.
void trim_chars(std::string& text, const char* set);

// Strips the prefixes (suffixes) repeatedly, in passes over the array, for as
// long as any of them matches. Empty entries are ignored.
void strip_prefixes(std::string& text, const char* const* prefixes, int count);
void strip_suffixes(std::string& text, const char* const* suffixes, int count);

// Bytes at even positions XORed into the low byte, odd ones into the high.
int str_xor_code(std::string_view text);

// Whole-text tests; each is false for the empty text.
bool str_is_upper(const std::string& text);
bool str_is_lower(const std::string& text);
bool str_is_digits(const std::string& text);
bool str_is_alpha(const std::string& text);    // letters and '_'
bool str_is_integer(const std::string& text);  // optional sign, then digits
bool str_is_number(const std::string& text);   // a whole number literal

// Index of the last character of the longest number at the start of a
// NUL-terminated text, or -1 when there is none: an optional sign, digits,
// optionally '.' and digits, optionally 'e' or 'E' with an optional sign and
// digits. The integer digits may be missing before '.' ("-.5"), the fraction
// digits before an exponent ("5.e3"); a '.', exponent or sign that completes
// no form is not part of the number ("5." and "1e" end at the digit).
int64_t number_prefix_end(const char* text);

// The start of the last occurrence of search that lies wholly within text
// minus its last `count` characters, counted from the end of text (0 is the
// last character); -1 when there is none. An empty search matches at the end
// of the part searched, giving count - 1.
int64_t str_rfind(const std::string& text, const std::string& search, int64_t count);

}  // namespace morvu
