#pragma once
// Member names of zip archives: decoding to UTF-8 and the check that a
// member stays inside the folder it is expanded into.
//
// A zip marks UTF-8 names with flag bit 11; the reader hands those over as
// UTF-8 and every other name as its raw bytes. Unmarked names are CP932 (the
// Japanese Windows zippers that make the GSI and MLIT downloads) unless they
// are valid UTF-8, which Linux and macOS zippers write without the flag.

#include <string>
#include <string_view>

namespace velkaro {

// The member name as UTF-8, with "\" separators (Windows zippers) turned
// into "/". The CP932 decoding comes first, so a "\" trail byte of a
// double-byte character is never taken for a separator.
std::string MemberNameToUtf8(std::string_view bytes);

enum class MemberPathProblem { None, Empty, Absolute, ParentStep };

// A member name reduced to a relative path below the target folder: empty
// and "." steps dropped, steps joined with "/". Anything that could leave the
// folder (a leading "/", a drive letter, a ".." step) is a problem.
struct MemberPath {
  std::string relative;
  MemberPathProblem problem = MemberPathProblem::None;
};

MemberPath SafeMemberPath(std::string_view utf8Name);

// The last step of a member path ("a/b/c.xml" -> "c.xml").
std::string_view MemberFileName(std::string_view path);

// True when the file name ends in ".zip", in any letter case.
bool IsZipName(std::string_view fileName);

}  // namespace velkaro
