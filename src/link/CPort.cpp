#include "link/CPort.h"

#include "link/SerialLowLatency.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <limits>

// The received-characters watcher runs on the event loop of the thread that owns the port:
// QSerialPort's read notifier emits readyRead, which only queues a check. The check runs from
// the event loop, counts the waiting bytes and calls OnRxChar. readyRead is also emitted from
// inside Read's own waits, so the handler is never called from there; a guard flag keeps
// a nested event loop inside the handler from entering it again, and a check after the
// handler picks up what arrived meanwhile. Each open is a new session, so a check queued
// before Close never calls the handler.
struct TComPort::TImpl {
  QSerialPort Serial;
  bool Watching = false;
  bool Dispatching = false;
  bool Counting = false;
  bool CheckQueued = false;
  bool RecheckAfterHandler = false;
  std::uint64_t Session = 0;
};

namespace {

constexpr qint32 KebBaudRate = 9600;

bool IsFailure(QSerialPort::SerialPortError error) {
  return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

// What the port reported, as an exception; the port's error is cleared for the next call.
EComPortExt TakeError(QSerialPort &serial, const std::string &portName) {
  EComPortExt error(serial.error(), serial.errorString().toStdString(), portName);
  serial.clearError();
  return error;
}

EComPortExt NotOpen(const std::string &portName) {
  return EComPortExt(QSerialPort::NotOpenError, "The port is not open", portName);
}

// A limit in milliseconds from a multiplier per byte and a constant; negative parts count as 0.
qint64 TotalLimit(std::int32_t multiplier, std::int32_t constant, int count) {
  return qint64{std::max(multiplier, 0)} * count + std::max(constant, 0);
}

int ClampToInt(qint64 milliseconds) {
  return static_cast<int>(std::clamp<qint64>(milliseconds, 0, std::numeric_limits<int>::max()));
}

class TFlagGuard {
public:
  explicit TFlagGuard(bool &flag) : Flag_(flag) { Flag_ = true; }
  ~TFlagGuard() { Flag_ = false; }
  TFlagGuard(const TFlagGuard &) = delete;
  TFlagGuard &operator=(const TFlagGuard &) = delete;

private:
  bool &Flag_;
};

} // namespace

TComPort::TComPort(QObject *parent) : QObject(parent), Impl_(std::make_unique<TImpl>()) {
  connect(&Impl_->Serial, &QSerialPort::readyRead, this, &TComPort::QueueRxCheck);
}

// The owner is going away with the port: close without calling its handlers.
TComPort::~TComPort() {
  CloseDevice(false);
}

bool TComPort::Connected() const {
  return Impl_->Serial.isOpen();
}

void TComPort::Open() {
  if (Connected())
    return;
  QSerialPort &serial = Impl_->Serial;
  serial.setPortName(QString::fromStdString(Port_));
  OpenFailureReason_.clear();
  if (!serial.open(QIODevice::ReadWrite)) {
    OpenFailureReason_ = PortRefusalReason(serial.error(), serial.errorString(), DevicePath(Port_));
    throw TakeError(serial, Port_);
  }
  try {
    ApplyLineSettings();
  } catch (const EComPortExt &error) {
    serial.close();
    serial.clearError();
    OpenFailureReason_ = error.Reason;
    throw;
  }
  ++Impl_->Session;
  Impl_->CheckQueued = false;
  Impl_->Watching = !Events_.Empty();
  if (Impl_->Watching)
    QueueRxCheck(); // bytes may already be waiting
  if (OnAfterOpen)
    OnAfterOpen();
}

void TComPort::ApplyLineSettings() {
  QSerialPort &serial = Impl_->Serial;
  const bool applied = serial.setBaudRate(KebBaudRate) && serial.setDataBits(QSerialPort::Data8) &&
                       serial.setParity(QSerialPort::NoParity) && serial.setStopBits(QSerialPort::OneStop) &&
                       serial.setFlowControl(QSerialPort::NoFlowControl);
  if (!applied)
    throw TakeError(serial, Port_);
  HoldModemLinesOff();
  // Replies of a few bytes come sooner from a USB adapter; a device without the mode is
  // used as it is.
  RequestLowLatency(serial.handle());
}

// The KEB is powered from neither line. A device without modem lines (a pseudo-terminal)
// refuses this, which does not matter; a device that has them and refuses is not used.
void TComPort::HoldModemLinesOff() {
  QSerialPort &serial = Impl_->Serial;
  if (serial.setDataTerminalReady(false) && serial.setRequestToSend(false))
    return;
  EComPortExt refusal = TakeError(serial, Port_);
  serial.pinoutSignals();
  const bool hasModemLines = serial.error() == QSerialPort::NoError;
  serial.clearError();
  if (hasModemLines)
    throw refusal;
}

void TComPort::Close() {
  CloseDevice(true);
}

void TComPort::CloseDevice(bool notify) {
  if (!Connected())
    return;
  QSerialPort &serial = Impl_->Serial;
  const bool watched = Impl_->Watching;
  Impl_->Watching = false;
  Impl_->CheckQueued = false;
  ++Impl_->Session;
  if (watched)
    serial.clear(QSerialPort::AllDirections); // a failure here does not matter
  serial.close();
  serial.clearError();
  if (notify && OnAfterClose)
    OnAfterClose();
}

int TComPort::Read(std::uint8_t *buffer, int count) {
  if (buffer == nullptr || count <= 0)
    return 0;
  buffer[0] = 0xFF;
  if (!Connected())
    return 0;
  QSerialPort &serial = Impl_->Serial;
  QElapsedTimer clock;
  clock.start();
  const qint64 total = TotalLimit(Timeouts_.ReadTotalMultiplier, Timeouts_.ReadTotalConstant, count);
  const qint64 interval = Timeouts_.ReadInterval;
  int received = 0;
  qint64 lastByteAt = 0;
  for (;;) {
    const qint64 taken = serial.read(reinterpret_cast<char *>(buffer) + received, count - received);
    if (taken > 0) {
      received += static_cast<int>(taken);
      lastByteAt = clock.elapsed();
    }
    if (received == count)
      break;
    qint64 wait = total - clock.elapsed();
    // A negative interval ends the read as soon as something has come; 0 switches it off.
    if (received > 0 && interval != 0)
      wait = std::min(wait, interval < 0 ? 0 : lastByteAt + interval - clock.elapsed());
    if (wait <= 0)
      break;
    if (!serial.waitForReadyRead(ClampToInt(wait)) && IsFailure(serial.error()))
      throw TakeError(serial, Port_);
    serial.clearError();
  }
  return received;
}

int TComPort::Write(const std::uint8_t *buffer, int count) {
  if (buffer == nullptr || count <= 0)
    return 0;
  QSerialPort &serial = Impl_->Serial;
  if (!Connected())
    throw NotOpen(Port_);
  QElapsedTimer clock;
  clock.start();
  const qint64 total = TotalLimit(Timeouts_.WriteTotalMultiplier, Timeouts_.WriteTotalConstant, count);
  if (serial.write(reinterpret_cast<const char *>(buffer), count) != count)
    throw TakeError(serial, Port_);
  while (serial.bytesToWrite() > 0) {
    const bool progressed = serial.waitForBytesWritten(ClampToInt(total - clock.elapsed()));
    if (IsFailure(serial.error())) {
      EComPortExt error = TakeError(serial, Port_);
      serial.clear(QSerialPort::Output);
      serial.clearError();
      throw error;
    }
    serial.clearError();
    if (!progressed && clock.elapsed() >= total)
      break;
  }
  // What missed the deadline is dropped rather than sent late.
  const auto unsent = static_cast<int>(serial.bytesToWrite());
  if (unsent > 0) {
    serial.clear(QSerialPort::Output);
    serial.clearError();
  }
  return count - unsent;
}

int TComPort::InputCount() {
  QSerialPort &serial = Impl_->Serial;
  if (!Connected())
    throw NotOpen(Port_);
  // Moves what the driver holds into the port's buffer without waiting.
  serial.waitForReadyRead(0);
  if (IsFailure(serial.error()))
    throw TakeError(serial, Port_);
  serial.clearError();
  return ClampToInt(serial.bytesAvailable());
}

bool TComPort::WaitForInput(std::int32_t milliseconds) {
  if (!Connected())
    throw NotOpen(Port_);
  QSerialPort &serial = Impl_->Serial;
  if (serial.bytesAvailable() > 0)
    return true;
  if (!serial.waitForReadyRead(std::max(milliseconds, 0)) && IsFailure(serial.error()))
    throw TakeError(serial, Port_);
  serial.clearError();
  return serial.bytesAvailable() > 0;
}

int TComPort::ReadAvailable(std::uint8_t *buffer, int count) {
  if (buffer == nullptr || count <= 0)
    return 0;
  buffer[0] = 0xFF;
  if (!Connected())
    return 0;
  InputCount(); // takes in what the driver holds
  const qint64 taken = Impl_->Serial.read(reinterpret_cast<char *>(buffer), count);
  return taken > 0 ? static_cast<int>(taken) : 0;
}

void TComPort::ClearBuffer(bool input, bool output) {
  QSerialPort &serial = Impl_->Serial;
  if (!Connected())
    throw NotOpen(Port_);
  QSerialPort::Directions directions;
  if (input)
    directions |= QSerialPort::Input;
  if (output)
    directions |= QSerialPort::Output;
  if (directions == QSerialPort::Directions{})
    return;
  if (!serial.clear(directions))
    throw TakeError(serial, Port_);
}

// Time-outs are enforced by Read and Write themselves, so a change needs nothing from the
// device and the next transfer uses it.
void TComPort::SetReadTotalConstant(std::int32_t milliseconds) {
  Timeouts_.ReadTotalConstant = milliseconds;
}

void TComPort::SetTimeouts(const TComTimeouts &timeouts) {
  Timeouts_ = timeouts;
}

void TComPort::SetEvents(TComEvents events) {
  Events_ = events;
}

void TComPort::SetPort(const std::string &name) {
  if (name == Port_)
    return;
  Port_ = name;
  if (!Connected())
    return;
  Close();
  Open();
}

void TComPort::QueueRxCheck() {
  TImpl &impl = *Impl_;
  if (!impl.Watching || impl.Counting)
    return;
  if (impl.Dispatching) {
    impl.RecheckAfterHandler = true;
    return;
  }
  if (impl.CheckQueued)
    return;
  impl.CheckQueued = true;
  const std::uint64_t session = impl.Session;
  QMetaObject::invokeMethod(
      this,
      [this, session] {
        if (session != Impl_->Session)
          return;
        Impl_->CheckQueued = false;
        DispatchRxChar();
      },
      Qt::QueuedConnection);
}

void TComPort::DispatchRxChar() {
  TImpl &impl = *Impl_;
  if (!impl.Watching || impl.Dispatching)
    return;
  int count = 0;
  try {
    // Whatever this count pulls in is offered now, not by a further check.
    const TFlagGuard counting(impl.Counting);
    count = InputCount();
  } catch (const EComPort &) {
    return; // the line is gone; the next Read or Close reports or ends it
  }
  if (count <= 0)
    return;
  impl.RecheckAfterHandler = false;
  try {
    const TFlagGuard dispatching(impl.Dispatching);
    if (OnRxChar)
      OnRxChar(count);
  } catch (const std::exception &error) {
    if (OnException)
      OnException(error);
    else
      qWarning("%s", error.what());
  }
  // Bytes that came while the handler ran; what it left unread waits for the next arrival.
  if (impl.RecheckAfterHandler) {
    impl.RecheckAfterHandler = false;
    QueueRxCheck();
  }
}

TDeviceAccess DeviceAccess(const QString &path) {
  const QFileInfo info(path);
  return {info.exists(), info.isReadable() && info.isWritable(), info.group()};
}

QString DevicePath(const std::string &portName) {
  const QString name = QString::fromStdString(portName);
#ifdef Q_OS_UNIX
  if (!name.startsWith('/'))
    return "/dev/" + name;
#endif
  return name;
}

std::string PortRefusalReason(int serialPortError, const QString &systemText, const QString &device,
                              const TDeviceAccess &access) {
  QString text = systemText;
#ifdef Q_OS_LINUX
  // Serial devices belong to a group (usually dialout) whose members may use them.
  if (serialPortError == QSerialPort::PermissionError && access.Exists && !access.ReadableAndWritable) {
    const QString group = access.Group.isEmpty() ? QStringLiteral("dialout") : access.Group;
    text += QStringLiteral(": to use %1 the account must be a member of the group \"%2\" (then log in again)")
                .arg(device, group);
  }
#else
  Q_UNUSED(serialPortError);
  Q_UNUSED(device);
  Q_UNUSED(access);
#endif
  return text.toStdString();
}

std::string PortRefusalReason(int serialPortError, const QString &systemText, const QString &device) {
  return PortRefusalReason(serialPortError, systemText, device, DeviceAccess(device));
}

bool IsUsbSerialPort(const QString &portName) {
  static const QRegularExpression usbName(QStringLiteral("^(/dev/)?tty(USB|ACM)[0-9]+$"));
  if (usbName.match(portName).hasMatch())
    return true;
  const QSerialPortInfo info(portName);
  return info.hasVendorIdentifier() ||
         info.description().contains(QStringLiteral("USB"), Qt::CaseInsensitive);
}

void EnumComPorts(QStringList &list) {
  QStringList names;
  QStringList locations;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
    names << info.portName();
    locations << info.systemLocation();
  }
  const QStringList extra =
      qEnvironmentVariable("KEBQOR_PORTS").split(QDir::listSeparator(), Qt::SkipEmptyParts);
  for (const QString &path : extra)
    if (!locations.contains(path))
      names << path;
  names.removeDuplicates();
  std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
  });
  list = names;
}

std::uint32_t TSystemClock::TickCount() {
  QElapsedTimer now;
  now.start();
  return static_cast<std::uint32_t>(now.msecsSinceReference());
}

void TSystemClock::Sleep(std::uint32_t milliseconds) {
  QThread::msleep(milliseconds);
}
