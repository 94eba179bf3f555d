// Helpers of the fuzz targets: the readers under test take file paths, so each input is written
// to a file of the process's own (in a temporary directory made once, removed at exit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzfiles {

// Writes data to <the process's directory>/name and returns that path. Throws nothing;
// aborts when the file cannot be written (the fuzzer would test nothing).
const std::string& writeInput(const uint8_t* data, size_t size, const char* name);

// Sends standard output to /dev/null: what the readers print for the user would drown the
// fuzzer's report (which goes to standard error; run.sh closes the targets' own use of it).
void silenceOutput();

}  // namespace fuzzfiles
