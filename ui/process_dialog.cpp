#include "ui/process_dialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include "formats/printable_text.h"
#include "platform/program_folder.h"
#include "ui/process_dialog_layout.h"

namespace kestrin::ui {

namespace {

// Sizes in twips. The layout rules count the outer window; Qt gives the client area, so
// the classic border and caption are added back.
constexpr int kClientWidth = 9855;
constexpr int kClientHeight = 5535;
constexpr int kFrameWidth = 120;
constexpr int kFrameHeight = 435;
constexpr int kListLeft = 120;
constexpr int kListTop = 120;
constexpr int kRowHeight = 255;
constexpr int kButtonWidth = 1215;
constexpr int kStatusBarHeight = 300;

struct Column {
  const char* header;
  int width;  // 0: hidden, it only carries data
};
constexpr Column kColumns[] = {{"Flag", 500}, {"Action", 1300}, {"Path", 2100},   {"Bookmark", 0},
                               {"URL", 0},    {"IconFile", 0},  {"IconIndex", 0}, {"Type", 0}};
constexpr int kBookmarkColumn = 3;
constexpr int kFirstHiddenColumn = 4;

QString TextOf(std::string_view value) {
  return QString::fromStdString(PrintableText(value));
}

QStringList RowTexts(const ChangeRow& row) {
  const PendingChange& change = row.change;
  return {QString(),
          QString::fromUtf8(ChangeActionText(row.action)),
          TextOf(change.Path),
          TextOf(change.Name),
          TextOf(change.URL),
          TextOf(change.IconFile),
          TextOf(change.IconIndex),
          TextOf(change.Type)};
}

}  // namespace

ProcessDialog::ProcessDialog(const ChangeList& changes, std::chrono::milliseconds tickPeriod,
                             QWidget* parent)
    : QDialog(parent),
      scale_(DpiScale::For(parent ? *parent : *this)),
      rows_(RowsInDialogOrder(changes)),
      listView_(new QTreeWidget(this)),
      allNone_(new QCheckBox("All/None", this)),
      timeoutLabel_(new QLabel("Disable automatic timeout:", this)),
      disableTimer_(new QPushButton("Disable", this)),
      cancel_(new QPushButton("Cancel", this)),
      process_(new QPushButton("Process", this)),
      statusBar_(new QStatusBar(this)) {
  setObjectName("frmProcess");
  setFont(DesignFont());
  setWindowTitle(QString::fromUtf8(kApplicationTitle) + " - Process");
  listView_->setObjectName("ListView1");
  allNone_->setObjectName("chkAllNone");
  timeoutLabel_->setObjectName("Label1");
  disableTimer_->setObjectName("cmdDisableTimer");
  cancel_->setObjectName("cmdCancel");
  process_->setObjectName("cmdProcess");
  statusBar_->setObjectName("StatusBar1");
  statusBar_->setSizeGripEnabled(false);
  timer_.setObjectName("Timer1");
  process_->setDefault(true);

  listView_->setRootIsDecorated(false);
  listView_->setUniformRowHeights(true);
  listView_->move(scale_.FromTwips(kListLeft), scale_.FromTwips(kListTop));
  allNone_->setCheckState(Qt::Checked);
  AddColumns();
  AddRows();

  connect(allNone_, &QCheckBox::clicked, this, &ProcessDialog::chkAllNone_Click);
  connect(disableTimer_, &QPushButton::clicked, this, &ProcessDialog::cmdDisableTimer_Click);
  connect(cancel_, &QPushButton::clicked, this, &ProcessDialog::cmdCancel_Click);
  connect(process_, &QPushButton::clicked, this, &ProcessDialog::cmdProcess_Click);
  connect(&timer_, &QTimer::timeout, this, &ProcessDialog::Timer1_Timer);

  resize(scale_.FromTwips(kClientWidth), scale_.FromTwips(kClientHeight));
  PlaceBottomRow();
  timer_.start(tickPeriod);
}

void ProcessDialog::AddColumns() {
  QStringList headers;
  for (const Column& column : kColumns) {
    headers << column.header;
  }
  listView_->setHeaderLabels(headers);
  for (int i = 0; i < kFirstHiddenColumn; ++i) {
    listView_->setColumnWidth(i, scale_.FromTwips(kColumns[i].width));
  }
  for (int i = kFirstHiddenColumn; i < listView_->columnCount(); ++i) {
    listView_->setColumnHidden(i, true);
  }
}

void ProcessDialog::AddRows() {
  for (const ChangeRow& row : rows_) {
    auto* item = new QTreeWidgetItem(listView_, RowTexts(row));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
  }
}

void ProcessDialog::PlaceBottomRow() {
  const int top = 0;  // set by the resize rules
  allNone_->setGeometry(scale_.FromTwips(240), top, scale_.FromTwips(1095),
                        scale_.FromTwips(kRowHeight));
  // Right-aligned against "Disable" and reaching further left than the classic 1680 twips,
  // since today's fonts are wider.
  timeoutLabel_->setGeometry(scale_.FromTwips(1350), top, scale_.FromTwips(2220),
                             scale_.FromTwips(kRowHeight));
  timeoutLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  disableTimer_->setGeometry(scale_.FromTwips(3600), top, scale_.FromTwips(735),
                             scale_.FromTwips(kRowHeight));
  cancel_->resize(scale_.FromTwips(kButtonWidth), scale_.FromTwips(kRowHeight));
  process_->resize(scale_.FromTwips(kButtonWidth), scale_.FromTwips(kRowHeight));
}

void ProcessDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const ProcessDialogLayout layout = LayoutForOuterSize(scale_.ToTwips(width()) + kFrameWidth,
                                                        scale_.ToTwips(height()) + kFrameHeight);
  const int top = scale_.FromTwips(layout.bottomRowTop);
  for (QWidget* control : {static_cast<QWidget*>(allNone_), static_cast<QWidget*>(timeoutLabel_),
                           static_cast<QWidget*>(disableTimer_), static_cast<QWidget*>(cancel_),
                           static_cast<QWidget*>(process_)}) {
    control->move(control->x(), top);
  }
  cancel_->move(scale_.FromTwips(layout.cancelLeft), top);
  process_->move(scale_.FromTwips(layout.processLeft), top);
  // A window made too small keeps whatever still fits.
  listView_->resize(std::max(0, scale_.FromTwips(layout.listWidth)),
                    std::max(0, scale_.FromTwips(layout.listHeight)));
  listView_->setColumnWidth(kBookmarkColumn,
                            std::max(0, scale_.FromTwips(layout.bookmarkColumnWidth)));
  const int statusHeight = scale_.FromTwips(kStatusBarHeight);
  statusBar_->setGeometry(0, height() - statusHeight, width(), statusHeight);
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

void ProcessDialog::SetCountdownText(const QString& text) {
  statusBar_->showMessage(text);
}

void ProcessDialog::Timer1_Timer() {
  if (timeoutCount_ < kTimeoutTicks) {
    SetCountdownText(QString("Timeout in %1 secs.").arg(kTimeoutTicks - timeoutCount_));
    ++timeoutCount_;
    return;
  }
  timer_.stop();
  reject();
}

void ProcessDialog::cmdDisableTimer_Click() {
  disableTimer_->setEnabled(false);
  timer_.stop();
  SetCountdownText("Timeout Disabled.");
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
