#include "ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/program_folder.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setAttribute(Qt::WA_DeleteOnClose);
  const QString title = QString::fromUtf8(kApplicationTitle);
  setWindowTitle(title + tr(" - About"));

  auto* picture = new QLabel(this);
  picture->setPixmap(ApplicationIcon().pixmap(48, 48));
  auto* product = new QLabel(title, this);
  product->setObjectName("lblTitle");
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  auto* version = new QLabel(" v" + QString(KESTRIN_VERSION), this);
  version->setObjectName("lblVersion");
  auto* description = new QLabel(
      tr("Keeps your Favorites the same on every computer\nthrough one FTP directory."), this);
  auto* legal = new QLabel(tr("Copyright \u00a9 2025 The Kestrin developers."), this);
  legal->setObjectName("lblLegal");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* heading = new QHBoxLayout;
  heading->addWidget(product);
  heading->addWidget(version);
  heading->addStretch();
  auto* text = new QVBoxLayout;
  text->addLayout(heading);
  text->addWidget(description);
  text->addWidget(legal);
  auto* body = new QHBoxLayout;
  body->addWidget(picture, 0, Qt::AlignTop);
  body->addLayout(text);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kestrin::ui
