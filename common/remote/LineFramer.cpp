// Line framing of the remote interface's byte stream.
#include "common/remote/LineFramer.h"

#include <cstring>

namespace tlv::remote {

QList<FramedLine> LineFramer::Feed(const char* data, qsizetype size)
{
    QList<FramedLine> lines;
    qsizetype start = 0;
    while (start < size) {
        const char* end =
            static_cast<const char*>(std::memchr(data + start, '\n', size_t(size - start)));
        const qsizetype stop = end ? qsizetype(end - data) : size;
        if (!m_discarding) {
            m_pending.append(data + start, stop - start);
            // A CR still waiting for its LF may be the line end, so it does not count yet.
            qsizetype length = m_pending.size();
            if (!end && length > 0 && m_pending.back() == '\r') --length;
            if (end && length > 0 && m_pending.back() == '\r') --length;
            if (length > kMaxLineBytes) {
                m_pending.clear();
                m_discarding = true;
                lines.append(FramedLine{QByteArray(), true});
            } else if (end) {
                m_pending.truncate(length);
                lines.append(FramedLine{m_pending, false});
                m_pending.clear();
            }
        }
        if (end) m_discarding = false;
        start = stop + 1;
    }
    return lines;
}

} // namespace tlv::remote
