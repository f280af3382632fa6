// The yardstick for the unpaced cycle: a plain Qt SerialPort client that does
// nothing but send the next measurement request for each 36-byte answer, so
// the program's rate can be judged against what the link and the simulator
// allow on this machine.
#include "bare_client.h"

#include "harness.h"

#include <QByteArray>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

namespace bench {

BareResult RunBareClient(const std::string &device, long warmup, long total)
{
    BareResult result;
    QSerialPort port;
    port.setPortName(QString::fromStdString(device));
    if (!port.open(QIODevice::ReadWrite)) {
        Note("bare client: cannot open %s: %s", device.c_str(),
             port.errorString().toLocal8Bit().constData());
        return result;
    }
    port.setBaudRate(19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.clear();

    // Command 8 with sixteen zero words: the sensor ignores its payload.
    QByteArray request(36, '\0');
    request[1] = 0x55;
    request[3] = 0x08;

    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(3000);
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        Note("bare client: no answer for 3 s after %ld answers", result.answers);
        loop.exit(1);
    });

    long pending = 0;
    QObject::connect(&port, &QSerialPort::readyRead, &loop, [&] {
        pending += port.readAll().size();
        // One request is outstanding at any time, as in the program's cycle.
        while (pending >= 36) {
            pending -= 36;
            ++result.answers;
            if (result.answers == warmup) {
                result.warmT = Seconds();
                result.warmCpu = CpuSeconds();
            }
            if (result.answers >= total) {
                result.endT = Seconds();
                result.endCpu = CpuSeconds();
                loop.exit(0);
                return;
            }
            port.write(request);
            stall.start();
        }
    });

    port.write(request);
    stall.start();
    result.ok = loop.exec() == 0;
    port.close();
    return result;
}

} // namespace bench
