// CPU time helpers for the stream benchmarks, and the guard that keeps them inside a private
// network namespace.
#pragma once

#include <net/if.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <fstream>
#include <string>

namespace ky::bench {

// Nanoseconds a thread of this process has run on a CPU.
inline uint64_t ThreadCpuNs(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    uint64_t ns = 0;
    in >> ns;
    return ns;
}

inline pid_t CurrentTid() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// Nanoseconds all threads of this process have run.
inline uint64_t ProcessCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (uint64_t(usage.ru_utime.tv_sec) + uint64_t(usage.ru_stime.tv_sec)) * 1000000000ull +
           (uint64_t(usage.ru_utime.tv_usec) + uint64_t(usage.ru_stime.tv_usec)) * 1000ull;
}

// Nanoseconds another process has run (user and system time from /proc/<pid>/stat).
inline uint64_t OtherProcessCpuNs(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos)
        return 0;
    // Fields after the command: state is field 3; utime and stime are fields 14 and 15.
    unsigned long long utime = 0, stime = 0;
    const char *p = text.c_str() + end + 2;
    for (int field = 3; field < 14 && *p; ++field)
        p = std::strchr(p, ' ') ? std::strchr(p, ' ') + 1 : "";
    if (std::sscanf(p, "%llu %llu", &utime, &stime) != 2)
        return 0;
    return (utime + stime) * 1000000000ull / static_cast<uint64_t>(sysconf(_SC_CLK_TCK));
}

// Benchmarks open sockets and talk to 127.0.0.1:3956: only ever inside a private network
// namespace (scripts/netns-run), told by its interfaces: loopback and the script's ky* pairs.
inline void RequirePrivateNetwork(const char *program)
{
    bool privateNetwork = false;
    if (struct if_nameindex *names = if_nameindex()) {
        privateNetwork = true;
        for (struct if_nameindex *n = names; n->if_index != 0; ++n)
            privateNetwork = privateNetwork &&
                             (std::strcmp(n->if_name, "lo") == 0 || std::strncmp(n->if_name, "ky", 2) == 0);
        if_freenameindex(names);
    }
    if (!privateNetwork) {
        std::fprintf(stderr, "%s opens sockets: run it as scripts/netns-run %s\n", program, program);
        std::exit(2);
    }
}

}  // namespace ky::bench
