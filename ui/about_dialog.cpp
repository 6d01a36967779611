#include "ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/program_folder.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

namespace {
QLabel* Link(const QString& href, const QString& text, const char* objectName, QWidget* parent) {
  auto* label =
      new QLabel(QString("<a href=\"%1\">%2</a>").arg(href, text.toHtmlEscaped()), parent);
  label->setObjectName(objectName);
  label->setOpenExternalLinks(true);
  return label;
}
}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setAttribute(Qt::WA_DeleteOnClose);
  const QString title = QString::fromUtf8(kApplicationTitle);
  setWindowTitle(title + " - About");

  auto* picture = new QLabel(this);
  picture->setPixmap(ApplicationIcon().pixmap(48, 48));
  auto* product = new QLabel(QString("<b>%1</b>").arg(title), this);
  product->setObjectName("lblTitle");
  auto* version = new QLabel(" v" + QString(KESTRIN_VERSION), this);
  version->setObjectName("lblVersion");
  auto* description = new QLabel(
      "Keeps your Favorites the same on every computer\nthrough one FTP directory.", this);
  auto* legal = new QLabel("Copyright \u00a9 2025 The Kestrin developers.", this);
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
  text->addWidget(Link(kWebPage, kWebPage, "lnkWebPage", this));
  text->addWidget(Link(QString("mailto:") + kSupportAddress, kSupportAddress, "lnkSupport", this));
  auto* body = new QHBoxLayout;
  body->addWidget(picture, 0, Qt::AlignTop);
  body->addLayout(text);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kestrin::ui
