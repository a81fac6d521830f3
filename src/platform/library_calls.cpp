#include "platform/library_calls.h"

#include <dlfcn.h>

namespace velkaro {

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VELKARO_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELKARO_SANITIZED 1
#endif

// The sanitizers' runtimes stand in for the C library's allocation calls and
// refuse a library that would look past them.
#ifdef VELKARO_SANITIZED
constexpr int kOwnSymbolsFirst = 0;
#else
constexpr int kOwnSymbolsFirst = RTLD_DEEPBIND;
#endif

}  // namespace

bool OpenLibraries(std::initializer_list<const char*> names, const char* what, std::vector<void*>& libraries,
                   std::string& error, SymbolLookup lookup) {
  const int flags = RTLD_LAZY | RTLD_LOCAL | (lookup == SymbolLookup::OwnFirst ? kOwnSymbolsFirst : 0);
  for (const char* name : names) {
    void* library = dlopen(name, flags);
    if (!library) {
      error = std::string("cannot load ") + what + " (" + name + ")";
      return false;
    }
    libraries.push_back(library);
  }
  return true;
}

void* FindCall(const std::vector<void*>& libraries, const char* name) {
  for (void* library : libraries)
    if (void* call = dlsym(library, name)) return call;
  return nullptr;
}

}  // namespace velkaro
