// Our GVSP sender (with segmentation offload) to our KyStreamGEV and KyPipeline over loopback,
// 2448x2048 Mono8 in 9000-byte packets, through the receive paths side by side, each row in a
// child process of its own: "ring", the packet ring asked for (PacketRing = 2), "default", what
// a process with CAP_NET_RAW gets without asking, and "socket", the UDP socket of a process that
// gave CAP_NET_RAW up; unpaced, first "raw UDP", the ceiling: the same bytes as plain datagrams
// with segmentation and receive offload, into one buffer (see RunRaw). Per row: frames/s, MB/s of payload, CPU of the sender thread and of the
// receiving side (every other thread), frames lost (not retrieved whole) and of those retrieved
// incomplete, resend requests, the ring's size (0: the socket was read), and the kernel's
// counters: the ring's records, drops and freezes (PACKET_STATISTICS, through the stream's
// parameters), the namespace's UDP receive-buffer errors (the socket's drops), all its UDP receive
// errors and the port-unreachable messages it sent. Run it as root inside scripts/netns-run.
//
//   bench_stream_pipeline [--frames N] [--fps F] [--rounds N]
//
// --fps 0 sends as fast as the sender can; a rate paces the frames as a camera does. Without
// --fps the rates 600, 800, 1000 frames/s and unpaced are run.
#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "BenchCpu.h"
#include "CommandLine.h"
#include "GvspTestCamera.h"
#include "NetCounters.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"

using Clock = std::chrono::steady_clock;
using namespace ky::bench;
using ky::gev::test::SnmpCounter;

namespace {

constexpr uint32_t kWidth = 2448, kHeight = 2048, kSize = kWidth * kHeight;
constexpr uint32_t kPacketSize = 9000;

enum class Path { Raw, Ring, Default, Socket };

struct Row
{
    bool ran = false;
    uint32_t whole = 0, failed = 0;
    double seconds = 0, senderCpu = 0, receiverCpu = 0;
    int64_t resends = 0, ringBytes = 0, ringRecords = 0, ringDrops = 0, ringFreezes = 0;
    uint64_t udpDrops = 0, udpErrors = 0, unreachable = 0;
};

int64_t Integer(KyStreamGEV &stream, const char *name)
{
    int64_t value = 0;
    (void)stream.GetParameters()->GetIntegerValue(KyString(name),
                                                  value);  // the stream's own counters: always there
    return value;
}

// The ceiling the rows compare with: the same bytes as plain UDP over loopback, one sending
// thread with segmentation offload (runs of 9000-byte packets) and one receiving thread taking
// glued runs (receive offload) into one buffer; nothing placed, nothing paced. "frames" are the
// bytes received in frames' worth.
Row RunRaw(uint32_t frames)
{
    Row row;
    constexpr int kDatagram = kPacketSize - 28;
    constexpr size_t kRun = 7 * kDatagram;  // what fits a 64 KiB glued run
    const int rx = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int tx = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    const int buffer = 64 << 20, one = 1, segment = kDatagram;
    const bool ready = rx >= 0 && tx >= 0 &&
                       setsockopt(rx, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer) == 0 &&
                       setsockopt(rx, SOL_UDP, UDP_GRO, &one, sizeof one) == 0 &&
                       bind(rx, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0 &&
                       getsockname(rx, reinterpret_cast<sockaddr *>(&at), &length) == 0 &&
                       connect(tx, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0 &&
                       setsockopt(tx, SOL_UDP, UDP_SEGMENT, &segment, sizeof segment) == 0;
    if (ready) {
        const std::vector<uint8_t> pattern = ky::gev::test::Pattern(kSize, 0);
        std::atomic<uint64_t> senderNs{0};
        std::atomic<bool> sent{false};
        const uint64_t udpDrops0 = SnmpCounter("Udp", "RcvbufErrors");
        const uint64_t cpu0 = ProcessCpuNs();
        const Clock::time_point start = Clock::now();
        std::thread sender([&] {
            const pid_t tid = CurrentTid();
            const uint64_t begin = ThreadCpuNs(tid);
            for (uint32_t f = 0; f < frames; ++f)
                for (size_t offset = 0; offset < kSize; offset += kRun)
                    (void)send(tx, pattern.data() + offset, std::min(kRun, kSize - offset), 0);
            senderNs = ThreadCpuNs(tid) - begin;
            sent = true;
        });
        std::vector<uint8_t> into(1 << 16);
        uint64_t bytes = 0;
        Clock::time_point last = start;
        for (;;) {
            pollfd p{rx, POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) {
                if (sent)
                    break;  // nothing more is coming
                continue;
            }
            const ssize_t n = recv(rx, into.data(), into.size(), MSG_DONTWAIT);
            if (n > 0) {
                bytes += static_cast<uint64_t>(n);
                last = Clock::now();
            }
        }
        sender.join();
        row.seconds = std::chrono::duration<double>(last - start).count();
        row.whole = static_cast<uint32_t>(bytes / kSize);
        row.senderCpu = senderNs / 1e9 / row.seconds * 100.0;
        row.receiverCpu = (static_cast<double>(ProcessCpuNs() - cpu0) - senderNs) / 1e9 / row.seconds * 100.0;
        row.udpDrops = SnmpCounter("Udp", "RcvbufErrors") - udpDrops0;
        row.ran = true;
    }
    if (rx >= 0)
        close(rx);
    if (tx >= 0)
        close(tx);
    return row;
}

Row Run(Path path, uint32_t frames, double fps)
{
    if (path == Path::Raw)
        return RunRaw(frames);
    Row row;
    KyStreamGEV stream;
    if (path == Path::Ring && stream.GetParameters()->SetIntegerValue(KyString("PacketRing"), 2).IsFailure())
        return row;
    if (stream.Open(KyString(ky::gev::test::kCameraAddress)).IsFailure())
        return row;
    ky::gev::test::GvspTestCamera camera;
    if (camera.Open(stream.GetLocalPort(), kPacketSize).IsFailure())
        return row;
    KyPipeline pipeline(&stream);
    pipeline.SetBufferSize(kSize);
    if (pipeline.SetBufferCount(16).IsFailure() || pipeline.Start().IsFailure())
        return row;
    row.ringBytes = Integer(stream, "PacketRingBytes");
    auto pattern = std::make_shared<std::vector<uint8_t>>(ky::gev::test::Pattern(kSize, 0));

    std::atomic<uint64_t> senderNs{0};
    std::atomic<bool> sent{false};
    const uint64_t udpDrops0 = SnmpCounter("Udp", "RcvbufErrors");
    const uint64_t udpErrors0 = SnmpCounter("Udp", "InErrors");
    const uint64_t unreachable0 = SnmpCounter("Icmp", "OutDestUnreachs");
    const uint64_t cpu0 = ProcessCpuNs();
    const Clock::time_point start = Clock::now();
    std::thread sender([&] {
        const pid_t tid = CurrentTid();
        const uint64_t begin = ThreadCpuNs(tid);
        const auto period =
            fps > 0 ? std::chrono::duration<double>(1.0 / fps) : std::chrono::duration<double>(0);
        for (uint32_t f = 0; f < frames; ++f) {
            if (fps > 0)
                std::this_thread::sleep_until(start +
                                              std::chrono::duration_cast<Clock::duration>(period * f));
            ky::gev::GvspOutgoingBlock block;
            block.blockId = f + 1;
            block.leader = ky::gev::test::ImageLeader(KyPixelMono8, kWidth, kHeight, f);
            block.data = pattern->data();
            block.size = pattern->size();
            block.keepAlive = pattern;
            (void)camera.sender.SendBlock(block);  // a block that did not leave shows as lost in the row
        }
        senderNs = ThreadCpuNs(tid) - begin;
        sent = true;
    });
    Clock::time_point last = start;
    while (row.whole + row.failed < frames) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (pipeline.RetrieveNextBuffer(&buffer, 1000, &operation).IsFailure()) {
            if (sent)
                break;  // nothing more is coming
            continue;
        }
        (operation.IsOK() ? row.whole : row.failed)++;
        last = Clock::now();
        (void)pipeline.ReleaseBuffer(buffer);  // the pipeline lent it: it takes it back
    }
    sender.join();
    const double cpuAll = static_cast<double>(ProcessCpuNs() - cpu0);
    row.seconds = std::chrono::duration<double>(last - start).count();
    row.senderCpu = senderNs / 1e9 / row.seconds * 100.0;
    row.receiverCpu = (cpuAll - senderNs) / 1e9 / row.seconds * 100.0;
    (void)pipeline.Stop();  // it started above; the counters are read either way
    row.resends = Integer(stream, "ResendRequests");
    row.ringRecords = Integer(stream, "PacketRingRecords");
    row.ringDrops = Integer(stream, "PacketRingDrops");
    row.ringFreezes = Integer(stream, "PacketRingFreezes");
    row.udpDrops = SnmpCounter("Udp", "RcvbufErrors") - udpDrops0;
    row.udpErrors = SnmpCounter("Udp", "InErrors") - udpErrors0;
    row.unreachable = SnmpCounter("Icmp", "OutDestUnreachs") - unreachable0;
    row.ran = true;
    return row;
}

// Runs one row in a child process; for the socket path the child gives CAP_NET_RAW up first,
// as a process without the privilege runs.
Row RunIn(Path path, uint32_t frames, double fps)
{
    int pipeFds[2];
    Row row;
    if (pipe(pipeFds) != 0)
        return row;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (path == Path::Socket) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct data[2]{};
            if (syscall(SYS_capget, &header, data) != 0)
                _exit(1);
            data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
            data[CAP_NET_RAW / 32].permitted &= ~(1u << (CAP_NET_RAW % 32));
            if (syscall(SYS_capset, &header, data) != 0)
                _exit(1);
        }
        const Row result = Run(path, frames, fps);
        const bool written = write(pipeFds[1], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(pipeFds[1]);
    if (child > 0) {
        if (read(pipeFds[0], &row, sizeof row) != static_cast<ssize_t>(sizeof row))
            row = Row();
        waitpid(child, nullptr, 0);
    }
    close(pipeFds[0]);
    return row;
}

}  // namespace

int main(int argc, char **argv)
{
    uint32_t frames = 480;
    double fps = -1;
    uint32_t rounds = 3;
    ky::tools::CommandLine line(
        "bench_stream_pipeline",
        "Usage: bench_stream_pipeline [--frames N] [--fps F] [--rounds N]\n"
        "Our GVSP sender to our KyStreamGEV and KyPipeline over loopback (run it inside\n"
        "scripts/netns-run), each row read through the packet ring, the default path and\n"
        "the UDP socket side by side.\n"
        "  --frames N   frames per row, 1 to 100000 (default 480)\n"
        "  --fps F      0: as fast as the sender goes; a rate paces the frames (default:\n"
        "               600/s, 800/s, 1000/s and unpaced)\n"
        "  --rounds N   rounds of each rate, 1 to 100 (default 3)\n"
        "  -h, --help   show this help\n");
    line.Whole("--frames", frames, 1u, 100000u);
    line.Number("--fps", fps, 0, 100000);
    line.Whole("--rounds", rounds, 1u, 100u);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    RequirePrivateNetwork(argv[0]);
    const std::vector<double> rates =
        fps >= 0 ? std::vector<double>{fps} : std::vector<double>{600, 800, 1000, 0};
    std::printf("Our GVSP sender -> KyStreamGEV + KyPipeline over loopback, %ux%u Mono8, %u-byte packets, "
                "%u frames per row\n",
                kWidth, kHeight, kPacketSize, frames);
    std::printf("%-7s %7s %5s %8s %7s %7s %7s %5s %5s %7s | %8s %8s %7s %7s %9s %8s %8s\n", "path", "offered",
                "round", "frames/s", "MB/s", "snd CPU", "rcv CPU", "lost", "incpl", "resends", "ring MiB",
                "ring rec", "r drops", "freezes", "UDP drops", "UDP errs", "ICMP unr");
    for (double rate : rates) {
        for (uint32_t round = 1; round <= rounds; ++round) {
            for (Path path : {Path::Raw, Path::Ring, Path::Default, Path::Socket}) {
                if (path == Path::Raw && rate > 0)
                    continue;  // the ceiling: unpaced only
                const Row r = RunIn(path, frames, rate);
                const std::string offered = rate > 0 ? std::to_string(static_cast<int>(rate)) + "/s" : "max";
                const char *name = path == Path::Raw       ? "raw UDP"
                                   : path == Path::Ring    ? "ring"
                                   : path == Path::Default ? "default"
                                                           : "socket";
                if (!r.ran) {
                    std::printf("%-7s %7s %5u  did not run\n", name, offered.c_str(), round);
                    continue;
                }
                const double seconds = r.seconds > 0 ? r.seconds : 1;
                std::printf(
                    "%-7s %7s %5d %8.1f %7.0f %6.0f%% %6.0f%% %5u %5u %7lld | %8lld %8lld %7lld "
                    "%7lld %9llu %8llu %8llu\n",
                    name, offered.c_str(), round, r.whole / seconds, double(r.whole) * kSize / seconds / 1e6,
                    r.senderCpu, r.receiverCpu, frames - r.whole, r.failed, static_cast<long long>(r.resends),
                    static_cast<long long>(r.ringBytes >> 20), static_cast<long long>(r.ringRecords),
                    static_cast<long long>(r.ringDrops), static_cast<long long>(r.ringFreezes),
                    static_cast<unsigned long long>(r.udpDrops), static_cast<unsigned long long>(r.udpErrors),
                    static_cast<unsigned long long>(r.unreachable));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
