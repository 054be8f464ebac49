#include "types/containers/graph_walk.h"

#include "numbers/int_data.h"
#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/graph_checks.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/payload_records.h"

namespace morvu {

namespace {

std::unique_ptr<UNION_DATA> int_cell(int64_t value) {
    return std::unique_ptr<UNION_DATA>(make_int_value(INT_DATA(static_cast<long>(value))).cell);
}

}  // namespace

GRAPH_LOOP check_graph_loop_args(const METHOD_CALL& call, const GRAPH_DATA& graph) {
    const CALL_ARGS& args = *call.args;
    call.raise_if(check_arg_range(args, 2, 5));
    for (int32_t i = 1; i < args.count(); ++i) call.raise_if(check_arg_defined(args, i));
    if (!rebinds_own_link(args[0].cell, args[0].mode)) call.raise_if(check_arg_variable(args, 0, false));
    GRAPH_LOOP loop;
    loop.count = args.count();
    if (loop.count >= 3) {
        call.raise_if(check_arg_variable(args, 1, false));
        call.raise_if(check_arg_type(args, 1, tag_any2, false));
    }
    if (loop.count >= 4) {
        call.raise_if(check_arg_type(args, 2, tag_int, false));
        loop.node = int_argument(args, 2);
        if (loop.node < 0 || loop.node >= graph.node_count) call.raise(format_string(msg_text("knoexinic"), loop.node));
    }
    if (loop.count == 5) call.raise_if(check_direction_arg(args, 3, &loop.direction));
    call.raise_if(check_arg_type(args, loop.count - 1, tag_code, false));
    return loop;
}

int loop_item_count(const GRAPH_DATA& graph, const GRAPH_LOOP& loop) {
    if (loop.over_nodes()) return graph.node_count;
    if (loop.over_edges()) return graph.edge_count;
    return graph.degree(loop.node, loop.direction);
}

void bind_edge_address(const METHOD_CALL& call, const GRAPH_DATA& graph, const GRAPH_EDGE* edge) {
    UNION_DATA* variable = call.arg(1).cell;
    if (variable->tag == tag_call_alias || variable->tag == raise_tag(tag_call_alias)) variable = variable->target();
    std::unique_ptr<UNION_DATA> id = int_cell(edge_id(graph, edge));
    std::unique_ptr<UNION_DATA> target = int_cell(edge->target->index);
    UNION_DATA* pair = argument_value(variable);
    if (pair != nullptr) pair = follow_link(pair);
    if (pair != nullptr && lower_tag(pair->tag) == tag_any2 && pair->payload != nullptr) {
        ANY2_DATA* halves = pair->any2_data();
        clear_payload(&halves->first);
        call.raise_if(assign_by_mode(&halves->first, id.get(), 4));
        clear_payload(&halves->second);
        call.raise_if(assign_by_mode(&halves->second, target.get(), 4));
        return;
    }
    // The code has given the variable another value: a new pair replaces it.
    std::unique_ptr<UNION_DATA> made(make_any2_value(id.get(), 4, target.get(), 4).cell);
    call.raise_if(assign_value(variable, made.get()));
}

RESULT_ITEM edge_address_value(const GRAPH_DATA& graph, const GRAPH_EDGE* edge) {
    std::unique_ptr<UNION_DATA> id = int_cell(edge_id(graph, edge));
    std::unique_ptr<UNION_DATA> target = int_cell(edge->target->index);
    return make_any2_value(id.get(), 4, target.get(), 4);
}

LOOP_CODE::LOOP_CODE(const METHOD_CALL& call, int32_t count) : view(call) {
    pair.key = call.key();
    pair.args.push_back(call.arg(0));
    pair.args.push_back(call.arg(count - 1));
    view.args = &pair;
}

TOKEN* LOOP_CODE::block() const {
    // The code may have changed its own variable while it ran: a value that
    // is no longer code yields nothing.
    UNION_DATA* code = argument_value(pair[1].cell);
    if (code == nullptr) return nullptr;
    code = follow_link(code);
    if (lower_tag(code->tag) != tag_code || code->payload == nullptr) return nullptr;
    return code->code_data()->block;
}

void LOOP_CODE::evaluate(UNION_DATA* element, RESULT_LIST& values) const {
    bind_loop_variable(view, element, element_access(view));
    evaluate_block(view, block(), view.this_item, values);
    if (values.count == 0) view.raise(msg_text("erwevacod"));
}

bool LOOP_CODE::matches(UNION_DATA* element) const {
    RESULT_LIST values;
    evaluate(element, values);
    if (values.count > 1) view.raise(msg_text("erwcodmitgeneinwer"));
    UNION_DATA* value = argument_value(values.head->item.cell);
    if (base_type_code(value) != tag_bool) view.raise(msg_text("erwcodmitboower"));
    value = follow_link(value);
    return value->payload == nullptr || value->bool_word() != 0;  // only false is false
}

std::unique_ptr<UNION_DATA> LOOP_CODE::sort_key(UNION_DATA* element) const {
    RESULT_LIST values;
    evaluate(element, values);
    auto key = std::make_unique<UNION_DATA>(tag_any);
    if (values.count == 1) {
        view.raise_if(assign_value(key.get(), values.head->item.cell));
        return key;
    }
    UNION_DATA list('l');
    for (RESULT_NODE* node = values.head; node != nullptr; node = node->next)
        view.raise_if(list.list_data()->append(node->item.cell, 0));
    view.raise_if(assign_value(key.get(), &list));
    return key;
}

}  // namespace morvu
