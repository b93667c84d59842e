#include "link/KebProtocol.h"

#include <algorithm>

namespace {

// Identification bytes: type 0x01 QOR1, 0x02 QOR2; series 0x21 to 0x23 for series 1 to 3.
// Anything else has no list entry (-1), which the model refuses: it keeps what it has.
int TypeFromByte(std::uint8_t byte) {
  return (byte == 0x01 || byte == 0x02) ? byte - 1 : -1;
}
int SeriesFromByte(std::uint8_t byte) {
  return (byte >= 0x21 && byte <= 0x23) ? byte - 0x21 : -1;
}

constexpr std::uint8_t Series3ShortIdentifyAnswer = 0x22;
constexpr std::uint8_t RevisionMarkFirst = 0x23;
constexpr std::uint8_t RevisionMarkLast = 0x2F;

std::string RevisionText(std::uint8_t letter) {
  return std::string{'\'', static_cast<char>(letter), '\''};
}

constexpr int ConnectReplySize = 6;
constexpr int IdentifyReplyMax = 3;

} // namespace

TFrameBuffer::TFrameBuffer(std::initializer_list<std::uint8_t> initial) {
  Bytes_.fill(0x00);
  std::copy_n(initial.begin(), std::min<std::size_t>(initial.size(), Size), Bytes_.begin());
}

void TFrameBuffer::Set(int first, std::span<const std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), Bytes_.begin() + first);
}

void TFrameBuffer::Fill(int first, int count, std::uint8_t value) {
  std::fill_n(Bytes_.begin() + first, count, value);
}

TFrameBuffer CommandFrameBuffer(const TManagementCodeBytes &code, std::uint8_t command) {
  TFrameBuffer frame;
  frame.Set(0, code);
  frame[5] = 0xFF;
  frame[6] = command;
  return frame;
}

TKebLink::TKebLink(IComPort &port, IClock &clock, ILinkHost &host, TDecoderConfiguration &config)
    : Port_(port), Clock_(clock), Host_(host), Config_(config) {}

void TKebLink::SendFrame(TFrameBuffer &buffer, int first, int count) {
  std::uint8_t sum = 0;
  for (int i = first; i < first + count; ++i)
    sum = static_cast<std::uint8_t>(sum + buffer[i]);
  buffer[first + count] = sum;
  Port_.Write(buffer.Data() + first, count + 1);
}

void TKebLink::SendSignal(std::uint8_t signal) {
  Port_.Write(&signal, 1);
}

void TKebLink::DrainInput() {
  std::uint8_t discarded = 0;
  while (Port_.InputCount() > 0)
    if (Port_.Read(&discarded, 1) == 0)
      break; // the count said a byte waits but none came: do not spin on it
}

void TKebLink::Delay(std::uint32_t milliseconds, bool processMessages) {
  constexpr std::uint32_t Pass = 10;
  const std::uint32_t start = Clock_.TickCount();
  for (;;) {
    if (processMessages)
      Host_.ProcessMessages();
    const std::uint32_t elapsed = Clock_.TickCount() - start;
    if (elapsed >= milliseconds)
      return;
    Clock_.Sleep(std::min(Pass, milliseconds - elapsed));
  }
}

void TKebLink::SetReadTimeout(std::int32_t readTotalConstant) {
  Port_.SetReadTotalConstant(readTotalConstant);
}

bool TKebLink::AwaitInput(std::uint32_t start, std::uint32_t until) {
  for (std::uint32_t elapsed = Clock_.TickCount() - start; elapsed < until;
       elapsed = Clock_.TickCount() - start) {
    Host_.ProcessMessages();
    const std::uint32_t slice = std::min<std::uint32_t>(WaitSlice, until - elapsed);
    if (Port_.WaitForInput(static_cast<std::int32_t>(slice)))
      return true;
    if (Clock_.TickCount() - start == elapsed)
      Clock_.Sleep(slice); // a port that cannot wait: the clock does
  }
  return false;
}

int TKebLink::ReadBytes(std::uint8_t *buffer, int count) {
  if (count <= 0 || Port_.ReadTotalConstant() <= WaitSlice)
    return Port_.Read(buffer, count);
  // A long wait for a reply (the clearing of the codes takes seconds) is made of short ones
  // with the caller's events processed between them, so the window keeps answering; a reply
  // is read the moment it is there. The whole wait is the read's own time-out.
  const std::uint32_t limit = static_cast<std::uint32_t>(
      std::max(Port_.ReadTotalConstant(), 0) + std::int64_t{std::max(Port_.ReadTotalPerByte(), 0)} * count);
  const std::uint32_t start = Clock_.TickCount();
  if (Port_.InputCount() == 0 && !AwaitInput(start, limit))
    return Port_.ReadAvailable(buffer, count);
  const std::int32_t interval = Port_.ReadInterval();
  if (count == 1 || interval <= 0)
    return Port_.Read(buffer, count); // what is wanted waits, or the port has no pause rule
  // A reply shorter than asked for (a series 2 identifies in 2 bytes of 3) ends one interval
  // after its last byte; that pause is sliced too.
  int got = Port_.ReadAvailable(buffer, count);
  while (got > 0 && got < count) {
    const std::uint32_t lastByte = Clock_.TickCount() - start;
    if (!AwaitInput(start, std::min(limit, lastByte + static_cast<std::uint32_t>(interval))))
      break;
    const int more = Port_.ReadAvailable(buffer + got, count - got);
    if (more == 0)
      break; // the port said a byte waits but none came: do not spin on it
    got += more;
  }
  return got;
}

bool TKebLink::ReadByte(std::uint8_t &byte) {
  return ReadBytes(&byte, 1) == 1;
}

void TKebLink::StepProgress() {
  Host_.StepProgress(1);
  Host_.ProcessMessages();
}

void TKebLink::StepBack(int steps) {
  Host_.StepProgress(-steps);
  Host_.ProcessMessages();
}

// --- Identification ---------------------------------------------------------------------

TLinkResult TKebLink::Connect(TFrameBuffer &frame) {
  SendFrame(frame, 0, LongFrameSize);
  StepProgress();
  SetReadTimeout(ConnectTimeout);
  std::array<std::uint8_t, ConnectReplySize> reply{};
  const int got = ReadBytes(reply.data(), ConnectReplySize);
  if (got == 0)
    return lrNoResponse;
  if (got == 1)
    return reply[0] == SignalRefused ? lrBadManagementCode : lrUnknownError;
  return got == ConnectReplySize ? lrOK : lrUnknownError;
}

TLinkResult TKebLink::ReadRevision(TFrameBuffer &frame) {
  frame[6] = kcReadRevision;
  SendFrame(frame, 4, ShortFrameSize);
  Host_.ProcessMessages();
  SetReadTimeout(RevisionTimeout);
  std::uint8_t first = 0;
  if (!ReadByte(first))
    return lrUnknownError;
  if (first == SignalRefused) {
    Config_.DecoderRevision.clear();
    return lrOK;
  }
  std::array<std::uint8_t, 2> rest{};
  if (ReadBytes(rest.data(), 2) != 2 || rest[0] < RevisionMarkFirst || rest[0] > RevisionMarkLast)
    return lrUnknownError;
  Config_.DecoderRevision = RevisionText(rest[1]);
  return lrOK;
}

// An older series 3 answers the long identify like a series 2; the short identify tells.
bool TKebLink::ShortIdentifySaysSeries3(TFrameBuffer &frame, std::uint8_t type) {
  frame[4] = ShortFrameStart;
  SendFrame(frame, 4, ShortFrameSize);
  Host_.ProcessMessages();
  SetReadTimeout(ShortIdentifyTimeout);
  std::array<std::uint8_t, 2> answer{};
  return ReadBytes(answer.data(), 2) == 2 && answer[0] == type && answer[1] == Series3ShortIdentifyAnswer;
}

TLinkResult TKebLink::IdentifyDecoder() {
  DrainInput();
  TFrameBuffer frame = CommandFrameBuffer(Config_.Settings.ManagementCodeBytes(), kcConnect);
  if (const TLinkResult connected = Connect(frame); connected != lrOK)
    return connected;

  frame[6] = kcIdentify;
  SendFrame(frame, 0, LongFrameSize);
  StepProgress();
  std::array<std::uint8_t, IdentifyReplyMax> reply{};
  const int got = ReadBytes(reply.data(), IdentifyReplyMax);
  switch (got) {
  case 0:
    return lrNoResponse;
  case 1:
    if (reply[0] != SignalRefused)
      return lrUnknownError;
    Config_.SetDecoderSeries(0); // a series 1 cannot identify itself; the type stays
    return lrOK;
  case 3:
    Config_.SetDecoderType(TypeFromByte(reply[0]));
    Config_.SetDecoderSeries(SeriesFromByte(reply[1]));
    Config_.DecoderRevision = RevisionText(reply[2]);
    return lrOK;
  case 2: {
    Config_.SetDecoderType(TypeFromByte(reply[0]));
    TLinkResult result = lrOK;
    if (ShortIdentifySaysSeries3(frame, reply[0])) {
      Config_.SetDecoderSeries(2);
      result = ReadRevision(frame);
    } else {
      Config_.SetDecoderSeries(SeriesFromByte(reply[1]));
    }
    Config_.ApplyIdentityRules();
    return result;
  }
  default:
    return lrUnknownError;
  }
}

// --- Read transfer ----------------------------------------------------------------------

int UserBlocksFor(const TDecoderConfiguration &config) {
  if (!config.IsSeries3())
    return 8;
  return config.IsQOR2() ? 16 : 12;
}

TLinkResult TKebLink::ReadHeaderByte(std::uint8_t &header) {
  SetReadTimeout(HeaderTimeout);
  const bool got = ReadByte(header);
  SetReadTimeout(BlockByteTimeout);
  if (!got)
    return lrNoResponse;
  if (header == 0x01 || header == 0x02)
    return lrOK;
  return header == SignalRefused ? lrBadManagementCode : lrUnknownError;
}

// Receives size bytes into place, adding them to sum; false when a byte did not come.
bool TKebLink::ReceiveBlock(std::uint8_t *place, int size, std::uint8_t &sum) {
  for (int i = 0; i < size; ++i) {
    Host_.StepProgress(1);
    const bool got = ReadByte(place[i]);
    Host_.ProcessMessages();
    if (!got)
      return false;
    sum = static_cast<std::uint8_t>(sum + place[i]);
  }
  return true;
}

TLinkResult TKebLink::ReadSettingsBlock(bool users, std::uint8_t header, TMemoryRead &memory, int &retries) {
  for (;;) {
    std::uint8_t sum = header;
    ReceiveBlock(memory.Settings.data(), SettingsBlockSize, sum); // missing bytes count as a bad sum
    std::uint8_t checksum = 0;
    if (ReadByte(checksum) && checksum == sum) {
      if (users)
        SendSignal(SignalAccepted);
      else if (Config_.DecoderSeries() == 0 && retries == 0)
        Delay(Series1SettingsPause, true); // a series 1 ends the transfer by itself
      else
        SendSignal(SignalDone);
      return lrOK;
    }
    if (++retries >= 2)
      return lrDataError;
    StepBack(SettingsBlockSize);
    SendSignal(SignalRefused);
    if (!ReadByte(header))
      return lrNoResponse;
  }
}

TLinkResult TKebLink::ReadUserBlocks(int blocks, TMemoryRead &memory, int &retries) {
  for (int block = 0; block < blocks; ++block) {
    std::uint8_t *place = memory.Users.data() + block * UserBlockSize;
    for (;;) {
      std::uint8_t sum = 0;
      if (!ReceiveBlock(place, UserBlockSize, sum))
        return lrDataError;
      std::uint8_t checksum = 0;
      if (ReadByte(checksum) && checksum == sum) {
        SendSignal(SignalAccepted);
        retries = 0;
        memory.UserBlocks = block + 1;
        break;
      }
      if (++retries >= 2)
        return lrDataError;
      StepBack(UserBlockSize);
      SendSignal(SignalRefused);
    }
  }
  return lrOK;
}

TLinkResult TKebLink::ReadDecoderMemory(bool users, TMemoryRead &memory) {
  int blocks = UserBlocksFor(Config_);
  memory.UserBlocks = 0;

  TFrameBuffer frame = CommandFrameBuffer(Config_.Settings.ManagementCodeBytes(), kcReadMemory);
  SendFrame(frame, 0, LongFrameSize);
  Host_.ProcessMessages();
  std::uint8_t header = 0;
  if (const TLinkResult headerResult = ReadHeaderByte(header); headerResult != lrOK)
    return headerResult;

  int retries = 0;
  if (const TLinkResult settings = ReadSettingsBlock(users, header, memory, retries); settings != lrOK)
    return settings;
  SetReadTimeout(HeaderTimeout);
  if (!users)
    return lrOK;

  // Bit 0 of byte 36 clear: Series 2 compatibility, the decoder sends only 8 blocks.
  if (Config_.IsSeries3() && (memory.Settings[36] & 0x01) == 0 && blocks > 8) {
    Host_.SetProgressMax(Host_.ProgressMax() - (blocks - 8) * UserBlockSize);
    blocks = 8;
  }
  return ReadUserBlocks(blocks, memory, retries);
}
