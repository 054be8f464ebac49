// The methods of the file type live in three sources that share this small
// header: file.cpp holds the two handlers with the call forms, the questions
// about a file and its handling (open, close, move, ...); file_input.cpp the
// methods that read (in, pin, sin, inw, inc, inl, split, anysplit);
// file_output.cpp the output family and the setters of the file format.
//
// Every file value reads and writes through its FILE_DATA payload, and all of
// them share the one format record file_format: a method that changes the
// separators, the spacing or the columns for the length of one call puts the
// old ones back on every path out of the call.

#pragma once

#include <string>

#include "types/method_call.h"

namespace morvu {

class FILE_DATA;

// The receiver's file after the receiver checks: present, then non-empty
// (a file with a path) or only defined.
FILE_DATA* checked_file(const METHOD_CALL& call, bool non_empty);

// The receiver's file after the checks of every reading method: present,
// non-empty, and an open stream or a regular file at its path ("File '%s'
// does not exist" otherwise).
FILE_DATA* readable_file(const METHOD_CALL& call);

// The file the receiver holds now, for a method in which user code has run
// (an object's procedure in or function out), which may have given the
// receiver another value: "Object does not exist" when it holds no file.
FILE_DATA* live_file(const METHOD_CALL& call);

// The text of a str argument that passed its type check.
const std::string& str_argument(const METHOD_CALL& call, int32_t index);

// The reading methods; false for any other key.
bool file_input_methods(METHOD_CALL& call);

// The output family and the format setters; false for any other key.
bool file_output_methods(METHOD_CALL& call);

}  // namespace morvu
