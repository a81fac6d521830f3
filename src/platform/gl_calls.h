#pragma once
// The software GL (OSMesa), opened on first use rather than linked: it
// brings LLVM, whose loading took two thirds of every program start (11 of
// 17 ms), also for commands that draw nothing. The gl* and OSMesa* calls
// the program makes are defined here under their own names and pass on to
// the library, which the first of them opens; when it cannot be opened they
// do nothing and give zeros, as GL does without a context.

#include <string>

namespace velkaro {

// Opens the library and fills the table of calls, once; false with "cannot
// load OSMesa (<name>)" or the missing call in *error. Safe to call from
// any thread; a second caller waits for the first.
bool LoadGl(std::string* error = nullptr);

}  // namespace velkaro
