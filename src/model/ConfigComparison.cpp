#include "model/ConfigComparison.h"

#include "model/SettingsTable.h"

#include <cstdio>

namespace {

std::string UserItem(int slot, const char *what) {
  char text[48];
  std::snprintf(text, sizeof text, "User %.3d %s", slot, what);
  return text;
}

std::string ChoiceShown(const TDecoderConfiguration &config, TChoice choice, int index) {
  return std::string(ChoiceText(config, choice, index));
}

// Collects the differences; Left and Right are the two configurations in argument order.
class TComparison {
public:
  TComparison(const TDecoderConfiguration &left, const TDecoderConfiguration &right)
      : Left_(left), Right_(right) {}

  std::vector<TConfigDifference> Run() {
    CompareIdentity();
    Add("Management code", Left_.Settings.ManagementCode(), Right_.Settings.ManagementCode());
    CompareOutputs();
    CompareOptions();
    CompareUsers();
    return std::move(Differences_);
  }

private:
  void Add(std::string item, const std::string &left, const std::string &right) {
    if (left != right)
      Differences_.push_back({std::move(item), left, right});
  }

  void AddChoice(std::string item, TChoice choice, int left, int right) {
    if (left != right)
      Differences_.push_back(
          {std::move(item), ChoiceShown(Left_, choice, left), ChoiceShown(Right_, choice, right)});
  }

  void CompareIdentity() {
    AddChoice("Decoder type", TChoice::DecoderType, Left_.DecoderType(), Right_.DecoderType());
    AddChoice("Decoder series", TChoice::DecoderSeries, Left_.DecoderSeries(), Right_.DecoderSeries());
  }

  // A series 1 decoder takes no output settings; output 2 belongs to a QOR2.
  void CompareOutputs() {
    if (Left_.DecoderSeries() == 0)
      return;
    const int outputs = Left_.IsQOR2() ? 2 : 1;
    for (int n = 0; n < outputs; ++n) {
      const TOutputSettings &left = Left_.Settings.Output[static_cast<std::size_t>(n)];
      const TOutputSettings &right = Right_.Settings.Output[static_cast<std::size_t>(n)];
      const std::string door = "Door " + std::to_string(n + 1) + " ";
      for (const TOutputField &field : OutputFields) {
        if (field.IsTime())
          Add(door + field.Label, std::to_string(TimeValue(field, left)),
              std::to_string(TimeValue(field, right)));
        else
          AddChoice(door + field.Label, *field.ChoiceList, left.*field.Choice, right.*field.Choice);
      }
    }
  }

  void CompareOptions() {
    for (const TOptionSetting &option : OptionSettings)
      if (DecoderTakesOption(Left_, option.Choice))
        AddChoice(option.Label, option.Choice, Left_.Settings.*option.Field, Right_.Settings.*option.Field);
  }

  void CompareUsers() {
    const bool qor2 = Left_.IsQOR2();
    for (int slot = 0; slot < Left_.UserCount(); ++slot) {
      const TUserCode &left = Left_.UserCodes[static_cast<std::size_t>(slot)];
      const TUserCode &right = Right_.UserCodes[static_cast<std::size_t>(slot)];
      Add(UserItem(slot, "code"), left.Code, right.Code);
      AddMode(UserItem(slot, "Door 1 mode"), left.Output1Mode, right.Output1Mode);
      if (qor2)
        AddMode(UserItem(slot, "Door 2 mode"), left.Output2Mode, right.Output2Mode);
    }
  }

  void AddMode(std::string item, TOutputMode left, TOutputMode right) {
    if (left != right)
      Differences_.push_back(
          {std::move(item), std::string(OutputModeText(left)), std::string(OutputModeText(right))});
  }

  const TDecoderConfiguration &Left_;
  const TDecoderConfiguration &Right_;
  std::vector<TConfigDifference> Differences_;
};

} // namespace

std::string ShownValue(const std::string &value) {
  return value.empty() ? std::string("(blank)") : value;
}

std::string TConfigDifference::Text() const {
  return Item + ": " + ShownValue(Left) + " -> " + ShownValue(Right);
}

std::vector<TConfigDifference> CompareConfigurations(const TDecoderConfiguration &left,
                                                     const TDecoderConfiguration &right) {
  return TComparison(left, right).Run();
}
