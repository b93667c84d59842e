#include "sim/VirtualDecoder.h"

#include "model/DigitNibbles.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

// The decoder's own names for the bytes it understands.
constexpr std::uint8_t CommandMarker = 0xFF; // byte 5 of a long frame, byte 1 of a short one
constexpr std::uint8_t ShortStart = 0xEC;
constexpr std::uint8_t DoubleStart = 0xED;
constexpr std::uint8_t Connect = 0xFD;
constexpr std::uint8_t Identify = 0xFA;
constexpr std::uint8_t ReadRevision = 0xF9;
constexpr std::uint8_t ReadMemory = 0xFE;
constexpr std::uint8_t SetCode = 0xFF;
constexpr std::uint8_t ClearAll = 0xFB;

constexpr std::uint8_t Accepted = 'F';
constexpr std::uint8_t Refused = 'B';
constexpr std::uint8_t Done = 'D';
constexpr std::uint8_t HeldByOther = ']';
constexpr std::uint8_t Garbled = 0x3F;

constexpr std::uint8_t FirstHeader = 0x01;
constexpr std::uint8_t RepeatHeader = 0x02;

constexpr std::uint8_t SeriesByte2 = 0x22; // '"'
constexpr std::uint8_t SeriesByte3 = 0x23; // '#'

constexpr std::uint8_t KeypadAccepted = 0x46;
constexpr std::uint8_t KeypadRejected = 0xC2;

constexpr std::size_t LongLength = 13;
constexpr std::size_t ShortLength = 9;
constexpr std::size_t DoubleLength = 14;

constexpr std::uint32_t FrameGapLimit = 200;
constexpr std::uint32_t Series1SignalWait = 1500;

// What the KEB answers to an accepted connect; the program does not look at it.
constexpr std::array<std::uint8_t, 6> ConnectAnswer{'K', 'E', 'B', 'Q', 'O', 'R'};

std::uint8_t SumOf(std::span<const std::uint8_t> bytes, std::uint8_t start = 0) {
  return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), static_cast<unsigned>(start)) &
                                   0xFF);
}

// A location byte holds the two decimal digits of its number (0x85 is 85).
int LocationNumber(std::uint8_t byte) {
  return (byte >> 4) * 10 + (byte & 0x0F);
}

// The alter-slot fault: the first digit of a stored code becomes the next digit (9 wraps to 0),
// so the slot holds a valid code that was never sent. A blank record stays blank.
void AlterCode(TUserRecord &record) {
  const int first = record[0] >> 4;
  if (first <= 9)
    record[0] = static_cast<std::uint8_t>((((first + 1) % 10) << 4) | (record[0] & 0x0F));
}

std::span<const std::uint8_t, 5> FiveAt(std::span<const std::uint8_t> frame, std::size_t at) {
  return std::span<const std::uint8_t, 5>(frame.data() + at, 5);
}

} // namespace

TVirtualDecoder::TVirtualDecoder(const TVirtualDecoderOptions &options)
    : Options_(options), Memory_(options.Type, options.Series), ProgramButton_(options.ProgramButtonPressed) {
  Memory_.SetManagementCode(options.ManagementCode);
  if (options.Series == 3 && options.Series2Compatibility)
    Memory_.SetLocation(0, 99, 1);
}

bool TVirtualDecoder::IsEarlyRevision() const {
  return Options_.Series == 3 && (Options_.Revision == 0 || Options_.Revision == 'a');
}

bool TVirtualDecoder::IsEarlyQOR2() const {
  return Options_.Series == 3 && Options_.Type == TQorType::QOR2 &&
         (Options_.Revision == 0 || Options_.Revision == 'a' || Options_.Revision == 'b');
}

// --- the wire ---

void TVirtualDecoder::Receive(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (LineDown_)
      return;
    ++BytesReceived_;
    TakeByte(byte);
  }
}

void TVirtualDecoder::LineQuiet(std::uint32_t milliseconds) {
  if (milliseconds >= FrameGapLimit)
    Pending_.clear();
  if (Options_.Series == 1 && Transfer_ == TTransfer::AwaitSettingsSignal &&
      milliseconds >= Series1SignalWait)
    Transfer_ = TTransfer::None;
}

std::uint32_t TVirtualDecoder::TakeOutputDelay() {
  return std::exchange(OutputDelay_, 0);
}

std::vector<std::uint8_t> TVirtualDecoder::TakeOutput() {
  std::vector<std::uint8_t> output;
  output.swap(Output_);
  return output;
}

void TVirtualDecoder::LineOpened() {
  Pending_.clear();
  Session_ = false;
  Transfer_ = TTransfer::None;
  KeypadAcksPending_ = 0;
}

void TVirtualDecoder::TakeByte(std::uint8_t byte) {
  if (Pending_.empty()) {
    if (KeypadAcksPending_ > 0 && (byte == KeypadAccepted || byte == KeypadRejected)) {
      --KeypadAcksPending_;
      if (OnKeypadAck)
        OnKeypadAck(byte);
      return;
    }
    if (Transfer_ != TTransfer::None) {
      if (byte == Accepted || byte == Refused || byte == Done) {
        HandleSignal(byte);
        return;
      }
      Transfer_ = TTransfer::None; // the program has moved on to a new frame
    }
  }
  Pending_.push_back(byte);
  if (static_cast<int>(Pending_.size()) == FrameLength()) {
    const std::vector<std::uint8_t> frame = std::move(Pending_);
    Pending_.clear();
    HandleFrame(frame);
  }
}

int TVirtualDecoder::FrameLength() const {
  switch (Pending_.front()) {
  case ShortStart:
    return ShortLength;
  case DoubleStart:
    return DoubleLength;
  default:
    return LongLength;
  }
}

void TVirtualDecoder::HandleFrame(std::span<const std::uint8_t> frame) {
  const bool ok = SumOf(frame.first(frame.size() - 1)) == frame.back();
  if (Options_.LogFrames)
    Frames_.push_back({std::vector<std::uint8_t>(frame.begin(), frame.end()), ok});
  if (!ok)
    return; // a garbled frame gets no answer
  switch (frame.size()) {
  case LongLength:
    HandleLongFrame(frame);
    break;
  case ShortLength:
    HandleShortFrame(frame);
    break;
  default:
    HandleDoubleFrame(frame);
    break;
  }
}

void TVirtualDecoder::HandleLongFrame(std::span<const std::uint8_t> frame) {
  const bool accepted = CodeAccepted(frame.first(5));
  if (frame[5] == CommandMarker) {
    HandleCommand(frame[6], FiveAt(frame, 7), true, accepted);
    return;
  }
  const int slot = frame[5] * 256 + frame[6];
  if (!accepted)
    Reply(TSimStep::UserFrame, slot, {Refused});
  else
    StoreUsers(slot, frame.subspan(7, 5));
}

void TVirtualDecoder::HandleShortFrame(std::span<const std::uint8_t> frame) {
  if (Options_.Series != 3)
    return; // older decoders do not know the short form
  if (frame[1] == CommandMarker) {
    HandleCommand(frame[2], FiveAt(frame, 3), false, Session_);
    return;
  }
  const int slot = frame[1] * 256 + frame[2];
  if (!Session_)
    Reply(TSimStep::UserFrame, slot, {Refused});
  else
    StoreUsers(slot, frame.subspan(3, 5));
}

void TVirtualDecoder::HandleDoubleFrame(std::span<const std::uint8_t> frame) {
  if (Options_.Series != 3)
    return;
  const int slot = frame[1] * 256 + frame[2];
  if (!Session_)
    Reply(TSimStep::UserFrame, slot, {Refused});
  else
    StoreUsers(slot, frame.subspan(3, 10));
}

void TVirtualDecoder::HandleCommand(std::uint8_t command, std::span<const std::uint8_t, 5> data,
                                    bool longForm, bool codeAccepted) {
  const bool isSetting = (command >= 0x80 && command <= 0x89) || (command >= 0x90 && command <= 0x99);
  if (isSetting) {
    if (!codeAccepted)
      Reply(TSimStep::SettingLocation, LocationNumber(command), {Refused}, command < 0x90 ? data[0] : 0);
    else
      SetSetting(command, data);
    return;
  }
  switch (command) {
  case Connect:
    if (!longForm)
      return;
    if (codeAccepted) {
      Session_ = true;
      Reply(TSimStep::ConnectReply, -1, {ConnectAnswer.begin(), ConnectAnswer.end()});
    } else {
      Reply(TSimStep::ConnectReply, -1, {Refused});
    }
    return;
  case Identify:
    if (longForm)
      Reply(TSimStep::IdentifyReply, -1, IdentifyReply());
    else
      Reply(TSimStep::ShortIdentifyReply, -1, {static_cast<std::uint8_t>(Options_.Type), SeriesByte2});
    return;
  case ReadRevision:
    if (!longForm)
      Reply(TSimStep::RevisionReply, -1, RevisionReply());
    return;
  case ReadMemory:
    if (!longForm)
      return;
    if (codeAccepted)
      StartTransfer();
    else
      Reply(TSimStep::HeaderByte, 0, {Refused});
    return;
  case SetCode:
    if (!codeAccepted || Options_.Series == 1)
      Reply(TSimStep::ManagementCodeReply, -1, {Refused});
    else
      SetManagementCode(data);
    return;
  case ClearAll:
    if (!codeAccepted)
      Reply(TSimStep::ClearCodes, -1, {Refused});
    else
      ClearCodes();
    return;
  default:
    return; // not a command this decoder knows: no answer
  }
}

bool TVirtualDecoder::CodeAccepted(std::span<const std::uint8_t> code) const {
  if (!Memory_.HasManagementCode())
    return true;
  if (Options_.Series == 2 && ProgramButton_)
    return true;
  const TManagementCodeBytes own = Memory_.ManagementCodeBytes();
  return std::equal(own.begin(), own.end(), code.begin(), code.end());
}

// --- identification ---

std::vector<std::uint8_t> TVirtualDecoder::IdentifyReply() const {
  const auto type = static_cast<std::uint8_t>(Options_.Type);
  switch (Options_.Series) {
  case 1:
    return {Refused};
  case 2:
    return {type, SeriesByte2};
  default:
    if (Options_.Revision != 0 && !Options_.ShortIdentify)
      return {type, SeriesByte3, static_cast<std::uint8_t>(Options_.Revision)};
    return {type, SeriesByte2}; // an older series 3 shows itself only to the short identify
  }
}

std::vector<std::uint8_t> TVirtualDecoder::RevisionReply() const {
  if (Options_.Revision == 0)
    return {Refused};
  return {static_cast<std::uint8_t>(Options_.Type), SeriesByte3,
          static_cast<std::uint8_t>(Options_.Revision)};
}

// --- the write side ---

void TVirtualDecoder::SetSetting(std::uint8_t locationByte, std::span<const std::uint8_t, 5> data) {
  const int location = LocationNumber(locationByte);
  const bool isOption = location >= 90;
  const int output = isOption ? 0 : data[0];
  const auto refuse = [&] { Reply(TSimStep::SettingLocation, location, {Refused}, output); };
  if (Options_.Series == 1 || (isOption && Options_.Series != 3) || (isOption && data[0] != 0x01))
    return refuse();
  if (IsEarlyRevision() && !ProgramButton_)
    return refuse(); // early series 3: settings only in program mode
  const int value = location == 85 ? data[1] * 256 + data[2] : data[1];
  if (!Memory_.SetLocation(output, location, value))
    return refuse();
  MemoryChanged_ = true;
  if (location == 88 && IsEarlyQOR2())
    return refuse(); // stored all the same: these decoders answer 88 wrongly
  std::vector<std::uint8_t> reply{Accepted};
  if (location == 81 || location == 84) {
    // The input settings report the output and its new input state after the answer.
    reply.push_back(static_cast<std::uint8_t>(output));
    reply.push_back(static_cast<std::uint8_t>(value));
  }
  Reply(TSimStep::SettingLocation, location, std::move(reply), output);
}

void TVirtualDecoder::SetManagementCode(std::span<const std::uint8_t, 5> data) {
  if (!Options_.IgnoreManagementCodeChange) {
    TManagementCodeBytes code{};
    std::copy(data.begin(), data.end(), code.begin());
    Memory_.SetManagementCodeBytes(code);
    MemoryChanged_ = true;
  }
  Reply(TSimStep::ManagementCodeReply, -1, {Accepted});
}

void TVirtualDecoder::ClearCodes() {
  Memory_.ClearUsers();
  MemoryChanged_ = true;
  OutputDelay_ = Options_.ClearDelayMs;
  Reply(TSimStep::ClearCodes, -1, {Accepted});
}

void TVirtualDecoder::StoreUsers(int first, std::span<const std::uint8_t> records) {
  if (const auto fault = Faults_.TakeKind(TSimFault::HeldByOther, TSimStep::UserFrame, first)) {
    Send(std::vector<std::uint8_t>{HeldByOther, static_cast<std::uint8_t>(fault->OtherSlot >> 8),
                                   static_cast<std::uint8_t>(fault->OtherSlot & 0xFF)});
    return; // as if another slot held the code: nothing stored
  }
  const int count = static_cast<int>(records.size()) / UserRecordSize;
  for (int k = 0; k < count; ++k) {
    const int slot = first + k;
    if (slot >= Memory_.Capacity()) {
      Reply(TSimStep::UserFrame, first, {Refused});
      return;
    }
    TUserRecord record{};
    std::copy_n(records.begin() + k * UserRecordSize, UserRecordSize, record.begin());
    const int holder = Memory_.FindCode(DecodeDigitNibbles(record, MaxCodeLength), slot);
    if (holder >= 0) {
      Reply(TSimStep::UserFrame, first,
            {HeldByOther, static_cast<std::uint8_t>(holder >> 8), static_cast<std::uint8_t>(holder & 0xFF)});
      return;
    }
    if (slot == Options_.DropSlot)
      continue;
    if (slot == Options_.AlterSlot)
      AlterCode(record);
    Memory_.SetRecord(slot, record);
    MemoryChanged_ = true;
  }
  Reply(TSimStep::UserFrame, first, {Accepted});
}

// --- the read transfer ---

void TVirtualDecoder::StartTransfer() {
  ++ReadTransfers_;
  HeaderAttempt_ = 0;
  SendSettingsBlock(FirstHeader);
}

void TVirtualDecoder::SendSettingsBlock(std::uint8_t header) {
  if (!Reply(TSimStep::HeaderByte, HeaderAttempt_, {header})) {
    Transfer_ = TTransfer::None; // no header byte: the program gives up
    return;
  }
  const TSettingsBlock &block = Memory_.SettingsBlock();
  std::vector<std::uint8_t> bytes(block.begin(), block.end());
  bytes.push_back(SumOf(block, header));
  Transfer_ = TTransfer::AwaitSettingsSignal;
  Reply(TSimStep::SettingsBlock, -1, std::move(bytes));
}

void TVirtualDecoder::SendUserBlock() {
  const auto block = Memory_.UserBlock(UserBlock_);
  std::vector<std::uint8_t> bytes(block.begin(), block.end());
  bytes.push_back(SumOf(block));
  Transfer_ = TTransfer::AwaitUserSignal;
  Reply(TSimStep::UserBlock, UserBlock_, std::move(bytes));
}

void TVirtualDecoder::HandleSignal(std::uint8_t signal) {
  if (Options_.LogFrames)
    Signals_.push_back(signal);
  if (signal == Done) {
    Transfer_ = TTransfer::None;
    return;
  }
  if (Transfer_ == TTransfer::AwaitSettingsSignal) {
    if (signal == Refused) {
      ++HeaderAttempt_;
      SendSettingsBlock(RepeatHeader);
    } else {
      UserBlock_ = 0;
      SendUserBlock();
    }
    return;
  }
  if (signal == Accepted && ++UserBlock_ >= Memory_.UserBlocks()) {
    Transfer_ = TTransfer::None;
    return;
  }
  SendUserBlock(); // the next block, or the same one again after 'B'
}

// --- replies ---

bool TVirtualDecoder::Reply(TSimStep step, int index, std::vector<std::uint8_t> bytes, int output) {
  const auto fault = Faults_.Take(step, index, output);
  if (!fault) {
    Send(bytes);
    return true;
  }
  const auto firstPart = [&](int length) {
    const auto n = std::min(bytes.size(), static_cast<std::size_t>(std::max(length, 0)));
    Send(std::span<const std::uint8_t>(bytes.data(), n));
  };
  switch (fault->Fault) {
  case TSimFault::NoReply:
    return false;
  case TSimFault::CutReply:
    firstPart(fault->CutLength < 0 ? static_cast<int>(bytes.size() / 2) : fault->CutLength);
    return false;
  case TSimFault::BadChecksum:
    bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
    Send(bytes);
    return true;
  case TSimFault::Garbage:
    std::fill(bytes.begin(), bytes.end(), Garbled);
    Send(bytes);
    return true;
  case TSimFault::HeldByOther:
    Send(std::vector<std::uint8_t>{HeldByOther, static_cast<std::uint8_t>(fault->OtherSlot >> 8),
                                   static_cast<std::uint8_t>(fault->OtherSlot & 0xFF)});
    return false;
  case TSimFault::LineClosed:
    firstPart(static_cast<int>(bytes.size() / 2));
    LineDown_ = true;
    return false;
  }
  return false;
}

void TVirtualDecoder::Send(std::span<const std::uint8_t> bytes) {
  if (LineDown_)
    return;
  Output_.insert(Output_.end(), bytes.begin(), bytes.end());
  BytesSent_ += bytes.size();
}

// --- keypad ---

std::vector<std::uint8_t> TVirtualDecoder::KeypadBytes(std::string_view keys) {
  std::vector<std::uint8_t> bytes;
  for (const char key : keys) {
    if (key >= '0' && key <= '9')
      bytes.push_back(static_cast<std::uint8_t>(key));
    else if (key == '*')
      bytes.push_back(':');
    else if (key == '#')
      bytes.push_back(';');
    else
      return {};
  }
  bytes.push_back('=');
  return bytes;
}

bool TVirtualDecoder::SendKeypadEntry(std::string_view keys) {
  const std::vector<std::uint8_t> bytes = KeypadBytes(keys);
  if (bytes.empty())
    return false;
  Send(bytes);
  ++KeypadAcksPending_;
  return true;
}
