#pragma once
// Libraries opened on first use rather than linked. Each of them brings
// libraries of its own (PROJ alone some thirty: network, crypto, XML; FFmpeg
// a hundred-odd codecs), and loading and linking them at every start of
// every program (each velkaro-cli command, each worker started as a
// program) took longer than the program's own start. A table of calls is
// filled once from the libraries the program was built against; a missing
// library or call leaves it empty with the reason.

#include <initializer_list>
#include <string>
#include <vector>

namespace velkaro {

// Where a library opened here looks first for the symbols it and its own
// libraries use: among the program's libraries (the usual order), or among
// its own. A library that uses tens of thousands of its own symbols (LLVM,
// under the software GL) is linked twice as fast looking among its own
// first: the program's fifty-odd libraries are not tried for each symbol.
enum class SymbolLookup { ProgramFirst, OwnFirst };

// Opens the libraries, kept for the life of the program (a library's own
// needs come with it); false with "cannot load <what> (<name>)" in error.
bool OpenLibraries(std::initializer_list<const char*> names, const char* what, std::vector<void*>& libraries,
                   std::string& error, SymbolLookup lookup = SymbolLookup::ProgramFirst);

// The call `name` from whichever of the libraries has it, or null.
void* FindCall(const std::vector<void*>& libraries, const char* name);

// Fills `call` with the call `name`; false with "this <what> lacks the call
// <name>" in error.
template <class Call>
bool FindCall(const std::vector<void*>& libraries, const char* name, const char* what, Call& call,
              std::string& error) {
  call = reinterpret_cast<Call>(FindCall(libraries, name));
  if (!call) error = std::string("this ") + what + " lacks the call " + name;
  return call != nullptr;
}

// A table of calls is a struct with one member per call, made from a list
// macro LIST(X) that names each call as X(name):
//   struct TiffCalls { VELKARO_TIFF_CALLS(VELKARO_CALL_MEMBER) };
// and its loader (see CallsLoadedOnce) is defined by
//   VELKARO_DEFINE_CALLS_LOADER(TiffCalls, LoadTiff, "libgeotiff", VELKARO_TIFF_CALLS,
//                               "libgeotiff.so.5", "libtiff.so.6")
// with the libraries to open, users first.
#define VELKARO_CALL_MEMBER(name) decltype(&::name) name = nullptr;
#define VELKARO_FIND_CALL(name) &&FindCall(libraries, #name, what, calls.name, error)
#define VELKARO_DEFINE_CALLS_LOADER(Calls, Load, libraryName, LIST, ...)             \
  const Calls* Load(std::string* error) {                                             \
    return CallsLoadedOnce<Calls>(                                                    \
        [](Calls& calls, std::string& error) {                                        \
          std::vector<void*> libraries;                                               \
          const char* const what = libraryName;                                       \
          return OpenLibraries({__VA_ARGS__}, what, libraries, error) LIST(VELKARO_FIND_CALL); \
        },                                                                            \
        error);                                                                       \
  }

// A table of calls filled by `fill` the first time it is asked for and kept
// for the life of the program; null when filling failed, with the reason in
// *error.
template <class Calls>
const Calls* CallsLoadedOnce(bool (*fill)(Calls&, std::string&), std::string* error) {
  struct Loaded {
    Calls calls;
    std::string error;
    bool ok = false;
  };
  static const Loaded loaded = [fill] {
    Loaded l;
    l.ok = fill(l.calls, l.error);
    return l;
  }();
  if (!loaded.ok && error) *error = loaded.error;
  return loaded.ok ? &loaded.calls : nullptr;
}

// The table `load` gives, for writing `path`; null with "<path>: <reason>"
// in *error when the library is missing.
template <class Calls>
const Calls* CallsForWriting(const Calls* (*load)(std::string*), const std::string& path, std::string* error) {
  std::string reason;
  const Calls* calls = load(&reason);
  if (!calls && error) *error = path + ": " + reason;
  return calls;
}

}  // namespace velkaro
