#pragma once
// Shared by the remote-load benchmarks: times every tick of a program's poll timer, first with
// no client, then with four clients (threads with blocking sockets of their own) each sending
// 100 queries a second, and prints the figures.

#include "common/remote/RemoteServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

// Times each tick of one timer: the event filter sees the timer event before the timer's own
// handlers run, the slot connected last runs after them.
class TickTimer : public QObject {
public:
    explicit TickTimer(QTimer& timer)
    {
        timer.installEventFilter(this);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (m_started) durations.push_back(m_clock.nsecsElapsed() / 1e6);
            m_started = false;
        });
    }
    std::vector<double> durations; // ms

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            m_clock.start();
            m_started = true;
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
    bool m_started = false;
};

inline void Report(const char* what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%s: no ticks\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, size_t(q * double(ms.size())))];
    };
    std::printf("%s: %zu ticks, median %.3f ms, p99 %.3f ms, max %.3f ms\n", what, ms.size(),
                at(0.5), at(0.99), ms.back());
}

// One client on a blocking socket of its own thread: a query every 10 ms, each answer read.
inline void Client(quint16 port, const char* query, const std::atomic<bool>& stop,
                   std::atomic<long>& answered)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    const std::string line = std::string(query) + '\n';
    auto next = std::chrono::steady_clock::now();
    char buffer[256];
    while (!stop) {
        next += std::chrono::milliseconds(10);
        if (::write(fd, line.data(), line.size()) < 0) break;
        for (;;) { // up to the answer's line end
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) return;
            if (std::find(buffer, buffer + n, '\n') != buffer + n) break;
        }
        ++answered;
        std::this_thread::sleep_until(next);
    }
    ::close(fd);
}

// Runs `seconds` without clients, then `seconds` with four, timing each tick of `poll`.
inline void RunRemoteLoad(QTimer& poll, const tlv::remote::RemoteServer& server, const char* query,
                          int seconds)
{
    TickTimer ticks(poll);
    QTimer::singleShot(seconds * 1000, qApp, [] { QApplication::exit(0); });
    QApplication::exec();
    Report("poll tick, no client", ticks.durations);

    ticks.durations.clear();
    std::atomic<bool> stop{false};
    std::atomic<long> answered{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back(Client, server.Port(), query, std::cref(stop), std::ref(answered));
    QTimer::singleShot(seconds * 1000, qApp, [] { QApplication::exit(0); });
    QApplication::exec();
    stop = true;
    // Answers still in flight are served while the clients finish.
    QTimer::singleShot(200, qApp, [] { QApplication::exit(0); });
    QApplication::exec();
    for (std::thread& client : clients)
        client.join();
    Report("poll tick, 4 clients x 100 queries/s", ticks.durations);
    std::printf("queries answered: %ld (%.0f per second)\n", answered.load(),
                double(answered.load()) / seconds);
}

} // namespace bench
