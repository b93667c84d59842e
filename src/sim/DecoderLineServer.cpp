#include "sim/DecoderLineServer.h"

#include "sim/PseudoTerminal.h"

#include <QByteArray>

#include <algorithm>
#include <thread>
#include <vector>

using namespace std::chrono;

TDecoderLineServer::TDecoderLineServer(TVirtualDecoder &decoder, TPseudoTerminal &terminal, bool paced)
    : Decoder_(decoder), Terminal_(terminal), Paced_(paced), LastActivity_(TClock::now()) {}

milliseconds TDecoderLineServer::QuietFor() const {
  return duration_cast<milliseconds>(TClock::now() - LastActivity_);
}

TDecoderLineServer::TClock::duration TDecoderLineServer::LineBusy() const {
  if (!FirstActivity_)
    return TClock::duration::zero();
  return LastActivity_ - *FirstActivity_;
}

void TDecoderLineServer::NoteStart(TClock::time_point at) {
  if (!FirstActivity_)
    FirstActivity_ = at;
}

// Waits to the nanosecond: at 9600 baud a byte takes 1.04 ms, and rounding each wait up to
// a whole millisecond would add most of a byte time to every reply.
void TDecoderLineServer::ServeOnce(milliseconds maxWait) {
  const nanoseconds wait = WaitBeforeNextDue(maxWait);
  // While watching the line without sleeping, give the core up on each pass: the system's
  // hand-over of the program's bytes may need this very core, and would otherwise wait for
  // the watch to end.
  if (wait == nanoseconds(0))
    std::this_thread::yield();
  const QByteArray bytes = Terminal_.ReadAvailable(wait);
  const TClock::time_point now = TClock::now();
  if (!bytes.isEmpty())
    NoteTurnaround(now);
  for (const char c : bytes) {
    TClock::time_point at = now;
    if (Paced_)
      at = InFreeAt_ = std::max(InFreeAt_, now) + ByteTime;
    NoteStart(Paced_ ? at - ByteTime : at);
    Arriving_.push_back({static_cast<std::uint8_t>(c), at});
  }
  // A reply starts when the byte that called for it has arrived, however late this pass woke.
  QueueReplies(DeliverDue(now).value_or(now));
  SendDue(now);
}

// The last byte of a reply is what the program waits for before it sends again; a sleeping
// wait wakes up to a few hundred microseconds late, on every frame. So the wait for it ends
// early and the remaining moment is spent polling the line without sleeping.
//
// Likewise the program's next frame follows a reply within moments, and the time of its
// first byte is the time this server notices it: for a short while after a reply it is
// watched for without sleeping.
nanoseconds TDecoderLineServer::WaitBeforeNextDue(milliseconds maxWait) const {
  constexpr microseconds WakeUpMargin{300};
  constexpr microseconds AnswerWatch{1500};
  const TClock::time_point now = TClock::now();
  if (Paced_ && Arriving_.empty() && Leaving_.empty() && now - ReplyEndedAt_ < AnswerWatch)
    return nanoseconds(0);
  TClock::time_point next = now + maxWait;
  if (!Arriving_.empty())
    next = std::min(next, Arriving_.front().At);
  if (Leaving_.size() == 1 && !Decoder_.HasOutput())
    next = std::min(next, Leaving_.front().At - WakeUpMargin);
  else if (!Leaving_.empty())
    next = std::min(next, Leaving_.front().At);
  if (Decoder_.HasOutput())
    return nanoseconds(0);
  const auto wait = duration_cast<nanoseconds>(next - TClock::now());
  return std::clamp(wait, nanoseconds(0), duration_cast<nanoseconds>(maxWait));
}

std::optional<TDecoderLineServer::TClock::time_point> TDecoderLineServer::DeliverDue(TClock::time_point now) {
  std::vector<std::uint8_t> due;
  std::optional<TClock::time_point> lastArrived;
  while (!Arriving_.empty() && Arriving_.front().At <= now) {
    if (due.empty()) {
      const auto quiet = duration_cast<milliseconds>(Arriving_.front().At - LastActivity_);
      if (quiet.count() > 0)
        Decoder_.LineQuiet(static_cast<std::uint32_t>(std::min<std::int64_t>(quiet.count(), UINT32_MAX)));
    }
    due.push_back(Arriving_.front().Byte);
    LastActivity_ = std::max(LastActivity_, Arriving_.front().At);
    lastArrived = Arriving_.front().At;
    Arriving_.pop_front();
  }
  if (!due.empty())
    Decoder_.Receive(due);
  return lastArrived;
}

void TDecoderLineServer::QueueReplies(TClock::time_point from) {
  from += milliseconds(Decoder_.TakeOutputDelay());
  for (const std::uint8_t byte : Decoder_.TakeOutput()) {
    TClock::time_point at = from;
    if (Paced_)
      at = OutFreeAt_ = std::max(OutFreeAt_, from) + ByteTime;
    NoteStart(Paced_ ? at - ByteTime : at);
    Leaving_.push_back({byte, at});
  }
}

void TDecoderLineServer::SendDue(TClock::time_point now) {
  QByteArray due;
  TClock::time_point lastEnded{};
  while (!Leaving_.empty() && Leaving_.front().At <= now) {
    due.append(static_cast<char>(Leaving_.front().Byte));
    lastEnded = Leaving_.front().At;
    LastActivity_ = std::max(LastActivity_, lastEnded);
    Leaving_.pop_front();
  }
  if (!due.isEmpty() && !Terminal_.Write(due))
    ++WriteFailures_;
  // The reply ended when its last byte was through on the line; the hand-over to the program
  // that the write itself takes is part of the turnaround, as it is part of the line's time.
  if (!due.isEmpty() && Leaving_.empty()) {
    ReplyEndedAt_ = lastEnded;
    AwaitingAnswer_ = Arriving_.empty() && !Decoder_.HasOutput();
  }
}

void TDecoderLineServer::NoteTurnaround(TClock::time_point noticed) {
  if (!AwaitingAnswer_)
    return;
  AwaitingAnswer_ = false;
  const auto took = duration_cast<nanoseconds>(noticed - ReplyEndedAt_);
  ++TurnaroundCount_;
  TurnaroundTotal_ += took;
  if (Turnarounds_.size() < MaxKept)
    Turnarounds_.push_back(took);
}

TDecoderLineServer::TTurnarounds TDecoderLineServer::Turnarounds() const {
  TTurnarounds result{TurnaroundCount_, TurnaroundTotal_, nanoseconds(0)};
  if (Turnarounds_.empty())
    return result;
  std::vector<nanoseconds> sorted = Turnarounds_;
  const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
  std::nth_element(sorted.begin(), middle, sorted.end());
  result.Median = *middle;
  return result;
}
