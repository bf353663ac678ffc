#pragma once
// Cuts a client's byte stream into command lines.
//
// A line ends with LF; a CR right before the LF is dropped. A line longer than kMaxLineBytes
// (terminator not counted) is refused: it is reported once, as soon as it grows past the limit,
// and everything up to its end is discarded, so a flood never grows the buffer. Bytes after the
// last LF wait for more input; a client that leaves with a partial line has sent nothing.

#include <QByteArray>
#include <QList>

namespace tlv::remote {

struct FramedLine {
    QByteArray text;      // without the line end; empty for a refused line
    bool tooLong = false; // the line passed the limit and was discarded
};

class LineFramer {
public:
    static constexpr qsizetype kMaxLineBytes = 1024;

    // Appends received bytes and returns the lines and refusals they complete, in order.
    QList<FramedLine> Feed(const char* data, qsizetype size);
    QList<FramedLine> Feed(const QByteArray& bytes)
    {
        return Feed(bytes.constData(), bytes.size());
    }

    // Bytes of an unfinished line held back (a refused line holds none).
    qsizetype Pending() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    bool m_discarding = false; // inside a refused line, until its LF
};

} // namespace tlv::remote
