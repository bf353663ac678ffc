#include "instrument/InstrumentClock.h"

namespace tlv {

namespace {
class SystemClock final : public InstrumentClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
} // namespace

std::shared_ptr<InstrumentClock> makeSystemClock()
{
    return std::make_shared<SystemClock>();
}

} // namespace tlv
