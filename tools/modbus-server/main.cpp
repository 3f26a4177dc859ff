// modbus-server: an independent Modbus TCP server on loopback, built on
// libmodbus, for the communication test's tests and benchmark.
//
//   modbus-server [--port N] [--address 127.x.y.z] [--size N] [--silent]
//                 [--delay-ms D [--delay-count K]] [--close-after N]
//                 [--log FILE] [--lifetime-s S] [--die-with-parent]
//
// Prints "ready <port>" (flushed) once listening; --port 0 (the default) lets
// the system choose the port. Exits 0 on SIGTERM/SIGINT or after the lifetime
// (default 300 s), 2 on a bad argument or a failed listen.
//
// Data (each table --size entries, default 4000, from address 0):
//   coils and holding registers start at 0;
//   discrete input i is on when i % 3 == 0;
//   input register i holds (0x1000 + i) & 0xFFFF.
// Modes:
//   --silent         accepts connections, reads requests and never answers;
//   --delay-ms D     waits D ms before each of the first K answers (all when
//                    --delay-count is not given);
//   --close-after N  closes each connection after its N-th answer.
// --log FILE: one line per request, "req <hex>" as libmodbus framed it, or in
// silent mode "raw <hex>" per chunk received.

#include <modbus/modbus.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <netinet/in.h>
#include <string>
#include <sys/prctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

struct Options {
    int port = 0;
    std::string address = "127.0.0.1";
    int size = 4000;
    bool silent = false;
    int delayMs = 0;
    int delayCount = -1;
    int closeAfter = 0;
    std::string logPath;
    int lifetimeS = 300;
    bool dieWithParent = false;
};

[[noreturn]] void fail(const std::string &text)
{
    std::fprintf(stderr, "error: %s\n", text.c_str());
    std::exit(2);
}

int intArg(int argc, char **argv, int &i, int low, int high)
{
    if (i + 1 >= argc)
        fail(std::string("missing value after ") + argv[i]);
    char *end = nullptr;
    const long value = std::strtol(argv[++i], &end, 10);
    if (!end || *end != '\0' || value < low || value > high)
        fail(std::string("bad value for ") + argv[i - 1] + ": " + argv[i]);
    return int(value);
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--port")
            o.port = intArg(argc, argv, i, 0, 65535);
        else if (a == "--address" && i + 1 < argc)
            o.address = argv[++i];
        else if (a == "--size")
            o.size = intArg(argc, argv, i, 1, 65536);
        else if (a == "--silent")
            o.silent = true;
        else if (a == "--delay-ms")
            o.delayMs = intArg(argc, argv, i, 0, 60000);
        else if (a == "--delay-count")
            o.delayCount = intArg(argc, argv, i, 0, 1000000);
        else if (a == "--close-after")
            o.closeAfter = intArg(argc, argv, i, 1, 1000000);
        else if (a == "--log" && i + 1 < argc)
            o.logPath = argv[++i];
        else if (a == "--lifetime-s")
            o.lifetimeS = intArg(argc, argv, i, 1, 86400);
        else if (a == "--die-with-parent")
            o.dieWithParent = true;
        else
            fail("unknown argument " + a);
    }
    in_addr addr {};
    // Tests and the benchmark stay on loopback.
    if (inet_pton(AF_INET, o.address.c_str(), &addr) != 1 || (ntohl(addr.s_addr) >> 24) != 127)
        fail("address must be in 127.0.0.0/8: " + o.address);
    return o;
}

void logHex(FILE *log, const char *tag, const uint8_t *bytes, int length)
{
    if (!log)
        return;
    std::fprintf(log, "%s ", tag);
    for (int i = 0; i < length; ++i)
        std::fprintf(log, "%02x", bytes[i]);
    std::fprintf(log, "\n");
    std::fflush(log);
}

double seconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    const Options o = parse(argc, argv);
    if (o.dieWithParent)
        prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    FILE *log = nullptr;
    if (!o.logPath.empty()) {
        log = std::fopen(o.logPath.c_str(), "w");
        if (!log)
            fail("cannot write " + o.logPath);
    }

    modbus_t *ctx = modbus_new_tcp(o.address.c_str(), o.port);
    modbus_mapping_t *map = modbus_mapping_new(o.size, o.size, o.size, o.size);
    if (!ctx || !map)
        fail("out of memory");
    for (int i = 0; i < o.size; ++i) {
        map->tab_input_bits[i] = i % 3 == 0 ? 1 : 0;
        map->tab_input_registers[i] = uint16_t((0x1000 + i) & 0xFFFF);
    }

    const int server = modbus_tcp_listen(ctx, 16);
    if (server < 0)
        fail(std::string("listen failed: ") + modbus_strerror(errno));
    sockaddr_in bound {};
    socklen_t boundLength = sizeof bound;
    getsockname(server, reinterpret_cast<sockaddr *>(&bound), &boundLength);
    std::printf("ready %d\n", ntohs(bound.sin_port));
    std::fflush(stdout);

    fd_set all;
    FD_ZERO(&all);
    FD_SET(server, &all);
    int maxFd = server;
    std::map<int, int> answered;
    int delayed = 0;
    // Larger than any legal frame: libmodbus refuses oversized requests itself.
    uint8_t query[1024];
    const double end = seconds() + o.lifetimeS;

    auto drop = [&](int fd) {
        close(fd);
        FD_CLR(fd, &all);
        answered.erase(fd);
    };

    while (!g_stop && seconds() < end) {
        fd_set ready = all;
        timeval tick {0, 200000};
        const int n = select(maxFd + 1, &ready, nullptr, nullptr, &tick);
        if (n <= 0)
            continue;
        for (int fd = 0; fd <= maxFd; ++fd) {
            if (!FD_ISSET(fd, &ready))
                continue;
            if (fd == server) {
                const int client = accept(server, nullptr, nullptr);
                if (client >= 0 && client < FD_SETSIZE) {
                    FD_SET(client, &all);
                    maxFd = client > maxFd ? client : maxFd;
                    answered[client] = 0;
                } else if (client >= 0) {
                    close(client);
                }
                continue;
            }
            if (o.silent) {
                const ssize_t got = recv(fd, query, sizeof query, 0);
                if (got <= 0)
                    drop(fd);
                else
                    logHex(log, "raw", query, int(got));
                continue;
            }
            modbus_set_socket(ctx, fd);
            const int length = modbus_receive(ctx, query);
            if (length < 0) {
                drop(fd);
                continue;
            }
            if (length == 0)
                continue;
            logHex(log, "req", query, length);
            if (o.delayMs > 0 && (o.delayCount < 0 || delayed < o.delayCount)) {
                ++delayed;
                usleep(useconds_t(o.delayMs) * 1000);
            }
            if (modbus_reply(ctx, query, length, map) < 0) {
                drop(fd);
                continue;
            }
            if (o.closeAfter > 0 && ++answered[fd] >= o.closeAfter)
                drop(fd);
        }
    }

    for (int fd = 0; fd <= maxFd; ++fd) {
        if (FD_ISSET(fd, &all))
            close(fd);
    }
    modbus_set_socket(ctx, -1);
    modbus_mapping_free(map);
    modbus_free(ctx);
    if (log)
        std::fclose(log);
    return 0;
}
