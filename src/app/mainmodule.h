// Process entry: picks the run mode and, on the command line, runs one copy or patch run.
#pragma once

namespace kadrel {

/// Returns the process's exit status.
int Main(int argc, char** argv);

}  // namespace kadrel
