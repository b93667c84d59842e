#pragma once

#include "model/DigitNibbles.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The one decoder configuration the program edits: identity, management code, the settings
// of both outputs, the series 3 options and the 800 user slots. Choice settings are held as
// the 0-based index of the entry the settings panel shows (-1: nothing chosen); time settings
// as the decimal text the time field shows.

enum TOutputMode : std::uint8_t { omDisabled = 0, omMomentary = 1, omToggle = 2 };

inline constexpr int MaxUsers = 800;
inline constexpr int MaxCodeLength = 9;
// In characters (Unicode code points), after cleaning (CleanUserText).
inline constexpr int MaxNameLength = 40;
inline constexpr int MaxNoteLength = 200;

// Every member needs its initialiser: a configuration default-initialises its 800 users.
struct TUserCode {
  std::string Code; // empty, or up to 9 of "0"-"9", "*", "#"
  TOutputMode Output1Mode = omDisabled;
  TOutputMode Output2Mode = omDisabled;
  // Who holds the code, for the people at the site: UTF-8, cleaned, within its limit. The
  // decoder never sees them; only files, the report and the windows carry them. Their
  // initialisers keep {code, mode, mode} free of missing-initialiser warnings.
  std::string Name{};
  std::string Note{};

  bool IsBlank() const { return Code.empty(); }
  bool operator==(const TUserCode &) const = default;
};

struct TOutputSettings {
  int AutoRelock = 1;              // 80
  int Egress = 0;                  // 81
  int ELCType = 0;                 // 82
  std::string ELCTime = "10";      // 83
  int DoorInput = 0;               // 84
  std::string DOTLTime = "60";     // 85
  int DoorForced = 1;              // 86
  int MinLockout = 0;              // 87
  int TwoCodesMode = 0;            // 88
  std::string TwoCodesTime = "60"; // 89

  bool operator==(const TOutputSettings &) const = default;
};

// The choice settings whose list the settings panel shows; ChoiceCount says how many entries
// each has for the configuration's current identity.
enum class TChoice {
  DecoderType,
  DecoderSeries,
  AutoRelock,
  Egress,
  ELCType,
  DoorInput,
  DoorForced,
  MinLockout,
  TwoCodesMode,
  DefaultCodeMode,
  MomentaryCodesCancelToggle,
  DTAInputtoDoorControl,
  Series2Compatibility,
};

// The ten output settings in memory-location order (80 + Index): the one description of each,
// which the settings panel, the report, the settings file, Get, Send and the comparison read.
// A field is either a choice (selection index) or a time (decimal text with a range and a
// start value).
inline constexpr int FirstOutputLocation = 80;

struct TOutputField {
  int Index;                    // 0..9, location 80 + Index
  const char *Name;             // "AutoRelock", ... as in the control and file key names after "OP1"/"OP2"
  int TOutputSettings::*Choice; // set for choice fields
  std::string TOutputSettings::*Time; // set for time fields
  int Min;                            // time range, or 0 for choices
  int Max;                 // time range, or the entry count for fixed-size choices (Egress: see ChoiceCount)
  int Start;               // time start value
  const char *Label;       // "DOTL time": the settings panel's row label
  const char *ReportLabel; // "DOTL Time": the report's row label
  std::optional<TChoice> ChoiceList; // the list a choice field's index points into
  bool IsTime() const { return Time != nullptr; }
  int Location() const { return FirstOutputLocation + Index; }
};
extern const std::array<TOutputField, 10> OutputFields;

// A time text's number for the wire: its decimal value, or the field's start value when the
// text is not a number.
int TimeValue(const TOutputField &field, const TOutputSettings &output);
int OutputValue(const TOutputField &field, const TOutputSettings &output);

struct TDecoderSettings {
  const std::string &ManagementCode() const { return ManagementCode_; }
  const TManagementCodeBytes &ManagementCodeBytes() const { return ManagementCodeBytes_; }
  // Setting the code always recomputes its nibble form.
  void SetManagementCode(std::string_view code);

  std::array<TOutputSettings, 2> Output{};
  int DefaultCodeMode = 0;            // 90
  int MomentaryCodesCancelToggle = 0; // 91
  int DTAInputtoDoorControl = 0;      // 98
  int Series2Compatibility = 0;       // 99

  bool operator==(const TDecoderSettings &) const = default;

private:
  std::string ManagementCode_;
  TManagementCodeBytes ManagementCodeBytes_{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
};

enum class TDuplicateRule { None, ManagementCode, User };

// Which duplicate rule refused a code, with the user it names.
struct TDuplicateCheck {
  TDuplicateRule Rule = TDuplicateRule::None;
  int User = -1;
  explicit operator bool() const { return Rule != TDuplicateRule::None; }
  std::string Message() const; // the editor's message text, empty for None
};
inline constexpr const char *CodeErrorCaption = "Code Error";

bool IsValidCode(std::string_view code);

// Why a code fails the validity rule, in the rule's order.
enum class TCodeFault { None, TooShort, TooLong, StartsWithStarOrHash, BadCharacter, TooLarge };
TCodeFault CodeFault(std::string_view code);

// A name or note as the model keeps it: invalid UTF-8 becomes U+FFFD, every control character
// a blank, and the ends are trimmed. With a limit the text is also cut to that many characters.
std::string CleanUserText(std::string_view text);
std::string CleanUserText(std::string_view text, int maxLength);
// The length of UTF-8 text in characters (code points).
int UserTextLength(std::string_view text);
// Two-entry (QOR1) meaning of a default code mode index of the eight-entry list.
int DefaultCodeModeFor(int index);

class TDecoderConfiguration {
public:
  TDecoderConfiguration();

  int DecoderType() const { return DecoderType_; }
  int DecoderSeries() const { return DecoderSeries_; }
  // Each setter runs the identity rules afterwards, as the settings panel's reaction does.
  // A type or series that has no entry in its list is ignored.
  void SetDecoderType(int type);
  void SetDecoderSeries(int series);
  void SetSeries2Compatibility(int index);
  // Default Code Mode as a saved file gives it. Outside native series 3 the list keeps the
  // entries of the series 3 decoder it had, so an entry only a QOR2 series 3 lists means the
  // list had kept those: it has them again, and the setting is not lost.
  void SetSavedDefaultCodeMode(int index);
  // Sets type and series together and runs the rules once for each, in that order.
  void SetIdentity(int type, int series);
  // The identity rules: user count, egress and default code mode meanings.
  void ApplyIdentityRules();

  std::string DecoderRevision; // empty, or "'a'"

  TDecoderSettings Settings;
  // Each member has its initialiser; "{}" would also clear all 800 users' bytes first.
  std::array<TUserCode, MaxUsers> UserCodes;

  int UserCount() const { return UserCount_; }
  bool IsSeries3() const { return DecoderSeries_ == 2; }
  bool IsQOR2() const { return DecoderType_ == 1; }
  // Series 3 without Series 2 compatibility: four egress entries, 600 or 800 users.
  bool IsNativeSeries3() const { return IsSeries3() && Settings.Series2Compatibility == 0; }

  int ChoiceCount(TChoice choice) const;
  // A selection index within the current list, or -1 when it has no entry there.
  int ChoiceOrNone(TChoice choice, int index) const;

  int FindUserWithCode(std::string_view code, int excludedSlot) const;
  void ClearAllCodes();
  // Output 1 or 2, in all 800 slots, in use or not; any other output number does nothing.
  void SetAllOutputModes(int output, TOutputMode mode);

  // The duplicate rules the editors enforce before storing a code.
  TDuplicateCheck CheckUserCode(int slot, std::string_view code) const;
  TDuplicateCheck CheckManagementCode(std::string_view code) const;

  bool operator==(const TDecoderConfiguration &) const = default;

private:
  int DecoderType_ = 0;
  int DecoderSeries_ = 2;
  int UserCount_ = 600;
  int DefaultCodeModeEntries_ = 2; // the list keeps its entries outside native series 3
};
