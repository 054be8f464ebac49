#include "exec/block_exec.h"

#include "types/method_call.h"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVU_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVU_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef MORVU_ADDRESS_SANITIZER
#include <dlfcn.h>
#include <sanitizer/asan_interface.h>
#endif

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>
#include <exception>
#include <new>
#include <stdexcept>

#include "exec/control_counters.h"
#include "exec/pending_exception.h"
#include "runtime/process_state.h"
#include "frontend/scope.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/messages.h"
#include "types/method_call.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {

constinit thread_local const char* stack_base = nullptr;
std::uint64_t statement_budget = 0;

// How far the stack may grow from stack_base before a statement is refused.
// Measured once from the thread's real stack, minus a reserve for the work a
// single statement does between two guards (expression evaluation, deep value
// copies, the routine call machinery).
constinit thread_local std::uintptr_t stack_limit = 0;

namespace {

constexpr std::uintptr_t fallback_stack_room = 950000;
constexpr std::uintptr_t min_stack_reserve = 512 * 1024;
constexpr std::uintptr_t max_stack_reserve = 32 * 1024 * 1024;
#ifdef MORVU_ADDRESS_SANITIZER
// Instrumented frames are several times larger.
constexpr size_t large_stack_size = 256 * 1024 * 1024;
#else
// Room for about 200,000 nested calls of a small routine on the general
// road; the pages are only taken as the recursion reaches them.
constexpr size_t large_stack_size = 512 * 1024 * 1024;
#endif
// Where the address space is limited, a smaller stack still beats the
// main thread's.
constexpr size_t smaller_stack_size = 128 * 1024 * 1024;

// The stack the program runs on when run_with_large_stack switched to one
// of its own on the same thread: [own_stack_low, own_stack_high).
std::uintptr_t own_stack_low = 0;
std::uintptr_t own_stack_high = 0;

// The room of the current thread's stack below `position`; 0 when unknown.
std::uintptr_t stack_room_below(const char* position) {
    const auto place = reinterpret_cast<std::uintptr_t>(position);
    if (place > own_stack_low && place <= own_stack_high) return place - own_stack_low;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
    void* low = nullptr;
    size_t size = 0;
    int result = pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    if (result != 0 || low == nullptr) return 0;
    auto here = reinterpret_cast<std::uintptr_t>(position);
    auto bottom = reinterpret_cast<std::uintptr_t>(low);
    if (here <= bottom || here > bottom + size) return 0;
    return here - bottom;
}

void set_stack_limit(const char* position) {
    std::uintptr_t room = stack_room_below(position);
    if (room == 0) {
        stack_limit = fallback_stack_room;
        return;
    }
    std::uintptr_t reserve = room / 4;
    if (reserve < min_stack_reserve) reserve = min_stack_reserve;
    if (reserve > max_stack_reserve) reserve = max_stack_reserve;
    stack_limit = room > 2 * reserve ? room - reserve : room / 2;
}

#ifdef MORVU_ADDRESS_SANITIZER
// The address sanitizer cleans the stack at a throw only while less than
// 64 MiB of it are in use. Deeper, the redzones of the frames the exception
// unwinds stay poisoned, and the sanitizer's own handler, run by the cleanup
// code of those frames while the exception still travels, reports false
// faults on that memory. So every throw first cleans, itself, the frames up
// to the innermost block, which catches whatever a statement throws; a catch
// on the way only finds live frames unpoisoned.
constexpr std::uintptr_t sanitizer_cleanup_limit = 60 * 1024 * 1024;
constexpr std::uintptr_t throw_machinery_room = 64 * 1024;
thread_local const char* innermost_block_frame = nullptr;
// Where the last deep throw cleaned from; null once a catch has cleaned
// after it. The cleanup code of the frames the exception unwinds runs after
// that first cleaning and marks their locals out of scope again: dead
// memory, but a later frame's temporaries that land on it would be taken
// for faults. So the catch cleans that stretch once more.
thread_local const char* last_throw_frame = nullptr;

struct BLOCK_FRAME_GUARD {
    const char* saved = innermost_block_frame;
    BLOCK_FRAME_GUARD() { innermost_block_frame = static_cast<const char*>(__builtin_frame_address(0)); }
    ~BLOCK_FRAME_GUARD() { innermost_block_frame = saved; }
};

// Everything under this frame is dead once a statement has caught what it
// threw.
__attribute__((noinline)) void clean_frames_after_catch() {
    const char* thrown = last_throw_frame;
    if (thrown == nullptr) return;
    last_throw_frame = nullptr;
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    const char* low = thrown - throw_machinery_room;
    if (low < here) ASAN_UNPOISON_MEMORY_REGION(low, static_cast<std::size_t>(here - low));
}

#else
struct BLOCK_FRAME_GUARD {};
inline void clean_frames_after_catch() {}
#endif

// Block nesting depth, and a few reusable statement lists per depth, so
// running a loop body allocates nothing once its depth has been reached. A
// list remembers the block it was split from: a block run again at its depth
// (a loop body, the blocks of a recursion's levels, the bodies of routines
// called in turn from one loop) is not split again. Only the blocks at one
// depth share its lists, and one of them runs at a time. The tree stands
// still while a program runs; a new program brings new tables, and the
// generation tells its lists from the old ones.
struct STATEMENT_LIST {
    const TOKEN* block = nullptr;
    uint64_t generation = 0;
    TOKEN_LIST statements;
};
// Eight, so that the cases of a switch run in turn from a loop keep theirs.
constexpr uint32_t lists_per_depth = 8;
struct DEPTH_LISTS {
    STATEMENT_LIST lists[lists_per_depth];
    uint32_t last = 0;         // the list found last: a loop body finds its own first
    uint32_t next_victim = 0;  // the list a block not found there takes next
};
uint32_t block_depth = 0;
std::vector<std::unique_ptr<DEPTH_LISTS>> statement_lists;  // entries never move

// The statements of the block, split once per depth and program.
__attribute__((always_inline)) inline const TOKEN_LIST& statements_of(TOKEN* block) {
    while (statement_lists.size() < block_depth) statement_lists.push_back(std::make_unique<DEPTH_LISTS>());
    DEPTH_LISTS& depth = *statement_lists[block_depth - 1];
    STATEMENT_LIST& last = depth.lists[depth.last];
    if (last.block == block && last.generation == routine_tables_generation) [[likely]]
        return last.statements;
    for (uint32_t index = 0; index < lists_per_depth; ++index) {
        STATEMENT_LIST& list = depth.lists[index];
        if (list.block == block && list.generation == routine_tables_generation) {
            depth.last = index;
            return list.statements;
        }
    }
    depth.last = depth.next_victim;
    STATEMENT_LIST& list = depth.lists[depth.next_victim];
    depth.next_victim = (depth.next_victim + 1) % lists_per_depth;
    list.block = nullptr;  // not valid until complete
    list.statements.clear();
    append_operands(block, ';', &list.statements);
    list.block = block;
    list.generation = routine_tables_generation;
    return list.statements;
}

struct DEPTH_GUARD {
    DEPTH_GUARD() { ++block_depth; }
    ~DEPTH_GUARD() { --block_depth; }
};

bool is_catch_or_exit_call(const TOKEN* node) {
    return node != nullptr && is_call_token(node) && (*node->text == "catch" || *node->text == "exit");
}

// A statement that still runs while an exception is pending: catch or exit,
// also written as sys:catch(...) or sys:exit(...).
bool runs_while_pending(const TOKEN* statement) {
    if (is_catch_or_exit_call(statement)) return true;
    return statement->op1 == ':' && statement->op2 == 0 && is_word(statement->left, "sys") &&
           is_catch_or_exit_call(statement->right);
}

// Replaces the pending exception by a new one whose value is an error value.
// `error` fills the value's record; without it the record keeps its empty
// contents.
void install_pending_error(const std::string& file, uint32_t line, const std::string& message, const ERROR* error) {
    auto* exception = new PENDING_EXCEPTION('e');
    if (error != nullptr) {
        ERROR_DATA* record = exception->value->error_data();
        record->file = error->file;
        record->line = error->line;
        record->message = error->message;
        record->kind = error->kind;
    }
    exception->file = file;
    exception->line = line;
    exception->message = message;
    exception->kind = 's';
    set_pending_exception(exception);
}

// A statement left by an exception that is no language error: a refused
// allocation (a number or container too large to hold) or a fault of the
// interpreter. It fails as a system error of the statement whose message
// says which; while an exception is pending, that one stays instead.
[[gnu::noinline]] void install_foreign_failure(const TOKEN* statement) {
    if (pending_exception != nullptr) return;
    const char* identifier = "sysfeh";
    try {
        throw;
    } catch (const std::bad_alloc&) {
        identifier = "spenicaus";
    } catch (const std::length_error&) {
        identifier = "spenicaus";
    } catch (...) {}
    const ERROR error(source_file_name(statement->file_index), statement->line, msg_text(identifier),
                      error_kind_system);
    install_pending_error(error.file, static_cast<uint32_t>(error.line), error.message, &error);
}

// Gives current_statement back to the statement that ran the block, so the
// record never outlives the statement (nor the tree) it points into.
struct CURRENT_STATEMENT_GUARD {
    const TOKEN* saved = current_statement;
    ~CURRENT_STATEMENT_GUARD() { current_statement = saved; }
};

// Pops the block's variables on every way out, the early ones included.
// The program's outermost block leaves its large containers to the process
// end when no file has output to finish: nothing runs after it.
struct VARIABLES_GUARD {
    TOKEN* block = nullptr;
    bool program_end = false;
    ~VARIABLES_GUARD() {
        if (block == nullptr || !block_has_variables(block)) return;
        if (program_end && !file_writers_open()) leave_scope_containers(block);
        pop_scope_variables(block);
    }
};

struct STACK_WORK {
    void (*work)(void*);
    void* data;
    std::exception_ptr failure;
};

void run_stack_job(STACK_WORK* job) {
    try {
        job->work(job->data);
    } catch (...) {
        job->failure = std::current_exception();
    }
}

#ifdef MORVU_ADDRESS_SANITIZER
// The sanitizer follows a thread's stack but not a switch of stacks within
// one, so the large stack is a thread's.
void* run_stack_work(void* argument) {
    run_stack_job(static_cast<STACK_WORK*>(argument));
    return nullptr;
}

bool run_on_large_stack(STACK_WORK& job) {
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = false;
    if (pthread_attr_init(&attributes) != 0) return false;
    for (size_t size : {large_stack_size, smaller_stack_size}) {
        started = pthread_attr_setstacksize(&attributes, size) == 0 &&
                  pthread_create(&thread, &attributes, run_stack_work, &job) == 0;
        if (started) break;
    }
    pthread_attr_destroy(&attributes);
    if (started) pthread_join(thread, nullptr);
    return started;
}
#else
// The large stack is a mapping of our own that the same thread switches
// to and back from: a second thread would let the scheduler move the run
// to another processor at its start, which costs a short program dearly.
// The pages are only taken as the recursion reaches them; the lowest one
// stays unmapped, so that an overflow past every check faults.
STACK_WORK* current_job = nullptr;

void run_current_job() { run_stack_job(current_job); }

bool run_on_large_stack(STACK_WORK& job) {
    if (own_stack_high != 0) return false;  // already on it: the work runs where it is
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    for (size_t size : {large_stack_size, smaller_stack_size}) {
        void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (mapping == MAP_FAILED) continue;
        ucontext_t caller;
        ucontext_t context;
        if (::mprotect(mapping, page, PROT_NONE) != 0 || ::getcontext(&context) != 0) {
            ::munmap(mapping, size);
            return false;
        }
        context.uc_stack.ss_sp = mapping;
        context.uc_stack.ss_size = size;
        context.uc_link = &caller;
        ::makecontext(&context, run_current_job, 0);
        // The depth checks measure from where the run starts on its stack.
        const char* saved_base = stack_base;
        const std::uintptr_t saved_limit = stack_limit;
        stack_base = nullptr;
        own_stack_low = reinterpret_cast<std::uintptr_t>(mapping) + page;
        own_stack_high = reinterpret_cast<std::uintptr_t>(mapping) + size;
        current_job = &job;
        const bool switched = ::swapcontext(&caller, &context) == 0;
        current_job = nullptr;
        own_stack_low = own_stack_high = 0;
        stack_base = saved_base;
        stack_limit = saved_limit;
        ::munmap(mapping, size);
        return switched;
    }
    return false;
}
#endif

}  // namespace

void run_with_large_stack(void (*work)(void*), void* data) {
    STACK_WORK job{work, data, nullptr};
    if (!run_on_large_stack(job)) {
        work(data);
        return;
    }
    if (job.failure) std::rethrow_exception(job.failure);
}

void check_stack_depth(const TOKEN* node) {
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    if (stack_base == nullptr) {
        stack_base = here;
        set_stack_limit(here);
        return;
    }
    std::uintptr_t distance = here < stack_base ? static_cast<std::uintptr_t>(stack_base - here)
                                                : static_cast<std::uintptr_t>(here - stack_base);
    if (distance >= stack_limit) raise_system_error(node, msg_text("staueb"));
}

bool block_has_variables(const TOKEN* block) {
    return block->scope != nullptr && block->scope->storage.entry_count() > 0;
}

std::uintptr_t stack_room_left() { return stack_room_here(); }

void execute_node_guarded(TOKEN* node, RESULT_ITEM this_item) {
    check_stack_depth(node);
    CURRENT_STATEMENT_GUARD restore;
    current_statement = node;
    node->executor(node, this_item);
}

namespace {

// Methods of the built-in types run code blocks through this entry.
[[maybe_unused]] const bool block_entry_installed = (run_block_entry = execute_block, true);

}  // namespace

namespace {

// One statement as a block runs it: the statement budget counted, the
// shortcut or the statement's executor run, and an error it raises made
// the pending one.
[[gnu::always_inline]] inline void run_one_statement(TOKEN* statement, RESULT_ITEM this_item, bool stack_short,
                                                     bool budgeted, STATEMENT_SHORTCUT shortcut, void* data,
                                                     uint32_t index) {
    if (budgeted && statement_budget != 0 && --statement_budget == 0) {
        statement_budget = 1;  // every later statement is refused as well
        throw RUN_BUDGET_SPENT{};
    }
    try {
        if (stack_short) check_stack_depth(statement);
        current_statement = statement;
        if (shortcut == nullptr || !shortcut(data, index)) statement->executor(statement, this_item);
    } catch (const ERROR& error) {
        clean_frames_after_catch();
        // Raised while an exception is pending, an error only repeats it
        // (raise_error): the pending one stays with its value, whatever its
        // type.
        if (pending_exception == nullptr)
            install_pending_error(error.file, static_cast<uint32_t>(error.line), error.message, &error);
    } catch (const RUN_BUDGET_SPENT&) {
        throw;
    } catch (...) {
        clean_frames_after_catch();
        install_foreign_failure(statement);
    }
}

// The statements of a list from the statement `first` on, up to `end`, each
// through the shortcut when it takes it, else through its executor.
__attribute__((always_inline)) inline void run_statement_list(const TOKEN_LIST& statements, RESULT_ITEM this_item,
                                                              uint32_t first, uint32_t end, STATEMENT_SHORTCUT shortcut,
                                                              void* data) {
    // Every statement of one block run starts from the same frame: its
    // stack is checked once, and again per statement only when that check
    // fails, so that each statement raises the error as before.
    const bool stack_short = stack_room_here() < 4096;
    const uint32_t count = std::min(statements.count(), end);
    // Without a budget (none is set while a run goes on) and with room on
    // the stack, the statements run without either check.
    if (!stack_short && statement_budget == 0) [[likely]] {
        for (uint32_t index = first; index < count; ++index) {
            TOKEN* statement = statements[index];
            if (statement == nullptr || control_pending()) break;
            if (pending_exception != nullptr && !runs_while_pending(statement)) continue;
            run_one_statement(statement, this_item, false, false, shortcut, data, index);
        }
        return;
    }
    for (uint32_t index = first; index < count; ++index) {
        TOKEN* statement = statements[index];
        if (statement == nullptr || control_pending()) break;
        if (pending_exception != nullptr && !runs_while_pending(statement)) continue;
        run_one_statement(statement, this_item, stack_short, true, shortcut, data, index);
    }
}

// The statements of the block from the statement `first` on, each through
// the shortcut when it takes it, else through its executor. Inlined into
// both callers, so that a block level costs a recursion one frame.
__attribute__((always_inline)) inline void run_statements(TOKEN* block, RESULT_ITEM this_item, uint32_t first,
                                                          uint32_t end, STATEMENT_SHORTCUT shortcut, void* data) {
    DEPTH_GUARD depth;
    [[maybe_unused]] BLOCK_FRAME_GUARD frame;
    CURRENT_STATEMENT_GUARD restore;
    run_statement_list(statements_of(block), this_item, first, end, shortcut, data);
}

}  // namespace

void execute_routine_statements(const TOKEN_LIST& statements, RESULT_ITEM this_item) {
    DEPTH_GUARD depth;
    [[maybe_unused]] BLOCK_FRAME_GUARD frame;
    CURRENT_STATEMENT_GUARD restore;
    run_statement_list(statements, this_item, 0, UINT32_MAX, nullptr, nullptr);
}

namespace {

void run_block(TOKEN* block, RESULT_ITEM this_item, bool own_variables, bool program_end) {
    if (block == nullptr) return;
    VARIABLES_GUARD variables;
    variables.program_end = program_end;
    if (own_variables && block_has_variables(block)) {
        push_scope_variables(block);
        variables.block = block;
    }
    run_statements(block, this_item, 0, UINT32_MAX, nullptr, nullptr);
}

}  // namespace

void execute_block_statements(TOKEN* block, const TOKEN_LIST& statements, RESULT_ITEM this_item) {
    VARIABLES_GUARD variables;
    if (block_has_variables(block)) {
        push_scope_variables(block);
        variables.block = block;
    }
    DEPTH_GUARD depth;
    [[maybe_unused]] BLOCK_FRAME_GUARD frame;
    CURRENT_STATEMENT_GUARD restore;
    run_statement_list(statements, this_item, 0, UINT32_MAX, nullptr, nullptr);
}

void execute_block(TOKEN* block, RESULT_ITEM this_item, bool own_variables) {
    run_block(block, this_item, own_variables, false);
}

void execute_program_block(TOKEN* root) { run_block(root, RESULT_ITEM{}, true, true); }

void execute_block_from(TOKEN* block, RESULT_ITEM this_item, uint32_t first, STATEMENT_SHORTCUT shortcut, void* data) {
    if (block == nullptr) return;
    run_statements(block, this_item, first, UINT32_MAX, shortcut, data);
}

void execute_block_range(TOKEN* block, RESULT_ITEM this_item, uint32_t first, uint32_t end, STATEMENT_SHORTCUT shortcut,
                         void* data) {
    if (block == nullptr) return;
    run_statements(block, this_item, first, end, shortcut, data);
}

void execute_lone_statement(TOKEN* statement, RESULT_ITEM this_item) {
    DEPTH_GUARD depth;
    [[maybe_unused]] BLOCK_FRAME_GUARD frame;
    CURRENT_STATEMENT_GUARD restore;
    if (control_pending()) return;
    if (pending_exception != nullptr && !runs_while_pending(statement)) return;
    run_one_statement(statement, this_item, false, true, nullptr, nullptr, 0);
}

}  // namespace morvu

#ifdef MORVU_ADDRESS_SANITIZER
namespace morvu {

__attribute__((noinline)) void clean_frames_before_throw() {
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    const char* block = innermost_block_frame;
    if (stack_base == nullptr || block == nullptr || here > block || here > stack_base ||
        static_cast<std::uintptr_t>(stack_base - here) < sanitizer_cleanup_limit)
        return;
    const char* low = here - throw_machinery_room;
    ASAN_UNPOISON_MEMORY_REGION(low, static_cast<std::size_t>(block - low));
    last_throw_frame = here;
}

}  // namespace morvu

// Every throw of the process passes here first, then goes on to the next
// definition (the sanitizer's, then the C++ runtime's).
extern "C" [[noreturn]] void __cxa_throw(void* object, void* type, void (*destroy)(void*)) {
    using THROW = void (*)(void*, void*, void (*)(void*));
    static const auto next = reinterpret_cast<THROW>(dlsym(RTLD_NEXT, "__cxa_throw"));
    morvu::clean_frames_before_throw();
    next(object, type, destroy);
    __builtin_unreachable();
}
#endif
