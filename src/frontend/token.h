// The syntax tree: one binary tree of TOKEN nodes holds a whole program with
// every file it includes. Statements are the operands of ';', list items the
// operands of ',', a call's argument tree hangs on its left link. The node's
// kind follows from its operator characters:
//
//   op1 op2           kind
//   0   0   number    number literal (leaf)
//   0   0   text      name (leaf)
//   '"' 0             string constant, text resolved (leaf)
//   '\'' 0            character constant, one character (leaf)
//   '(' 0   text      call of the named routine; left: the bracket's content
//   '"' '('           call named by a string constant; left: the content
//   '#' 0             empty operand (leaf)
//   ' ' 0             blank operator: left the word, right the rest
//   ':' '$'           parameter declaration
//   ')'/'}' '('/'{'   bracket juxtaposition: the two bracketed parts
//   anything else     an operator of one or two characters
//
// A node owns its payload (number, text, scope, lists) and, through
// destroy_tree, its whole subtree: deleting a node frees everything below it.
// `parent` and `declaration` are plain links. Long ';' and ',' chains make
// trees thousands of levels deep, so every whole-tree operation here walks
// with an explicit stack, never by recursion.

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/name_list.h"
#include "numbers/real_data.h"

// Whether nodes come from the node store of token.cpp. Under AddressSanitizer
// every node is a plain heap block, so that a use after free or a leak is
// reported where it happens.
#if defined(__SANITIZE_ADDRESS__)
#define MORVU_TOKEN_STORE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVU_TOKEN_STORE 0
#endif
#endif
#ifndef MORVU_TOKEN_STORE
#define MORVU_TOKEN_STORE 1
#endif

namespace morvu {

struct TOKEN;
struct SCOPE;             // symbol tables of a block
struct VALUE_STACK_NODE;  // one activation's cell of a declared variable
struct RESULT_ITEM;       // one evaluation result, passed by value
struct RESULT_LIST;       // the results of one evaluation
class UNION_DATA;         // a value cell

// The two cached handlers of a node. The evaluator installs `eval_node` and
// the statement binder `bind_operator_executor` as the initial handlers; a
// node's first evaluation or execution replaces them by the handler its
// operator needs.
using EVAL_HANDLER = void (*)(TOKEN* node, RESULT_ITEM this_item, RESULT_LIST& results);
using EXEC_HANDLER = void (*)(TOKEN* node, RESULT_ITEM this_item);

// The initial handlers every new node starts with, and that copy_payload
// restores. The evaluator and the statement binder set them once at start-up,
// before any tree is built; until those modules exist they stay null.
extern EVAL_HANDLER initial_evaluator;
extern EXEC_HANDLER initial_executor;

// Marker of the bracket-juxtaposition chain for append_operands: no operator
// uses this byte.
inline constexpr char juxtaposition_chain = static_cast<char>(0xA7);

// A list of tree nodes made by splitting an operator chain. It owns its
// cells, never the nodes.
class TOKEN_LIST {
public:
    TOKEN_LIST() = default;
    // The operands of the chain of `op` that starts at `token`.
    TOKEN_LIST(TOKEN* token, char op);
    // The operands of the chain at token1, then those of the chain at token2.
    TOKEN_LIST(TOKEN* token1, TOKEN* token2, char op);
    // The operands of a chain of the two-character operator op1 op2.
    TOKEN_LIST(TOKEN* token, char op1, char op2);

    uint32_t count() const { return static_cast<uint32_t>(items.size()); }
    bool empty() const { return items.empty(); }
    void append(TOKEN* token) { items.push_back(token); }
    void push_front(TOKEN* token) { items.insert(items.begin(), token); }
    void clear() { items.clear(); }

    TOKEN* first() const { return items.front(); }
    TOKEN* last() const { return items.back(); }
    TOKEN* operator[](uint32_t index) const { return items[index]; }
    std::vector<TOKEN*>::const_iterator begin() const { return items.begin(); }
    std::vector<TOKEN*>::const_iterator end() const { return items.end(); }

private:
    std::vector<TOKEN*> items;
};

// The work stack of tree walks: push and pop at one end.
class TOKEN_STACK {
public:
    uint32_t count() const { return static_cast<uint32_t>(items.size()); }
    void push(TOKEN* token) { items.push_back(token); }
    // The top node, removed; throws the internal "list is empty" error when
    // the stack is empty.
    TOKEN* checked_pop();

private:
    std::vector<TOKEN*> items;
};

// Block modes of a node.
inline constexpr uint16_t block_mode_none = 0;          // an ordinary expression node
inline constexpr uint16_t block_mode_braced = 1;        // the root of a curly block
inline constexpr uint16_t block_mode_running = 0xFFFF;  // such a block while a condition, if or for runs it

// Inclusion states of a need item.
inline constexpr uint8_t inclusion_untouched = 0;
inline constexpr uint8_t inclusion_repeated = 1;  // the file was already included elsewhere
inline constexpr uint8_t inclusion_grafted = 2;   // the file's tree hangs here
inline constexpr uint8_t inclusion_left_out = 3;

// Argument roles of a parameter name (see frontend/param_roles.h).
inline constexpr int8_t arg_role_none = -3;            // not a parameter
inline constexpr int8_t arg_role_constant_input = -2;  // input part, plain declaration
inline constexpr int8_t arg_role_result = -1;          // output part, plain declaration
inline constexpr int8_t arg_role_output_object = 1;    // output part, ":$" declaration
inline constexpr int8_t arg_role_variable_input = 2;   // input part, ":$" declaration

// What an evaluation layer decided for a node at its first runs (the routine
// a call reaches, say), kept with the node so that later runs take it at
// once. Each layer knows its own kinds and checks its own guards; a plan
// never outlives its node nor follows its content when the node is rebuilt.
struct NODE_PLAN {
    explicit NODE_PLAN(uint8_t plan_kind) : kind(plan_kind) {}
    virtual ~NODE_PLAN() = default;
    NODE_PLAN(const NODE_PLAN&) = delete;
    NODE_PLAN& operator=(const NODE_PLAN&) = delete;
    const uint8_t kind;
};

struct TOKEN {
    // The fields that parsing, tree walks and evaluation read come first, so
    // that they share the node's first two cache lines.
    TOKEN* left = nullptr;    // first operand; the argument tree of a call
    TOKEN* right = nullptr;   // second operand
    TOKEN* parent = nullptr;  // null at the root of the program and of every included tree
    char op1 = 0;             // first operator character; 0 for a name or number leaf
    char op2 = 0;             // second operator character; 0 for one-character operators
    uint16_t block_mode = block_mode_none;
    uint8_t in_brackets = 0;            // the expression was written in round brackets
    uint8_t module_inside = 0;          // a '::' module path was folded into this node
    uint8_t param_mark = 0;             // the node lies in a routine's parameter list
    uint8_t outermost = 0;              // a statement of the outermost list of a file
    std::optional<std::string> text;    // name, constant text or call name
    std::unique_ptr<REAL_DATA> number;  // the value of a number literal
    int32_t file_index = -1;            // -1 the program file, else a key of file_name_table
    int32_t line = 0;                   // line of the node's first character
    int32_t line2 = 0;                  // line of its last character
    int32_t walk_mark = 0;              // 0 whenever no walk runs
    EVAL_HANDLER evaluator = initial_evaluator;
    EXEC_HANDLER executor = initial_executor;
    TOKEN* declaration = nullptr;               // from a name to its declaring or defining node
    std::unique_ptr<TOKEN_LIST> argument_list;  // the operands split once, built on first use

    // Symbol tables of the block this node opens. Owned; it is made and freed
    // by the scope module (destroy_tree leaves it to `release_scope`).
    SCOPE* scope = nullptr;
    // Cells of a declared variable, one per live activation, top first.
    // Owned; freed by the storage module through `release_value_stack`.
    VALUE_STACK_NODE* value_stack = nullptr;
    // Result lists of the evaluations of this node in progress, top last. The
    // node owns the stack, not the lists.
    std::vector<RESULT_LIST*> result_stack;
    std::unique_ptr<NAME_LIST> included_names;  // on a file's root: the files its tree includes
    std::unique_ptr<TOKEN_LIST> base_types;     // base-type list of a type-definition node
    int32_t member_slot = -1;                   // member slot of a variable of a type body
    int8_t arg_role = arg_role_none;
    uint8_t inclusion_state = inclusion_untouched;  // of a need item
    uint8_t self_containing = 0;                    // of a type-definition node
    uint8_t extension_mark = 0;
    // A literal handed to built-in methods: its value, made once on first use.
    std::unique_ptr<UNION_DATA> constant;
    std::unique_ptr<NODE_PLAN> plan;  // see NODE_PLAN

    TOKEN();
    explicit TOKEN(int value);  // a number leaf of the integer, scale 0
    TOKEN(const char* text, TOKEN* parent, int file_index, int line, int line2);
    TOKEN(std::string text, TOKEN* parent, int file_index, int line, int line2);
    TOKEN(const REAL_DATA& value, TOKEN* parent, int file_index, int line, int line2);
    TOKEN(char op1, char op2, TOKEN* parent, int file_index, int line, int line2);
    // A node with `other`'s payload (copy_payload); with the flag also copies
    // of its subtrees below it.
    TOKEN(const TOKEN& other, bool with_subtree);
    TOKEN(const TOKEN&) = delete;
    TOKEN& operator=(const TOKEN&) = delete;
    ~TOKEN();

#if MORVU_TOKEN_STORE
    // Nodes come from a store of their own (see token.cpp): a program's tree
    // has about one node per three source bytes.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;
#endif

    // Copies operators, number, text, block mode, bracket flag and position
    // from `other` and resets both handlers to the initial ones.
    void copy_payload(const TOKEN& other);

    // Stores into `slot` a copy of the subtree at `source` (null for null)
    // whose root has the given parent. The copy carries payloads only: no
    // scope, no declaration links, no inclusion state, initial handlers.
    static void copy_tree(const TOKEN* source, TOKEN*& slot, TOKEN* parent);

    // Empties the node: frees its payload and its whole subtree. The node
    // stays allocated and keeps its links up, position, marks and handlers.
    void destroy_tree();

    // This node takes over the payload and the operands of `other`, which is
    // deleted; this node keeps its place in the tree.
    void replace_by(TOKEN* other);

    // Puts a new operator (op1, op2, position) in the place of this node,
    // with the former node as its left operand and `operand` (copied first
    // when copy_operand is set) as its right. An empty node instead becomes
    // the operand.
    void insert_operator(TOKEN* operand, char op1, char op2, bool copy_operand, int file_index, int line, int line2);

    // Replaces this node by its right operand (side 'l') or its left operand
    // (any other side); the other operand is destroyed. The chosen operand
    // must exist.
    void rotate(char side);

    // Exchanges the places of two nodes; both must have a parent.
    static void swap(TOKEN* a, TOKEN* b);

    bool is_empty_node() const { return op1 == 0 && !number && !text; }

private:
    void release_payload();
};

// The fields every evaluation reads lie in the first two cache lines; the
// rest, a literal's constant and the node's plan last, fill a third and two
// words.
static_assert(sizeof(void*) != 8 || sizeof(TOKEN) <= 208, "TOKEN grew");

// Counts the changes that can give a node another nearest enclosing scope:
// nodes moved or freed (replace_by, rotate, swap, destroy_tree, a node taken
// out of its parent), scopes made, freed or moved, and a symbol table that
// gets its first entry. What a walk up the tree remembers (SCOPE_WALK_MEMO)
// holds while the count stands still. Putting a new operator above a node
// (insert_operator) moves no node away from its scopes and is not counted.
extern uint64_t tree_shape_generation;
inline void note_tree_shape_change() { ++tree_shape_generation; }

// How destroy_tree frees the payloads whose types this module only names:
// the scope module sets `release_scope`, the declared-variable storage sets
// `release_value_stack` (which pops and frees all cells of the node). Until
// those modules exist no node holds such a payload.
extern void (*release_scope)(SCOPE* scope);
extern void (*release_value_stack)(TOKEN* declaring_node);

// Appends every node of the tree at `root` (not null) to `out` in post-order:
// left subtree, right subtree, node.
void collect_tokens(TOKEN* root, TOKEN_LIST* out);

// Appends the operands of the chain of `op` starting at `token`, in source
// order, and returns their count. A chain node has op1 == op and op2 == 0;
// for `juxtaposition_chain` it is a bracket juxtaposition. A node that is no
// chain node is its own single operand.
uint32_t append_operands(TOKEN* token, char op, TOKEN_LIST* out);
// The same into out[0 .. capacity - 1]; the count returned may exceed the
// capacity, and only the first operands are then written.
uint32_t copy_operands(TOKEN* token, char op, TOKEN** out, uint32_t capacity);
// The same for the chain of the two-character operator op1 op2.
uint32_t append_operands2(TOKEN* token, char op1, char op2, TOKEN_LIST* out);

TOKEN_LIST split_by_operator(TOKEN* token, char op);
TOKEN_LIST split_by_operator2(TOKEN* token, char op1, char op2);

// The last argument of a call: its argument tree split into bracket groups,
// groups that are no block split further at ','. Null without arguments. For
// a definition this is its body.
TOKEN* last_list_item(TOKEN* call);

// Structural equality: operators, texts, numbers (numerically), block modes
// and both subtrees. The bracket flag is not compared.
bool trees_equal(const TOKEN* a, const TOKEN* b);

// 0 for '=', 1 for '@', 2 for '~', -1 for every other node.
int assignment_kind(const TOKEN* token);

// The type word of the declaration around `token`: the left operand of the
// nearest enclosing blank operator or marked parameter declaration. The
// caller guarantees that one exists.
const std::string& enclosing_declaration(const TOKEN* token);

// The type tag named by the type word in `token`.
char type_code_of_token(const TOKEN* token);

// A node with a text that is no string constant, character constant or call.
inline bool is_word_token(const TOKEN* token) {
    return token != nullptr && token->text && token->op1 != '"' && token->op1 != '\'' && token->op1 != '(';
}

// A word token with exactly this text.
inline bool is_word(const TOKEN* token, const char* word) { return is_word_token(token) && *token->text == word; }

inline bool is_juxtaposition(const TOKEN* token) {
    return (token->op1 == ')' || token->op1 == '}') && (token->op2 == '(' || token->op2 == '{');
}

inline bool is_call_token(const TOKEN* token) {
    return token->text && ((token->op1 == '(' && token->op2 == 0) || (token->op1 == '"' && token->op2 == '('));
}

// A call part named "[]": the element access a[i] becomes.
inline bool is_element_call(const TOKEN* part) {
    const std::string& name = *part->text;
    return name.size() == 2 && name[0] == '[' && name[1] == ']';
}

// Pushes a cell for each variable of the block's own scope (the block must
// own one) and returns true, or returns false when it stores none; leave
// pops them again. Defined with the declared-variable storage.
bool enter_block_variables(TOKEN* block);
void leave_block_variables(TOKEN* block);

// The variables of a block that runs otherwise than as a statement list
// (as an expression, or as the cases of a switch) have cells for as long as
// the guard lives, as those of a block run as statements have for its run:
// the names first used in the block are declared there.
class BLOCK_VARIABLES {
public:
    explicit BLOCK_VARIABLES(TOKEN* block)
        : block(block->scope != nullptr && enter_block_variables(block) ? block : nullptr) {}
    ~BLOCK_VARIABLES() {
        if (block != nullptr) leave_block_variables(block);
    }
    BLOCK_VARIABLES(const BLOCK_VARIABLES&) = delete;
    BLOCK_VARIABLES& operator=(const BLOCK_VARIABLES&) = delete;

private:
    TOKEN* block;
};

// Puts a braced block into its running mode for as long as it runs its
// contents as an expression, and back to the mode it had on every exit (a
// recursive run of the same block leaves it running); its variables live
// as long.
class BLOCK_RUN {
public:
    explicit BLOCK_RUN(TOKEN* block) : variables(block), block(block), saved(block->block_mode) {
        block->block_mode = block_mode_running;
    }
    ~BLOCK_RUN() { block->block_mode = saved; }
    BLOCK_RUN(const BLOCK_RUN&) = delete;
    BLOCK_RUN& operator=(const BLOCK_RUN&) = delete;

private:
    BLOCK_VARIABLES variables;
    TOKEN* block;
    uint16_t saved;
};

}  // namespace morvu
