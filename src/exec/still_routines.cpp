#include "exec/still_routines.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/member_access.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"

namespace morvu {

namespace {

bool is_name_leaf(const TOKEN* node) { return node != nullptr && node->op1 == 0 && node->text && !node->number; }

bool lies_below(const TOKEN* node, const TOKEN* ancestor) {
    for (; node != nullptr; node = node->parent) {
        if (node == ancestor) return true;
    }
    return false;
}

bool one_of(const std::string& word, std::initializer_list<const char*> words) {
    for (const char* candidate : words) {
        if (word == candidate) return true;
    }
    return false;
}

bool container_type_word(const std::string& word) { return one_of(word, {"list", "hash", "set", "array", "array2"}); }

bool scalar_type_word(const std::string& word) { return one_of(word, {"bool", "char", "int", "real", "str"}); }

bool built_in_type_word(const std::string& word) { return container_type_word(word) || scalar_type_word(word); }

// The built-in methods that read their receiver and hand out what it holds,
// changing nothing the program can see.
bool reading_method(const std::string& name) { return reads_receiver_only(name) || name == "def"; }

// The built-in methods that insert into or take from their receiver's own
// elements and change no other value.
bool changing_method(const std::string& name) {
    return one_of(name, {"ins", "Ins", "ins0", "Ins0", "del", "Del", "del0", "Del0"});
}

// The methods that add an element before the first or after the last one:
// the elements there were stay where they are, unchanged.
bool appending_method(const std::string& name) { return one_of(name, {"ins0", "Ins0"}); }

// Calls by name that run no code of the user and change no variable
// beyond what their arguments (checked apart) do.
bool still_built_in(const std::string& name) {
    return one_of(name, {"if", "while", "return", "break", "continue", "min", "max", "abs"});
}

struct ROUTINE_FACTS {
    TOKEN* routine = nullptr;  // the defining call node
    TOKEN* results = nullptr;  // the result part, or null
    TOKEN* body = nullptr;
    std::vector<const TOKEN*> parameters;   // the names, in order
    std::vector<uint8_t> plain;             // per parameter: declared plainly
    std::vector<uint32_t> variable_inputs;  // the positions of the ':$' parameters
    std::vector<uint8_t> lends;             // per parameter: may refer instead of copy
    bool still = true;
};

struct PROGRAM_FACTS {
    std::vector<ROUTINE_FACTS> routines;
    std::unordered_map<std::string, std::vector<size_t>> by_name;
    std::unordered_map<const TOKEN*, std::pair<size_t, size_t>> parameter_at;  // name -> routine, position
    std::unordered_map<const TOKEN*, size_t> by_node;                          // defining call node -> routine
    bool operators_still = true;                                               // every operator a type defines is still
    // Some type has routines: the conversion of its objects could run one.
    bool type_routines = false;

    const std::vector<size_t>* named(const std::string& name) const {
        auto found = by_name.find(name);
        return found != by_name.end() ? &found->second : nullptr;
    }
};

// One check of one routine's body against the facts as they stand.
class BODY_CHECK {
public:
    BODY_CHECK(const PROGRAM_FACTS& facts, const ROUTINE_FACTS& routine)
        : lends(routine.lends), facts(facts), routine(routine) {}

    // Whether the body is still; `lends` then tells the parameters it only reads.
    bool run() {
        visit(routine.body);
        return still;
    }

    std::vector<uint8_t> lends;

private:
    const PROGRAM_FACTS& facts;
    const ROUTINE_FACTS& routine;
    bool still = true;

    // The position of a parameter of this routine that may lend, named by
    // the node, or -1.
    int lending_parameter(const TOKEN* node) const {
        if (!is_name_leaf(node) || node->declaration == nullptr) return -1;
        for (size_t i = 0; i < routine.parameters.size(); ++i) {
            if (routine.parameters[i] == node->declaration) return lends[i] != 0 ? static_cast<int>(i) : -1;
        }
        return -1;
    }

    // A variable of the routine's own activation: declared in its body or
    // among its plain results.
    bool own_variable(const TOKEN* declaration) const {
        if (declaration == nullptr || declaration->member_slot >= 0) return false;
        if (lies_below(declaration, routine.body)) return true;
        return routine.results != nullptr && lies_below(declaration, routine.results) &&
               declaration->parent != nullptr && declaration->parent->op1 != ':';
    }

    // A ':$' parameter of the routine: what it is given is checked at each
    // call (see STILL_ANSWER).
    bool variable_input(const TOKEN* declaration) const {
        for (size_t i = 0; i < routine.parameters.size(); ++i) {
            if (routine.parameters[i] == declaration) return routine.plain[i] == 0;
        }
        return false;
    }

    // An own variable declared of a built-in type, or a ':$' parameter of a
    // scalar type: assigning to it changes nothing but that variable.
    bool assignable(const TOKEN* target) const {
        if (!is_name_leaf(target) || target->declaration == nullptr) return false;
        const std::string& type = enclosing_declaration(target->declaration);
        if (own_variable(target->declaration)) return built_in_type_word(type);
        return variable_input(target->declaration) && scalar_type_word(type);
    }

    // A receiver whose own elements the method may change: an own variable
    // of a built-in container type, or a ':$' list parameter that is only
    // added to.
    bool changeable(const TOKEN* receiver, const std::string& method) const {
        if (!is_name_leaf(receiver) || receiver->declaration == nullptr || !changing_method(method)) return false;
        const std::string& type = enclosing_declaration(receiver->declaration);
        if (own_variable(receiver->declaration)) return container_type_word(type);
        return variable_input(receiver->declaration) && type == "list" && appending_method(method);
    }

    void refuse() { still = false; }

    void visit(const TOKEN* node) {
        if (node == nullptr || !still) return;
        if (node->op1 == 0) return leaf(node);
        const char a = node->op1;
        const char b = node->op2;
        if ((a == '"' || a == '\'') && b == 0) return visit(node->left);
        if (a == '#' && b == 0) return;
        if ((a == ';' || a == ',') && b == 0) return both(node);
        if (is_juxtaposition(node)) return both(node);
        if (a == ' ' && b == 0) return declaration(node);
        if (a == '.' && b == 0) return member(node);
        if (a == ':' && b == 0) return construction(node);
        if (is_call_token(node)) return call(node);
        if ((a == '=' && b == 0) || (b == '=' && (a == '+' || a == '-' || a == '*' || a == '/' || a == '%'))) {
            if (!assignable(node->left)) return refuse();
            return visit(node->right);
        }
        if (!operator_node(a, b) || !facts.operators_still) return refuse();
        both(node);
    }

    void both(const TOKEN* node) {
        visit(node->left);
        visit(node->right);
    }

    static bool operator_node(char a, char b) {
        if (b == 0) return a == '<' || a == '>' || a == '+' || a == '-' || a == '*' || a == '/' || a == '%' || a == '!';
        if (b == '=') return a == '<' || a == '>' || a == '=' || a == '!';
        if ((a == '.' || a == ':') && (b == '.' || b == ':')) return true;  // the ranges
        return a == b && (a == '&' || a == '|' || a == '-' || a == '+');    // && || and the signs
    }

    void leaf(const TOKEN* node) {
        if (node->number != nullptr || !node->text) return;
        if (node->declaration == nullptr) {
            if (*node->text != "true" && *node->text != "false") refuse();
            return;
        }
        // A parameter named but for reading what it holds: it must be a copy.
        const int position = lending_parameter(node);
        if (position >= 0) lends[static_cast<size_t>(position)] = 0;
    }

    // type word, then the names, each perhaps with its initial value.
    void declaration(const TOKEN* node) {
        if (!is_name_leaf(node->left) || node->left->declaration != nullptr || !built_in_type_word(*node->left->text)) {
            // An implicit declaration of a name the body uses: any.
            if (is_name_leaf(node->left) && *node->left->text == "any" && is_name_leaf(node->right)) return;
            return refuse();
        }
        TOKEN_LIST names;
        append_operands(node->right, ',', &names);
        for (const TOKEN* name : names) {
            if (name->op1 == '=' && name->op2 == 0) visit(name->right);
            else if (!is_name_leaf(name)) refuse();
        }
    }

    // type:(...) of a built-in type.
    void construction(const TOKEN* node) {
        const TOKEN* word = node->left;
        const TOKEN* part = node->right;
        if (facts.type_routines || !is_name_leaf(word) || word->declaration != nullptr ||
            !built_in_type_word(*word->text) || part == nullptr || !is_call_token(part) || !part->text->empty() ||
            part->right != nullptr)
            return refuse();
        visit(part->left);
    }

    void member(const TOKEN* node) {
        const TOKEN* receiver = node->left;
        const TOKEN* part = node->right;
        if (receiver == nullptr || part == nullptr) return refuse();
        const bool lent_receiver = lending_parameter(receiver) >= 0;
        if (!lent_receiver) visit(receiver);
        if (is_name_leaf(part)) {
            // A member variable read; a routine of that name could run instead.
            if (facts.named(*part->text) != nullptr) refuse();
            return;
        }
        if (!is_call_token(part) || part->op1 != '(' || part->right != nullptr || part->module_inside != 0)
            return refuse();
        const std::string& name = *part->text;
        if (facts.named(name) != nullptr) return refuse();  // a type's method could be the one called
        if (name == "for") return walk(part);
        if (!reading_method(name) && !changeable(receiver, name)) return refuse();
        visit(part->left);
    }

    // x.for(k, v, {...}): the names before the block are the walk's
    // variables, which must be the routine's own.
    void walk(const TOKEN* part) {
        TOKEN_LIST arguments;
        if (part->left != nullptr) append_operands(part->left, ',', &arguments);
        for (uint32_t i = 0; i < arguments.count(); ++i) {
            const TOKEN* argument = arguments[i];
            if (i + 1 == arguments.count()) visit(argument);
            else if (!is_name_leaf(argument) || !own_variable(argument->declaration)) refuse();
        }
    }

    void call(const TOKEN* node) {
        // A call that names a variable runs the code it holds.
        if (node->op1 != '(' || node->right != nullptr || node->module_inside != 0 || node->declaration != nullptr)
            return refuse();
        const std::string& name = *node->text;
        if (const std::vector<size_t>* callees = facts.named(name)) return user_call(node, *callees);
        if (name == "for") return range_for(node);
        if (!still_built_in(name)) return refuse();
        // min and max order their arguments with the operator "<".
        if ((name == "min" || name == "max") && !facts.operators_still) return refuse();
        visit(node->left);
    }

    // for (k, range) {...}: the counter must be the routine's own.
    void range_for(const TOKEN* node) {
        const TOKEN* content = node->left;
        if (content == nullptr) return refuse();
        const TOKEN* head = is_juxtaposition(content) ? content->left : content;
        TOKEN_LIST arguments;
        append_operands(const_cast<TOKEN*>(head), ',', &arguments);
        if (arguments.empty() || !is_name_leaf(arguments[0]) || !own_variable(arguments[0]->declaration))
            return refuse();
        for (uint32_t i = 1; i < arguments.count(); ++i) visit(arguments[i]);
        if (head != content) visit(content->right);
    }

    // A call of a user routine: every routine of the name must be still. A
    // parameter passed whole keeps lending when it goes to a parameter that
    // lends in every one of them. What a ':$' parameter is given must be an
    // own variable or a ':$' parameter of this routine: the callee changes
    // nothing else.
    void user_call(const TOKEN* node, const std::vector<size_t>& callees) {
        for (size_t index : callees) {
            if (!facts.routines[index].still) return refuse();
        }
        TOKEN_LIST arguments;
        if (node->left != nullptr && !is_empty_operand(node->left)) append_operands(node->left, ',', &arguments);
        for (uint32_t i = 0; i < arguments.count(); ++i) {
            const TOKEN* argument = arguments[i];
            bool changed = false;
            for (size_t index : callees) {
                const ROUTINE_FACTS& callee = facts.routines[index];
                changed = changed || i >= callee.plain.size() || callee.plain[i] == 0;
            }
            if (changed && (!is_name_leaf(argument) ||
                            (!own_variable(argument->declaration) && !variable_input(argument->declaration))))
                return refuse();
            const int position = lending_parameter(argument);
            if (position < 0) {
                visit(argument);
                continue;
            }
            bool passes = true;
            for (size_t index : callees) {
                const ROUTINE_FACTS& callee = facts.routines[index];
                passes = passes && i < callee.lends.size() && callee.lends[i] != 0;
            }
            if (!passes) lends[static_cast<size_t>(position)] = 0;
        }
    }
};

// The routines of the program, with their parameters.
void collect_routines(TOKEN* root, PROGRAM_FACTS& facts) {
    TOKEN_LIST nodes;
    collect_tokens(root, &nodes);
    for (TOKEN* node : nodes) {
        if (!is_call_token(node) || node->parent == nullptr || node->parent->right != node) continue;
        const TOKEN* keyword = node->parent->left;
        if (node->parent->op1 != ' ' || !is_name_leaf(keyword)) continue;
        const bool function = *keyword->text == "func";
        if (!function && *keyword->text != "proc") continue;
        if (node->left == nullptr) continue;
        TOKEN_LIST parts = split_by_operator(node->left, juxtaposition_chain);
        const uint32_t n = parts.count();
        const uint32_t allowed = function ? 3 : 2;
        ROUTINE_FACTS routine;
        routine.routine = node;
        routine.body = n > 0 ? parts[n - 1] : nullptr;
        routine.results = function && n >= 2 ? parts[n - 2] : nullptr;
        TOKEN* parameters = n >= allowed && n <= allowed ? parts[0] : nullptr;
        if (n > allowed || routine.body == nullptr) routine.still = false;
        if (parameters != nullptr && !is_empty_operand(parameters)) {
            TOKEN_LIST declarations;
            append_operands(parameters, ';', &declarations);
            for (const TOKEN* declaration : declarations) {
                const bool plain = declaration->op1 == ' ' && declaration->op2 == 0;
                // A container, or an object of a user type (a type name bound to its definition).
                const bool lendable =
                    plain && is_name_leaf(declaration->left) &&
                    (container_type_word(*declaration->left->text) || declaration->left->declaration != nullptr);
                // An args parameter takes any number of arguments.
                if (!is_name_leaf(declaration->left) || *declaration->left->text == "args") routine.still = false;
                TOKEN_LIST names;
                if (declaration->right != nullptr) append_operands(declaration->right, ',', &names);
                for (const TOKEN* name : names) {
                    if (!plain) routine.variable_inputs.push_back(static_cast<uint32_t>(routine.parameters.size()));
                    routine.parameters.push_back(name);
                    routine.plain.push_back(plain ? 1 : 0);
                    routine.lends.push_back(lendable ? 1 : 0);
                }
            }
        }
        for (const TOKEN* above = node->parent; above != nullptr; above = above->parent) {
            if (above->scope != nullptr && above->scope->kind == 1) facts.type_routines = true;
        }
        const size_t index = facts.routines.size();
        facts.by_name[*node->text].push_back(index);
        facts.by_node[node] = index;
        for (size_t i = 0; i < routine.parameters.size(); ++i) facts.parameter_at[routine.parameters[i]] = {index, i};
        facts.routines.push_back(std::move(routine));
    }
}

bool operator_routine(const ROUTINE_FACTS& routine) {
    const TOKEN* node = routine.routine;
    return node->op1 == '"' && !node->text->empty();
}

// Takes stillness and lending away until every answer holds under the
// others: what is left is still and lends for sure.
void settle(PROGRAM_FACTS& facts) {
    for (bool changed = true; changed;) {
        changed = false;
        bool operators = true;
        for (const ROUTINE_FACTS& routine : facts.routines) {
            if (operator_routine(routine)) operators = operators && routine.still;
        }
        if (operators != facts.operators_still) changed = true;
        facts.operators_still = operators;
        for (ROUTINE_FACTS& routine : facts.routines) {
            if (!routine.still) continue;
            BODY_CHECK check(facts, routine);
            if (!check.run()) {
                routine.still = false;
                changed = true;
            } else if (check.lends != routine.lends) {
                routine.lends = check.lends;
                changed = true;
            }
        }
    }
}

TOKEN* program = nullptr;
std::unique_ptr<PROGRAM_FACTS> answers;
uint64_t answers_stamp = 0;
uint64_t answers_made = 0;  // counts the answers made and dropped: a memo knows its own

// The answers for the program's tree as it stands; null without a program.
const PROGRAM_FACTS* current_answers() {
    if (program == nullptr) return nullptr;
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    if (answers == nullptr || answers_stamp != stamp) {
        answers = std::make_unique<PROGRAM_FACTS>();
        collect_routines(program, *answers);
        settle(*answers);
        answers_stamp = stamp;
        ++answers_made;
    }
    return answers.get();
}

}  // namespace

void set_analysed_program(TOKEN* root) {
    program = root;
    answers.reset();
    ++answers_made;
}

namespace {

PARAMETER_LENDING lending_now(const TOKEN* parameter) {
    const PROGRAM_FACTS* facts = current_answers();
    if (facts == nullptr) return {};
    auto found = facts->parameter_at.find(parameter);
    if (found == facts->parameter_at.end()) return {};
    const ROUTINE_FACTS& routine = facts->routines[found->second.first];
    if (!routine.still || routine.lends[found->second.second] == 0) return {};
    return PARAMETER_LENDING{true, &routine.variable_inputs};
}

// The answers given lately, by parameter: a call in a loop asks for the
// same parameters every time. They hold while the answers do.
struct LENDING_MEMO {
    const TOKEN* parameter = nullptr;
    uint64_t made = 0;
    PARAMETER_LENDING answer;
};
constexpr size_t lending_memo_count = 64;
LENDING_MEMO lending_memos[lending_memo_count];

}  // namespace

PARAMETER_LENDING parameter_lending(const TOKEN* parameter) {
    const uint64_t stamp = tree_shape_generation + routine_tables_generation;
    LENDING_MEMO& memo = lending_memos[(reinterpret_cast<uintptr_t>(parameter) / alignof(TOKEN)) % lending_memo_count];
    if (memo.parameter == parameter && memo.made == answers_made && answers != nullptr && answers_stamp == stamp)
        return memo.answer;
    const PARAMETER_LENDING answer = lending_now(parameter);
    memo = LENDING_MEMO{parameter, answers_made, answer};
    return answer;
}

bool keeps_to_own_activation(const TOKEN* routine) {
    const PROGRAM_FACTS* facts = current_answers();
    if (facts == nullptr) return false;
    auto found = facts->by_node.find(routine);
    if (found == facts->by_node.end()) return false;
    const ROUTINE_FACTS& facts_of = facts->routines[found->second];
    return facts_of.still && facts_of.variable_inputs.empty();
}

}  // namespace morvu
