#include "ui/process_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/change_table.h"
#include "formats/printable_text.h"
#include "platform/program_folder.h"
#include "ui/field_label.h"

namespace kestrin::ui {

namespace {

QString TextOf(std::string_view value) {
  return QString::fromStdString(PrintableText(value));
}

QStringList RowTexts(const ChangeRow& row) {
  QStringList texts;
  for (const std::string& text : desktop::ChangeRowTexts(row)) {
    texts << QString::fromStdString(text);
  }
  return texts;
}

// The whole favorite, where the columns cut it short. It is data from the shared list, so
// it is escaped: a tooltip that looks like markup would be rendered.
QString RowToolTip(const ChangeRow& row) {
  QString text = TextOf(std::string(row.change.Path) + std::string(row.change.Name));
  if (!row.change.URL.empty()) {
    text += '\n' + TextOf(row.change.URL);
  }
  return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

}  // namespace

ProcessDialog::ProcessDialog(const ChangeList& changes, std::chrono::milliseconds tickPeriod,
                             QWidget* parent)
    : QDialog(parent),
      scale_(DpiScale::For(parent ? *parent : *this)),
      rows_(RowsInDialogOrder(changes)),
      listView_(new QTreeWidget(this)),
      allNone_(new QCheckBox(tr("&All/None"), this)),
      disableTimer_(new QPushButton(tr("&Disable"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)),
      process_(new QPushButton(tr("&Process"), this)),
      statusBar_(new QStatusBar(this)) {
  setObjectName("frmProcess");
  setWindowTitle(QString::fromUtf8(kApplicationTitle) + tr(" - Process"));
  listView_->setObjectName("ListView1");
  listView_->setAccessibleName(tr("Pending changes"));
  allNone_->setObjectName("chkAllNone");
  auto* timeoutLabel = new FieldLabel(tr("Disable automatic &timeout:"), disableTimer_);
  timeoutLabel->setObjectName("Label1");
  disableTimer_->setObjectName("cmdDisableTimer");
  cancel_->setObjectName("cmdCancel");
  process_->setObjectName("cmdProcess");
  statusBar_->setObjectName("StatusBar1");
  statusBar_->setSizeGripEnabled(false);
  timer_.setObjectName("Timer1");
  process_->setDefault(true);

  listView_->setRootIsDecorated(false);
  listView_->setUniformRowHeights(true);
  allNone_->setCheckState(Qt::Checked);
  AddColumns();
  AddRows();
  LayOut(timeoutLabel);

  connect(allNone_, &QCheckBox::clicked, this, &ProcessDialog::chkAllNone_Click);
  connect(disableTimer_, &QPushButton::clicked, this, &ProcessDialog::cmdDisableTimer_Click);
  connect(cancel_, &QPushButton::clicked, this, &ProcessDialog::cmdCancel_Click);
  connect(process_, &QPushButton::clicked, this, &ProcessDialog::cmdProcess_Click);
  connect(&timer_, &QTimer::timeout, this, &ProcessDialog::Timer1_Timer);

  resize(sizeHint().expandedTo(QSize(scale_.FromTwips(desktop::kChangeDialogWidthTwips),
                                     scale_.FromTwips(desktop::kChangeDialogHeightTwips))));
  timer_.start(tickPeriod);
}

void ProcessDialog::AddColumns() {
  QStringList headers;
  for (const desktop::ChangeColumn& column : desktop::kChangeColumns) {
    headers << tr(column.header);
  }
  listView_->setHeaderLabels(headers);
  for (int i = 0; i < desktop::kFirstHiddenColumn; ++i) {
    listView_->setColumnWidth(i, scale_.FromTwips(desktop::kChangeColumns[i].widthTwips));
  }
  for (int i = desktop::kFirstHiddenColumn; i < listView_->columnCount(); ++i) {
    listView_->setColumnHidden(i, true);
  }
}

void ProcessDialog::AddRows() {
  for (const ChangeRow& row : rows_) {
    auto* item = new QTreeWidgetItem(listView_, RowTexts(row));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
    const QString tip = RowToolTip(row);
    for (int column = 0; column < desktop::kFirstHiddenColumn; ++column) {
      item->setToolTip(column, tip);
    }
  }
}

// The list takes all room the bottom row leaves; "Cancel" and "Process" keep to the right.
void ProcessDialog::LayOut(QLabel* timeoutLabel) {
  auto* bottomRow = new QHBoxLayout;
  bottomRow->addWidget(allNone_);
  bottomRow->addSpacing(scale_.FromTwips(desktop::kChangeDialogMarginTwips));
  bottomRow->addWidget(timeoutLabel);
  bottomRow->addWidget(disableTimer_);
  bottomRow->addStretch();
  for (QPushButton* button : {cancel_, process_}) {
    button->setMinimumWidth(scale_.FromTwips(desktop::kChangeDialogButtonWidthTwips));
    bottomRow->addWidget(button);
  }
  auto* content = new QVBoxLayout;
  const int margin = scale_.FromTwips(desktop::kChangeDialogMarginTwips);
  content->setContentsMargins(margin, margin, margin, margin);
  content->addWidget(listView_, 1);
  content->addLayout(bottomRow);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(content, 1);
  column->addWidget(statusBar_);
}

std::vector<ChangeRow> ProcessDialog::TickedRows() const {
  std::vector<ChangeRow> ticked;
  for (int i = 0; i < listView_->topLevelItemCount(); ++i) {
    if (listView_->topLevelItem(i)->checkState(0) == Qt::Checked) {
      ticked.push_back(rows_[i]);
    }
  }
  return ticked;
}

void ProcessDialog::ShowCountdown() {
  statusBar_->showMessage(QString::fromStdString(countdown_.text()));
}

void ProcessDialog::Timer1_Timer() {
  if (countdown_.Tick() == desktop::Countdown::Step::TimedOut) {
    timer_.stop();
    reject();
    return;
  }
  ShowCountdown();
}

void ProcessDialog::cmdDisableTimer_Click() {
  disableTimer_->setEnabled(false);
  timer_.stop();
  countdown_.Disable();
  ShowCountdown();
}

void ProcessDialog::cmdCancel_Click() {
  reject();
}

void ProcessDialog::cmdProcess_Click() {
  process_->setEnabled(false);
  timer_.stop();
  processed_ = true;
  accept();
}

void ProcessDialog::chkAllNone_Click() {
  const Qt::CheckState state = allNone_->isChecked() ? Qt::Checked : Qt::Unchecked;
  for (int i = 0; i < listView_->topLevelItemCount(); ++i) {
    listView_->topLevelItem(i)->setCheckState(0, state);
  }
}

}  // namespace kestrin::ui
