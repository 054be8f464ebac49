// The one-character type tags of UNION_DATA (values/union_data.h). A typed
// cell carries its type's tag; a cell declared any carries the raised tag of
// what it holds (raise_tag: upper case, or the odd digit above), tag_nothing
// when it holds nothing and tag_any when it holds the empty value. Links
// (reference, alias, call-alias) hold their target cell.

#pragma once

namespace morvu {

inline constexpr char tag_date = '0';
inline constexpr char tag_timezone = '2';
inline constexpr char tag_datetime = '4';
inline constexpr char tag_array = 'a';
inline constexpr char tag_bool = 'b';
inline constexpr char tag_char = 'c';
inline constexpr char tag_dir = 'd';
inline constexpr char tag_error = 'e';
inline constexpr char tag_file = 'f';
inline constexpr char tag_graph = 'g';
inline constexpr char tag_hash = 'h';
inline constexpr char tag_int = 'i';
inline constexpr char tag_call_alias = 'j';
inline constexpr char tag_object = 'k';  // an instance of a user type
inline constexpr char tag_list = 'l';
inline constexpr char tag_set = 'm';
inline constexpr char tag_sys = 'n';
inline constexpr char tag_oper = 'o';
inline constexpr char tag_reference = 'p';
inline constexpr char tag_alias = 'q';
inline constexpr char tag_real = 'r';
inline constexpr char tag_str = 's';
inline constexpr char tag_time = 't';
inline constexpr char tag_any2 = 'u';
inline constexpr char tag_any = 'v';  // an any cell holding the empty value
inline constexpr char tag_code = 'x';
inline constexpr char tag_args = 'y';
inline constexpr char tag_array2 = 'z';
inline constexpr char tag_nothing = 'V';  // an any cell holding nothing

constexpr bool is_any_tag(char tag) {
    return (tag >= 'A' && tag <= 'Z') || tag == '1' || tag == '3' || tag == '5' || tag == '7' || tag == '9';
}

namespace tag_tables {

constexpr char lowered(char tag) {
    if (tag >= 'A' && tag <= 'Z') return static_cast<char>(tag - 'A' + 'a');
    if (tag >= '1' && tag <= '9' && (tag - '0') % 2 == 1) return static_cast<char>(tag - 1);
    return tag;
}

// Every tag's lowered form: nearly every look at a cell lowers its tag, and
// one load is cheaper than the two range tests.
struct LOWERED {
    char of[256] = {};
    constexpr LOWERED() {
        for (int i = 0; i < 256; ++i) of[i] = lowered(static_cast<char>(i));
    }
};
inline constexpr LOWERED lowered_tags{};

}  // namespace tag_tables

// Upper case to lower case, odd digit to the even digit below; else unchanged.
constexpr char lower_tag(char tag) { return tag_tables::lowered_tags.of[static_cast<unsigned char>(tag)]; }

// Lower case to upper case, even digit to the odd digit above; else unchanged.
constexpr char raise_tag(char tag) {
    if (tag >= 'a' && tag <= 'z') return static_cast<char>(tag - 'a' + 'A');
    if (tag >= '0' && tag <= '8' && (tag - '0') % 2 == 0) return static_cast<char>(tag + 1);
    return tag;
}

}  // namespace morvu
