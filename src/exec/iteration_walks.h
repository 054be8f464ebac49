// The walks of the iteration members for and For: x.for(v, {...}) runs a
// code block once per element of x with the loop variable bound to the
// element, for from the first element to the last and For from the last to
// the first. One engine serves both forms: the statement form executes the
// block and follows the loop protocol of the control counters, the
// expression form evaluates it and collects its values.
//
// Per receiver kind (arguments before the code value):
//   list, args, set   (element)             the element, as an alias
//   str               (char)                each character, as a copy
//   file              (line or char)        each line converted into the
//                                           variable's type, or each character
//   hash              (key [, value])       each pair's cells, as aliases
//   array             (index [, element])   the defined slots with their index
//   array2            (row, col [, elem])   the defined slots, row by row
//   graph             (value [, pair [, node [, direction]]])
//                                           the nodes, all edges, or the edges
//                                           at one node, with their addresses
//   dir               (entry, recursive, pattern...)
//                                           the matching files, then the
//                                           matching directories, as copies
//
// A walk reads the receiver's store directly and pins it (values/walk_pins.h):
// the store's iteration count stays raised until the walk ends, whichever
// way it ends, so the methods that change the store's structure refuse, and
// no loop body can free what the walk reads. The loop variables are held
// weakly, and the access modes written into them are restored on every exit.

#pragma once

#include <string>

#include "values/result_list.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// Whether a member of this name on a receiver of this type code is an
// iteration member: for or For on a list, args, set, str, file, hash, array,
// array2, graph or dir.
bool is_iteration_member(const std::string& name, char code);

// One walk as its caller sees it.
struct ITERATION_REQUEST {
    TOKEN* node = nullptr;    // where errors are raised
    TOKEN* member = nullptr;  // the call for(...) or For(...)
    RESULT_ITEM receiver;     // the receiver item; its cell may be null
    char code = 0;            // the receiver's type code
    std::string routine;      // "type:member", the routine name of the errors
    char routine_kind = 'p';  // 'p' for the statement form, 'f' for the expression form
    RESULT_ITEM this_item;    // the object the arguments are evaluated with
};

// What runs once per element after the loop variables are bound: given the
// code value's block and, with uses_code_context, the object the code value
// was made in, returns true when the walk must end. Errors pass through the
// walk, which cleans up behind them. A code value whose object has been
// destroyed is refused with "Object does not exist" before every run that
// would use it.
struct ITERATION_BODY {
    bool (*run)(void* context, TOKEN* block, RESULT_ITEM code_context);
    void* context;
    bool uses_code_context;
};

// Checks the receiver and the arguments, then walks. Every failure is raised
// at request.node under request.routine.
void run_iteration(const ITERATION_REQUEST& request, ITERATION_BODY body);

}  // namespace morvu
