#pragma once

#include <QObject>
#include <cstdint>

namespace velcora {

class IMidiDriver;

/// What the input and output ports share: an owner (Qt parent) and the driver they reach the
/// platform's MIDI services through. The driver must outlive the port.
class TMidiIO : public QObject {
public:
    TMidiIO(IMidiDriver& driver, QObject* owner) : QObject(owner), FDriver(driver) {}

    /// Number of devices of the port's direction, asked of the driver and also stored.
    virtual uint32_t DeviceCount() = 0;

protected:
    IMidiDriver& FDriver;
};

} // namespace velcora
