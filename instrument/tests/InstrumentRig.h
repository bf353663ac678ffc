#pragma once

// One instrument built on the shared recording double of the card library, with a clock the
// test steps by hand and spies on its events.

#include "instrument/cTLV880a.h"
#include "tlvtest/RecordingLibrary.h"
#include "tlvtest/StepClock.h"

#include <QSignalSpy>
#include <QTimer>

#include <functional>
#include <memory>

namespace fake {

using Call = tlvtest::Call;
using Reading = tlvtest::Reading;
using Library = tlvtest::RecordingLibrary;
using Clock = tlvtest::StepClock;

// Everything a test needs around one instrument built on the double.
struct Rig {
    std::shared_ptr<Library> lib = std::make_shared<Library>();
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();
    std::unique_ptr<cTLV880a> tlv;
    std::unique_ptr<QSignalSpy> errors;
    std::unique_ptr<QSignalSpy> sensorEvents;
    std::unique_ptr<QSignalSpy> outputEvents;

    explicit Rig(cTLV880a::Build build = cTLV880a::Build::Standard,
                 const std::function<void(Library&)>& prepare = {})
    {
        if (prepare) prepare(*lib);
        tlv = std::make_unique<cTLV880a>(lib, clock, nullptr, build);
        // The panel timer is ticked by hand so that nothing runs behind a test's back.
        tlv->findChild<QTimer*>(QStringLiteral("FPTimer"))->stop();
        errors = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVError);
        sensorEvents = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVSensorEvent);
        outputEvents = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVOutputEvent);
        lib->calls.clear();
    }

    int lastErrorNumber() const { return errors->isEmpty() ? 0 : errors->last().at(0).toInt(); }
    QString lastErrorMessage() const
    {
        return errors->isEmpty() ? QString() : errors->last().at(1).toString();
    }
    // Queues one reading with the same rate, thickness and frequency on every sensor.
    void queue(double rate, double thickness = 0.0, double frequency = 5.9e6)
    {
        Reading r;
        r.all(rate, thickness, frequency);
        lib->readings.push_back(r);
    }
};

} // namespace fake
