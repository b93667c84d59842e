#include "link/DecoderLink.h"

#include <cstdio>
#include <vector>

namespace {

// Users named in a list before "and N more".
constexpr std::size_t NamedUsers = 10;

std::string UserNumber(int slot) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d", slot);
  return text;
}

std::string UserList(const std::vector<int> &slots) {
  std::string text;
  for (std::size_t i = 0; i < slots.size() && i < NamedUsers; ++i)
    text += (i > 0 ? ", " : "") + UserNumber(slots[i]);
  if (slots.size() > NamedUsers)
    text += " and " + std::to_string(slots.size() - NamedUsers) + " more";
  return text;
}

std::string Identity(const TDecoderConfiguration &config) {
  return std::string(config.IsQOR2() ? "QOR2" : "QOR1") + " series " +
         std::to_string(config.DecoderSeries() + 1) + " with " + std::to_string(config.UserCount()) +
         " users";
}

// Slots from `from` below `to` that hold a code.
std::vector<int> CodesBetween(const TDecoderConfiguration &config, int from, int to) {
  std::vector<int> slots;
  for (int slot = from; slot < to; ++slot)
    if (!config.UserCodes[static_cast<std::size_t>(slot)].IsBlank())
      slots.push_back(slot);
  return slots;
}

bool AnyDoor2Mode(const TDecoderConfiguration &config, int count) {
  for (int slot = 0; slot < count; ++slot) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(slot)];
    if (!user.IsBlank() && user.Output2Mode != omDisabled)
      return true;
  }
  return false;
}

} // namespace

std::string DecoderMismatchText(const TDecoderConfiguration &settings, const TDecoderConfiguration &decoder,
                                const TDecoderConfiguration *held, bool sendsSettings, bool sendsUsers) {
  std::string text =
      "The decoder is a " + Identity(decoder) + ", but the settings are for a " + Identity(settings) + ".";
  if (sendsUsers) {
    const std::vector<int> unsent = CodesBetween(settings, decoder.UserCount(), settings.UserCount());
    if (!unsent.empty())
      text += "\n\nUsers that would not be sent: " + UserList(unsent) + ".";
  }
  if (settings.IsQOR2() && !decoder.IsQOR2()) {
    const bool modes =
        sendsUsers && AnyDoor2Mode(settings, std::min(settings.UserCount(), decoder.UserCount()));
    if (sendsSettings || modes)
      text += std::string("\n\nDoor 2 ") +
              (sendsSettings && modes ? "settings and modes"
               : sendsSettings        ? "settings"
                                      : "modes") +
              " would not be sent.";
  }
  if (sendsSettings && settings.IsSeries3() && !decoder.IsSeries3())
    text += "\n\nThe series 3 options would not be sent.";
  if (sendsUsers && held) {
    const std::vector<int> lost = CodesBetween(*held, settings.UserCount(), decoder.UserCount());
    if (!lost.empty())
      text += "\n\nThe decoder would lose its codes in users " + UserList(lost) + ".";
  }
  return text + "\n\nSend anyway?";
}
