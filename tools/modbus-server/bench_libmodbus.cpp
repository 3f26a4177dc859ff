// modbus-bench-libmodbus: reads the same registers over one kept connection
// with libmodbus's own client, as the reference figure for the benchmark.
//
//   modbus-bench-libmodbus --port P [--address 127.x.y.z] [--count N] [--start A] [--quantity Q]

#include <modbus/modbus.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double seconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

int intArg(int argc, char **argv, int &i)
{
    if (i + 1 >= argc) {
        std::fprintf(stderr, "error: missing value after %s\n", argv[i]);
        std::exit(2);
    }
    return std::atoi(argv[++i]);
}

} // namespace

int main(int argc, char **argv)
{
    std::string address = "127.0.0.1";
    int port = 0;
    int count = 2000;
    int start = 0;
    int quantity = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--port")
            port = intArg(argc, argv, i);
        else if (a == "--count")
            count = std::clamp(intArg(argc, argv, i), 1, 1000000);
        else if (a == "--start")
            start = intArg(argc, argv, i);
        else if (a == "--quantity")
            quantity = std::clamp(intArg(argc, argv, i), 1, 125);
        else if (a == "--address" && i + 1 < argc)
            address = argv[++i];
        else {
            std::fprintf(stderr, "error: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    in_addr addr {};
    if (port <= 0 || inet_pton(AF_INET, address.c_str(), &addr) != 1 || (ntohl(addr.s_addr) >> 24) != 127) {
        std::fprintf(stderr, "error: needs --port and a 127.0.0.0/8 address\n");
        return 2;
    }

    modbus_t *ctx = modbus_new_tcp(address.c_str(), port);
    if (!ctx || modbus_connect(ctx) < 0) {
        std::fprintf(stderr, "error: connect failed: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_response_timeout(ctx, 2, 0);
    std::vector<uint16_t> regs(static_cast<size_t>(quantity));
    std::vector<double> rtt;
    rtt.reserve(size_t(count));
    int failures = 0;
    const double begin = seconds();
    for (int i = 0; i < count; ++i) {
        const double t0 = seconds();
        if (modbus_read_registers(ctx, start, quantity, regs.data()) != quantity)
            ++failures;
        rtt.push_back(seconds() - t0);
    }
    const double total = seconds() - begin;
    modbus_close(ctx);
    modbus_free(ctx);

    std::sort(rtt.begin(), rtt.end());
    std::printf("libmodbus client: %d requests, %d failed, %.0f requests/s, median round trip %.1f us\n", count,
                failures, count / total, rtt[rtt.size() / 2] * 1e6);
    return failures == 0 ? 0 : 1;
}
