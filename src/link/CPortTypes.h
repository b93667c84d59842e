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

// Component error codes.
enum TComErrorCode : int {
  CE_OpenFailed = 1,
  CE_WriteFailed = 2,
  CE_ReadFailed = 3,
  CE_PurgeFailed = 5,
  CE_SetStateFailed = 7,
  CE_SetTimeoutsFailed = 8,
  CE_SetupComFailed = 9,
  CE_ClearComFailed = 10,
  CE_RegError = 23,
};

class EComPort : public std::runtime_error {
public:
  EComPort(int code, const std::string &message) : std::runtime_error(message), Code(code) {}
  int Code;
};

// "COM Port Error: " + the code's text + " on " + the port name.
class EComPortExt : public EComPort {
public:
  EComPortExt(int code, int winCode, const std::string &portName);
  int WinCode;
};

std::string ComErrorText(int code);

using TNotifyEvent = std::function<void()>;
using TRxCharEvent = std::function<void(int count)>;
