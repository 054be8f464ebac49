// The definition passes on parsed single-file programs, run in the order of a
// program run: each test names the pass that must report an error, with the
// error's kind, text and line, or inspects what the passes built.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frontend/analysis.h"
#include "frontend/decl_rewrite.h"
#include "runtime/process_state.h"
#include "frontend/inclusion.h"
#include "frontend/name_resolution.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/str_stream.h"
#include "tree_printer.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::print_tree;

const std::string mark = "\xA7";

// A parsed program and the analysis passes run over it.
class ANALYSED {
public:
    explicit ANALYSED(const std::string& source, const std::string& application = "") {
        program_arguments = std::make_unique<PROGRAM_ARGUMENTS>();
        add_program_argument(*program_arguments, "prog.mrv");
        file_name_table = std::make_unique<INT_STR_TABLE>("", false, 97);
        application_name = application;
        try {
            failed_pass = "parse";
            root = test::parse_source(source);
            failed_pass.clear();
            run();
        } catch (const ERROR& raised) {
            error = raised;
        }
    }
    ~ANALYSED() {
        root.reset();
        application_name.clear();
        program_arguments.reset();
        file_name_table.reset();
    }
    ANALYSED(const ANALYSED&) = delete;
    ANALYSED& operator=(const ANALYSED&) = delete;

    // The pass that raised, or "" after a clean analysis.
    std::string failed_pass;
    ERROR error;
    std::unique_ptr<TOKEN> root;

    // "kind|line|message" of the error, or "ok".
    std::string outcome() const {
        if (failed_pass.empty()) return "ok";
        return std::string(1, error.kind) + "|" + std::to_string(error.line) + "|" + error.message;
    }

    // The type-definition node of the type with this name, searched in the
    // whole tree.
    TOKEN* type(const std::string& name) const {
        TOKEN_LIST all;
        collect_tokens(root.get(), &all);
        for (TOKEN* token : all)
            if (is_type_definition(token) && *token->text == name) return token;
        return nullptr;
    }

    // The first name node with this text that declares a variable.
    TOKEN* declared(const std::string& name) const {
        TOKEN_LIST all;
        collect_tokens(root.get(), &all);
        for (TOKEN* token : all)
            if (token->text && *token->text == name && token->declaration == token && token->op1 == 0) return token;
        return nullptr;
    }

private:
    TOKEN_LIST tokens;

    void collect() {
        tokens.clear();
        collect_tokens(root.get(), &tokens);
    }

    void stage(const char* name, const std::function<void()>& pass) {
        failed_pass = name;
        pass();
        failed_pass.clear();
    }

    void run() {
        STR_INT_TABLE files(0, false, 97);
        PTR_PTR_TABLE apps(0, false, 97);
        files["prog.mrv"] = reinterpret_cast<intptr_t>(root.get());
        int counter = 0;
        const int cycles = application_name.empty() ? 1 : 2;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            const bool last = cycle == cycles - 1;
            include_file(root.get(), &counter, files, apps, cycle == 1);
            collect();
            stage("clear_def_data", [&] { clear_def_data(tokens); });
            if (last) rewrite_declaration_inits(tokens);
            collect();
            stage("typdef_pass", [&] { typdef_pass(tokens); });
            stage("free_base_lists", [&] { free_base_lists(tokens, last); });
            if (!last) stage("typdef_pass2", [&] { typdef_pass2(tokens, apps); });
        }
        application_table_size = apps.entry_count();
        stage("typdef_pass3", [&] { typdef_pass3(tokens); });
        collect();
        stage("fundef_pass", [&] { fundef_pass(tokens); });
        collect();
        stage("free_base_lists", [&] { free_base_lists(tokens, true); });
        stage("fundef_form_pass", [&] { fundef_form_pass(tokens); });
        stage("vardef_pass", [&] { vardef_pass(tokens); });
        stage("operator_name_pass", [&] { operator_name_pass(tokens); });
        stage("variable_pass", [&] { variable_pass(tokens); });
        stage("type_body_pass", [&] { type_body_pass(tokens); });
        stage("basic_init_pass", [&] { basic_init_pass(tokens); });
    }

public:
    int application_table_size = 0;
};

// The pass and outcome of a program.
std::pair<std::string, std::string> failure(const std::string& source, const std::string& application = "") {
    ANALYSED analysed(source, application);
    return {analysed.failed_pass, analysed.outcome()};
}

using FAILURE = std::pair<std::string, std::string>;

std::string base_names(const TOKEN* type) {
    std::string names;
    if (!type->base_types) return "<none>";
    for (TOKEN* base : *type->base_types) names += (names.empty() ? "" : ",") + *base->text;
    return names;
}

// The keys of a routine table, each shown with § for 0xA7.
std::string shown_keys(STR_INT_TABLE& table) {
    std::string keys;
    std::string key;
    for (bool more = table.first(key); more; more = table.next(key)) {
        std::string shown;
        for (char c : key) shown += c == '\xA7' ? std::string("§") : std::string(1, c);
        keys += (keys.empty() ? "" : " ") + shown;
    }
    return keys;
}

SCOPE* body_scope(const TOKEN* type) { return last_list_item(const_cast<TOKEN*>(type))->scope; }

// ---- typdef_pass ----

TEST(AnalysisTypeDefinitions, HeaderErrors) {
    EXPECT_EQ(failure("x = 1\nbigtype int {}"), FAILURE("typdef_pass", "a|2|Predefined type"));
    EXPECT_EQ(failure("bigtype graph {}"), FAILURE("typdef_pass", "a|1|Predefined type"));
    EXPECT_EQ(failure("smalltype need {}"), FAILURE("typdef_pass", "a|1|Predefined type"));
    const std::string form = "p|1|Expect type definition of the form 'bigtype <name> [ (<basic types>) ] { <body> }'";
    EXPECT_EQ(failure("bigtype T"), FAILURE("typdef_pass", form));
    EXPECT_EQ(failure("bigtype \"T\""), FAILURE("typdef_pass", form));
    EXPECT_EQ(failure("smalltype \"T\"").second,
              "p|1|Expect type definition of the form 'smalltype <name> [ (<basic types>) ] { <body> }'");
    EXPECT_EQ(failure("bigtype a+b"), FAILURE("typdef_pass", "p|1|Expect no operator at type definition"));
    EXPECT_EQ(failure("bigtype m::T {}"), FAILURE("typdef_pass", "p|1|'::'-operator not allowed at type definition"));
}

TEST(AnalysisTypeDefinitions, DuplicatesPerScope) {
    EXPECT_EQ(failure("bigtype A {}\nsmalltype A {}"),
              FAILURE("typdef_pass", "a|2|Type 'A' already defined at file 'prog.mrv', line '1'"));
    // The same name in another block, a routine body or a type body is
    // another scope.
    ANALYSED nested("bigtype A {}\nproc p { bigtype A {} }\nbigtype B { bigtype A {} }\nif (1) { bigtype A {} }");
    ASSERT_EQ(nested.outcome(), "ok");
    TOKEN* outer = table_token(nested.root->scope->types, "A");
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->line, 1);
    TOKEN* in_type = table_token(body_scope(nested.type("B"))->types, "A");
    ASSERT_NE(in_type, nullptr);
    EXPECT_EQ(in_type->line, 3);
    EXPECT_EQ(in_type->declaration, in_type);
}

TEST(AnalysisTypeDefinitions, ScopesOfBlocksRoutinesAndTypes) {
    ANALYSED analysed(
        "proc p(int a) { int x }\nproc q { int y }\nbigtype T {}\nbigtype U {}\nproc U:r(int b) { int z }");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(analysed.root->scope->kind, 0);
    // An ordinary routine's body block owns no scope: its statements belong
    // to the node that joins brackets and body. A body-only routine's scope
    // is on the block itself.
    TOKEN* x = analysed.declared("x");
    ASSERT_NE(x, nullptr);
    TOKEN* joined = x->parent->parent;
    EXPECT_TRUE(is_juxtaposition(joined));
    EXPECT_EQ(joined->right->scope, nullptr);
    ASSERT_NE(joined->scope, nullptr);
    EXPECT_NE(table_token(joined->scope->variables, "a"), nullptr);
    EXPECT_NE(table_token(joined->scope->variables, "x"), nullptr);
    EXPECT_NE(analysed.declared("y")->parent->scope, nullptr);
    EXPECT_EQ(body_scope(analysed.type("T"))->kind, 1);
    // The body of an external definition keeps a scope of its own.
    TOKEN* z = analysed.declared("z");
    ASSERT_NE(z, nullptr);
    EXPECT_NE(z->parent->scope, nullptr);
}

// ---- base-type lists ----

TEST(AnalysisTypeHeaders, BaseTypeLists) {
    ANALYSED analysed("bigtype D {}\nbigtype B(D) {}\nbigtype C {}\nbigtype A(B, C, B) {}\nbigtype E {}");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(base_names(analysed.type("A")), "A,B,C,D");
    EXPECT_EQ(base_names(analysed.type("E")), "E");
    EXPECT_TRUE(derives_from(analysed.type("A"), analysed.type("D")));
    EXPECT_FALSE(derives_from(analysed.type("B"), analysed.type("C")));
    ANALYSED inner("bigtype V { bigtype W {} }\nbigtype X(V) {}");
    ASSERT_EQ(inner.outcome(), "ok");
    EXPECT_TRUE(derives_from(inner.type("X"), inner.type("W")));
    EXPECT_TRUE(derives_from(inner.type("X"), inner.type("X")));
}

// The error a call raises, as "kind|message".
std::string raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const ERROR& error) {
        return std::string(1, error.kind) + "|" + error.message;
    }
    return "none";
}

TEST(AnalysisTypeHeaders, TypeSpecifications) {
    ANALYSED analysed("bigtype B {}\nbigtype D(B) {}\nbigtype Q {}");
    ASSERT_EQ(analysed.outcome(), "ok");
    TOKEN* d = analysed.type("D");
    RESULT_ITEM object{top_cell(d), 6, 0};
    TOKEN* node = analysed.root.get();
    EXPECT_EQ(check_type_spec(node, object, "B"), analysed.type("B"));
    EXPECT_EQ(check_type_spec(node, object, "D"), d);
    EXPECT_EQ(raised([&] { check_type_spec(node, object, "Q"); }), "a|For type 'D' there is no basic type 'Q'");
    EXPECT_EQ(raised([&] { check_type_spec(node, object, "N"); }), "a|Type 'N' unknown at definition of type 'D'");
    UNION_DATA number('i');
    EXPECT_EQ(raised([&] {
                  check_type_spec(node, RESULT_ITEM{&number, 6, 0}, "B");
              }),
              "s|Type specification 'B' for type 'int' not allowed");
    EXPECT_EQ(raised([&] { check_type_spec(node, RESULT_ITEM{}, "B"); }), "s|Object does not exist");
}

TEST(AnalysisTypeHeaders, HeaderAndInheritanceErrors) {
    EXPECT_EQ(failure("bigtype T(int) {}"), FAILURE("free_base_lists", "a|1|Standard type infeasible as basic type"));
    EXPECT_EQ(failure("bigtype T(U) {}"), FAILURE("free_base_lists", "a|1|Unknown type 'U'"));
    EXPECT_EQ(failure("x = 0\nbigtype A(A) {}"), FAILURE("free_base_lists", "a|2|Cyclic inheritance of type 'A'"));
    EXPECT_EQ(failure("bigtype A(B) {}\nbigtype B(A) {}"),
              FAILURE("free_base_lists", "a|2|Cyclic inheritance of type 'B'"));
    EXPECT_EQ(failure("bigtype T(A)"), FAILURE("free_base_lists", "p|1|Body of type 'T' is no code"));
    EXPECT_EQ(failure("bigtype T() {}"), FAILURE("free_base_lists", "p|1|First part of type definition is empty"));
    EXPECT_EQ(failure("bigtype T(\"A\") {}"),
              FAILURE("free_base_lists", "a|1|Expect basic type(s) in first part of type definition"));
    EXPECT_EQ(failure("bigtype A {}\nbigtype T(A)(A) {}").second,
              "p|2|Expect type definition of the form 'bigtype <name> [ (<basic types>) ] { <body> }'");
}

// ---- type extensions ----

TEST(AnalysisTypeExtensions, CheckedWithoutApplication) {
    EXPECT_EQ(failure("bigtype B { B += {int x} }"),
              FAILURE("typdef_pass3", "a|1|Infeasible extension of current type 'B'"));
    EXPECT_EQ(failure("bigtype T {}\nbigtype B(T) {\n  T += {int x}\n}"),
              FAILURE("typdef_pass3", "a|3|Infeasible extension of basic type 'T'"));
    EXPECT_EQ(failure("bigtype B { int += X }"),
              FAILURE("typdef_pass3", "a|1|Extension of predefined type not allowed"));
    EXPECT_EQ(failure("bigtype B { U += X }"),
              FAILURE("typdef_pass3", "a|1|Type 'U' not defined within scope of type 'B'"));
    EXPECT_EQ(failure("bigtype T {}\nbigtype B { T += X }"),
              FAILURE("typdef_pass3", "a|2|Type 'X' not defined within scope of type 'B'"));
    EXPECT_EQ(failure("bigtype T {}\nbigtype B { T += int }"),
              FAILURE("typdef_pass3", "a|2|Standard type infeasible as basic type"));
    EXPECT_EQ(failure("bigtype T {}\nbigtype B { T += { x = 1 } }"),
              FAILURE("typdef_pass3", "p|2|Expect ' '-statements within type extension"));
    EXPECT_EQ(failure("proc p {\n  bigtype T {}\n  bigtype B { T += {int x} }\n}"),
              FAILURE("typdef_pass3", "a|3|Type extension only allowed at outermost scope"));

    // Checked and marked, but the tree is left alone.
    ANALYSED analysed("bigtype T {}\nbigtype X {}\nbigtype B { T += X; T += {int y} }");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(base_names(analysed.type("T")), "T");
    EXPECT_EQ(body_scope(analysed.type("T"))->variables.entry_count(), 0);
    TOKEN* body = last_list_item(analysed.type("B"));
    TOKEN* by_type = body->left;
    EXPECT_EQ(print_tree(by_type), "(+= T X)");
    EXPECT_EQ(by_type->left->extension_mark, 1);
    EXPECT_EQ(by_type->right->extension_mark, 1);
    EXPECT_EQ(analysed.application_table_size, 0);
}

TEST(AnalysisTypeExtensions, ApplicationGetsBasicTypesInFront) {
    const std::string program =
        "bigtype T(Z) { int t }\nbigtype Z {}\nbigtype X {}\nbigtype Y {}\nbigtype W { int w }\n"
        "bigtype A { T += X; W += Y }\nbigtype B { T += Y }\nbigtype App(A, B) {}";
    ANALYSED analysed(program, "App");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(analysed.application_table_size, 3);
    // B's extension runs before A's, so A's added type ends up first.
    EXPECT_EQ(base_names(analysed.type("T")), "T,X,Y,Z");
    EXPECT_EQ(print_tree(analysed.type("T")), "T((){ [(, (, X Y) Z)] {(blank int t)}))");
    // Each inserted ',' reports the line of the type it added.
    TOKEN* bases = analysed.type("T")->left->left;
    EXPECT_EQ(bases->line, 6);
    EXPECT_EQ(bases->left->line, 7);
    // A type without basic types gets the header (Y){body}, and keeps its
    // scope on the moved body.
    EXPECT_EQ(print_tree(analysed.type("W")), "W((){ [Y] {(blank int w)}))");
    EXPECT_NE(table_token(body_scope(analysed.type("W"))->variables, "w"), nullptr);
    EXPECT_EQ(base_names(analysed.type("W")), "W,Y");
    // The carried-out statements lost their right operands.
    EXPECT_EQ(print_tree(last_list_item(analysed.type("B"))), "{(+= T .)}");
}

TEST(AnalysisTypeExtensions, ApplicationGetsDeclarations) {
    ANALYSED analysed("bigtype T { int a }\nbigtype A { T += { int b; proc f {}; bigtype N {} } }\nbigtype App(A) {}",
                      "App");
    ASSERT_EQ(analysed.outcome(), "ok");
    SCOPE* scope = body_scope(analysed.type("T"));
    ASSERT_NE(scope, nullptr);
    EXPECT_EQ(scope->kind, 1);
    EXPECT_NE(table_token(scope->variables, "b"), nullptr);
    EXPECT_NE(table_token(scope->types, "N"), nullptr);
    EXPECT_EQ(shown_keys(scope->procedures), "f§");
    EXPECT_EQ(analysed.declared("a")->member_slot, 0);
    EXPECT_EQ(analysed.declared("b")->member_slot, 1);

    EXPECT_EQ(failure("bigtype T { bigtype N {} }\nbigtype A { T += {\n  bigtype N {} } }\nbigtype App(A) {}", "App"),
              FAILURE("typdef_pass3", "a|3|Type 'N' already defined at file 'prog.mrv', line '1'"));
    EXPECT_EQ(failure("proc p { bigtype App {} }", "App"),
              FAILURE("typdef_pass3", "a|1|Type extension only allowed at outermost scope"));
}

TEST(AnalysisTypeExtensions, AppliedExtensionMetAgainCountsAsApplied) {
    // App comes first: A's own definition and Other meet A's extension after
    // it was carried out.
    ANALYSED analysed(
        "bigtype App(A) {}\nbigtype T {}\nbigtype X {}\nbigtype A { T += X; T += { int v } }\n"
        "bigtype Other(A) {}",
        "App");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(base_names(analysed.type("T")), "T,X");
    TOKEN* body = last_list_item(analysed.type("A"));
    EXPECT_EQ(print_tree(body), "{(; (+= T .) (+= T .))}");
    EXPECT_EQ(body->left->left->extension_mark, 1);
    EXPECT_NE(table_token(body_scope(analysed.type("T"))->variables, "v"), nullptr);
    // The checks that need no right operand still run.
    EXPECT_EQ(failure("bigtype App(A) {}\nbigtype T {}\nbigtype A { T += {int v} }\nbigtype Other(T, A) {}", "App"),
              FAILURE("typdef_pass3", "a|3|Infeasible extension of basic type 'T'"));
}

TEST(AnalysisTypeExtensions, QualifiedTypeNames) {
    ANALYSED analysed("bigtype V { bigtype W {} }\nbigtype X(V) { int m }\nbigtype Y {}");
    ASSERT_EQ(analysed.outcome(), "ok");
    TOKEN* member = analysed.declared("m");
    EXPECT_EQ(qualified_type_name(member, analysed.type("Y")), "Y");
    // Found in the body of the basic type V of X.
    EXPECT_EQ(qualified_type_name(member, analysed.type("W")), "W");
    // Not visible from the program: reached through V's body.
    EXPECT_EQ(qualified_type_name(analysed.root.get(), analysed.type("W")), "V:W");
}

// ---- external routines ----

TEST(AnalysisExternalRoutines, Errors) {
    EXPECT_EQ(failure("proc T:p {}"), FAILURE("fundef_pass", "a|1|Type 'T' not defined within scope"));
    EXPECT_EQ(failure("proc q { bigtype T {} }\nfunc T:p (r) {}"),
              FAILURE("fundef_pass", "a|2|Type 'T' not defined within scope"));
    EXPECT_EQ(failure("proc int:p {}"), FAILURE("fundef_pass", "a|1|Predefined type"));
    EXPECT_EQ(failure("proc \"T\":p {}"),
              FAILURE("fundef_pass", "p|1|Expect 'type:name' at external procedure definition"));
    EXPECT_EQ(failure("bigtype T {}\nfunc T:x (r) {}\nfunc m::T:p (r) {}"),
              FAILURE("fundef_pass", "p|3|'::'-operator not allowed at function definition"));
}

TEST(AnalysisExternalRoutines, MovedIntoTheTypeBody) {
    ANALYSED analysed("bigtype T { int a }\nproc T:p(int x) { }\nbigtype E {}\nfunc E:f (r) { }\nx = 1");
    ASSERT_EQ(analysed.outcome(), "ok");
    TOKEN* t = analysed.type("T");
    EXPECT_EQ(print_tree(last_list_item(t)), "{(; {(blank int a)} (blank proc p((){ [(blank int x)] [{#}]))))}");
    SCOPE* scope = body_scope(t);
    EXPECT_EQ(scope->kind, 1);
    EXPECT_EQ(shown_keys(scope->procedures), "p§int;§");
    // The inserted ';' stands for the moved definition and reports its line.
    EXPECT_EQ(last_list_item(t)->line, 2);
    // An empty body is replaced by the definition and keeps its scope; an
    // untyped parameter gets the type any as inside the type.
    TOKEN* e = analysed.type("E");
    EXPECT_EQ(print_tree(last_list_item(e)), "{(blank func f((){ (blank any r) [{#}])))}");
    EXPECT_EQ(shown_keys(body_scope(e)->functions), "f§");
    EXPECT_EQ(analysed.root->scope->procedures.entry_count(), 0);
}

// ---- procedure and function definitions ----

TEST(AnalysisRoutineDefinitions, MethodKeys) {
    ANALYSED analysed(
        "proc p {}\nproc p(int a, b; str c) {}\nproc q(args:$ v) {}\nfunc f (r) {}\n"
        "func f(int a)(r) {}\nfunc p {}\nproc s(x) {}\nproc \"x;y\"{}");
    ASSERT_EQ(analysed.outcome(), "ok");
    std::string procedures = shown_keys(analysed.root->scope->procedures);
    for (const char* key : {"p§", "p§int;int;str;§", "q§args:$;§", "s§any;§", "x\\;y§"})
        EXPECT_NE(procedures.find(key), std::string::npos) << key;
    std::string functions = shown_keys(analysed.root->scope->functions);
    for (const char* key : {"f§", "f§int;§", "p§"}) EXPECT_NE(functions.find(key), std::string::npos) << key;
    // Parameters are marked and declared in the routine's scope.
    TOKEN* c = analysed.declared("c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->param_mark, 1);
    TOKEN* v = analysed.declared("v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->parent->op2, '$');
}

TEST(AnalysisRoutineDefinitions, FormErrors) {
    EXPECT_EQ(failure("proc p() {}"), FAILURE("fundef_form_pass", "p|1|Procedure has empty argument"));
    EXPECT_EQ(failure("func f()(r) {}"), FAILURE("fundef_form_pass", "p|1|Function has empty argument"));
    EXPECT_EQ(failure("proc p(a)(b) {}"), FAILURE("fundef_form_pass", "p|1|Procedure has more than two parts"));
    EXPECT_EQ(failure("func f(a)(b)(c) {}"), FAILURE("fundef_form_pass", "p|1|Function has more than three parts"));
    EXPECT_EQ(failure("proc p(a)"), FAILURE("fundef_form_pass", "p|1|Procedure has no body of type code"));
    EXPECT_EQ(failure("proc p {int a}{b}"), FAILURE("fundef_form_pass", "p|1|Procedure has argument of type code"));
    EXPECT_EQ(failure("bigtype T {\n  proc p() {}\n}"),
              FAILURE("fundef_form_pass", "p|2|Type procedure has empty argument"));
    EXPECT_EQ(failure("proc a+b"), FAILURE("fundef_form_pass", "p|1|Expect no operator at procedure definition"));
    EXPECT_EQ(failure("proc p").second,
              "p|1|Expect procedure definition of the form 'proc <name> [ (<input arg.s>) ] { <body> }'");
    EXPECT_EQ(
        failure("func \"f\"").second,
        "p|1|Expect function definition of the form 'func <name> [ (<input arg.s>) ] (<output arg.s>) { <body> }'");
    EXPECT_EQ(failure("proc m::p {}"),
              FAILURE("fundef_form_pass", "p|1|'::'-operator not allowed at procedure definition"));
    EXPECT_EQ(failure("proc p(args a; int x; args:$ b) {}"),
              FAILURE("fundef_form_pass", "p|1|Procedure 'p(args,int,args:$)' has too many arguments of type 'args'"));
}

TEST(AnalysisRoutineDefinitions, Collisions) {
    EXPECT_EQ(failure("proc p(int a) {}\n\nproc p(int b) {}"),
              FAILURE("fundef_form_pass", "a|3|Procedure 'p(int)' already defined at file 'prog.mrv', line '1'"));
    EXPECT_EQ(failure("func f (r) {}\nfunc f (s) {}"),
              FAILURE("fundef_form_pass", "a|2|Function 'f()' already defined at file 'prog.mrv', line '1'"));
    EXPECT_EQ(failure("bigtype T {\n  proc p {}\n  proc p {}\n}"),
              FAILURE("fundef_form_pass", "a|3|Type procedure 'p()' already defined at file 'prog.mrv', line '2'"));
    // "any" collides with every type; other types, kinds and scopes do not.
    EXPECT_EQ(failure("proc p(any a) {}\nproc p(int b) {}").second,
              "a|2|Procedure 'p(int)' already defined at file 'prog.mrv', line '1'");
    EXPECT_EQ(failure("proc p(int a) {}\nproc p(str a) {}\nfunc p(int a)(r) {}\nproc q { proc p(int a) {} }").second,
              "ok");
}

// ---- variable definitions ----

TEST(AnalysisVariableDefinitions, Errors) {
    EXPECT_EQ(failure("int a,\n  a"),
              FAILURE("vardef_pass", "a|2|Variable 'a' already defined at file 'prog.mrv', line '1'"));
    EXPECT_EQ(failure("int true"), FAILURE("vardef_pass", "a|1|Predefined variable"));
    EXPECT_EQ(failure("int x, this"), FAILURE("vardef_pass", "a|1|Predefined variable"));
    const std::string outside = "p|1|Expect variable or variable with type procedure or assignment operator";
    EXPECT_EQ(failure("int a == 5"), FAILURE("vardef_pass", outside));
    EXPECT_EQ(failure("int \"s\""), FAILURE("vardef_pass", outside));
    EXPECT_EQ(failure("bigtype T { int a = 5 }"),
              FAILURE("vardef_pass", "p|1|Expect variable or variable with initialisation procedure"));
    EXPECT_EQ(failure("int \"s\" = 3"), FAILURE("vardef_pass", "p|1|Expect variable"));
    EXPECT_EQ(failure("int m::x"), FAILURE("vardef_pass", "p|1|'::'-operator not allowed at variable definition"));
}

TEST(AnalysisVariableDefinitions, AcceptedFormsAndOrder) {
    ANALYSED analysed(
        "any b\nint z, a = 5\nint c @ b\nint d ~ b\nint e(1)\nproc p { int z }\nbigtype T { int m(2), n }\n"
        "int T\nproc need2 {}\nint need2");
    ASSERT_EQ(analysed.outcome(), "ok");
    std::string order;
    std::string key;
    for (bool more = analysed.root->scope->storage.first(key); more; more = analysed.root->scope->storage.next(key))
        order += key + " ";
    EXPECT_EQ(order, "b z a c d e T need2 ");
    // The same name in a routine is its own variable.
    TOKEN* outer_z = table_token(analysed.root->scope->variables, "z");
    EXPECT_EQ(outer_z->line, 2);
    EXPECT_EQ(outer_z->declaration, outer_z);
    SCOPE* members = body_scope(analysed.type("T"));
    EXPECT_NE(table_token(members->variables, "m"), nullptr);
    EXPECT_NE(table_token(members->storage, "n"), nullptr);
}

// ---- type bodies and basic initialisation ----

UNION_DATA* member_cell(const TOKEN* type, int group, int slot) {
    UNION_DATA* prototype = top_cell(type);
    return prototype->holder()->object->groups[static_cast<size_t>(group)].slots->cells[static_cast<size_t>(slot)];
}

TEST(AnalysisBasicInitialisation, SlotsGroupsAndValues) {
    ANALYSED analysed(
        "bigtype B { int a, b\nstr s(\"x\") }\nbigtype C { real r(1.5); any q(2.5); any k(true) }\n"
        "bigtype D(B, C) { int c(3); bool f(true); char h('z'); oper o(+); any n(\"t\") }\n"
        "smalltype E {}");
    ASSERT_EQ(analysed.outcome(), "ok");
    EXPECT_EQ(analysed.declared("a")->member_slot, 0);
    EXPECT_EQ(analysed.declared("b")->member_slot, 1);
    EXPECT_EQ(analysed.declared("s")->member_slot, 2);
    EXPECT_EQ(analysed.declared("c")->member_slot, 0);

    TOKEN* d = analysed.type("D");
    UNION_DATA* prototype = top_cell(d);
    ASSERT_NE(prototype, nullptr);
    EXPECT_EQ(prototype->tag, 'k');
    EXPECT_EQ(prototype->holder()->type, d);
    OBJECT_RECORD* record = prototype->holder()->object;
    ASSERT_EQ(record->group_count(), 3);
    EXPECT_EQ(record->groups[0].type, d);
    EXPECT_EQ(record->groups[1].type, analysed.type("B"));
    EXPECT_EQ(record->groups[2].type, analysed.type("C"));
    EXPECT_EQ(record->groups[1].slots->count(), 3);

    EXPECT_EQ(member_cell(d, 0, 0)->int_data()->to_text(), "3");
    EXPECT_EQ(member_cell(d, 0, 1)->bool_word(), 1);
    EXPECT_EQ(member_cell(d, 0, 2)->char_byte(), 'z');
    EXPECT_EQ(member_cell(d, 0, 3)->oper_chars()[0], '+');
    EXPECT_EQ(member_cell(d, 0, 4)->tag, 'S');
    EXPECT_EQ(member_cell(d, 0, 4)->str_data()->text, "t");
    EXPECT_EQ(member_cell(d, 1, 0)->tag, 'i');
    EXPECT_EQ(member_cell(d, 1, 2)->str_data()->text, "x");
    EXPECT_EQ(member_cell(d, 2, 0)->real_data()->to_text(-1), "1.5");
    EXPECT_EQ(member_cell(d, 2, 1)->tag, 'R');
    EXPECT_EQ(member_cell(d, 2, 2)->tag, 'B');
    // Every type has its own prototype, once; groups of basic types are
    // copies, not shared cells.
    EXPECT_EQ(top_cell(analysed.type("E"))->holder()->object->groups[0].slots->count(), 0);
    EXPECT_EQ(analysed.type("B")->value_stack->below, nullptr);
    EXPECT_NE(member_cell(d, 1, 2), member_cell(analysed.type("B"), 0, 2));
}

TEST(AnalysisBasicInitialisation, MemberObjectsAndSelfContainingTypes) {
    ANALYSED analysed(
        "bigtype T { T next; int v }\nbigtype P { Q q }\nbigtype Q { int w(7) }\n"
        "bigtype A { bigtype A { int x }\nA m }");
    ASSERT_EQ(analysed.outcome(), "ok");
    TOKEN* t = analysed.type("T");
    EXPECT_EQ(t->self_containing, 1);
    UNION_DATA* next = member_cell(t, 0, 0);
    EXPECT_EQ(next->tag, 'k');
    EXPECT_EQ(next->holder()->type, t);
    EXPECT_EQ(next->holder()->object, nullptr);
    // A member of another user type holds a deep copy of its prototype.
    TOKEN* p = analysed.type("P");
    EXPECT_EQ(p->self_containing, 0);
    UNION_DATA* q = member_cell(p, 0, 0);
    ASSERT_NE(q->holder()->object, nullptr);
    UNION_DATA* w = q->holder()->object->groups[0].slots->cells[0];
    EXPECT_EQ(w->int_data()->to_text(), "7");
    EXPECT_NE(w, member_cell(analysed.type("Q"), 0, 0));
    // A type that only shares its name with a member type is no recursion.
    TOKEN* outer = table_token(analysed.root->scope->types, "A");
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->self_containing, 0);
    EXPECT_NE(member_cell(outer, 0, 0)->holder()->object, nullptr);
}

TEST(AnalysisBasicInitialisation, Errors) {
    const std::string literal =
        "p|2|Expect literal of type '%s' as argument of initialisation procedure in type definition";
    auto with = [&](const char* type) {
        std::string text = literal;
        text.replace(text.find("%s"), 2, type);
        return text;
    };
    EXPECT_EQ(failure("x = 0\nbigtype T { int a(3.5) }"), FAILURE("basic_init_pass", with("int")));
    EXPECT_EQ(failure("x = 0\nbigtype T { any a(y) }"), FAILURE("basic_init_pass", with("any")));
    EXPECT_EQ(failure("x = 0\nbigtype T { bool a(1) }"), FAILURE("basic_init_pass", with("bool")));
    EXPECT_EQ(failure("x = 0\nbigtype T { str a('c') }"), FAILURE("basic_init_pass", with("str")));
    EXPECT_EQ(failure("x = 0\nbigtype T { list a(1) }"),
              FAILURE("basic_init_pass", "p|2|Basic initialisation not possible for type 'list'"));
    EXPECT_EQ(failure("bigtype U {}\nbigtype T { U a(1) }"),
              FAILURE("basic_init_pass", "p|2|Basic initialisation not possible for type 'U'"));
    EXPECT_EQ(failure("x = 0\nbigtype T {\n  x = 1 }"),
              FAILURE("type_body_pass", "p|2|Expect ' '-statements within type"));
}

}  // namespace
}  // namespace morvu
