// Data paths and file helpers of the host.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/rt_string.h"

// A bare file name becomes "zentrova://data/" + name; paths with a scheme
// or drive ("x:/"), "./" paths and "/" paths come back unchanged.
String app_FixDataPath(String path);

// The data-path rules: "zentrova://data/", "zentrova://internal/" and
// "zentrova://external/" map into the folders of those names in
// `appFolder`; any other "zentrova:" path maps to "" (which opens
// nothing); every other path is kept. Prefixes are case-sensitive.
String host_MapDataPath(String path, String appFolder);
// The same on UTF-8 bytes, for code that must not make Strings (workers).
std::string host_MapDataPathUtf8(const std::string &path, const std::string &appFolder);

// The executable's folder, without a trailing "/". Aborts when the
// executable's path holds no "/".
std::string host_ExecutableFolder();

// UTF-8 of a String's units with surrogate pairs joined (file names); a
// lone unit 0xDC80 to 0xDCFF becomes the byte 0x80 to 0xFF it stands for.
std::string host_ToUtf8(const String &s);
// A file name's bytes as units that host_ToUtf8 turns back into the very
// same bytes: well-formed UTF-8 gives its characters (one beyond 16 bits as
// a surrogate pair), and every other byte b the lone unit 0xDC00 + b.
String host_FromFileName(const std::string &bytes);
// UTF-8 bytes decoded by the text rules.
String host_FromUtf8(const std::string &s);
// The state file's bytes: every unit on its own as one to three bytes, so
// a surrogate pair becomes two three-byte sequences.
std::string host_EncodeStateUnits(const String &s);

// Reads the rest of an open file into one block from malloc and counts it
// as external bytes. Null when reading fails, memory runs out or the file
// holds more than INT32_MAX bytes. Makes no Strings (safe on a worker).
unsigned char *host_ReadWholeFile(FILE *f, int *length);

// The state file's path, relative to the current folder.
std::string host_StateFilePath();
// Copies a file's bytes to another path, replacing it atomically; false
// when the source cannot be read or the copy cannot be written.
bool host_CopyFile(const std::string &from, const std::string &to);
