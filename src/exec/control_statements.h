// Executors of the statements that steer a run rather than compute values:
// if, while, for, switch, the repetition operator ";;" and the blank operator;
// the format, clock and directory settings; throw, catch, break, exit and
// assert; system, proc, del and clear.
//
// Every executor has the EXEC_HANDLER shape (call node, current object) and is
// stored in its node by the statement binder. Each evaluates its own argument
// list through a fresh ARG_FRAME and raises every failure with raise_error;
// nothing here returns a message.
//
// Loops do not jump. return, continue and break set the process-wide level
// counters, every block stops before its next statement while one is set, and
// the loops consume them with loop_after_body and loop_after_end. A block is
// run with the object of the statement that runs it, never with the object a
// code value carries. A code value without a block (a code variable never
// assigned) is refused as an empty argument before anything runs.

#pragma once

#include <memory>

#include "values/result_list.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/union_data.h"
#include "values/walk_pins.h"

namespace morvu {

struct TOKEN;
class UNION_DATA;

// ---- control statements ----

void exec_if(TOKEN* node, RESULT_ITEM this_item);
void exec_while(TOKEN* node, RESULT_ITEM this_item);
void exec_for(TOKEN* node, RESULT_ITEM this_item);
// The first run of a for statement, which the binder offers here before the
// routine call by name: when no routine is named for and a range stands
// among the values, the statement runs without the arguments that call would
// make first (a range's elements). A run whose arguments leave a language
// exception pending ends there and leaves the node unbound, as that call
// does; otherwise exec_for is bound. False, with nothing done, for any other
// statement.
bool exec_for_first_run(TOKEN* node, RESULT_ITEM this_item);
void exec_switch(TOKEN* node, RESULT_ITEM this_item);
void exec_repeat(TOKEN* node, RESULT_ITEM this_item);  // count ";;" block
void exec_apply(TOKEN* node, RESULT_ITEM this_item);   // word, blank, comma list

// The assignment of a declaration with an initial value ("int i = e") once
// the statement has run and bound its executor; null for other statements.
const TOKEN* declared_assignment(const TOKEN* statement);

// Runs the block count times (count: an int item, links followed); a count of
// 0 or below runs nothing. Consumes no counter: a break, continue or return
// inside leaves its counter for the enclosing loop or routine.
void repeat_loop(RESULT_ITEM this_item, RESULT_ITEM count, TOKEN* block);

// The loop protocol every loop follows. loop_after_body: call after each run
// of a loop body; consumes a continue of 1 and returns true when the loop
// must end (a deeper continue, a break, a return or a pending exception).
// loop_after_end: call once when the loop has ended, whatever ended it;
// counts a deeper continue and a break down by one level.
bool loop_after_body();
void loop_after_end();

// The block of a code item (links followed as for every code argument); null
// when the value holds none.
TOKEN* code_block(RESULT_ITEM item);

// ---- format, clock and directory statements ----

void exec_set_in_spc(TOKEN* node, RESULT_ITEM this_item);
void exec_set_out_spc(TOKEN* node, RESULT_ITEM this_item);
void exec_set_out_fmt(TOKEN* node, RESULT_ITEM this_item);
void exec_set_calctime(TOKEN* node, RESULT_ITEM this_item);
void exec_set_realtime(TOKEN* node, RESULT_ITEM this_item);
void exec_set_cwd(TOKEN* node, RESULT_ITEM this_item);

// ---- exception, break, exit and assert statements ----

void exec_throw(TOKEN* node, RESULT_ITEM this_item);
void exec_catch(TOKEN* node, RESULT_ITEM this_item);
void exec_break(TOKEN* node, RESULT_ITEM this_item);
void exec_exit(TOKEN* node, RESULT_ITEM this_item);
void exec_assert(TOKEN* node, RESULT_ITEM this_item);

// ---- system, proc, del and clear statements ----

void exec_system(TOKEN* node, RESULT_ITEM this_item);
void exec_proc(TOKEN* node, RESULT_ITEM this_item);
void exec_del(TOKEN* node, RESULT_ITEM this_item);
void exec_clear(TOKEN* node, RESULT_ITEM this_item);

// Whether a for/For walk runs over the value of the cell or over any
// container nested inside it (links are not followed). Destroying or
// replacing such a value would free nodes the walk still reads, so del,
// clear and assignments refuse it with "infeasible during iteration".
// Asked on every write to a container, and answered there without a call
// while no walk runs at all.
bool value_walked(const UNION_DATA* cell);
inline bool value_under_iteration(const UNION_DATA* cell) { return running_walks != 0 && value_walked(cell); }
// value_walked for a road that may decline and leave the value to the
// general one: a search through more than `budget` of the cells inside the
// value ends there and answers true. A walk over a value that no variable
// holds would otherwise have every element read search a long list whole.
bool value_walked_within(const UNION_DATA* cell, size_t budget);
inline constexpr size_t fast_walk_search = 256;
inline bool may_be_walked(const UNION_DATA* cell) {
    return running_walks != 0 && value_walked_within(cell, fast_walk_search);
}

// Keeps watch over a cell that the statement reads or writes again after
// running a block. A variable's own cell lives as long as its activation,
// which outlasts the statement; any other cell the statement does not own (an
// element of a container, a member of an object) may be destroyed by the
// block, or let go while the statement's frame holds it (values/cell_holds.h).
// A reference from a private link cell is dissolved when the watched cell is
// destroyed, so alive() tells whether the cell still belongs to a value.
class CELL_WATCH {
public:
    explicit CELL_WATCH(RESULT_ITEM item) {
        UNION_DATA* cell = item.cell;
        if (cell == nullptr || item.owned != 0 || cell->scope_variable != 0 || is_link_cell(cell)) return;
        watch = std::make_unique<UNION_DATA>(tag_nothing);
        link_cell(watch.get(), cell, 'p');
    }
    bool alive() const { return watch == nullptr || (is_link_cell(watch.get()) && !is_let_go(watch->target())); }

private:
    std::unique_ptr<UNION_DATA> watch;
};

}  // namespace morvu
