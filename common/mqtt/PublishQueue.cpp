#include "common/mqtt/PublishQueue.h"

#include <algorithm>

namespace tlv::mqtt {

PublishQueue::PublishQueue(std::size_t capacity, std::size_t eventCapacity)
    : m_capacity(std::max<std::size_t>(1, capacity)),
      m_eventCapacity(std::max<std::size_t>(1, eventCapacity))
{
}

bool PublishQueue::dropOldestReading()
{
    const auto it = std::find_if(m_messages.begin(), m_messages.end(), [](const auto& m) {
        return m.kind == OutgoingMessage::Kind::Reading;
    });
    if (it == m_messages.end()) return false;
    m_messages.erase(it);
    ++m_dropped.readings;
    return true;
}

void PublishQueue::push(OutgoingMessage message)
{
    const bool isEvent = message.kind == OutgoingMessage::Kind::Event;
    if (isEvent) {
        if (m_events >= m_eventCapacity) {
            const auto it = std::find_if(m_messages.begin(), m_messages.end(), [](const auto& m) {
                return m.kind == OutgoingMessage::Kind::Event;
            });
            m_messages.erase(it);
            --m_events;
            ++m_dropped.events;
        }
        // An event makes room by dropping a reading; with none left it is kept beyond the bound.
        if (m_messages.size() >= m_capacity) dropOldestReading();
        ++m_events;
    } else if (m_messages.size() >= m_capacity && !dropOldestReading()) {
        ++m_dropped.readings; // only events are waiting: they stay, the new reading goes
        return;
    }
    m_messages.push_back(std::move(message));
}

void PublishQueue::pushFront(OutgoingMessage message)
{
    if (message.kind == OutgoingMessage::Kind::Event) ++m_events;
    m_messages.push_front(std::move(message));
}

OutgoingMessage PublishQueue::pop()
{
    OutgoingMessage message = std::move(m_messages.front());
    m_messages.pop_front();
    if (message.kind == OutgoingMessage::Kind::Event) --m_events;
    return message;
}

PublishQueue::Dropped PublishQueue::takeDropped()
{
    const Dropped taken = m_dropped;
    m_dropped = {};
    return taken;
}

} // namespace tlv::mqtt
