#include "ui/effect_settings_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace sonthra {

namespace {

// One row of the window: puts a value into its editor and reads it back.
struct Row {
    std::function<void(const EffectSettingsBlock&)> show;
    std::function<void(EffectSettingsBlock&)> take;
};

Row numberRow(QDialog& dialog, QFormLayout& form, const EffectSetting& s, int index) {
    auto* box = new QDoubleSpinBox(&dialog);
    box->setObjectName(s.key);
    box->setDecimals(s.decimals);
    box->setRange(s.minimum, s.maximum);
    box->setSingleStep(s.decimals > 0 ? std::pow(10.0, -std::min(s.decimals, 2)) * 10 : 1.0);
    form.addRow(QString::fromUtf8(s.label), box);
    return {[box, index](const EffectSettingsBlock& b) { box->setValue(b.values[index]); },
            [box, index](EffectSettingsBlock& b) { b.values[index] = box->value(); }};
}

Row choiceRow(QDialog& dialog, QFormLayout& form, const EffectSetting& s, int index) {
    auto* list = new QComboBox(&dialog);
    list->setObjectName(s.key);
    for (const std::string& choice : settingChoices(s))
        list->addItem(QString::fromStdString(choice));
    form.addRow(QString::fromUtf8(s.label), list);
    return {[list, index](const EffectSettingsBlock& b) {
                list->setCurrentIndex(static_cast<int>(b.values[index]));
            },
            [list, index](EffectSettingsBlock& b) { b.values[index] = list->currentIndex(); }};
}

Row fileRow(QDialog& dialog, QFormLayout& form, const EffectSetting& s) {
    auto* line = new QLineEdit(&dialog);
    line->setObjectName(s.key);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), &dialog);
    auto* row = new QHBoxLayout;
    row->addWidget(line, 1);
    row->addWidget(browse);
    form.addRow(QString::fromUtf8(s.label), row);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [line, &dialog] {
        const QString name = QFileDialog::getOpenFileName(
            &dialog, QStringLiteral("Open"), line->text(), QStringLiteral("Wave Files (*.wav)"));
        if (!name.isEmpty()) line->setText(name);
    });
    return {[line](const EffectSettingsBlock& b) {
                line->setText(
                    QString::fromUtf8(b.file, static_cast<int>(strnlen(b.file, kEffectFileBytes))));
            },
            [line](EffectSettingsBlock& b) {
                const QByteArray text = line->text().toUtf8().left(kEffectFileBytes - 1);
                std::memset(b.file, 0, sizeof b.file);
                std::memcpy(b.file, text.constData(), static_cast<std::size_t>(text.size()));
            }};
}

}  // namespace

int showEffectSettingsWindow(void* owner, const EffectDescription& description,
                             EffectSettingsBlock& block, const EffectWaveFormat& format) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return kEffectCannotShowDialog;
    QDialog dialog(static_cast<QWidget*>(owner));
    dialog.setObjectName(QStringLiteral("EffectSettingsWindow"));
    dialog.setWindowTitle(QString::fromUtf8(description.name));
    auto* layout = new QVBoxLayout(&dialog);
    auto* about = new QLabel(QString::fromUtf8(description.text1), &dialog);
    about->setWordWrap(true);
    layout->addWidget(about);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    std::vector<Row> rows;
    for (std::size_t i = 0; i < description.settings.size(); ++i) {
        const EffectSetting& s = description.settings[i];
        const int index = static_cast<int>(i);
        switch (s.kind) {
            case SettingKind::Number:
                rows.push_back(numberRow(dialog, *form, s, index));
                break;
            case SettingKind::Choice:
                rows.push_back(choiceRow(dialog, *form, s, index));
                break;
            case SettingKind::File:
                rows.push_back(fileRow(dialog, *form, s));
                break;
        }
    }
    if (rows.empty()) {
        layout->addWidget(new QLabel(QStringLiteral("This effect has no settings."), &dialog));
    }
    const QString shape =
        QStringLiteral("%1 Hz, %2-bit, %3")
            .arg(format.sampleRate)
            .arg(format.bitsPerSample)
            .arg(format.channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo"));
    layout->addWidget(new QLabel(shape, &dialog));

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults,
        &dialog);
    layout->addWidget(buttons);
    auto showAll = [&rows](const EffectSettingsBlock& b) {
        for (const Row& row : rows) row.show(b);
    };
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked,
                     &dialog, [&] {
                         EffectSettingsBlock defaults{};
                         resetSettings(description, defaults);
                         showAll(defaults);
                     });
    showAll(block);
    if (dialog.exec() != QDialog::Accepted) return kEffectCancelled;
    for (const Row& row : rows) row.take(block);
    return kEffectOk;
}

}  // namespace sonthra
