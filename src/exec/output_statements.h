// The output statements out, outl, sout, soutl, fout, foutl, fsout, fsoutl
// and pout: one executor that tells the forms apart by the statement's name.
// "s" takes a spacing text first, "f" a column format (optionally preceded
// by a fill character), "l" ends with a newline, pout writes the saved text
// form. The console's column format and spacing are what they were before
// the statement once it ends, on every path.

#pragma once

#include "values/result_list.h"

namespace morvu {

struct TOKEN;

void exec_output(TOKEN* node, RESULT_ITEM this_item);

}  // namespace morvu
