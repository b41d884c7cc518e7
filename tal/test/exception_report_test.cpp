#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tal/exception/tal_exception.h"

// A plain C symbol: its frame shows the name followed by "()".
extern "C" __attribute__((noinline)) void tal_test_plain_frame(tal::AutoBuffer* buf);

namespace {

using tal::ExceptionArg;

const char* const CR = "<CR>";

// Restores the two process-wide settings after each test.
class ExceptionSettings : public ::testing::Test {
protected:
    void TearDown() override
    {
        tal::Exception::set_stack_trace_level(tal::Exception::DEFAULT_STACK_TRACE_LEVEL);
        tal::Exception::set_line_delimiter(CR);
    }
};

std::vector<std::string> split_lines(const std::string& text, const std::string& delimiter)
{
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find(delimiter, start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + delimiter.size();
    }
    EXPECT_EQ(start, text.size()) << "text after the last delimiter";
    return lines;
}

// Tab, module path, space, function, space, bracketed address; function is
// the text between the first and the last space.
bool frame_shaped(const std::string& line, std::string* function = NULL)
{
    size_t first_space = line.find(' ');
    size_t address = line.rfind(" [0x");
    if (line.size() < 2 || line[0] != '\t' || first_space == std::string::npos || first_space < 2 ||
        address == std::string::npos || address <= first_space + 1 || line[line.size() - 1] != ']')
        return false;
    size_t digits_begin = address + 4, digits_end = line.size() - 1;
    if (digits_begin >= digits_end || line.find_first_not_of("0123456789abcdef", digits_begin) != digits_end)
        return false;
    if (function) *function = line.substr(first_space + 1, address - first_space - 1);
    return true;
}

void expect_frame_lines(const std::vector<std::string>& lines)
{
    size_t shaped = 0;
    for (const std::string& line : lines) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line[0], '\t') << line;
        if (frame_shaped(line))
            ++shaped;
        else  // written whole: a symbol text without "(" ... "+"
            EXPECT_EQ(line.find('('), std::string::npos) << line;
    }
    EXPECT_GT(shaped, 0u);
}

// The report is its fixed head followed by the stack text captured at
// construction.
void expect_report(const tal::Exception& e, const std::string& head) { EXPECT_EQ(e.all(), head + e.stack()); }

// Keeps the recursion from becoming a loop.
volatile int g_sink;

__attribute__((noinline)) size_t stack_lines_at_depth(int depth)
{
    if (depth > 0) {
        size_t lines = stack_lines_at_depth(depth - 1);
        g_sink = depth;
        return lines;
    }
    tal::UnknownException e;
    return split_lines(e.stack(), CR).size();
}

TEST_F(ExceptionSettings, FreshException)
{
    tal::NotImplementedException e;
    EXPECT_STREQ(e.what(), "");
    EXPECT_EQ(e.level(), 0);
    EXPECT_STREQ(e.level_str(), "EXCEPTION_LEVEL_DEBUG");
    EXPECT_STREQ(e.function(), "<unknown-function>");
    EXPECT_STREQ(e.file(), "<unknown-file>");
    EXPECT_EQ(e.line(), 0);
    EXPECT_STREQ(e.name(), "tal::NotImplementedException");
    std::vector<std::string> lines = split_lines(e.stack(), CR);
    EXPECT_GE(lines.size(), 1u);
    EXPECT_LE(lines.size(), tal::Exception::DEFAULT_STACK_TRACE_LEVEL);
    expect_frame_lines(lines);
}

TEST_F(ExceptionSettings, ReportLayoutOfAFreshException)
{
    tal::NotImplementedException e;
    expect_report(e,
                  "exception[tal::NotImplementedException] was thrown at[<CR>"
                  "\t<unknown-file>:0:<unknown-function><CR>"
                  "] with message[] stack:<CR>");
}

TEST_F(ExceptionSettings, ReportLayoutWithSiteAndMessage)
{
    tal::OutOfBoundException e;
    e << ExceptionArg("int demo::read(long)", "src/demo.cpp", 42) << "max[" << 7UL << "]";
    expect_report(e,
                  "exception[tal::OutOfBoundException] was thrown at[<CR>"
                  "\tsrc/demo.cpp:42:int demo::read(long)<CR>"
                  "] with message[max[7]] stack:<CR>");
}

TEST_F(ExceptionSettings, ReportIsBuiltOnce)
{
    tal::ParseErrorException e;
    e << "first";
    std::string report = e.all();
    e << ExceptionArg("f", "g.cpp", 9) << " second";
    tal::Exception::set_line_delimiter("|");
    EXPECT_EQ(e.all(), report);
    EXPECT_STREQ(e.what(), "first second");
}

TEST_F(ExceptionSettings, LineDelimiterSetting)
{
    tal::Exception::set_line_delimiter("|");
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "|");
    tal::BadCastException e;
    std::vector<std::string> lines = split_lines(e.stack(), "|");
    EXPECT_GE(lines.size(), 1u);
    expect_frame_lines(lines);
    expect_report(e,
                  "exception[tal::BadCastException] was thrown at[|"
                  "\t<unknown-file>:0:<unknown-function>|] with message[] stack:|");
}

TEST_F(ExceptionSettings, LineDelimiterIsCutToItsArray)
{
    tal::Exception::set_line_delimiter("0123456789abcdef");
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "012345678");
    tal::Exception::set_line_delimiter(NULL);
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "");
    tal::Exception::set_line_delimiter("<CR>");
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "<CR>");
    // The setting's own text, or a tail of it, can be set again.
    tal::Exception::set_line_delimiter(tal::Exception::get_line_delimiter());
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "<CR>");
    tal::Exception::set_line_delimiter(tal::Exception::get_line_delimiter() + 1);
    EXPECT_STREQ(tal::Exception::get_line_delimiter(), "CR>");
}

TEST_F(ExceptionSettings, StackDepthSetting)
{
    EXPECT_EQ(tal::Exception::set_stack_trace_level(0), tal::Exception::DEFAULT_STACK_TRACE_LEVEL);
    tal::UnknownException none;
    EXPECT_STREQ(none.stack(), "");

    tal::Exception::set_stack_trace_level(3);
    tal::UnknownException three;
    EXPECT_EQ(split_lines(three.stack(), CR).size(), 3u);

    // Deeper than the cap: 100 frames looked at, the capture routine's skipped.
    tal::Exception::set_stack_trace_level(500);
    EXPECT_EQ(stack_lines_at_depth(120), tal::Exception::MAX_STACK_TRACE_LEVEL - 1);
}

TEST(StackTrace, Limits)
{
    tal::AutoBuffer buf(0);
    tal::stack_trace(buf, 5, 4, 4, "|");
    tal::stack_trace(buf, 0, 1, 100, "|");
    EXPECT_TRUE(buf.empty());
    // The count is cut to max_level - begin_level.
    tal::stack_trace(buf, 50, 1, 4, "|");
    EXPECT_EQ(split_lines(buf.c_str(), "|").size(), 3u);
}

TEST(StackTrace, UnmangledFunctionShowsParentheses)
{
    tal::AutoBuffer buf(0);
    tal_test_plain_frame(&buf);
    // Interceptors (the sanitizer run) may add frames above the caller.
    size_t found = 0;
    for (const std::string& line : split_lines(buf.c_str(), "|")) {
        std::string function;
        if (frame_shaped(line, &function) && function == "tal_test_plain_frame()") ++found;
    }
    EXPECT_EQ(found, 1u) << buf.c_str();
}

TEST(Demangle, NamesAndFallback)
{
    tal::AutoBuffer buf(0);
    tal::demangle(buf, typeid(tal::KeyNotFoundException).name());
    buf << ',';
    tal::demangle(buf, "_ZN3tal10to_cstringENS_17exception_level_tE");
    buf << ',';
    tal::demangle(buf, "not a mangled name");
    EXPECT_STREQ(buf.c_str(),
                 "tal::KeyNotFoundException,tal::to_cstring(tal::exception_level_t),not a mangled name");
}

TEST(ExceptionLevel, TextsAtTheEdges)
{
    struct Case {
        int level;
        const char* text;
    };
    const Case cases[] = {
        {-100000, "EXCEPTION_LEVEL_KNOWN"},   {-1000, "EXCEPTION_LEVEL_KNOWN"},
        {-999, "EXCEPTION_LEVEL_SILENT"},     {-1, "EXCEPTION_LEVEL_SILENT"},
        {0, "EXCEPTION_LEVEL_DEBUG"},         {99, "EXCEPTION_LEVEL_DEBUG"},
        {100, "EXCEPTION_LEVEL_TRACE"},       {199, "EXCEPTION_LEVEL_TRACE"},
        {200, "EXCEPTION_LEVEL_NOTICE"},      {399, "EXCEPTION_LEVEL_NOTICE"},
        {400, "EXCEPTION_LEVEL_WARNING"},     {799, "EXCEPTION_LEVEL_WARNING"},
        {800, "EXCEPTION_LEVEL_FATAL"},       {998, "EXCEPTION_LEVEL_FATAL"},
        {999, "EXCEPTION_LEVEL_CORE_DUMPED"}, {100000, "EXCEPTION_LEVEL_CORE_DUMPED"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(tal::to_cstring(static_cast<tal::exception_level_t>(c.level)), c.text) << c.level;
    EXPECT_STREQ(tal::EXCEPTION_LEVEL_DEFAULT_CSTRING, "EXCEPTION_LEVEL_DEBUG");
    EXPECT_STREQ(tal::EXCEPTION_LEVEL_UNKNOWN_CSTRING, "EXCEPTION_LEVEL_KNOWN");
    EXPECT_EQ(tal::EXCEPTION_LEVEL_DEFAULT, tal::EXCEPTION_LEVEL_DEBUG);
}

TEST(ExceptionLevel, StreamedLevel)
{
    tal::OverflowException e;
    e << tal::EXCEPTION_LEVEL_FATAL;
    EXPECT_EQ(e.level(), 800);
    EXPECT_STREQ(e.level_str(), "EXCEPTION_LEVEL_FATAL");
    EXPECT_STREQ(e.what(), "");
}

TEST(ExceptionTransfer, CopyTakesTheTexts)
{
    tal::BadCastException source;
    source << ExceptionArg("void f()", "f.cpp", 3) << tal::EXCEPTION_LEVEL_NOTICE << "moved";
    source.name();
    std::string stack = source.stack();
    std::string report = source.all();
    ASSERT_FALSE(stack.empty());

    tal::BadCastException copy(source);
    EXPECT_STREQ(copy.what(), "moved");
    EXPECT_EQ(copy.stack(), stack);
    EXPECT_STREQ(copy.name(), "tal::BadCastException");
    EXPECT_STREQ(copy.function(), "void f()");
    EXPECT_STREQ(copy.file(), "f.cpp");
    EXPECT_EQ(copy.line(), 3);
    EXPECT_EQ(copy.level(), 200);
    EXPECT_EQ(copy.all(), report);

    EXPECT_STREQ(source.what(), "");
    EXPECT_STREQ(source.stack(), "");
    EXPECT_EQ(source.level(), 200);
    EXPECT_EQ(source.line(), 3);
    // Its report was built before and is kept; the name demangles again.
    EXPECT_EQ(source.all(), report);
    EXPECT_STREQ(source.name(), "tal::BadCastException");
}

std::vector<std::string> g_destroyed;

class ProbeException : public tal::BasicException<ProbeException, tal::Exception> {
public:
    ~ProbeException() override
    {
        g_destroyed.push_back(std::string(what()) + (*stack() ? "+stack" : "-stack"));
    }
};

TEST(ExceptionTransfer, ThrowMovesTheTextsOutOfTheTemporary)
{
    g_destroyed.clear();
    try {
        throw ProbeException() << ExceptionArg("void g()", "g.cpp", 5) << "payload";
    } catch (ProbeException& e) {
        ASSERT_EQ(g_destroyed.size(), 1u);
        EXPECT_EQ(g_destroyed[0], "-stack");
        EXPECT_STREQ(e.what(), "payload");
        EXPECT_STRNE(e.stack(), "");
        EXPECT_EQ(e.line(), 5);
    }
    ASSERT_EQ(g_destroyed.size(), 2u);
    EXPECT_EQ(g_destroyed[1], "payload+stack");
}

}  // namespace

extern "C" void tal_test_plain_frame(tal::AutoBuffer* buf)
{
    tal::stack_trace(*buf, 3, 1, 100, "|");
    g_sink = 0;
}
