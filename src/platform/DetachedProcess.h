#pragma once
// Starts a program that runs on its own: it is not a child of this process
// (its parent ends at once, so init takes it over and reaps it), and nothing
// here ever waits for it. What it writes on its standard output comes out of
// a pipe, which reaches end of file when the program has ended.
#include <string>
#include <vector>

namespace oprinter {

// arguments[0] is the program's path. Returns the read end of the pipe
// (close-on-exec), or -1 when the report is not wanted (reportWanted false:
// its output goes to /dev/null). Throws std::runtime_error when the program
// cannot be started; a program that exists but cannot be executed shows up
// as an empty report.
int StartDetachedProcess(const std::vector<std::string>& arguments, bool reportWanted);

}  // namespace oprinter
