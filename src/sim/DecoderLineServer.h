#pragma once

#include "sim/VirtualDecoder.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class TPseudoTerminal;

// Plays a virtual decoder on the master side of a pseudo-terminal in real time. With pacing
// every byte takes 1/960 s on the line in each direction, as at 9600 baud: the decoder hears
// a byte only once it would have fully arrived, and its replies go out one byte time apart.
// The program may close and reopen the slave side as often as it likes.
class TDecoderLineServer {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::nanoseconds ByteTime{1'000'000'000 / 960};

  TDecoderLineServer(TVirtualDecoder &decoder, TPseudoTerminal &terminal, bool paced);

  // Waits at most maxWait for bytes from the program (less when paced bytes are due), hands
  // the decoder what has arrived and sends what is due of its replies.
  void ServeOnce(std::chrono::milliseconds maxWait);
  // Nothing is on its way in either direction.
  bool Idle() const { return Arriving_.empty() && Leaving_.empty() && !Decoder_.HasOutput(); }
  // Time since the last byte either way.
  std::chrono::milliseconds QuietFor() const;
  // From the start of the first byte on the line, either way, to the end of the last one; zero
  // while nothing has crossed it. What a benchmark compares with the bytes' own line time.
  TClock::duration LineBusy() const;
  // Replies the line would not take (no one reading and the queue full).
  int WriteFailures() const { return WriteFailures_; }

  // The program's turnarounds: from the moment a reply had gone out whole, with nothing else
  // on the line, to the moment the program's next byte was noticed. What a paced transfer
  // spends beyond the wire time is the sum of these.
  struct TTurnarounds {
    std::uint64_t Count = 0;
    std::chrono::nanoseconds Total{0};
    std::chrono::nanoseconds Median{0}; // of the first MaxKept
  };
  TTurnarounds Turnarounds() const;

private:
  struct TTimedByte {
    std::uint8_t Byte;
    TClock::time_point At; // fully arrived / due to have gone out
  };

  std::chrono::nanoseconds WaitBeforeNextDue(std::chrono::milliseconds maxWait) const;
  void NoteStart(TClock::time_point at);
  // Hands the decoder what has fully arrived; the arrival time of the last such byte.
  std::optional<TClock::time_point> DeliverDue(TClock::time_point now);
  // Queues the decoder's output, its first byte starting on the line at from.
  void QueueReplies(TClock::time_point from);
  void SendDue(TClock::time_point now);
  void NoteTurnaround(TClock::time_point noticed);

  TVirtualDecoder &Decoder_;
  TPseudoTerminal &Terminal_;
  bool Paced_;
  std::deque<TTimedByte> Arriving_; // from the program, not yet heard by the decoder
  std::deque<TTimedByte> Leaving_;  // from the decoder, not yet on the line
  TClock::time_point InFreeAt_{};
  TClock::time_point OutFreeAt_{};
  TClock::time_point LastActivity_;
  std::optional<TClock::time_point> FirstActivity_; // start of the first byte
  TClock::time_point ReplyEndedAt_{};               // the last reply went out whole
  bool AwaitingAnswer_ = false;                     // a reply has gone out, nothing since
  static constexpr std::size_t MaxKept = 100'000;   // enough for hours of a window's use
  std::vector<std::chrono::nanoseconds> Turnarounds_;
  std::uint64_t TurnaroundCount_ = 0;
  std::chrono::nanoseconds TurnaroundTotal_{0};
  int WriteFailures_ = 0;
};
