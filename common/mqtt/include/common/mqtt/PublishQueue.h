#pragma once
// The messages waiting for the broker. Bounded: when full, the oldest reading goes first, so a
// long outage costs old readings but never the events (trips, errors) nor the newest values.
// Events have a limit of their own, far above what a run raises, so a broker that never returns
// cannot make the queue grow without end. Not thread-safe: the publisher guards it.

#include <QByteArray>

#include <cstddef>
#include <deque>

namespace tlv::mqtt {

struct OutgoingMessage {
    enum class Kind { Reading, Event };
    QByteArray topic;
    QByteArray payload;
    int qos = 0;
    bool retain = false;
    Kind kind = Kind::Reading;
};

class PublishQueue {
public:
    // `capacity` bounds readings and events together; `eventCapacity` bounds events alone.
    explicit PublishQueue(std::size_t capacity = 2000, std::size_t eventCapacity = 10000);

    void push(OutgoingMessage message);
    bool empty() const { return m_messages.empty(); }
    std::size_t size() const { return m_messages.size(); }
    // Puts back a message just taken with pop() (the library refused it): it goes out first.
    // It is never dropped for it, and the bounds are kept by the next push.
    void pushFront(OutgoingMessage message);
    // The oldest message; the queue must not be empty.
    OutgoingMessage pop();

    // Messages dropped since the last take, then zero.
    struct Dropped {
        long long readings = 0;
        long long events = 0;
    };
    Dropped takeDropped();
    const Dropped& dropped() const { return m_dropped; }

private:
    bool dropOldestReading();

    std::deque<OutgoingMessage> m_messages;
    std::size_t m_capacity;
    std::size_t m_eventCapacity;
    std::size_t m_events = 0;
    Dropped m_dropped;
};

} // namespace tlv::mqtt
