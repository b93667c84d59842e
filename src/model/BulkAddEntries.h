#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Codes entered at the decoder's keypad (or read from cards) and passed on by the KEB: each
// entry arrives as "0"-"9", ":" for *, ";" for #, ended by "=", and is answered with one byte.

inline constexpr std::uint8_t KeypadEntryAccepted = 0x46; // 'F'
inline constexpr std::uint8_t KeypadEntryRejected = 0xC2;

enum class TKeypadEntryResult { Accepted, AlreadyRead, Invalid, ListFull };

std::uint8_t AcknowledgementFor(TKeypadEntryResult result);

// The accepted codes in the order received and the one status line that follows them.
class TBulkAddList {
public:
  explicit TBulkAddList(int userCount) : UserCount_(userCount) {}

  // Checks one complete entry: no room once UserCount codes are held; then a valid code of at
  // least three characters not yet in the list is added.
  TKeypadEntryResult AddEntry(std::string_view entry);

  const std::vector<std::string> &Codes() const { return Codes_; }
  const std::string &StatusLine() const { return StatusLine_; }
  // The codes followed by the status line, as the dialog lists them.
  std::vector<std::string> Lines() const;

private:
  int UserCount_;
  std::vector<std::string> Codes_;
  std::string StatusLine_ = "0 codes read";
};

// Reads one byte within the line's one-byte read limit; nothing when none came in time.
using TReadKeypadByte = std::function<std::optional<std::uint8_t>()>;
using TWriteKeypadByte = std::function<void(std::uint8_t)>;

// The most bytes one received-characters event reads without completing an entry, so that a
// line streaming noise cannot hold the window: what is left waits for the next event.
inline constexpr int MaxKeypadBytesPerEvent = 1024;

// Puts one entry together. Only the low 7 bits of each byte count; any byte other than a code
// character or "=" drops what was assembled, and so does a tenth character. Nothing when a
// byte does not arrive in time (the entry is dropped) or the byte limit is reached.
std::optional<std::string> AssembleKeypadEntry(const TReadKeypadByte &readByte);

// One received-characters event: assembles an entry; when one is complete, checks it into the
// list, tells listChanged (if given) and sends the acknowledgement. Nothing when no entry came.
std::optional<TKeypadEntryResult>
ReceiveKeypadEntry(TBulkAddList &list, const TReadKeypadByte &readByte, const TWriteKeypadByte &writeByte,
                   const std::function<void(TKeypadEntryResult)> &listChanged = {});
