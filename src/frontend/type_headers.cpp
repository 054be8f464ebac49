// Type headers: the basic types of a definition, its base-type list, cyclic
// inheritance, and the two questions about type relations (derives_from,
// check_type_spec).

#include <algorithm>
#include <memory>

#include "runtime/display_name.h"
#include "values/signatures.h"
#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"
#include "values/union_data.h"

namespace morvu {

namespace {

bool list_holds(const TOKEN_LIST& list, const TOKEN* token) {
    return std::find(list.begin(), list.end(), token) != list.end();
}

[[noreturn]] void raise_at(const TOKEN* node, const std::string& message, char kind) {
    raise_error(node, routine_kind_none, nullptr, message, kind);
}

// The message with one display name filled in.
std::string with_name(const char* identifier, const std::string& name) {
    return format_string(msg_text(identifier), display_name(name.c_str()).c_str());
}

// The message with two display names filled in.
std::string with_names(const char* identifier, const std::string& first, const std::string& second) {
    const std::string& shown_first = display_name(first.c_str());
    const std::string& shown_second = display_name(second.c_str());
    return format_string(msg_text(identifier), shown_first.c_str(), shown_second.c_str());
}

}  // namespace

void parse_type_def(TOKEN* type_def, bool report_undefined) {
    if (!is_type_definition(type_def) || type_def->base_types) return;
    type_def->base_types = std::make_unique<TOKEN_LIST>();
    type_def->base_types->append(type_def);

    TOKEN_LIST parts;
    if (type_def->left != nullptr) append_operands(type_def->left, juxtaposition_chain, &parts);
    if (parts.count() != 1 && parts.count() != 2)
        raise_at(type_def, format_string(msg_text("erwtypdeffor"), type_def->parent->left->text->c_str()),
                 error_kind_syntax);

    TOKEN_LIST items;
    for (TOKEN* part : parts) {
        if (is_block(part)) items.append(part);
        else append_operands(part, ',', &items);
    }
    TOKEN* body = items.last();
    if (!is_block(body)) raise_at(body->parent, with_name("rumtypistkeicod", *type_def->text), error_kind_syntax);

    TOKEN_LIST direct;
    for (uint32_t i = 0; i + 1 < items.count(); ++i) {
        TOKEN* item = items[i];
        if (is_empty_operand(item)) raise_at(type_def, msg_text("ersteitypdefistlee"), error_kind_syntax);
        if (is_block(item)) raise_at(type_def, msg_text("ersteitypdefistcod"), error_kind_syntax);
        if (!is_word_token(item)) raise_at(type_def, msg_text("erwbastypersteitypdef"), error_kind_analysis);
        if (is_type_name(item)) raise_at(type_def, msg_text("stddattypbasdattypunz"), error_kind_analysis);
        if (item->declaration == nullptr)
            item->declaration = find_symbol(item->parent, *item->text, 't', false, item->parent);
        if (item->declaration == nullptr) {
            if (report_undefined) raise_at(type_def, with_name("unbdattypxxx", *item->text), error_kind_analysis);
            continue;
        }
        if (!list_holds(direct, item->declaration)) direct.append(item->declaration);
    }
    check_cyclic_inheritance(type_def, direct, report_undefined);
}

void check_cyclic_inheritance(TOKEN* type_def, const TOKEN_LIST& new_bases, bool report_undefined) {
    // Level by level: each round adds the types that the previous one
    // reached, so the list keeps the order direct bases first.
    TOKEN_LIST current = new_bases;
    while (!current.empty()) {
        TOKEN_LIST next;
        for (TOKEN* base : current) {
            if (base == type_def) raise_at(type_def, with_name("zykverdattyp", *type_def->text), error_kind_analysis);
            if (list_holds(*type_def->base_types, base)) continue;
            type_def->base_types->append(base);
            parse_type_def(base, report_undefined);
            if (base->base_types)
                for (TOKEN* entry : *base->base_types) next.append(entry);
        }
        current = std::move(next);
    }
}

void free_base_lists(const TOKEN_LIST& tokens, bool report_undefined) {
    SCOPE_WALK_MEMO memo;  // base-type lists change no node
    for (TOKEN* token : tokens) token->base_types.reset();
    for (TOKEN* token : tokens) parse_type_def(token, report_undefined);
}

bool derives_from(const TOKEN* type_def, const TOKEN* target) {
    if (type_def == nullptr || !type_def->base_types) return false;
    for (TOKEN* type : *type_def->base_types) {
        if (type == target) return true;
        TOKEN* body = last_list_item(type);
        if (body == nullptr || body->scope == nullptr) continue;
        if (body->scope->types.first_holding(reinterpret_cast<intptr_t>(target)) != nullptr) return true;
    }
    return false;
}

TOKEN* check_type_spec(TOKEN* node, RESULT_ITEM value, const char* qualifier_text) {
    UNION_DATA* cell = value.cell != nullptr ? follow_aliases(value.cell) : nullptr;
    if (cell == nullptr) raise_at(node, msg_text("insexinic"), error_kind_system);
    std::string qualifier = qualifier_text != nullptr ? qualifier_text : "";
    if (base_type_code(cell) != tag_object) {
        std::string type_text = type_name_text(value_type_name(cell, true));
        raise_at(
            node,
            format_string(msg_text("typspedattypnicerl"), display_name(qualifier.c_str()).c_str(), type_text.c_str()),
            error_kind_system);
    }
    if (is_reference_tag(cell->tag)) cell = cell->target();
    OBJECT_HOLDER* holder = cell->holder();
    TOKEN* type = holder != nullptr ? holder->type : nullptr;
    if (type == nullptr) raise_at(node, msg_text("insexinic"), error_kind_system);

    TOKEN* start = qualifier.find(static_cast<char>(module_separator)) != std::string::npos ? node : type;
    TOKEN* found = find_symbol(start, qualifier, 't', false, node);
    if (found == nullptr) raise_at(node, with_names("unbdattypxxxbeityp", qualifier, *type->text), error_kind_analysis);
    bool listed = type->base_types ? list_holds(*type->base_types, found) : found == type;
    if (!listed) raise_at(node, with_names("fuedattypkeibasdattyp", *type->text, qualifier), error_kind_analysis);
    return found;
}

}  // namespace morvu
