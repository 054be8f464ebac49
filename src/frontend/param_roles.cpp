#include "frontend/param_roles.h"

#include "frontend/token.h"
#include "frontend/type_defs.h"
#include "runtime/error.h"
#include "runtime/messages.h"

namespace morvu {

void check_fun_arg(TOKEN* part, char mode, TOKEN_LIST& result_list) {
    if (part == nullptr || is_empty_operand(part)) return;
    const int magnitude = mode == 'o' ? 1 : 2;
    for (TOKEN* declaration : split_by_operator(part, ';')) {
        int role;
        if (declaration->op1 == ':' && declaration->op2 == '$') role = magnitude;
        else if (declaration->op1 == ' ' && declaration->op2 == 0) role = -magnitude;
        else
            raise_error(declaration, routine_kind_none, nullptr, msg_text("erwkeiodereftokbeifunarg"),
                        error_kind_syntax);
        TOKEN* type_word = declaration->left;
        if (!is_word_token(type_word))
            raise_error(declaration, routine_kind_none, nullptr, msg_text("erwdattypnambeifunarg"), error_kind_syntax);
        if (declaration->right == nullptr)
            raise_error(declaration, routine_kind_none, nullptr, msg_text("erwvarnambeifunarg"), error_kind_syntax);
        TOKEN_LIST names = split_by_operator(declaration->right, ',');
        for (TOKEN* name : names)
            if (!is_word_token(name))
                raise_error(name, routine_kind_none, nullptr, msg_text("erwvarnambeifunarg"), error_kind_syntax);
        for (TOKEN* name : names) {
            TOKEN* collected = mode == 't' ? type_word : name;
            collected->arg_role = role;
            result_list.append(collected);
        }
    }
}

}  // namespace morvu
