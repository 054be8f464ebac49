#include "exec/output_statements.h"

#include <string>

#include "eval/arg_frame.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "runtime/terminal.h"
#include "types/output_items.h"

namespace morvu {

namespace {

// The console as the target of the output family: the statement's errors
// name it ("sys:fout"), and its argument messages count from 0.
class CONSOLE_SINK final : public OUTPUT_SINK {
public:
    CONSOLE_SINK(TOKEN* node, const ARG_FRAME& frame) : node(node), frame(frame), routine("sys:" + *node->text) {}

    STREAM_DATA* stream() override { return &console_stream; }
    bool saves_links() const override { return true; }
    [[noreturn]] void fail(const std::string& message) override {
        raise_error(node, routine_kind_procedure, routine.c_str(), message.c_str(), error_kind_system);
    }
    std::string check_count(int32_t min) override {
        return frame.check_count_range(min, -1) == nullptr ? std::string() : frame.message(false);
    }
    std::string check_type(int32_t index, char code, bool non_empty) override {
        return frame.check_type(static_cast<uint32_t>(index), code, non_empty) == nullptr ? std::string()
                                                                                          : frame.message(false);
    }

private:
    TOKEN* node;
    const ARG_FRAME& frame;
    std::string routine;
};

}  // namespace

void exec_output(TOKEN* node, RESULT_ITEM this_item) {
    OUTPUT_FORM form;
    output_form_of(*node->text, form);  // the statement is bound by one of the nine names
    // A call among the arguments that fails ends the statement before it
    // writes anything.
    ARG_FRAME frame(node->left, this_item, STATEMENT_ARGUMENTS{});
    CONSOLE_SINK sink(node, frame);
    const RESULT_ITEM* items = frame.count() > 0 ? &frame[0] : nullptr;
    write_output(sink, terminal_format, form, items, static_cast<int32_t>(frame.count()), node);
}

}  // namespace morvu
