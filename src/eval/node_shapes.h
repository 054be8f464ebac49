// What an element or slot read decides once per tree node, kept in small
// tables keyed by the node's address: a node_shape entry holds while
// neither the tree's shape nor a routine table has changed since it was
// decided, and is decided again otherwise. So a shape keeps only what stays
// as it is while no node is freed or moved and no table changes (the nodes'
// operators, texts and operands, the names' handlers, declarations and
// parameter roles); what a cell holds is read on every use.
//
// A SHAPE starts with `const TOKEN* node` and `uint64_t stamp`; DECIDE
// fills the entry it is given (or a passing one it does not keep) and
// returns what it decided.

#pragma once

#include <cstddef>
#include <cstdint>

#include "eval/names.h"
#include "frontend/scope.h"
#include "frontend/token.h"

namespace morvu {

template <class SHAPE, size_t count, class DECIDE>
[[gnu::always_inline]] inline SHAPE& node_shape(SHAPE (&table)[count], const TOKEN* node, DECIDE decide) {
    SHAPE& shape = table[(reinterpret_cast<uintptr_t>(node) / 8) % count];
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    if (shape.node == node && shape.stamp == stamp) [[likely]]
        return shape;
    return decide(shape, node, stamp);
}

// A shape being decided for a node: `made` starts as an entry for the node
// at the stamp; `pass()` marks it as one not to keep (a name it reads is
// not bound yet), and `store` puts it into the node's entry, or into a
// passing entry that the next decision overwrites.
template <class SHAPE>
struct SHAPE_DECISION {
    SHAPE made;
    bool kept = true;

    SHAPE_DECISION(const TOKEN* node, uint64_t stamp) {
        made.node = node;
        made.stamp = stamp;
    }
    void pass() { kept = false; }
    SHAPE& store(SHAPE& entry) {
        static SHAPE passing;
        SHAPE& into = kept ? entry : passing;
        if (!kept) made.node = nullptr;
        into = made;
        return into;
    }
};

// Whether a node is a name not evaluated yet, whose handler is still to
// come: a shape decided before its first evaluation must not be kept.
inline bool unbound_name(const TOKEN* node) {
    return node->evaluator == initial_evaluator && node->op1 == 0 && node->text;
}

// The declaring node of a plain variable name bound to eval_variable, as
// variable_cell_of reads it; null for every other node.
inline const TOKEN* plain_name_declaration(const TOKEN* name) {
    if (name->evaluator != eval_variable) return nullptr;
    const TOKEN* declaration = name->declaration;
    return declaration != nullptr && declaration->member_slot < 0 ? declaration : nullptr;
}

}  // namespace morvu
