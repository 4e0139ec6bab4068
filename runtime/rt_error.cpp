// Run-time errors, the debug prompt, fatal signals and the allocation exit.
#include "runtime/rt_error.h"

#include <cinttypes>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

String object_ErrorTrace;

namespace {

// Output buffer of debug_WriteLine, kept for the whole run.
char *g_debugBuffer = nullptr;
int64_t g_debugCapacity = 0;

void FreeDebugBuffer() {
    std::free(g_debugBuffer);
    g_debugBuffer = nullptr;
    g_debugCapacity = 0;
}

// The signal handlers run on this stack, so that a fault caused by running
// out of the ordinary stack can still be reported.
alignas(16) unsigned char g_signalStack[256 * 1024];

// The Object at `address` when it is a collected object that is still on one
// of the collector's lists; null for any other address.
Object *FindLiveObject(const void *address) {
    if (!address) return nullptr;
    for (gc_ListHead *head : {&gc_LiveList, &gc_MarkQueue, &gc_MarkedList, &gc_UnreachableList}) {
        for (gc_object *o = head->next; o && o != head; o = o->next) {
            if (static_cast<const void *>(o) == address) return dynamic_cast<Object *>(o);
        }
    }
    return nullptr;
}

}  // namespace

void object_Error(const String &message) {
    if (message.Empty()) std::exit(0);
    String::CString text(message);
    object_RuntimeError(text.c_str());
}

void object_RuntimeError(const char *message) {
    for (;;) {
        lang_Print(String("Zentrova Runtime Error : ") + String(message));
        lang_Print(object_StackTrace());
        object_DebugStop();
    }
}

String object_StackTrace() { return String(); }

void object_DebugStop() {
    std::fprintf(stderr, "{{~~%s~~}}\n", "");
    std::fflush(stderr);
    debug_WriteLine(String());

    // A line of up to 255 characters, its line feed and the terminating NUL.
    char line[257];
    for (;;) {
        if (!std::fgets(line, sizeof line, stdin)) std::exit(-1);
        char *feed = std::strchr(line, '\n');
        if (!feed) std::exit(-1);
        *feed = 0;

        switch (line[0]) {
        case '?':
            continue;
        case '@': {
            void *address = nullptr;
            if (std::sscanf(line + 1, "%p", &address) != 1) address = nullptr;
            Object *object = FindLiveObject(address);
            debug_WriteLine(object ? object->DebugDump() : String());
            continue;
        }
        case 'e':
        case 's':
        case 'l':
        case 'r':
            return;
        case 'q':
            std::exit(0);
        default:
            std::printf("????? %s ?????", line);
            std::fflush(stdout);
            std::exit(-1);
        }
    }
}

int object_DebugStopStatement() {
    object_DebugStop();
    return 0;
}

void object_ThrowCString(const char *message) {
    object_ErrorTrace = object_StackTrace();
    throw message;
}

void object_SignalHandler(int signo) {
    switch (signo) {
    case SIGFPE:
        object_RuntimeError("Floating point exception");
    case SIGSEGV:
        object_RuntimeError("Memory access violation");
    case SIGILL:
        object_RuntimeError("Illegal instruction");
    default:
        object_RuntimeError("Unknown signal");
    }
}

void object_InstallSignalHandlers() {
    stack_t stack{};
    stack.ss_sp = g_signalStack;
    stack.ss_size = sizeof g_signalStack;
    stack.ss_flags = 0;
    sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_handler = object_SignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    for (int signo : {SIGSEGV, SIGILL, SIGFPE}) sigaction(signo, &action, nullptr);
}

void rt_OutOfMemory(uint64_t bytes) {
    std::printf("Zentrova Runtime Error : Out of memory (%" PRIu64 " bytes)\n", bytes);
    std::fflush(stdout);
    std::exit(-1);
}

void *rt_Malloc(size_t bytes) {
    void *p = std::malloc(bytes ? bytes : 1);
    if (!p) rt_OutOfMemory(bytes);
    return p;
}

void *rt_Realloc(void *p, size_t bytes) {
    void *q = std::realloc(p, bytes ? bytes : 1);
    if (!q) rt_OutOfMemory(bytes);
    return q;
}

void debug_WriteLine(const String &s) {
    const int64_t length = s.Length();
    if (length + 99 >= g_debugCapacity) {
        if (!g_debugBuffer) std::atexit(FreeDebugBuffer);
        std::free(g_debugBuffer);
        g_debugBuffer = static_cast<char *>(rt_Malloc(static_cast<size_t>(length) + 100));
        g_debugCapacity = length + 100;
    }
    const char16_t *units = s.Data();
    for (int64_t i = 0; i < length; ++i) g_debugBuffer[i] = static_cast<char>(units[i] & 0xFF);
    g_debugBuffer[length] = '\n';
    std::fwrite(g_debugBuffer, 1, static_cast<size_t>(length) + 1, stderr);
    std::fflush(stderr);
}

String debug_TypeNameBool() { return String("Bool"); }
String debug_TypeNameInt() { return String("Int"); }
String debug_TypeNameFloat() { return String("Float"); }
String debug_TypeNameString() { return String("String"); }

String debug_ValueBool(bool v) { return String(v ? "True" : "False"); }

String debug_ValueInt(int v) { return String(v); }

String debug_ValueFloat(float v) {
    char text[64];
    std::snprintf(text, sizeof text - 2, "%.17lg", static_cast<double>(v));
    if (!std::strchr(text, '.') && !std::strchr(text, 'e')) std::strcat(text, ".0");
    return String(text);
}

String debug_ValuePointer(const void *p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    const char *shown = std::strncmp(text, "0x", 2) == 0 ? text + 2 : text;
    return String(shown);
}

String object_DebugQuoteString(const String &s) {
    String text = s.Length() > 100 ? s.Slice(0, 100) + String("...") : s;
    text = text.Replace(String(u"\""), String(u"~q"));
    text = text.Replace(String(u"\t"), String(u"~t"));
    text = text.Replace(String(u"\n"), String(u"~n"));
    text = text.Replace(String(u"\r"), String(u"~r"));
    return String(u"\"") + text + String(u"\"");
}

void debug_WriteVar(FILE *stream, const char *name, const char *value) {
    std::fprintf(stream, "+%s;%s\n", name, value);
}
