#include "frontend/collect_defs.h"

#include <utility>
#include <vector>

#include "runtime/display_name.h"
#include "values/signatures.h"
#include "runtime/process_state.h"
#include "frontend/inclusion.h"
#include "runtime/name_list.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/signatures.h"

namespace morvu {

namespace {

constexpr char key_mark = static_cast<char>(0xA7);

using TABLE_ENTRIES = std::vector<std::pair<std::string, TOKEN*>>;

// The entries of a table in its walk order (insertion order for ordered
// tables), taken out first so that nothing done with them disturbs the
// table's one cursor. Entries holding 0 define nothing and are left out.
TABLE_ENTRIES table_entries(STR_INT_TABLE& table) {
    TABLE_ENTRIES entries;
    std::string key;
    for (bool more = table.first(key); more; more = table.next(key))
        if (TOKEN* node = table_token(table, key)) entries.emplace_back(key, node);
    return entries;
}

bool is_conditional_item(const TOKEN* node) { return node->op1 == ':' && node->op2 == 0; }

// One included file reached through a need item: the node holding its tree
// and the module prefix under which the includer sees it.
struct INCLUDED {
    TOKEN* tree;
    std::string prefix;
};

// The files that the need items of one statement lead to, in item order.
// Conditional items left out and items of files not in place are skipped.
// Without a file table only the items where a file's tree was grafted count;
// with one, also the items naming a file grafted elsewhere.
std::vector<INCLUDED> need_targets(TOKEN* statement, const std::string& prefix, const STR_INT_TABLE* files) {
    std::vector<INCLUDED> targets;
    if (statement->right == nullptr) return targets;
    for (TOKEN* item : split_by_operator(statement->right, ',')) {
        std::string item_prefix = prefix;
        TOKEN_LIST entries;
        if (item->inclusion_state == inclusion_untouched && item->text && is_call_token(item)) {
            item_prefix += *item->text;
            item_prefix += module_separator;
            if (item->left != nullptr) entries = split_by_operator(item->left, ',');
        } else {
            entries.append(item);
        }
        for (TOKEN* entry : entries) {
            if (is_conditional_item(entry)) entry = entry->right;
            if (entry == nullptr) continue;
            if (entry->inclusion_state == inclusion_grafted) {
                targets.push_back({entry, item_prefix});
            } else if (entry->inclusion_state == inclusion_repeated && files != nullptr && entry->text) {
                if (TOKEN* tree = table_token(*files, *entry->text)) targets.push_back({tree, item_prefix});
            }
        }
    }
    return targets;
}

[[noreturn]] void raise_duplicate(TOKEN* at, const std::string& message) {
    raise_error(at, routine_kind_none, nullptr, message, error_kind_analysis);
}

// Enters the type or variable definitions of `from` into `into` under the
// prefix; another definition there under the same name is refused with the
// message `identifier`.
void merge_definitions(STR_INT_TABLE& from, STR_INT_TABLE& into, const std::string& prefix, const char* identifier) {
    for (const auto& [name, definition] : table_entries(from)) {
        std::string qualified = prefix + name;
        TOKEN* existing = table_token(into, qualified);
        // The same definition reached again through a file that already
        // collected it is no second definition.
        if (existing == definition) continue;
        if (existing != nullptr) raise_redefinition(definition, identifier, qualified, existing);
        enter_token(into, qualified, definition);
    }
}

void merge_routines(TOKEN* defining_tree, TOKEN* collecting_root, const std::string& prefix, bool procedures) {
    SCOPE& source = *defining_tree->scope;
    SCOPE& target = *collecting_root->scope;
    STR_INT_TABLE& from = procedures ? source.procedures : source.functions;
    STR_INT_TABLE& into = procedures ? target.procedures : target.functions;
    for (const auto& [key, definition] : table_entries(from)) {
        std::string qualified = prefix + key;
        std::string stored_key = routine_signature_key(defining_tree, qualified, collecting_root);
        TOKEN* existing = table_token(into, stored_key);
        if (existing == definition) continue;
        if (existing != nullptr) {
            const char* word = routine_type_word(target.kind == 1, procedures);
            std::string routine = method_context(definition, "", qualified, true);
            raise_duplicate(definition, format_string(msg_text("schdefbei"), word, routine.c_str(),
                                                      position_text(existing).c_str()));
        }
        enter_routine(into, stored_key, definition);
    }
}

// A routine of a type body to be entered there again under another key.
struct RENAMED_ROUTINE {
    STR_INT_TABLE* table;
    std::string key;
    TOKEN* definition;
};
using RENAMED_ROUTINES = std::vector<RENAMED_ROUTINE>;

// The type definitions of one file's own tree, nested ones included; the
// trees of the files it includes are met by their own merge.
std::vector<TOKEN*> own_type_definitions(TOKEN* tree) {
    std::vector<TOKEN*> types;
    std::vector<TOKEN*> pending{tree};
    while (!pending.empty()) {
        TOKEN* node = pending.back();
        pending.pop_back();
        if (node != tree && node->inclusion_state == inclusion_grafted) continue;
        if (is_type_definition(node)) types.push_back(node);
        if (node->right != nullptr) pending.push_back(node->right);
        if (node->left != nullptr) pending.push_back(node->left);
    }
    return types;
}

// A call from the collecting root names the parameter types of a routine
// of an included file's type as the root sees them, as it does for the
// file's outermost routines: each routine of the file's type bodies is to be
// entered in its body again under its key rebuilt for the root. The keys
// are entered only once every root is collected, so that every key rebuilt
// is one that its definition was registered under.
void rename_type_routines(TOKEN* source_tree, TOKEN* collecting_root, RENAMED_ROUTINES& renamed) {
    for (TOKEN* type : own_type_definitions(source_tree)) {
        TOKEN* body = last_list_item(type);
        if (body == nullptr || body->scope == nullptr) continue;
        for (STR_INT_TABLE* table : {&body->scope->procedures, &body->scope->functions}) {
            for (const auto& [key, definition] : table_entries(*table)) {
                std::string seen = routine_signature_key(definition, key, collecting_root);
                if (seen != key) renamed.push_back({table, std::move(seen), definition});
            }
        }
    }
}

// Enters the rebuilt keys. A key that already answers for another routine
// of the type keeps it: the type's own definitions come first.
void enter_renamed(const RENAMED_ROUTINES& renamed) {
    for (const RENAMED_ROUTINE& routine : renamed) {
        if (table_token(*routine.table, routine.key) == nullptr)
            enter_token(*routine.table, routine.key, routine.definition);
    }
    if (!renamed.empty()) ++routine_tables_generation;
}

// Merges the definitions of the file whose tree is `source_tree` into the
// collecting root, under the prefix.
void merge_file(TOKEN* source_tree, TOKEN* collecting_root, const std::string& prefix, bool types,
                RENAMED_ROUTINES& renamed) {
    if (source_tree->scope == nullptr || collecting_root->scope == nullptr) return;
    SCOPE& source = *source_tree->scope;
    SCOPE& target = *collecting_root->scope;
    if (types) {
        merge_definitions(source.types, target.types, prefix, "dattypschdefbei");
        return;
    }
    merge_definitions(source.variables, target.variables, prefix, "varschdefbei");
    merge_routines(source_tree, collecting_root, prefix, true);
    merge_routines(source_tree, collecting_root, prefix, false);
    rename_type_routines(source_tree, collecting_root, renamed);
}

void collect_into(TOKEN* tree, const std::string& prefix, TOKEN* collecting_root, bool types, NAME_LIST& visited,
                  STR_INT_TABLE& files, RENAMED_ROUTINES& renamed) {
    for (TOKEN* statement : split_by_operator(tree, ';')) {
        if (!is_need_statement(statement)) continue;
        for (const INCLUDED& included : need_targets(statement, prefix, &files)) {
            // A grafted tree carries its file's index, so its name is the
            // file-table key that leads to it.
            std::string path = included.prefix + source_file_name(included.tree->file_index);
            if (visited.contains(path)) continue;
            visited.append(path);
            merge_file(included.tree, collecting_root, included.prefix, types, renamed);
            collect_into(included.tree, included.prefix, collecting_root, types, visited, files, renamed);
        }
    }
}

}  // namespace

void collect_definitions(int last_file_index, bool types, STR_INT_TABLE& files) {
    RENAMED_ROUTINES renamed;
    for (int index = -1; index <= last_file_index; ++index) {
        TOKEN* tree = table_token(files, source_file_name(index));
        if (tree == nullptr) continue;
        NAME_LIST visited;
        collect_into(tree, std::string(), tree, types, visited, files, renamed);
    }
    enter_renamed(renamed);
}

void collect_file_definitions(TOKEN* tree, const std::string& prefix, TOKEN* collecting_root, bool types,
                              NAME_LIST& visited, STR_INT_TABLE& files) {
    RENAMED_ROUTINES renamed;
    collect_into(tree, prefix, collecting_root, types, visited, files, renamed);
    enter_renamed(renamed);
}

std::string routine_signature_key(TOKEN* defining_tree, const std::string& key, TOKEN* collecting_root) {
    std::string name;
    std::vector<std::string> parameter_types;
    bool well_formed = true;
    scan_param_types(key, name, parameter_types, well_formed);
    std::string result = name;
    result += key_mark;
    for (const std::string& type_name : parameter_types) {
        TOKEN* definition = find_symbol(defining_tree, type_name, 't', false, defining_tree);
        // The full name of a nested type shows its module separators as
        // "::"; keys carry the byte, as the keys of calls do.
        std::string seen =
            definition != nullptr ? internal_name(qualified_type_name(collecting_root, definition)) : std::string();
        result += seen.empty() ? type_name : seen;
        result += ';';
    }
    if (!parameter_types.empty()) result += key_mark;
    return result;
}

void collect_needs(TOKEN* tree, const std::string& prefix) {
    if (tree->scope == nullptr) return;
    STR_INT_TABLE& storage = tree->scope->storage;
    TOKEN_LIST statements = split_by_operator(tree, ';');

    // Number the nodes of every statement but the need statements with the
    // statement's position, so each declaration finds its statement at once.
    TOKEN_LIST marked;
    for (uint32_t position = 0; position < statements.count(); ++position) {
        if (is_need_statement(statements[position])) continue;
        uint32_t start = marked.count();
        collect_tokens(statements[position], &marked);
        for (uint32_t i = start; i < marked.count(); ++i) marked[i]->walk_mark = static_cast<int32_t>(position + 1);
    }
    std::vector<TABLE_ENTRIES> by_statement(statements.count());
    TABLE_ENTRIES unplaced;
    for (auto& entry : table_entries(storage)) {
        int32_t mark = entry.second->walk_mark;
        if (mark > 0 && static_cast<uint32_t>(mark) <= statements.count())
            by_statement[static_cast<size_t>(mark - 1)].push_back(std::move(entry));
        else unplaced.push_back(std::move(entry));
    }
    for (TOKEN* node : marked) node->walk_mark = 0;

    STR_INT_TABLE ordered(0, true, 97);
    for (uint32_t position = 0; position < statements.count(); ++position) {
        TOKEN* statement = statements[position];
        if (!is_need_statement(statement)) {
            for (const auto& [name, declaration] : by_statement[position])
                enter_token(ordered, prefix + name, declaration);
            continue;
        }
        for (const INCLUDED& included : need_targets(statement, prefix, nullptr)) {
            collect_needs(included.tree, included.prefix);
            if (included.tree->scope == nullptr) continue;
            // The included file's keys already carry its prefix.
            for (const auto& [name, declaration] : table_entries(included.tree->scope->storage))
                enter_token(ordered, name, declaration);
            included.tree->scope->storage.clear();
            ++routine_tables_generation;
        }
    }
    // Declarations outside every statement keep their place after the rest
    // instead of losing their cells.
    for (const auto& [name, declaration] : unplaced) enter_token(ordered, prefix + name, declaration);

    storage.clear();
    for (const auto& [name, declaration] : table_entries(ordered)) enter_token(storage, name, declaration);
}

}  // namespace morvu
