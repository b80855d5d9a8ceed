// Shows a file status in a failed expectation by its code and its English description, so a
// test can compare statuses whole: EXPECT_EQ(status, (FileStatus{FileProblem::..., ENOENT})).
#pragma once

#include <ostream>

#include "platform/file_problem.h"

namespace platform {

inline void PrintTo(const FileStatus& status, std::ostream* out) {
    *out << "{" << status.problem.code() << ", errno " << status.error << ": "
         << describeProblemInEnglish(status, "?") << "}";
}

inline void PrintTo(FileProblem problem, std::ostream* out) {
    PrintTo(FileStatus{problem}, out);
}

} // namespace platform
