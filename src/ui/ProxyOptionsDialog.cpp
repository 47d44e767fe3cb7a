#include "ProxyOptionsDialog.h"


#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Artwork.h"
#include "CodePage.h"
#include "EngineText.h"
#include "ProxyFile.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

const QSize kClientSize(285, 103);
const QString kDefaultHost = QStringLiteral("127.0.0.1");
const QString kDefaultPort = QStringLiteral("8080");

template <typename TWidget>
TWidget* Named(TWidget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// A field of blanks only gets its default, visibly, before it is saved.
void DefaultIfBlank(QLineEdit* edit, const QString& fallback) {
  if (TrimView(ToEngine(edit->text())).empty()) edit->setText(fallback);
}

}  // namespace

TfrmProxyOptions::TfrmProxyOptions(const TProgramFiles& files, IUserPrompt& prompt, QWidget* parent)
    : TFormDialog(parent),
      File_(files.PathOf(TProgramFile::Proxy)),
      Prompt_(prompt) {
  DressDialog(*this, "frmProxyOptions", TrQ("Proxy Ayarları"));
  BuildControls();
  setFixedSize(kClientSize.expandedTo(sizeHint()));
  FormCreate();
  CheckBox1->setFocus();
}

void TfrmProxyOptions::BuildControls() {
  CheckBox1 = Named(new QCheckBox(TrQ("Internet'e bir Proxy Server üzerinden bağlanıyorum."), this),
                    "CheckBox1");
  Label1 = Named(new QLabel(TrQ("Adres:"), this), "Label1");
  Edit1 = Named(new QLineEdit(this), "Edit1");
  Edit1->setMinimumWidth(121);
  Label2 = Named(new QLabel(TrQ("Port:"), this), "Label2");
  Edit2 = Named(new QLineEdit(this), "Edit2");
  Edit2->setFixedWidth(64);
  Label1->setBuddy(Edit1);
  Label2->setBuddy(Edit2);
  auto* Bevel1 = Named(new QFrame(this), "Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Button1 = Named(new QPushButton(TrQ("Tamam"), this), "Button1");
  Button2 = Named(new QPushButton(TrQ("İptal"), this), "Button2");
  for (QPushButton* button : {Button1, Button2}) {
    button->setFixedSize(75, 25);
    button->setAutoDefault(false);
  }
  connect(CheckBox1, &QCheckBox::clicked, this, &TfrmProxyOptions::CheckBox1Click);
  connect(Button1, &QPushButton::clicked, this, &TfrmProxyOptions::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TfrmProxyOptions::Button2Click);

  auto* address = new QHBoxLayout;
  address->setContentsMargins(10, 0, 0, 0);
  address->setSpacing(6);
  address->addWidget(Label1);
  address->addWidget(Edit1, 1);
  address->addWidget(Label2);
  address->addWidget(Edit2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(9, 7, 8, 7);
  page->setSpacing(5);
  page->addWidget(CheckBox1);
  page->addLayout(address);
  page->addWidget(Bevel1);
  page->addLayout(buttons);

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, CheckBox1);
  CheckBox1Click();
}

void TfrmProxyOptions::FormCreate() {
  const TProxyDialogFill fill = TProxyFile::Read(File_).ForDialog();
  if (!fill.FileFound) {
    Prompt_.ShowError(Tr1254(kProxyFileMissing));
    return;
  }
  if (fill.Enabled) {
    CheckBox1->setChecked(*fill.Enabled);
    CheckBox1Click();
  }
  if (fill.Host) Edit1->setText(FromEngine(*fill.Host));
  if (fill.Port) Edit2->setText(FromEngine(*fill.Port));
  if (!fill.Error.empty()) Prompt_.ShowError(fill.Error);
}

void TfrmProxyOptions::CheckBox1Click() {
  const bool on = CheckBox1->isChecked();
  for (QWidget* widget : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Label2),
                          static_cast<QWidget*>(Edit2)}) {
    widget->setEnabled(on);
  }
}

void TfrmProxyOptions::Button1Click() { accept(); }

void TfrmProxyOptions::Button2Click() { reject(); }

void TfrmProxyOptions::FormCloseQuery() {
  DefaultIfBlank(Edit1, kDefaultHost);
  DefaultIfBlank(Edit2, kDefaultPort);
  if (!WriteProxyFile(File_, CheckBox1->isChecked(), ToEngine(Edit1->text()), ToEngine(Edit2->text()))) {
    // Reported once; keeping the dialog open would only fail again, so the choice is dropped.
    Prompt_.ShowError(CannotWriteMessage(File_));
  }
}

}  // namespace velkaro
