// The few operating-system services the host needs, one implementation file per platform
// (os_posix.cpp, os_win32.cpp). Everything else in the host is portable.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv::vsthost::os {

// Opens a shared library by path; null and a readable reason in *error on failure.
void* openLibrary(const std::string& path, std::string* error);
void* findSymbol(void* library, const char* name);
void closeLibrary(void* library);

// The file-name extension of plug-in libraries on this platform: ".so" or ".dll".
const char* libraryExtension();

// A path as the platform's own calls want it. Under Wine an absolute Unix path "/a/b" becomes
// "Z:\a\b"; elsewhere the path is returned unchanged.
std::string nativePath(const std::string& path);

// CPU time (user + system) of the whole process, all threads counted, in seconds.
double processCpuSeconds();
// CPU time of the calling thread alone, in seconds.
double threadCpuSeconds();
// Number of threads of this process, where the platform tells it cheaply.
std::optional<int> threadCount();

// Runs a program with arguments, its standard output and error written into outputFile, and
// waits for it. Returns its exit status, or -1 when it could not be started.
int runProcess(const std::vector<std::string>& argv, const std::string& outputFile);

}  // namespace qv::vsthost::os
