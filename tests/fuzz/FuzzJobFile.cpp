// Fuzz target: the job-file reader. The bytes are a job file; it is loaded (size, UTF-8, depth
// and XML checks) and, when it names a command, that command's parameters are read and checked.
// Nothing is run, so no input or output file is touched.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "job/Job.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader reports on standard output and error; the fuzzer's own report stays readable.
    fuzzfiles::silenceOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzfiles::writeInput(data, size, "job.xml");
    Job job;
    try {
        job.readParams(path);
    } catch (const JobError&) {
        // A job file that cannot be loaded: status 1 in the program.
    }
    return 0;
}
