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

void TDecoderLineServer::ServeOnce(milliseconds maxWait) {
  const QByteArray bytes = Terminal_.ReadAvailable(static_cast<int>(WaitBeforeNextDue(maxWait).count()));
  const TClock::time_point now = TClock::now();
  for (const char c : bytes) {
    TClock::time_point at = now;
    if (Paced_)
      at = InFreeAt_ = std::max(InFreeAt_, now) + ByteTime;
    Arriving_.push_back({static_cast<std::uint8_t>(c), at});
  }
  DeliverDue(now);
  QueueReplies(now);
  SendDue(now);
}

milliseconds TDecoderLineServer::WaitBeforeNextDue(milliseconds maxWait) const {
  TClock::time_point next = TClock::now() + maxWait;
  if (!Arriving_.empty())
    next = std::min(next, Arriving_.front().At);
  if (!Leaving_.empty())
    next = std::min(next, Leaving_.front().At);
  if (Decoder_.HasOutput())
    return milliseconds(0);
  const auto wait = ceil<milliseconds>(next - TClock::now());
  return std::clamp(wait, milliseconds(0), maxWait);
}

void TDecoderLineServer::DeliverDue(TClock::time_point now) {
  std::vector<std::uint8_t> due;
  while (!Arriving_.empty() && Arriving_.front().At <= now) {
    if (due.empty()) {
      const auto quiet = duration_cast<milliseconds>(Arriving_.front().At - LastActivity_);
      if (quiet.count() > 0)
        Decoder_.LineQuiet(static_cast<std::uint32_t>(std::min<std::int64_t>(quiet.count(), UINT32_MAX)));
    }
    due.push_back(Arriving_.front().Byte);
    LastActivity_ = std::max(LastActivity_, Arriving_.front().At);
    Arriving_.pop_front();
  }
  if (!due.empty())
    Decoder_.Receive(due);
}

void TDecoderLineServer::QueueReplies(TClock::time_point now) {
  for (const std::uint8_t byte : Decoder_.TakeOutput()) {
    TClock::time_point at = now;
    if (Paced_)
      at = OutFreeAt_ = std::max(OutFreeAt_, now) + ByteTime;
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
}
