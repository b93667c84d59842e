#include "report/SettingsReport.h"

#include "model/SettingsTable.h"

#include <array>
#include <optional>

namespace {

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The label of a series 3 option, from the settings table.
QString OptionLabel(TChoice choice) {
  for (const TOptionSetting &option : OptionSettings)
    if (option.Choice == choice)
      return QString::fromLatin1(option.Label);
  return {};
}

QString OutputValueText(const TDecoderConfiguration &config, std::size_t row, const TOutputSettings &output) {
  const TOutputField &field = OutputFields[row];
  if (field.IsTime())
    return Text(output.*field.Time);
  return Text(ChoiceText(config, *field.ChoiceList, output.*field.Choice));
}

QString SettingText(const TDecoderConfiguration &config, TChoice choice, int index) {
  return Text(ChoiceText(config, choice, index));
}

const QStringList EmptyRow{QString()};

bool IsPrinted(const TUserCode &user, bool blankCodes) {
  return blankCodes || !user.IsBlank();
}

bool AnyPrintedUserHasAName(const TDecoderConfiguration &config, bool blankCodes) {
  for (int i = 0; i < config.UserCount(); ++i) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    if (IsPrinted(user, blankCodes) && !user.Name.empty())
      return true;
  }
  return false;
}

int PrintedUserCount(const TDecoderConfiguration &config, bool blankCodes) {
  int count = 0;
  for (int i = 0; i < config.UserCount(); ++i)
    count += IsPrinted(config.UserCodes[static_cast<std::size_t>(i)], blankCodes) ? 1 : 0;
  return count;
}

} // namespace

int TReportContent::RowCount() const {
  int count = 0;
  for (const TReportSection &section : Sections)
    count += static_cast<int>(section.Rows.size());
  return count;
}

QString RefusalMessage(TReportRefusal refusal) {
  switch (refusal) {
  case TReportRefusal::NothingToPrint:
    return QStringLiteral("Nothing to print.\n\nSelect Settings and Options and/or User Codes.");
  case TReportRefusal::NoPrintableArea:
    return QStringLiteral("Margins leave no printable area.\n\nReset margins and try again.");
  case TReportRefusal::None:
    break;
  }
  return {};
}

QString ReportTitle(const TReportSections &sections) {
  if (sections.Settings && sections.UserCodes)
    return QStringLiteral("QOR Settings & Users");
  if (sections.Settings)
    return QStringLiteral("QOR Settings");
  if (sections.UserCodes)
    return QStringLiteral("QOR Users");
  return {};
}

TReportSection SettingsSection(const TDecoderConfiguration &config) {
  const bool qor2 = config.IsQOR2();
  const TDecoderSettings &settings = config.Settings;
  TReportSection section;
  section.ColumnSamples << QStringLiteral("Momentary Codes Cancel Toggle =  ");
  if (qor2)
    section.ColumnSamples << QStringLiteral("Code 000 or 001 & Any Other,   ");

  auto &rows = section.Rows;
  rows.push_back(
      {QStringLiteral("Decoder"), SettingText(config, TChoice::DecoderType, config.DecoderType()) +
                                      QStringLiteral(" Series ") +
                                      SettingText(config, TChoice::DecoderSeries, config.DecoderSeries())});
  rows.push_back({QStringLiteral("Management Code"), Text(settings.ManagementCode())});
  rows.push_back(EmptyRow);
  if (qor2)
    rows.push_back({QString(), QStringLiteral("Door 1"), QStringLiteral("Door 2")});
  for (std::size_t i = 0; i < OutputFields.size(); ++i) {
    QStringList row{QString::fromLatin1(OutputFields[i].ReportLabel),
                    OutputValueText(config, i, settings.Output[0])};
    if (qor2)
      row << OutputValueText(config, i, settings.Output[1]);
    rows.push_back(row);
  }
  rows.push_back(EmptyRow);
  if (!config.IsSeries3())
    return section;
  rows.push_back({OptionLabel(TChoice::DefaultCodeMode),
                  SettingText(config, TChoice::DefaultCodeMode, settings.DefaultCodeMode)});
  rows.push_back(
      {OptionLabel(TChoice::MomentaryCodesCancelToggle),
       SettingText(config, TChoice::MomentaryCodesCancelToggle, settings.MomentaryCodesCancelToggle)});
  if (qor2)
    rows.push_back({OptionLabel(TChoice::DTAInputtoDoorControl),
                    SettingText(config, TChoice::DTAInputtoDoorControl, settings.DTAInputtoDoorControl)});
  rows.push_back({OptionLabel(TChoice::Series2Compatibility),
                  SettingText(config, TChoice::Series2Compatibility, settings.Series2Compatibility)});
  rows.push_back(EmptyRow);
  return section;
}

TReportSection UserCodesSection(const TDecoderConfiguration &config, bool blankCodes) {
  TReportSection section;
  if (PrintedUserCount(config, blankCodes) == 0) {
    section.Rows.push_back({QStringLiteral("** No User Codes Programmed **")});
    return section;
  }
  const bool qor2 = config.IsQOR2();
  // The Name column follows the last mode column: the second door's on a QOR2, the one door's
  // on a QOR1. The renderer cuts a long name at the text area's edge.
  const bool named = AnyPrintedUserHasAName(config, blankCodes);
  section.ColumnSamples << QStringLiteral("User   ") << QStringLiteral("000000000    ")
                        << QStringLiteral("Momentary    ");
  if (named && qor2)
    section.ColumnSamples << QStringLiteral("Momentary    ");
  QStringList header{QStringLiteral("User"), QStringLiteral("Code")};
  header << (qor2 ? QStringList{QStringLiteral("Door 1"), QStringLiteral("Door 2")}
                  : QStringList{QStringLiteral("Door")});
  if (named)
    header << QStringLiteral("Name");
  else if (!qor2)
    header << QString();
  section.Rows.push_back(header);
  for (int i = 0; i < config.UserCount(); ++i) {
    const TUserCode &user = config.UserCodes[static_cast<std::size_t>(i)];
    if (!IsPrinted(user, blankCodes))
      continue;
    QStringList row{QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), Text(user.Code),
                    Text(OutputModeText(user.Output1Mode))};
    if (qor2)
      row << Text(OutputModeText(user.Output2Mode));
    if (named)
      row << QString::fromStdString(user.Name);
    else if (!qor2)
      row << QString();
    section.Rows.push_back(row);
  }
  return section;
}

TReportContent ReportContent(const TDecoderConfiguration &config, const TReportSections &sections) {
  TReportContent content;
  content.Title = ReportTitle(sections);
  if (sections.Settings)
    content.Sections.push_back(SettingsSection(config));
  if (sections.UserCodes)
    content.Sections.push_back(UserCodesSection(config, sections.BlankCodes));
  return content;
}

int SettingsRowCount(const TDecoderConfiguration &config) {
  const int rows = config.IsQOR2() ? 15 : 14;
  if (!config.IsSeries3())
    return rows;
  return rows + (config.IsQOR2() ? 5 : 4);
}

int UserCodesRowCount(const TDecoderConfiguration &config, bool blankCodes) {
  return 1 + PrintedUserCount(config, blankCodes);
}
