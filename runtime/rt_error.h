// Run-time errors, the debug prompt and fatal signals.
//
// A run-time error never returns: it prints "Zentrova Runtime Error : " and
// the message, an empty stack-trace line, and enters the debug prompt on
// stdin/stderr. Leaving the prompt ("e", "s", "l", "r") repeats the report.
#pragma once

#include <cstdint>
#include <cstdio>

class String;

// Empty message: exit(0). Otherwise a run-time error with the message
// narrowed to 8 bits.
[[noreturn]] void object_Error(const String &message);
[[noreturn]] void object_RuntimeError(const char *message);
String object_StackTrace();
void object_DebugStop();
int object_DebugStopStatement();
[[noreturn]] void object_ThrowCString(const char *message);
void object_SignalHandler(int signo);
// Installs the handlers for SIGSEGV, SIGILL and SIGFPE on an alternate
// signal stack, so that a stack overflow is reported too.
void object_InstallSignalHandlers();

// The one exit for an allocation that cannot be made.
[[noreturn]] void rt_OutOfMemory(uint64_t bytes);
// malloc/realloc that never return null.
void *rt_Malloc(size_t bytes);
void *rt_Realloc(void *p, size_t bytes);

// Debugger helpers.
void debug_WriteLine(const String &s);
String debug_TypeNameBool();
String debug_TypeNameInt();
String debug_TypeNameFloat();
String debug_TypeNameString();
String debug_ValueBool(bool v);
String debug_ValueInt(int v);
String debug_ValueFloat(float v);
String debug_ValuePointer(const void *p);
String object_DebugQuoteString(const String &s);
void debug_WriteVar(FILE *stream, const char *name, const char *value);

// The error-trace string set by object_ThrowCString.
extern String object_ErrorTrace;
