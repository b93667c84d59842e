#pragma once

#include "link/ComPortInterface.h"
#include "sim/SimClock.h"
#include "sim/VirtualDecoder.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One Read as the port saw it, for tests of the time-outs a step uses.
struct TSimRead {
  int Count = 0;
  std::int32_t ReadTotalConstant = 0;
  int Received = 0;
  std::int64_t WaitedNanoseconds = 0;
};

// An in-process serial port wired to a virtual decoder, on a simulated clock. Writes hand the
// bytes to the decoder; reads take its replies with the time-out rule of a real port (interval
// 50 ms, multiplier 50 ms a byte, the constant the protocol sets): a read whose count is
// reached returns at once, one that received nothing waits 50 x count + constant, one that
// received some ends 50 ms after the last byte. With pacing every byte takes 1/960 s on the
// line in each direction, as at 9600 baud.
class TSimComPort : public IComPort {
public:
  static constexpr std::int32_t ReadIntervalMs = 50;
  static constexpr std::int32_t ReadTotalMultiplier = 50;
  static constexpr std::int64_t ByteNanoseconds = 1'000'000'000 / 960;

  TSimComPort(TVirtualDecoder &decoder, TSimClock &clock, std::string name = "SIM1");

  // Raises EComPortExt (a permission refusal) when SetOpenFails(true) was called.
  void Open() override;
  void Close() override;
  bool Connected() const override { return Connected_; }
  // Returns 0 at once when closed or once the decoder's line is down.
  int Read(std::uint8_t *buffer, int count) override;
  // Raises EComPortExt when closed or once the decoder's line is down.
  int Write(const std::uint8_t *buffer, int count) override;
  int InputCount() override;
  bool WaitForInput(std::int32_t milliseconds) override;
  std::int32_t ReadTotalPerByte() const override { return ReadTotalMultiplier; }
  std::int32_t ReadInterval() const override { return ReadIntervalMs; }
  int ReadAvailable(std::uint8_t *buffer, int count) override;
  void ClearBuffer(bool input, bool output) override;

  std::string PortName() const override { return Name_; }
  std::int32_t ReadTotalConstant() const override { return ReadTotalConstant_; }
  void SetReadTotalConstant(std::int32_t milliseconds) override { ReadTotalConstant_ = milliseconds; }

  void SetOpenFails(bool fails) { OpenFails_ = fails; }
  void SetPacing(bool paced) { Paced_ = paced; }
  bool Paced() const { return Paced_; }
  int OpenCount() const { return OpenCount_; }
  int CloseCount() const { return CloseCount_; }
  const std::vector<TSimRead> &Reads() const { return Reads_; }
  // Bytes written to the port, in order, across all opens.
  const std::vector<std::uint8_t> &Written() const { return Written_; }

  // Takes what the decoder has sent on its own (keypad entries) into the receive queue.
  void Pump();

private:
  struct TArriving {
    std::uint8_t Byte;
    std::int64_t At; // simulated time it has fully arrived
  };

  void QueueFromDecoder();
  void AdvanceTo(std::int64_t time);
  std::int64_t Now() const { return Clock_.Nanoseconds(); }

  TVirtualDecoder &Decoder_;
  TSimClock &Clock_;
  std::string Name_;
  bool Connected_ = false;
  bool OpenFails_ = false;
  bool Paced_ = false;
  std::int32_t ReadTotalConstant_ = 200;
  std::deque<TArriving> Input_;
  std::int64_t LineFreeAt_ = 0;   // the decoder's side of the line is busy until then
  std::int64_t LastActivity_ = 0; // the last byte either way
  int OpenCount_ = 0;
  int CloseCount_ = 0;
  std::vector<TSimRead> Reads_;
  std::vector<std::uint8_t> Written_;
};

// A virtual decoder with a simulated port and clock, ready for GetFromDecoder and
// SendToDecoder:
//   TSimulatedLine line({.Type = TQorType::QOR1, .Series = 2});
//   GetFromDecoder(config, line.Port(), line.Clock(), host, true, true);
class TSimulatedLine {
public:
  explicit TSimulatedLine(const TVirtualDecoderOptions &options = {}, std::string portName = "SIM1")
      : Decoder_(options), Port_(Decoder_, Clock_, std::move(portName)) {}
  TSimulatedLine(const TSimulatedLine &) = delete;
  TSimulatedLine &operator=(const TSimulatedLine &) = delete;

  TVirtualDecoder &Decoder() { return Decoder_; }
  TSimComPort &Port() { return Port_; }
  TSimClock &Clock() { return Clock_; }

private:
  TSimClock Clock_;
  TVirtualDecoder Decoder_;
  TSimComPort Port_;
};
