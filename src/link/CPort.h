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
  void ClearBuffer(bool input, bool output) override;

  std::string PortName() const override { return Port(); }
  std::int32_t ReadTotalConstant() const override { return Timeouts_.ReadTotalConstant; }
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
  void QueueRxCheck();
  void DispatchRxChar();

  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
  std::string Port_ = "COM1";
  TComTimeouts Timeouts_{};
  TComEvents Events_{};
};

// The system's serial ports by the names SetPort accepts, sorted case-insensitively, plus
// every device named in KEBQOR_PORTS. Raises EComPortExt (code 23) on failure.
void EnumComPorts(QStringList &list);

// The real millisecond clock.
class TSystemClock : public IClock {
public:
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
};
