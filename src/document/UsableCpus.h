// UsableCpus — how many CPUs this process may keep busy at once, to size
// pools of worker threads.
//
// std::thread::hardware_concurrency() counts the machine's CPUs; a process
// may be confined to fewer: by its affinity mask (taskset, a CPU set) and by
// a CPU quota of its control group (a container given "one CPU" of a large
// machine gets a quota of one CPU's time per period, not a CPU set). More
// workers than that only share the same time slices and hold more memory.
//
//     usableCpus()  // 1 under `taskset -c 0`, or in a cgroup with
//                   // cpu.max "100000 100000", on a machine of 64 CPUs
//
// The count is the CPUs of the affinity mask, lowered to a control group's
// quota rounded up (cgroup v2 "cpu.max"; cgroup v1 "cpu.cfs_quota_us" over
// "cpu.cfs_period_us"), the tightest of the process's group and its
// ancestors; at least 1. Files that cannot be read impose no limit. Reads
// /proc/self and the cgroup file systems as mounted; throws nothing.
#pragma once

#include <string>

int usableCpus();

// What one group's quota allows, in CPUs rounded up; 0 for no limit.
//     cpusOfCpuMax("max 100000") == 0      cpusOfCpuMax("150000 100000") == 2
//     cpusOfCfsQuota(-1, 100000) == 0      cpusOfCfsQuota(50000, 100000) == 1
int cpusOfCpuMax(const std::string& cpuMax);
int cpusOfCfsQuota(long long quotaMicroseconds, long long periodMicroseconds);
