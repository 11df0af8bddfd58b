#include "app/ui/about_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "messages/message_table.h"

namespace sonthra {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TAboutForm");
    const QString product = QString::fromUtf8(kProductCaption);
    setWindowTitle("About " + product);

    auto* name = new QLabel(product, this);
    name->setObjectName("ProductLabel");
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    name->setFont(big);

    auto* version = new QLabel(VersionText(), this);
    version->setObjectName("VersionLabel");
    auto* about =
        new QLabel("Audio recorder and editor, with MP3 export and podcast publishing.", this);
    about->setWordWrap(true);
    auto* maker = new QLabel("Corvanta", this);
    maker->setObjectName("MakerLabel");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(about);
    layout->addWidget(maker, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(340, 0)));
}

QString TAboutForm::VersionText() {
    return QString("Version %1").arg(kProductVersion);
}

}  // namespace sonthra
