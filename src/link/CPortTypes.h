#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// Types of the serial port component.

// The set of events the watcher arms: only a character's arrival.
struct TComEvents {
  bool RxChar = false;
  bool Empty() const { return !RxChar; }
  bool operator==(const TComEvents &) const = default;
};

struct TComTimeouts {
  std::int32_t ReadInterval = 50;
  std::int32_t ReadTotalMultiplier = 50;
  std::int32_t ReadTotalConstant = 200;
  std::int32_t WriteTotalMultiplier = 100;
  std::int32_t WriteTotalConstant = 1000;
  bool operator==(const TComTimeouts &) const = default;
};

class EComPort : public std::runtime_error {
public:
  EComPort(int code, const std::string &message) : std::runtime_error(message), Code(code) {}
  int Code;
};

// A failure of the serial port as the system reported it: Code is QSerialPort's error number
// (QSerialPort::SerialPortError) and Reason its text (errorString()), so nothing of the
// system's is lost. The message reads "COM Port Error: " + Reason + " on " + the port name.
class EComPortExt : public EComPort {
public:
  EComPortExt(int code, std::string reason, const std::string &portName);
  std::string Reason;
};

using TNotifyEvent = std::function<void()>;
using TRxCharEvent = std::function<void(int count)>;
