// The console stream (placeholder until the stream classes land).
#pragma once
namespace morvu {
class TERMINAL_DATA {
public:
    void write(const char* text, bool formatted, const char** error);
};
extern TERMINAL_DATA console_stream;
}  // namespace morvu
