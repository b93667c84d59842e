#pragma once

#include <cstdint>
#include <string>

// What the KEB protocol needs of a serial port. TComPort implements it on a real device; the
// virtual decoder implements it in-process for tests. Open raises EComPortExt on failure;
// Read and Write never raise for a time-out.
class IComPort {
public:
  virtual ~IComPort() = default;

  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  // Reads up to count bytes bounded by the time-outs; buffer[0] is 0xFF when nothing came.
  virtual int Read(std::uint8_t *buffer, int count) = 0;
  virtual int Write(const std::uint8_t *buffer, int count) = 0;
  virtual int InputCount() = 0;
  // Waits at most milliseconds for received bytes, returning as soon as some are waiting;
  // false when none came. A port that cannot wait looks once and returns at once.
  virtual bool WaitForInput(std::int32_t milliseconds) {
    static_cast<void>(milliseconds);
    return InputCount() > 0;
  }
  virtual void ClearBuffer(bool input, bool output) = 0;

  virtual std::string PortName() const = 0;
  // Why the last Open failed, in the system's words (with how to get access where the
  // account may not use the device); empty after a successful Open or when nothing is known.
  virtual std::string OpenFailureReason() const { return {}; }
  virtual std::int32_t ReadTotalConstant() const = 0;
  // Milliseconds a read may take per byte asked for, beyond the constant.
  virtual std::int32_t ReadTotalPerByte() const { return 0; }
  // Milliseconds a read that has received something waits for the next byte before it ends;
  // 0 or less when the port keeps no such limit (then a read waits for its whole count).
  virtual std::int32_t ReadInterval() const { return 0; }
  // Reads what has come, up to count bytes, without waiting for more (buffer[0] is 0xFF when
  // nothing came). By default a read whose constant time-out is 0 for the moment.
  virtual int ReadAvailable(std::uint8_t *buffer, int count) {
    const std::int32_t constant = ReadTotalConstant();
    SetReadTotalConstant(0);
    const int received = Read(buffer, count);
    SetReadTotalConstant(constant);
    return received;
  }
  virtual void SetReadTotalConstant(std::int32_t milliseconds) = 0;
};

// The system's millisecond tick count and a short wait, so that protocol pauses run on
// simulated time in tests.
class IClock {
public:
  virtual ~IClock() = default;
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};
