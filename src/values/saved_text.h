// The saved text form: one whole value (scalars, containers, calendar
// values, objects of user types, and references between parts of the value)
// as one letter-coded text without separators, and back. `pout` writes it,
// `pin` reads it.
//
// Every value opens with its type letter (the cell's tag lowered), followed
// by a length, a count or a closing letter, so that a reader finds the end of
// a value without any quoting. A cell that some reference inside the value
// points at is prefixed by "$id$"; the reference itself is "@id@". Objects of
// user types carry a header "K" that names their types and member names once;
// nested objects refer to its entries by number. Reals are written exactly,
// whatever the output precision, so a value read back equals the value
// written.
//
// A failure is recorded in one process-wide pending text and handed out
// through keep_message when the call returns: callers raise or copy it at
// once. Neither the writer nor the reader is reentrant.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvu {

class UNION_DATA;
class STREAM_DATA;
struct TOKEN;

// ---- writer ----

// The saved text of the value of cell; node is the calling syntax node and
// only qualifies type names. *error is null on success; on failure it is the
// message ("... for external references not allowed", "... for type '%s' not
// allowed") and the text holds what was written before the failure. The
// value is never changed.
std::string serialize_value(UNION_DATA* cell, TOKEN* node, const char** error);

// The numbering walk: pass 0 sets the id of every cell inside the value to 0,
// pass 1 numbers the cells that references inside the value point at (from
// 1), pass 2 sets every id back to -1. References are not followed.
// The ids live beside the cells, in a table that is empty outside a save.
void number_referenced_cells(UNION_DATA* cell, int pass, bool is_root);

// The id the numbering walk gave the cell: -1 when it lies in no value
// being numbered.
int32_t saved_id_of(const UNION_DATA* cell);
// Whether the cell lies in a value being numbered.
extern size_t numbered_cell_count;
inline bool is_numbered_cell(const UNION_DATA* cell) { return numbered_cell_count != 0 && saved_id_of(cell) != -1; }

// The type-definition nodes an object header lists: types met only as empty
// objects or member groups without members (name_types) and types met with
// members (types), each in first-met order. The root call removes from
// name_types every type that is also in types.
void collect_object_types(UNION_DATA* cell, std::vector<TOKEN*>& name_types, std::vector<TOKEN*>& types, bool is_root);

// Empties the pending failure text of the writer and the reader, which
// they hand out through keep_message (global clean-up).
void clear_serialize_texts();

// ---- reader ----

// Reads characters up to the terminator (or the non-zero second terminator),
// appends them, the terminator included, to text and returns the number they
// spell: an optional minus sign and digits, within 32 bits. At the end of
// input, or for anything else, *error becomes "Incomplete type '<context>'"
// and the result is 0.
int read_serial_number(STREAM_DATA* stream, std::string& text, char terminator, const char* context,
                       char second_terminator, const char** error);

// The scanner: appends exactly the characters of one saved value to text,
// checking its shape. With begin it first prepares the stream (its failure is
// returned in *error). Returns false with *error null when the stream is at
// its end before the first character; otherwise true, with *error the
// message of a damaged text ("Unknown type ...", "Incomplete type ...") or
// null.
bool read_serialized_text(STREAM_DATA* stream, std::string& text, bool begin, const char** error);

// The parser: reads one saved value from stream (normally an in-memory text
// holding what read_serialized_text scanned) into target, the receiving
// variable's cell (links are followed to the cell they designate). node is
// the calling syntax node: type names are looked up from it, and an unknown
// type name is raised there at once. Returns null or the message; on a
// message the target keeps its old value.
const char* deserialize_value(UNION_DATA* target, STREAM_DATA* stream, TOKEN* node);

// Both stages for one input: scans one saved value from source (beginning
// the read) and parses it into target. Returns false, *error null, when
// source is at its end; otherwise true with *error null or the message.
bool read_saved_value(UNION_DATA* target, STREAM_DATA* source, TOKEN* node, const char** error);

// ---- services of the front end, installed by it ----

// What the writer and reader ask about user types. Until installed, objects
// of user types cannot be written or read (their texts are refused as of a
// type without saved form, or as unknown types).
struct SAVED_TYPE_SERVICES {
    // The full name of a user type (qualified by its enclosing types) as
    // seen from place.
    std::string (*type_name)(const TOKEN* place, const TOKEN* type) = nullptr;
    // The names of the member variables of the type's own body, by slot.
    void (*member_names)(const TOKEN* type, std::vector<std::string>& names) = nullptr;
    // The type-definition node that a saved type name designates seen from
    // place (a nested type as "outer:inner"), or null.
    TOKEN* (*find_type)(TOKEN* place, const std::string& name) = nullptr;
};
extern SAVED_TYPE_SERVICES saved_type_services;

}  // namespace morvu
