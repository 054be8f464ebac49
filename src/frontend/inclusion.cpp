#include "frontend/inclusion.h"

#include <memory>

#include "runtime/process_state.h"
#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "runtime/stream.h"

namespace morvu {

namespace {

bool is_string_constant(const TOKEN* node) { return node->op1 == '"' && node->op2 == 0; }

bool is_conditional_item(const TOKEN* node) { return node->op1 == ':' && node->op2 == 0; }

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

// The entries of a need statement's items, in order: a module item stands
// for its own items, every other item for itself.
TOKEN_LIST need_entries(TOKEN* statement) {
    TOKEN_LIST entries;
    if (statement->right == nullptr) return entries;
    for (TOKEN* item : split_by_operator(statement->right, ',')) {
        if (item->inclusion_state != inclusion_untouched || !item->text || !is_call_token(item)) {
            entries.append(item);
            continue;
        }
        if (item->module_inside)
            raise_at(item, format_string(msg_text("modopenicerlbei"), msg_text("ink")), error_kind_syntax);
        if (item->left != nullptr)
            for (TOKEN* inner : split_by_operator(item->left, ',')) entries.append(inner);
    }
    return entries;
}

// Whether a conditional item's file is included in this cycle.
bool application_fits(TOKEN* entry, const TOKEN* application, const PTR_PTR_TABLE& apps) {
    if (apps.entry_count() == 0) return *application->text == application_name;
    TOKEN* type = find_symbol(entry, *application->text, 't', false, entry);
    return type != nullptr && apps.contains(reinterpret_cast<uintptr_t>(type));
}

// Reads and parses the file of a need entry; the tree, never null.
std::unique_ptr<TOKEN> read_included_file(TOKEN* entry, const std::string& name) {
    std::string path = resolve_include_path(name, true);
    if (path.empty()) raise_at(entry, format_string(msg_text("zuinkldatexinic"), name.c_str()), error_kind_analysis);
    FILE_DATA file(path);
    const char* message = nullptr;
    file.open("i", &message);
    if (message != nullptr) raise_at(entry, message, error_kind_analysis);
    NAME_LIST lines;
    read_line(&file, lines);
    file.close();
    std::unique_ptr<TOKEN> tree = parse_program(name, lines, false);
    if (!tree) raise_at(entry, format_string(msg_text("zuinkldatlee"), name.c_str()), error_kind_analysis);
    return tree;
}

// Carries out one entry of the need statement `statement`; appends the file
// name it names to `names`.
void include_entry(TOKEN* statement, TOKEN* entry, NAME_LIST& names, int* file_counter, STR_INT_TABLE& files,
                   PTR_PTR_TABLE& apps, bool application_cycle) {
    if (is_conditional_item(entry)) {
        TOKEN* application = entry->left;
        TOKEN* file = entry->right;
        if (!is_word_token(application))
            raise_at(application != nullptr ? application : entry, msg_text("erwappdatbedink"), error_kind_syntax);
        if (file == nullptr) raise_at(entry, msg_text("inkmusdatnamsei"), error_kind_syntax);
        if (!application_cycle || !application_fits(entry, application, apps)) {
            if (file->inclusion_state != inclusion_grafted) file->inclusion_state = inclusion_left_out;
            return;
        }
        entry = file;
    }
    if (entry->inclusion_state == inclusion_grafted) return;
    if (!is_string_constant(entry)) raise_at(entry, msg_text("inkmusdatnamsei"), error_kind_syntax);
    std::string name = *entry->text;
    names.append(name);
    if (files.contains(name)) {
        entry->inclusion_state = inclusion_repeated;
        return;
    }
    (*file_name_table)[*file_counter] = name;
    std::unique_ptr<TOKEN> tree = read_included_file(entry, name);
    entry->replace_by(tree.release());
    enter_token(files, name, entry);
    set_token_file(entry, *file_counter);
    ++*file_counter;
    // Walks up from inside the included file stop at its root; the need
    // statement still reaches the tree downwards.
    entry->parent = nullptr;
    entry->inclusion_state = inclusion_grafted;
    enter_token(*included_file_table, name, statement);
}

// The need item that names `name` and was left a file name because the file
// was already in place: where a cycle through the program file is reported,
// since no need statement grafted the program file.
TOKEN* find_need_item(TOKEN* root, const std::string& name) {
    TOKEN_LIST nodes;
    collect_tokens(root, &nodes);
    for (TOKEN* node : nodes)
        if (is_string_constant(node) && node->inclusion_state == inclusion_repeated && node->text &&
            *node->text == name)
            return node;
    return root;
}

}  // namespace

std::string resolve_include_path(const std::string& name, bool search) {
    if (is_regular_file(name)) return name;
    if (search) {
        for (const std::string& directory : include_dirs) {
            std::string path = directory + "/" + name;
            if (is_regular_file(path)) return path;
        }
    }
    return std::string();
}

bool is_need_statement(const TOKEN* node) {
    return node != nullptr && node->op1 == ' ' && node->op2 == 0 && is_word(node->left, "need");
}

void set_token_file(TOKEN* root, int index) {
    TOKEN_LIST nodes;
    collect_tokens(root, &nodes);
    for (TOKEN* node : nodes) node->file_index = index;
}

void include_file(TOKEN* root, int* file_counter, STR_INT_TABLE& files, PTR_PTR_TABLE& apps, bool application_cycle) {
    if (!root->included_names) {
        root->included_names = std::make_unique<NAME_LIST>();
        for (TOKEN* statement : split_by_operator(root, ';')) statement->outermost = 1;
    }
    // The tree as it stands now: files grafted below are handled by the
    // cyclic check, which includes them in turn.
    TOKEN_LIST nodes;
    collect_tokens(root, &nodes);
    NAME_LIST names;
    for (TOKEN* statement : nodes) {
        if (!is_need_statement(statement)) continue;
        if (!statement->outermost) raise_at(statement, msg_text("inknurerlaussco"), error_kind_syntax);
        for (TOKEN* entry : need_entries(statement))
            include_entry(statement, entry, names, file_counter, files, apps, application_cycle);
    }
    check_cyclic_inclusion(root, names, file_counter, files, apps, application_cycle);
}

void check_cyclic_inclusion(TOKEN* root, const NAME_LIST& names, int* file_counter, STR_INT_TABLE& files,
                            PTR_PTR_TABLE& apps, bool application_cycle) {
    if (names.empty()) return;
    std::string own_name = source_file_name(root->file_index);
    NAME_LIST next_names;
    for (const std::string& name : names) {
        if (name == own_name) {
            std::string message = format_string(msg_text("zykinkdat"), name.c_str());
            TOKEN* statement = table_token(*included_file_table, name);
            raise_at(statement != nullptr ? statement : find_need_item(root, name), message, error_kind_analysis);
        }
        if (root->included_names->contains(name)) continue;
        root->included_names->append(name);
        TOKEN* tree = table_token(files, name);
        if (tree == nullptr) continue;
        include_file(tree, file_counter, files, apps, application_cycle);
        for (const std::string& included : *tree->included_names) next_names.append(included);
    }
    check_cyclic_inclusion(root, next_names, file_counter, files, apps, application_cycle);
}

}  // namespace morvu
