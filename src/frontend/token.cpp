#include "frontend/token.h"

#include <new>
#include <utility>

#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/process_state.h"
#include "values/union_data.h"

namespace morvu {

EVAL_HANDLER initial_evaluator = nullptr;
EXEC_HANDLER initial_executor = nullptr;
void (*release_scope)(SCOPE* scope) = nullptr;
void (*release_value_stack)(TOKEN* declaring_node) = nullptr;
uint64_t tree_shape_generation = 1;

namespace {

SOURCE_PLACE place_of_node(const TOKEN* node) { return SOURCE_PLACE{source_file_name(node->file_index), node->line}; }

// Errors raised at a node report its file and line.
[[maybe_unused]] const bool node_place_installed = (node_place = place_of_node, true);

// A fixed text of the interpreter itself, not a message of the catalogue: it
// only appears when the interpreter has a fault.
constexpr const char* empty_pop_message = "internal error in pop(): list is empty";

bool is_chain_node(const TOKEN* node, char op) {
    if (op == juxtaposition_chain) return is_juxtaposition(node);
    return node->op1 == op && node->op2 == 0;
}

// The work stack of a walk over an operator chain: a short one lives in the
// frame, a deeper one spills onto the heap.
class CHAIN_STACK {
public:
    CHAIN_STACK() = default;
    CHAIN_STACK(const CHAIN_STACK&) = delete;
    CHAIN_STACK& operator=(const CHAIN_STACK&) = delete;

    bool empty() const { return depth == 0; }  // the spilled part fills only on a full frame part
    void push(TOKEN* node) {
        if (depth < inline_depth) inline_pending[depth++] = node;
        else spilled.push_back(node);
    }
    TOKEN* pop() {
        if (!spilled.empty()) {
            TOKEN* node = spilled.back();
            spilled.pop_back();
            return node;
        }
        return inline_pending[--depth];
    }

private:
    static constexpr size_t inline_depth = 32;
    TOKEN* inline_pending[inline_depth];
    std::vector<TOKEN*> spilled;  // takes over when the frame part is full
    size_t depth = 0;
};

// Splits the chain that starts at `token` with an explicit stack, so that a
// list of many thousand items does not deepen the call stack. Operands come
// out in source order: the left operand's operands before the right one's.
// Operator chains lean to the left, so the stack holds one right operand per
// chain node on the left spine.
template <typename OUT, typename IS_CHAIN>
uint32_t append_chain(TOKEN* token, OUT* out, IS_CHAIN is_chain) {
    if (token == nullptr) return 0;
    if (!is_chain(token)) {
        out->append(token);
        return 1;
    }
    CHAIN_STACK pending;
    uint32_t count = 0;
    pending.push(token);
    while (!pending.empty()) {
        TOKEN* node = pending.pop();
        if (is_chain(node)) {
            if (node->right != nullptr) pending.push(node->right);
            if (node->left != nullptr) pending.push(node->left);
        } else {
            out->append(node);
            ++count;
        }
    }
    return count;
}

// The node store. Parsing makes about a million nodes for a program of
// 100,000 lines, so nodes are carved one after another out of slabs, with no
// per-node heap header, each node on its own three cache lines; freed nodes
// go onto a free list threaded through their first word and are taken back
// newest first. Slabs are never given back: a tree mostly lives as long as
// the program, and the nodes of a freed tree serve the next one. Sanitizer
// builds have no store (token.h): every node is a plain heap block. Like the
// other stores, this one assumes that one thread at a time builds and frees
// trees.
#if MORVU_TOKEN_STORE
struct FREE_TOKEN {
    FREE_TOKEN* next;
};

struct SLAB_HEADER {
    SLAB_HEADER* previous;  // keeps every slab reachable from one global
};

constexpr std::size_t token_align = 64;
constexpr std::size_t slab_tokens = 4096;
constexpr std::size_t slab_header_bytes = (sizeof(SLAB_HEADER) + token_align - 1) / token_align * token_align;

FREE_TOKEN* free_tokens = nullptr;
char* fresh_tokens = nullptr;  // next uncarved node of the newest slab
char* fresh_end = nullptr;
SLAB_HEADER* newest_slab = nullptr;

void* allocate_token() {
    if (free_tokens != nullptr) {
        FREE_TOKEN* block = free_tokens;
        free_tokens = block->next;
        return block;
    }
    if (fresh_tokens == fresh_end) {
        void* memory = ::operator new (slab_header_bytes + slab_tokens * sizeof(TOKEN), std::align_val_t{token_align});
        auto* header = static_cast<SLAB_HEADER*>(memory);
        header->previous = newest_slab;
        newest_slab = header;
        fresh_tokens = static_cast<char*>(memory) + slab_header_bytes;
        fresh_end = fresh_tokens + slab_tokens * sizeof(TOKEN);
    }
    void* block = fresh_tokens;
    fresh_tokens += sizeof(TOKEN);
    return block;
}
#endif

}  // namespace

#if MORVU_TOKEN_STORE
void* TOKEN::operator new(std::size_t size) {
    if (size == sizeof(TOKEN)) return allocate_token();
    return ::operator new(size);
}

void TOKEN::operator delete(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size == sizeof(TOKEN)) {
        auto* entry = static_cast<FREE_TOKEN*>(block);
        entry->next = free_tokens;
        free_tokens = entry;
        return;
    }
    ::operator delete(block);
}
#endif

TOKEN* TOKEN_STACK::checked_pop() {
    if (items.empty()) throw ERROR("", 0, empty_pop_message, error_kind_system);
    TOKEN* top = items.back();
    items.pop_back();
    return top;
}

TOKEN_LIST::TOKEN_LIST(TOKEN* token, char op) { append_operands(token, op, this); }

TOKEN_LIST::TOKEN_LIST(TOKEN* token1, TOKEN* token2, char op) {
    append_operands(token1, op, this);
    append_operands(token2, op, this);
}

TOKEN_LIST::TOKEN_LIST(TOKEN* token, char op1, char op2) { append_operands2(token, op1, op2, this); }

TOKEN::TOKEN(int value) : number(std::make_unique<REAL_DATA>(value)) {}

TOKEN::TOKEN(const char* text, TOKEN* parent, int file_index, int line, int line2)
    : parent(parent), text(text), file_index(file_index), line(line), line2(line2) {}

TOKEN::TOKEN(std::string text, TOKEN* parent, int file_index, int line, int line2)
    : parent(parent), text(std::move(text)), file_index(file_index), line(line), line2(line2) {}

TOKEN::TOKEN(const REAL_DATA& value, TOKEN* parent, int file_index, int line, int line2)
    : parent(parent), number(std::make_unique<REAL_DATA>(value)), file_index(file_index), line(line), line2(line2) {}

TOKEN::TOKEN(char op1, char op2, TOKEN* parent, int file_index, int line, int line2)
    : parent(parent), op1(op1), op2(op2), file_index(file_index), line(line), line2(line2) {}

TOKEN::TOKEN(const TOKEN& other, bool with_subtree) {
    copy_payload(other);
    if (with_subtree) {
        copy_tree(other.left, left, this);
        copy_tree(other.right, right, this);
    }
}

TOKEN::TOKEN() = default;

TOKEN::~TOKEN() { destroy_tree(); }

void TOKEN::copy_payload(const TOKEN& other) {
    op1 = other.op1;
    op2 = other.op2;
    number = other.number ? std::make_unique<REAL_DATA>(*other.number) : nullptr;
    text = other.text;
    block_mode = other.block_mode;
    in_brackets = other.in_brackets;
    file_index = other.file_index;
    line = other.line;
    line2 = other.line2;
    evaluator = initial_evaluator;
    executor = initial_executor;
}

void TOKEN::copy_tree(const TOKEN* source, TOKEN*& slot, TOKEN* parent) {
    slot = nullptr;
    if (source == nullptr) return;
    // Build under an owner, so that a failure half-way frees the part made.
    auto root = std::make_unique<TOKEN>(*source, false);
    root->parent = parent;
    std::vector<std::pair<const TOKEN*, TOKEN*>> pending{{source, root.get()}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        if (from->left != nullptr) {
            to->left = new TOKEN(*from->left, false);
            to->left->parent = to;
            pending.emplace_back(from->left, to->left);
        }
        if (from->right != nullptr) {
            to->right = new TOKEN(*from->right, false);
            to->right->parent = to;
            pending.emplace_back(from->right, to->right);
        }
    }
    slot = root.release();
}

void TOKEN::release_payload() {
    op1 = 0;
    op2 = 0;
    number.reset();
    text.reset();
    constant.reset();
    if (scope != nullptr && release_scope != nullptr) release_scope(scope);
    scope = nullptr;
    base_types.reset();
    included_names.reset();
    if (value_stack != nullptr && release_value_stack != nullptr) release_value_stack(this);
    value_stack = nullptr;
}

void TOKEN::destroy_tree() {
    note_tree_shape_change();
    release_payload();
    TOKEN* operands[2] = {left, right};
    left = nullptr;
    right = nullptr;
    for (TOKEN* pending : operands) {
        // Delete the subtree without recursion and without a work list:
        // rotate each left operand up into the right chain, then free the
        // chain from its head. Every deleted node has no operands left.
        while (pending != nullptr) {
            if (pending->left != nullptr) {
                TOKEN* lifted = pending->left;
                pending->left = lifted->right;
                lifted->right = pending;
                pending = lifted;
            } else {
                TOKEN* next = pending->right;
                pending->right = nullptr;
                delete pending;
                pending = next;
            }
        }
    }
    argument_list.reset();
}

void TOKEN::replace_by(TOKEN* other) {
    destroy_tree();
    plan.reset();
    op1 = other->op1;
    op2 = other->op2;
    number = std::move(other->number);
    text = std::move(other->text);
    block_mode = other->block_mode;
    in_brackets = other->in_brackets;
    file_index = other->file_index;
    line = other->line;
    line2 = other->line2;
    evaluator = initial_evaluator;
    executor = initial_executor;
    left = other->left;
    right = other->right;
    if (left != nullptr) left->parent = this;
    if (right != nullptr) right->parent = this;
    other->left = nullptr;
    other->right = nullptr;
    delete other;
}

void TOKEN::insert_operator(TOKEN* operand, char new_op1, char new_op2, bool copy_operand, int new_file_index,
                            int new_line, int new_line2) {
    if (copy_operand) {
        TOKEN* copy = nullptr;
        copy_tree(operand, copy, nullptr);
        operand = copy;
    }
    if (is_empty_node() && operand != nullptr) {
        replace_by(operand);
        return;
    }
    auto former = std::make_unique<TOKEN>();
    former->op1 = op1;
    former->op2 = op2;
    former->number = std::move(number);
    former->text = std::move(text);
    text.reset();  // a moved-from optional still holds a value
    former->block_mode = block_mode;
    former->in_brackets = in_brackets;
    former->file_index = file_index;
    former->line = line;
    former->line2 = line2;
    former->left = left;
    former->right = right;
    if (left != nullptr) left->parent = former.get();
    if (right != nullptr) right->parent = former.get();
    former->parent = this;

    plan.reset();
    left = former.release();
    right = operand;
    if (operand != nullptr) operand->parent = this;
    op1 = new_op1;
    op2 = new_op2;
    file_index = new_file_index;
    line = new_line;
    line2 = new_line2;
    block_mode = block_mode_none;
    in_brackets = 0;
}

void TOKEN::rotate(char side) {
    TOKEN* chosen;
    if (side == 'l') {
        chosen = right;
        right = nullptr;
    } else {
        chosen = left;
        left = nullptr;
    }
    chosen->parent = nullptr;
    replace_by(chosen);
}

void TOKEN::swap(TOKEN* a, TOKEN* b) {
    note_tree_shape_change();
    TOKEN* parent_a = a->parent;
    TOKEN* parent_b = b->parent;
    if (parent_a == parent_b) {
        std::swap(parent_a->left, parent_a->right);
        return;
    }
    (parent_a->left == a ? parent_a->left : parent_a->right) = b;
    b->parent = parent_a;
    (parent_b->left == b ? parent_b->left : parent_b->right) = a;
    a->parent = parent_b;
}

void collect_tokens(TOKEN* root, TOKEN_LIST* out) {
    TOKEN_STACK stack;
    stack.push(root);
    while (stack.count() > 0) {
        TOKEN* node = stack.checked_pop();
        if (node->walk_mark != 0 || (node->left == nullptr && node->right == nullptr)) {
            node->walk_mark = 0;
            out->append(node);
            continue;
        }
        node->walk_mark = 1;
        stack.push(node);
        if (node->right != nullptr) stack.push(node->right);
        if (node->left != nullptr) stack.push(node->left);
    }
}

uint32_t append_operands(TOKEN* token, char op, TOKEN_LIST* out) {
    return append_chain(token, out, [op](const TOKEN* node) { return is_chain_node(node, op); });
}

uint32_t copy_operands(TOKEN* token, char op, TOKEN** out, uint32_t capacity) {
    struct BOUNDED_OUT {
        TOKEN** items;
        uint32_t capacity;
        uint32_t count = 0;
        void append(TOKEN* token) {
            if (count < capacity) items[count] = token;
            ++count;
        }
    } bounded{out, capacity};
    append_chain(token, &bounded, [op](const TOKEN* node) { return is_chain_node(node, op); });
    return bounded.count;
}

uint32_t append_operands2(TOKEN* token, char op1, char op2, TOKEN_LIST* out) {
    return append_chain(token, out, [op1, op2](const TOKEN* node) { return node->op1 == op1 && node->op2 == op2; });
}

TOKEN_LIST split_by_operator(TOKEN* token, char op) { return TOKEN_LIST(token, op); }

TOKEN_LIST split_by_operator2(TOKEN* token, char op1, char op2) { return TOKEN_LIST(token, op1, op2); }

namespace {

// The last operand of the chain that starts at `token`, as append_chain
// would list it last, found by walking the chain from its right end: no
// list is made. Null when the chain has no operand.
TOKEN* last_chain_operand(TOKEN* token, char op) {
    if (token == nullptr) return nullptr;
    CHAIN_STACK pending;
    pending.push(token);
    while (!pending.empty()) {
        TOKEN* node = pending.pop();
        if (!is_chain_node(node, op)) return node;
        if (node->left != nullptr) pending.push(node->left);
        if (node->right != nullptr) pending.push(node->right);
    }
    return nullptr;
}

}  // namespace

TOKEN* last_list_item(TOKEN* call) {
    if (call == nullptr || call->left == nullptr) return nullptr;
    TOKEN* last_group = last_chain_operand(call->left, juxtaposition_chain);
    if (last_group->block_mode != block_mode_none) return last_group;
    return last_chain_operand(last_group, ',');
}

bool trees_equal(const TOKEN* a, const TOKEN* b) {
    std::vector<std::pair<const TOKEN*, const TOKEN*>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x == nullptr || y == nullptr) {
            if (x != y) return false;
            continue;
        }
        if (x->op1 != y->op1 || x->op2 != y->op2) return false;
        if (x->text.has_value() != y->text.has_value()) return false;
        if (x->text && *x->text != *y->text) return false;
        if ((x->number == nullptr) != (y->number == nullptr)) return false;
        if (x->number && !(*x->number == *y->number)) return false;
        if (x->block_mode != y->block_mode) return false;
        pending.emplace_back(x->right, y->right);
        pending.emplace_back(x->left, y->left);
    }
    return true;
}

int assignment_kind(const TOKEN* token) {
    if (token->op2 != 0) return -1;
    switch (token->op1) {
    case '=': return 0;
    case '@': return 1;
    case '~': return 2;
    default: return -1;
    }
}

const std::string& enclosing_declaration(const TOKEN* token) {
    static const std::string none;
    for (const TOKEN* node = token->parent; node != nullptr; node = node->parent) {
        bool blank = node->op1 == ' ' && node->op2 == 0;
        bool parameter = node->op1 == ':' && node->op2 == '$' && node->param_mark != 0;
        if (blank || parameter) {
            if (node->left != nullptr && node->left->text) return *node->left->text;
            return none;
        }
    }
    return none;
}

char type_code_of_token(const TOKEN* token) {
    if (!token->text || token->text->empty()) return 0;
    const std::string& word = *token->text;
    static const std::pair<const char*, char> special[] = {
        {"any", 'v'},  {"set", 'm'},  {"code", 'x'}, {"args", 'y'},     {"array2", 'z'},   {"sys", 'n'},
        {"any2", 'u'}, {"time", 't'}, {"date", '0'}, {"timezone", '2'}, {"datetime", '4'},
    };
    for (const auto& [name, code] : special) {
        if (word == name) return code;
    }
    return word[0];
}

}  // namespace morvu
