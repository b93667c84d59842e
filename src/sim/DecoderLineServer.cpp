#include "sim/DecoderLineServer.h"

#include "sim/PseudoTerminal.h"

#include <QByteArray>

#include <algorithm>
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
  const QByteArray bytes = Terminal_.ReadAvailable(WaitBeforeNextDue(maxWait));
  const TClock::time_point now = TClock::now();
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
  while (!Leaving_.empty() && Leaving_.front().At <= now) {
    due.append(static_cast<char>(Leaving_.front().Byte));
    LastActivity_ = std::max(LastActivity_, Leaving_.front().At);
    Leaving_.pop_front();
  }
  if (!due.isEmpty() && !Terminal_.Write(due))
    ++WriteFailures_;
  if (!due.isEmpty() && Leaving_.empty())
    ReplyEndedAt_ = TClock::now();
}
