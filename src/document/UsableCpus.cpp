#include "document/UsableCpus.h"

#include <sched.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// Controls how much of the file system is walked: a group path deeper than
// this is no real hierarchy.
constexpr int kMaxGroupDepth = 64;

struct CgroupMount {
    std::string root;        // the hierarchy's directory that is mounted
    std::string mountPoint;  // where it is mounted
    bool version2 = false;
};

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool hasCpuController(const std::string& options) {
    std::stringstream list(options);
    std::string item;
    while (std::getline(list, item, ','))
        if (item == "cpu") return true;
    return false;
}

// The cgroup file systems of /proc/self/mountinfo that carry the cpu
// controller (every cgroup2 mount may).
std::vector<CgroupMount> cpuMounts() {
    std::vector<CgroupMount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [tags] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        std::string::size_type separator = line.find(" - ");
        if (separator == std::string::npos) continue;
        std::istringstream tail(line.substr(separator + 3));
        std::string type, source, superOptions;
        tail >> type >> source >> superOptions;
        if (type == "cgroup2") mounts.push_back({root, mountPoint, true});
        if (type == "cgroup" && hasCpuController(superOptions))
            mounts.push_back({root, mountPoint, false});
    }
    return mounts;
}

// The process's group in the v2 hierarchy ("0::/path") or in the v1
// hierarchy with the cpu controller ("N:cpu,cpuacct:/path").
std::string groupOf(bool version2) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        std::string::size_type first = line.find(':');
        std::string::size_type second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        std::string controllers = line.substr(first + 1, second - first - 1);
        bool match = version2 ? line.compare(0, first, "0") == 0 && controllers.empty()
                              : hasCpuController(controllers);
        if (match) return line.substr(second + 1);
    }
    return "";
}

// The tightest quota of the group at mount.mountPoint + group and its
// ancestors; 0 for none.
int quotaOf(const CgroupMount& mount, std::string group) {
    // In a namespace the mount shows a part of the hierarchy: the group's
    // path below that part.
    if (mount.root != "/" && group.compare(0, mount.root.size(), mount.root) == 0)
        group = group.substr(mount.root.size());
    int tightest = 0;
    for (int depth = 0; depth < kMaxGroupDepth; ++depth) {
        const std::string directory = mount.mountPoint + group;
        int cpus = 0;
        if (mount.version2) {
            cpus = cpusOfCpuMax(firstLine(directory + "/cpu.max"));
        } else {
            try {
                cpus = cpusOfCfsQuota(std::stoll(firstLine(directory + "/cpu.cfs_quota_us")),
                                      std::stoll(firstLine(directory + "/cpu.cfs_period_us")));
            } catch (const std::exception&) {
                cpus = 0;  // unreadable: no limit known
            }
        }
        if (cpus > 0 && (tightest == 0 || cpus < tightest)) tightest = cpus;
        std::string::size_type slash = group.rfind('/');
        if (group.empty() || slash == std::string::npos) break;
        group = group.substr(0, slash);
    }
    return tightest;
}

}  // namespace

int cpusOfCfsQuota(long long quotaMicroseconds, long long periodMicroseconds) {
    if (quotaMicroseconds <= 0 || periodMicroseconds <= 0) return 0;
    return static_cast<int>((quotaMicroseconds + periodMicroseconds - 1) / periodMicroseconds);
}

int cpusOfCpuMax(const std::string& cpuMax) {
    std::istringstream fields(cpuMax);
    std::string quota;
    long long period = 0;
    if (!(fields >> quota >> period) || quota == "max") return 0;
    try {
        return cpusOfCfsQuota(std::stoll(quota), period);
    } catch (const std::exception&) {
        return 0;
    }
}

int usableCpus() {
    int cpus = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) == 0 && CPU_COUNT(&mask) > 0)
        cpus = CPU_COUNT(&mask);
    for (const CgroupMount& mount : cpuMounts()) {
        int quota = quotaOf(mount, groupOf(mount.version2));
        if (quota > 0) cpus = std::min(cpus, quota);
    }
    return std::max(1, cpus);
}
