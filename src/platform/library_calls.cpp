#include "platform/library_calls.h"

#include <dlfcn.h>

namespace velkaro {

bool OpenLibraries(std::initializer_list<const char*> names, const char* what, std::vector<void*>& libraries,
                   std::string& error) {
  for (const char* name : names) {
    void* library = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
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
