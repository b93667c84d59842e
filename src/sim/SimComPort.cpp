#include "sim/SimComPort.h"

#include "link/CPortTypes.h"

#include <QSerialPort>

#include <algorithm>

TSimComPort::TSimComPort(TVirtualDecoder &decoder, TSimClock &clock, std::string name)
    : Decoder_(decoder), Clock_(clock), Name_(std::move(name)) {}

void TSimComPort::Open() {
  if (Connected_)
    return;
  if (OpenFails_)
    throw EComPortExt(QSerialPort::PermissionError, "Access to the virtual line refused", Name_);
  Connected_ = true;
  Input_.clear();
  Decoder_.TakeOutput(); // nothing sent while the port was closed is seen
  Decoder_.LineOpened();
  ++OpenCount_;
}

void TSimComPort::Close() {
  if (!Connected_)
    return;
  Connected_ = false;
  Input_.clear();
  ++CloseCount_;
}

int TSimComPort::Write(const std::uint8_t *buffer, int count) {
  if (!Connected_ || Decoder_.LineDown())
    throw EComPortExt(Connected_ ? QSerialPort::ResourceError : QSerialPort::NotOpenError,
                      Connected_ ? "The virtual line is down" : "The port is not open", Name_);
  if (count <= 0)
    return 0;
  const std::int64_t quiet = Now() - LastActivity_;
  if (quiet > 0)
    Decoder_.LineQuiet(
        static_cast<std::uint32_t>(std::min<std::int64_t>(quiet / TSimClock::Millisecond, UINT32_MAX)));
  if (Paced_)
    AdvanceTo(std::max(Now(), LineFreeAt_) + count * ByteNanoseconds); // a write waits until sent
  Written_.insert(Written_.end(), buffer, buffer + count);
  Decoder_.Receive(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(count)));
  LastActivity_ = std::max(LastActivity_, Now());
  QueueFromDecoder();
  return count;
}

void TSimComPort::QueueFromDecoder() {
  const std::int64_t from = Now() + std::int64_t{Decoder_.TakeOutputDelay()} * TSimClock::Millisecond;
  for (const std::uint8_t byte : Decoder_.TakeOutput()) {
    std::int64_t at = from;
    if (Paced_) {
      LineFreeAt_ = std::max(LineFreeAt_, from) + ByteNanoseconds;
      at = LineFreeAt_;
    }
    Input_.push_back({byte, at});
    LastActivity_ = std::max(LastActivity_, at);
  }
}

void TSimComPort::Pump() {
  if (Connected_)
    QueueFromDecoder();
  else
    Decoder_.TakeOutput();
}

int TSimComPort::Read(std::uint8_t *buffer, int count) {
  if (count > 0)
    buffer[0] = 0xFF;
  if (!Connected_ || count <= 0)
    return 0;
  QueueFromDecoder();
  const std::int64_t start = Now();
  const std::int64_t deadline =
      start + (std::int64_t{ReadTotalMultiplier} * count + ReadTotalConstant_) * TSimClock::Millisecond;
  int received = 0;
  std::int64_t lastByte = start;
  while (received < count) {
    const std::int64_t limit =
        received == 0 ? deadline
                      : std::min(deadline, lastByte + std::int64_t{ReadIntervalMs} * TSimClock::Millisecond);
    if (Input_.empty() || Input_.front().At > limit) {
      if (!(Input_.empty() && Decoder_.LineDown()))
        AdvanceTo(limit); // a dead line answers at once
      break;
    }
    AdvanceTo(std::max(Now(), Input_.front().At));
    buffer[received++] = Input_.front().Byte;
    Input_.pop_front();
    lastByte = Now();
  }
  Reads_.push_back({count, ReadTotalConstant_, received, Now() - start});
  return received;
}

int TSimComPort::InputCount() {
  if (!Connected_)
    return 0;
  QueueFromDecoder();
  return static_cast<int>(
      std::count_if(Input_.begin(), Input_.end(), [this](const TArriving &a) { return a.At <= Now(); }));
}

// Simulated time runs on to the first byte due, or by the whole wait when none is.
bool TSimComPort::WaitForInput(std::int32_t milliseconds) {
  if (!Connected_)
    return false;
  QueueFromDecoder();
  const std::int64_t limit = Now() + std::int64_t{std::max(milliseconds, 0)} * TSimClock::Millisecond;
  if (!Input_.empty() && Input_.front().At <= limit) {
    AdvanceTo(Input_.front().At);
    return true;
  }
  if (!Decoder_.LineDown())
    AdvanceTo(limit);
  return false;
}

int TSimComPort::ReadAvailable(std::uint8_t *buffer, int count) {
  if (count > 0)
    buffer[0] = 0xFF;
  if (!Connected_ || count <= 0)
    return 0;
  QueueFromDecoder();
  int received = 0;
  while (received < count && !Input_.empty() && Input_.front().At <= Now()) {
    buffer[received++] = Input_.front().Byte;
    Input_.pop_front();
  }
  Reads_.push_back({count, ReadTotalConstant_, received, 0});
  return received;
}

void TSimComPort::ClearBuffer(bool input, bool) {
  if (input)
    Input_.clear();
}

void TSimComPort::AdvanceTo(std::int64_t time) {
  if (time > Now())
    Clock_.Advance(time - Now());
}
