#include "ui/CompareForm.h"

#include "ui/MessageBoxes.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString Text(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem *Cell(const std::string &text) {
  auto *cell = new QTableWidgetItem(Text(text));
  cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return cell;
}

QString CountText(std::size_t count) {
  return count == 1 ? QStringLiteral("1 difference") : QStringLiteral("%1 differences").arg(count);
}

} // namespace

TCompareForm::TCompareForm(QWidget *owner, const std::vector<TConfigDifference> &differences)
    : QDialog(owner) {
  setObjectName(QStringLiteral("CompareForm"));
  setWindowTitle(QString::fromLatin1(CompareCaption));
  setSizeGripEnabled(true);

  auto *count = new QLabel(CountText(differences.size()), this);
  count->setObjectName(QStringLiteral("DifferenceCountLabel"));

  DifferencesTable = new QTableWidget(static_cast<int>(differences.size()), 3, this);
  DifferencesTable->setObjectName(QStringLiteral("DifferencesTable"));
  DifferencesTable->setHorizontalHeaderLabels(
      {QStringLiteral("Item"), QStringLiteral("In the window"), QStringLiteral("In the decoder")});
  DifferencesTable->verticalHeader()->hide();
  DifferencesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  DifferencesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DifferencesTable->setWordWrap(false);
  for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
    const TConfigDifference &difference = differences[static_cast<std::size_t>(row)];
    DifferencesTable->setItem(row, 0, Cell(difference.Item));
    DifferencesTable->setItem(row, 1, Cell(ShownValue(difference.Left)));
    DifferencesTable->setItem(row, 2, Cell(ShownValue(difference.Right)));
  }
  DifferencesTable->resizeColumnsToContents();
  DifferencesTable->horizontalHeader()->setStretchLastSection(true);

  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  CloseButton->setDefault(true);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(count);
  layout->addWidget(DifferencesTable, 1);
  layout->addWidget(CloseButton, 0, Qt::AlignRight);
  resize(560, 400);
}

void ShowComparison(QWidget *owner, const std::vector<TConfigDifference> &differences) {
  if (differences.empty()) {
    MessageBoxes().Show(owner, QString::fromLatin1(CompareEqualText), QString::fromLatin1(CompareCaption),
                        IMessageBoxes::TIcon::Information, IMessageBoxes::TButtons::OK);
    return;
  }
  TCompareForm form(owner, differences);
  form.exec();
}
