// Internal consistency checks of the runtime.
//
// rt_Assert(cond) checks a condition that holds unless the runtime itself
// (or code storing past its barriers) is broken. Builds that define
// VELMORA_ASSERTS (the sanitizer, fuzz and Debug builds) evaluate it and, when it
// is false, print "file:line: assertion failed: cond" on the standard error
// and abort. Other builds do not evaluate the condition at all; it is only
// type-checked, so a check cannot rot in the release build.
#pragma once

#if defined(VELMORA_ASSERTS)
[[noreturn]] void rt_AssertFailed(const char *file, int line, const char *condition);
#define rt_Assert(cond) ((cond) ? static_cast<void>(0) : rt_AssertFailed(__FILE__, __LINE__, #cond))
#else
#define rt_Assert(cond) static_cast<void>(sizeof((cond) ? 1 : 0))
#endif
