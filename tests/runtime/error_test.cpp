// Run-time errors, the debug prompt, fatal signals and the allocation exit.
//
// The prompt ends the process, so these are death tests. The child feeds its
// standard input from a temporary file and writes its standard output and
// error to files in a directory shared with the parent (through the
// environment, which the re-executed child inherits); the parent reads them
// once the child has ended.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "runtime/rt_error.h"
#include "runtime/rt_object.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

using ::testing::ExitedWithCode;

namespace {

const char kDirVariable[] = "VELMORA_ERROR_TEST_DIR";

// Made by the parent for one test and removed after it; the child finds it
// in the environment.
std::optional<TempDir> g_dir;

std::string OutputDir() {
    if (const char *dir = std::getenv(kDirVariable)) return dir;
    g_dir.emplace();
    if (g_dir->Path().empty()) std::abort();
    setenv(kDirVariable, g_dir->Path().c_str(), 1);
    return g_dir->Path();
}

void RemoveOutputDir() {
    if (!g_dir) return;
    g_dir.reset();
    unsetenv(kDirVariable);
}

std::string OutPath(const std::string &tag) { return OutputDir() + "/" + tag + ".out"; }
std::string ErrPath(const std::string &tag) { return OutputDir() + "/" + tag + ".err"; }

void Redirect(int fd, const std::string &path) {
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0 || dup2(file, fd) < 0) std::abort();
    close(file);
}

// In the child: stdin holds `input`; stdout and stderr go to the tag's files.
void ChildIo(const std::string &tag, const std::string &input) {
    FILE *in = std::tmpfile();
    if (!in) std::abort();
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    if (dup2(fileno(in), 0) < 0) std::abort();
    lseek(0, 0, SEEK_SET);
    clearerr(stdin);
    std::fflush(stdout);
    std::fflush(stderr);
    Redirect(1, OutPath(tag));
    Redirect(2, ErrPath(tag));
}

struct Output {
    std::string out, err;
};

// In the parent: what the child left, then the files are removed.
Output Collect(const std::string &tag) {
    Output o{test_ReadFile(OutPath(tag)), test_ReadFile(ErrPath(tag))};
    unlink(OutPath(tag).c_str());
    unlink(ErrPath(tag).c_str());
    return o;
}

std::string Repeat(const std::string &s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

const std::string kBanner = "Zentrova Runtime Error : msg\n\n";  // banner, then the empty stack trace
const std::string kHeader = "{{~~~~}}\n\n";                       // header, then the empty line

class ErrorTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        OutputDir();
    }
    void TearDown() override {
        RemoveOutputDir();
        RuntimeTest::TearDown();
    }
};

struct PromptCase {
    const char *tag;
    std::string input;
    int code;
    std::string out;
    std::string err;
};

const PromptCase kPromptCases[] = {
    {"end_of_input", "", 255, kBanner, kHeader},
    {"query_then_quit", "?\nq\n", 0, kBanner, kHeader},
    {"leave_repeats_report", "e\n", 255, Repeat(kBanner, 2), Repeat(kHeader, 2)},
    {"every_leave_command", "s\nl\nr\nq\n", 0, Repeat(kBanner, 4), Repeat(kHeader, 4)},
    {"quit_without_line_feed", "q", 255, kBanner, kHeader},
    {"at_null", "@0\n", 255, kBanner, kHeader + "\n"},
    {"at_unreadable", "@zz\n", 255, kBanner, kHeader + "\n"},
    {"at_random_address", "@0x1234\n?\n@0x7fffdeadbee8\nq\n", 0, kBanner, kHeader + "\n\n"},
    {"empty_line", "\n", 255, kBanner + "?????  ?????", kHeader},
    {"unknown_command", "x\n", 255, kBanner + "????? x ?????", kHeader},
    {"unknown_whole_line", "xyz abc\nq\n", 255, kBanner + "????? xyz abc ?????", kHeader},
    {"long_line", std::string(300, 'q') + "\n", 255, kBanner, kHeader},
    {"longest_line", std::string(255, 'q') + "\n", 0, kBanner, kHeader},
    {"line_of_256", std::string(256, 'q') + "\n", 255, kBanner, kHeader},
};
void PrintTo(const PromptCase &c, std::ostream *os) { *os << c.tag; }

class PromptTest : public ErrorTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(PromptTest, Command) {
    const PromptCase &c = GetParam();
    EXPECT_EXIT(
        {
            ChildIo(c.tag, c.input);
            object_RuntimeError("msg");
        },
        ExitedWithCode(c.code), "");
    Output o = Collect(c.tag);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(Prompt, PromptTest, ::testing::ValuesIn(kPromptCases),
                         [](const auto &info) { return std::string(info.param.tag); });

TEST_F(ErrorTest, AtCommandDumpsOnlyLiveObjects) {
    EXPECT_EXIT(
        {
            Object *live = gc_New<Object>()->m_new();
            Object *black = gc_New<Object>()->m_new();
            gc_Mark(black);
            Array<int> array(3);  // collected, but not an Object
            char input[128];
            std::snprintf(input, sizeof input, "@%p\n@%p\n@%p\n@%p\nq\n", static_cast<void *>(live),
                          static_cast<void *>(black), static_cast<void *>(array.GetRep()),
                          static_cast<void *>(&gc_LiveList));
            ChildIo("at_live", input);
            object_RuntimeError("msg");
        },
        ExitedWithCode(0), "");
    Output o = Collect("at_live");
    EXPECT_EQ(o.out, kBanner);
    EXPECT_EQ(o.err, kHeader + "+Object\n\n" + "+Object\n\n" + "\n" + "\n");
}

TEST_F(ErrorTest, EmptyMessageEndsWithZeroAndPrintsNothing) {
    EXPECT_EXIT(
        {
            ChildIo("error_empty", "");
            object_Error(String());
        },
        ExitedWithCode(0), "");
    Output o = Collect("error_empty");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
}

TEST_F(ErrorTest, MessageIsNarrowedThenWidened) {
    // The unit 0xE9 is narrowed to the byte 0xE9, which widens to 0xFFE9.
    EXPECT_EXIT(
        {
            ChildIo("error_high_byte", "");
            object_Error(String(u"caf\u00E9"));
        },
        ExitedWithCode(255), "");
    Output o = Collect("error_high_byte");
    EXPECT_EQ(o.out, "Zentrova Runtime Error : caf\xEF\xBF\xA9\n\n");
    EXPECT_EQ(o.err, kHeader);
}

struct SignalCase {
    const char *tag;
    int signo;
    const char *message;
};
void PrintTo(const SignalCase &c, std::ostream *os) { *os << c.tag; }

class SignalTest : public ErrorTest, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(SignalTest, RaisedSignalBecomesRunTimeError) {
    const SignalCase &c = GetParam();
    EXPECT_EXIT(
        {
            ChildIo(c.tag, "");
            object_InstallSignalHandlers();
            std::raise(c.signo);
        },
        ExitedWithCode(255), "");
    Output o = Collect(c.tag);
    EXPECT_EQ(o.out, std::string("Zentrova Runtime Error : ") + c.message + "\n\n");
    EXPECT_EQ(o.err, kHeader);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest,
                         ::testing::Values(SignalCase{"sigfpe", SIGFPE, "Floating point exception"},
                                           SignalCase{"sigsegv", SIGSEGV, "Memory access violation"},
                                           SignalCase{"sigill", SIGILL, "Illegal instruction"}),
                         [](const auto &info) { return std::string(info.param.tag); });

TEST_F(ErrorTest, UnknownSignal) {
    EXPECT_EXIT(
        {
            ChildIo("unknown_signal", "");
            object_SignalHandler(99);
        },
        ExitedWithCode(255), "");
    EXPECT_EQ(Collect("unknown_signal").out, "Zentrova Runtime Error : Unknown signal\n\n");
}

int *volatile g_nowhere = nullptr;

// A real store to address 0 (the undefined-behaviour checker would stop a
// null store before it faults).
__attribute__((noinline, no_sanitize("undefined"))) void StoreThrough(int *p) { *p = 1; }

// Recursion that the optimiser can neither remove nor turn into a loop.
volatile int g_bottom = -1;
int Deeper(int depth) {
    if (depth == g_bottom) return 0;
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return Deeper(depth + 1) + frame[(depth + 1) % sizeof frame];
}
int (*volatile g_deeper)(int) = Deeper;

TEST_F(ErrorTest, NullWriteIsAccessViolation) {
    EXPECT_EXIT(
        {
            ChildIo("null_write", "");
            object_InstallSignalHandlers();
            StoreThrough(g_nowhere);
        },
        ExitedWithCode(255), "");
    EXPECT_EQ(Collect("null_write").out, "Zentrova Runtime Error : Memory access violation\n\n");
}

TEST_F(ErrorTest, StackOverflowIsAccessViolation) {
    // "e" leaves the prompt once: the report repeats on the signal stack.
    EXPECT_EXIT(
        {
            ChildIo("stack_overflow", "e\n");
            object_InstallSignalHandlers();
            g_deeper(0);
        },
        ExitedWithCode(255), "");
    Output o = Collect("stack_overflow");
    EXPECT_EQ(o.out, Repeat("Zentrova Runtime Error : Memory access violation\n\n", 2));
    EXPECT_EQ(o.err, Repeat(kHeader, 2));
}

TEST_F(ErrorTest, OutOfMemoryPrintsOneLine) {
    EXPECT_EXIT(
        {
            ChildIo("oom", "");
            rt_OutOfMemory(123456789012ull);
        },
        ExitedWithCode(255), "");
    Output o = Collect("oom");
    EXPECT_EQ(o.out, "Zentrova Runtime Error : Out of memory (123456789012 bytes)\n");
    EXPECT_EQ(o.err, "");
}

TEST(AllocationTest, ZeroSizeGivesAValidBlock) {
    void *p = rt_Malloc(0);
    ASSERT_NE(p, nullptr);
    p = rt_Realloc(p, 0);
    ASSERT_NE(p, nullptr);
    p = rt_Realloc(p, 64);
    ASSERT_NE(p, nullptr);
    static_cast<char *>(p)[63] = 1;
    std::free(p);
}

#if defined(__SANITIZE_ADDRESS__)
// Let an impossible allocation fail with null, as the system allocator does,
// instead of the address sanitizer ending the process itself.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }
#endif

volatile size_t g_huge = ~static_cast<size_t>(0) / 2;
void *volatile g_block = nullptr;

TEST_F(ErrorTest, FailedMallocEndsTheProcess) {
    EXPECT_EXIT(
        {
            ChildIo("malloc_fails", "");
            rt_Malloc(g_huge);
        },
        ExitedWithCode(255), "");
    EXPECT_EQ(Collect("malloc_fails").out,
              "Zentrova Runtime Error : Out of memory (" + std::to_string(g_huge) + " bytes)\n");
}

TEST_F(ErrorTest, FailedReallocEndsTheProcess) {
    EXPECT_EXIT(
        {
            ChildIo("realloc_fails", "");
            g_block = rt_Malloc(8);  // still held when the process ends
            rt_Realloc(g_block, g_huge);
        },
        ExitedWithCode(255), "");
    EXPECT_EQ(Collect("realloc_fails").out,
              "Zentrova Runtime Error : Out of memory (" + std::to_string(g_huge) + " bytes)\n");
}

TEST(DebugTexts, QuoteString) {
    const struct {
        String in;
        String out;
    } cases[] = {
        {String(), String(u"\"\"")},
        {String(u"a\"b\tc\nd\re~f"), String(u"\"a~qb~tc~nd~re~f\"")},
        {String(std::string(100, 'x').c_str()), String(("\"" + std::string(100, 'x') + "\"").c_str())},
        {String(std::string(101, 'x').c_str()), String(("\"" + std::string(100, 'x') + "...\"").c_str())},
        // The cut comes first: the quote at index 100 is gone, the one before it is escaped.
        {String((std::string(99, 'x') + "\"\"").c_str()), String(("\"" + std::string(99, 'x') + "~q...\"").c_str())},
    };
    for (const auto &c : cases) {
        String got = object_DebugQuoteString(c.in);
        EXPECT_TRUE(got == c.out) << String::CString(got).c_str();
    }
}

TEST(DebugTexts, Values) {
    const struct {
        float in;
        const char *out;
    } floats[] = {
        {0.0f, "0.0"},     {1.0f, "1.0"},           {-2.0f, "-2.0"}, {0.5f, "0.5"},
        {0.1f, "0.10000000149011612"}, {1e20f, "1.0000000200408773e+20"}, {16777216.0f, "16777216.0"},
    };
    for (const auto &c : floats) EXPECT_STREQ(String::CString(debug_ValueFloat(c.in)).c_str(), c.out) << c.in;

    EXPECT_TRUE(debug_ValueBool(true) == String("True"));
    EXPECT_TRUE(debug_ValueBool(false) == String("False"));
    EXPECT_TRUE(debug_ValueInt(-42) == String("-42"));
    EXPECT_TRUE(debug_ValuePointer(reinterpret_cast<void *>(0xabc0)) == String("abc0"));
    EXPECT_TRUE(debug_TypeNameBool() == String("Bool"));
    EXPECT_TRUE(debug_TypeNameInt() == String("Int"));
    EXPECT_TRUE(debug_TypeNameFloat() == String("Float"));
    EXPECT_TRUE(debug_TypeNameString() == String("String"));

    FILE *f = std::tmpfile();
    debug_WriteVar(f, "name", "value");
    std::rewind(f);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    std::fclose(f);
    EXPECT_STREQ(line, "+name;value\n");
}

TEST(DebugTexts, ThrowCStringThrowsThePointer) {
    static const char kMessage[] = "thrown";
    object_ErrorTrace = String("old");
    try {
        object_ThrowCString(kMessage);
    } catch (const char *p) {
        EXPECT_EQ(p, kMessage);
    }
    EXPECT_EQ(object_ErrorTrace.Length(), 0);
}

}  // namespace
