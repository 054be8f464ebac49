// ARITH is what a mathematical function of the real type throws for an
// argument outside its domain. It is an ERROR with no position (empty file,
// line 0), kind 's', the argument as printed under the output precision as
// its message, and a code: 0 for a pole or a zero divisor, 1 for an argument
// outside the domain. It is thrown by value; a handler that catches ERROR
// catches it too. The real methods turn it into a language error.

#pragma once

#include <string>

#include "runtime/error.h"

namespace morvu {

class ARITH : public ERROR {
public:
    static constexpr int pole = 0;           // a pole or a zero divisor
    static constexpr int out_of_domain = 1;  // an argument outside the domain

    int code = 0;

    ARITH(int code, std::string text) : ERROR("", 0, std::move(text), 's'), code(code) {}
};

}  // namespace morvu
