#pragma once

#include "link/CPortTypes.h"
#include "link/ComPortInterface.h"

#include <QObject>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <string>

class QSerialPort;

// The serial port the program talks to the KEB through: 9600 8N1, no flow control, DTR and
// RTS held off, reads bounded by the time-outs. Closed except during a Get, a Send or a Bulk
// Add. With Events armed at Open, OnRxChar is called on the user-interface thread when
// characters have arrived (never re-entered, never after Close).
class TComPort : public QObject, public IComPort {
  Q_OBJECT
public:
  explicit TComPort(QObject *parent = nullptr);
  ~TComPort() override;

  void Open() override;
  void Close() override;
  bool Connected() const override;
  int Read(std::uint8_t *buffer, int count) override;
  int Write(const std::uint8_t *buffer, int count) override;
  int InputCount() override;
  bool WaitForInput(std::int32_t milliseconds) override;
  int ReadAvailable(std::uint8_t *buffer, int count) override;
  void ClearBuffer(bool input, bool output) override;

  std::string PortName() const override { return Port(); }
  std::string OpenFailureReason() const override { return OpenFailureReason_; }
  std::int32_t ReadTotalConstant() const override { return Timeouts_.ReadTotalConstant; }
  std::int32_t ReadTotalPerByte() const override { return Timeouts_.ReadTotalMultiplier; }
  std::int32_t ReadInterval() const override { return Timeouts_.ReadInterval; }
  void SetReadTotalConstant(std::int32_t milliseconds) override;

  const std::string &Port() const { return Port_; }
  void SetPort(const std::string &name); // reopens when open and the name differs

  const TComTimeouts &Timeouts() const { return Timeouts_; }
  void SetTimeouts(const TComTimeouts &timeouts);

  TComEvents Events() const { return Events_; }
  void SetEvents(TComEvents events); // takes effect at the next Open

  TRxCharEvent OnRxChar;
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnAfterClose;
  // Receives what an OnRxChar handler throws: the handler runs from the event loop, which
  // must not be unwound. Without it the message goes to the warning log.
  std::function<void(const std::exception &)> OnException;

private:
  void CloseDevice(bool notify);
  void ApplyLineSettings();
  void HoldModemLinesOff();
  void QueueRxCheck();
  void DispatchRxChar();

  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
  std::string Port_ = "COM1";
  TComTimeouts Timeouts_{};
  TComEvents Events_{};
  std::string OpenFailureReason_;
};

// What the system lets this account do with a device file.
struct TDeviceAccess {
  bool Exists = false;
  bool ReadableAndWritable = false;
  QString Group; // the group that owns it
};
TDeviceAccess DeviceAccess(const QString &path);
// The device file of a port name as EnumComPorts lists it ("ttyUSB0" is "/dev/ttyUSB0").
QString DevicePath(const std::string &portName);

// The reason line of the port message: the system's text, and where a permission refusal is
// the account's own (on Linux), how to get access: membership of the group owning the device.
std::string PortRefusalReason(int serialPortError, const QString &systemText, const QString &device,
                              const TDeviceAccess &access);
std::string PortRefusalReason(int serialPortError, const QString &systemText, const QString &device);

// Whether a port is a USB serial adapter (ttyUSB*, ttyACM*, or one the system describes as
// USB) rather than a serial port built into the computer.
bool IsUsbSerialPort(const QString &portName);

// The system's serial ports by the names SetPort accepts, sorted case-insensitively, plus
// every device named in KEBQOR_PORTS. Raises EComPortExt (code 23) on failure.
void EnumComPorts(QStringList &list);

// The real millisecond clock.
class TSystemClock : public IClock {
public:
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
};
