#include "tags/ui/song_info_form.h"

#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/ui/help.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "tags/document_tag.h"
#include "tags/genres.h"

namespace sonthra {
namespace {

std::string utf8(const QLineEdit* edit) {
    return edit->text().toStdString();
}

QString text(const std::string& utf8Text) {
    return QString::fromStdString(utf8Text);
}

// A whole decimal number, sign allowed, as the track box takes it.
bool trackNumber(const QString& value, int& number) {
    bool ok = false;
    number = value.toInt(&ok, 10);
    return ok && value == value.trimmed();
}

}  // namespace

TSongInfoForm::TSongInfoForm(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setWindowTitle(QStringLiteral("Enter Song Information"));
    setModal(true);
    buildControls();
}

void TSongInfoForm::buildControls() {
    auto* grid = new QGridLayout;
    const auto edit = [&](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        connect(e, &QLineEdit::textChanged, this, [this] {
            if (!m_filling) markModified();
        });
        return e;
    };
    titleEdit = edit("titleEdit");
    trackNoEdit = edit("trackNoEdit");
    artistEdit = edit("artistEdit");
    yearEdit = edit("yearEdit");
    albumEdit = edit("albumEdit");
    linkEdit = edit("linkEdit");
    copyrightEdit = edit("copyrightEdit");
    languageEdit = edit("languageEdit");
    composerEdit = edit("composerEdit");
    commentEdit = edit("commentEdit");

    genreComboBox = new QComboBox(this);
    genreComboBox->setObjectName(QStringLiteral("genreComboBox"));
    genreComboBox->setEditable(true);
    genreComboBox->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i < kGenreCount; ++i) genreComboBox->addItem(QString::fromLatin1(GenreName(i)));
    connect(genreComboBox, &QComboBox::editTextChanged, this, [this] {
        if (!m_filling) markModified();
    });

    // The track box with its up/down buttons.
    trackSpinUpButton = new QToolButton(this);
    trackSpinUpButton->setObjectName(QStringLiteral("trackSpinUp"));
    trackSpinUpButton->setArrowType(Qt::UpArrow);
    trackSpinDownButton = new QToolButton(this);
    trackSpinDownButton->setObjectName(QStringLiteral("trackSpinDown"));
    trackSpinDownButton->setArrowType(Qt::DownArrow);
    connect(trackSpinUpButton, &QToolButton::clicked, this, &TSongInfoForm::trackSpinUp);
    connect(trackSpinDownButton, &QToolButton::clicked, this, &TSongInfoForm::trackSpinDown);
    connect(trackNoEdit, &QLineEdit::textChanged, this, &TSongInfoForm::trackNoEditChange);
    auto* spinButtons = new QVBoxLayout;
    spinButtons->setSpacing(0);
    spinButtons->addWidget(trackSpinUpButton);
    spinButtons->addWidget(trackSpinDownButton);
    auto* track = new QHBoxLayout;
    track->addWidget(trackNoEdit);
    track->addLayout(spinButtons);

    // Label and control pairs, two to a row; the comment takes the whole last row.
    struct Field {
        const char* caption;
        QWidget* control;
        QLayout* layout;
    };
    const Field fields[] = {
        {"Title", titleEdit, nullptr},       {"Track No", trackNoEdit, track},
        {"Artist", artistEdit, nullptr},     {"Year", yearEdit, nullptr},
        {"Album", albumEdit, nullptr},       {"Link", linkEdit, nullptr},
        {"Genre", genreComboBox, nullptr},   {"Copyright", copyrightEdit, nullptr},
        {"Language", languageEdit, nullptr}, {"Composer", composerEdit, nullptr},
        {"Comment", commentEdit, nullptr}};
    int at = 0;
    for (const Field& field : fields) {
        const int row = at / 2;
        const int column = (at % 2) * 2;
        ++at;
        auto* label = new QLabel(QString::fromLatin1(field.caption), this);
        label->setBuddy(field.control);
        grid->addWidget(label, row, column);
        if (field.layout) {
            grid->addLayout(field.layout, row, column + 1);
        } else if (field.control == commentEdit) {
            grid->addWidget(commentEdit, row, 1, 1, 3);
        } else {
            grid->addWidget(field.control, row, column + 1);
        }
    }

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    connect(Button1, &QPushButton::clicked, this, &TSongInfoForm::Button1Click);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, &TSongInfoForm::HelpButtonClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(HelpButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TSongInfoForm::setVersion2ControlsEnabled(bool enabled) {
    for (QLineEdit* e : {composerEdit, copyrightEdit, linkEdit, languageEdit})
        e->setEnabled(enabled);
}

int TSongInfoForm::Execute(DocumentTag& tag, const QString& fileName) {
    FormShow(tag, fileName);
    const int result = exec();
    m_tag = nullptr;
    return result;
}

void TSongInfoForm::FormShow(DocumentTag& tag, const QString& fileName) {
    m_tag = &tag;
    m_filling = true;
    for (QLineEdit* e : {titleEdit, artistEdit, albumEdit, commentEdit, composerEdit, languageEdit,
                         linkEdit, copyrightEdit}) {
        e->clear();
    }
    genreComboBox->setCurrentIndex(0);
    genreComboBox->setEditText(QString::fromLatin1(GenreName(0)));
    yearEdit->setText(
        QString::number(QDate::currentDate().year()).rightJustified(4, QLatin1Char('0')));
    trackNoEdit->setText(QStringLiteral("1"));
    setWindowTitle(QStringLiteral("Enter Song Information : ") + QFileInfo(fileName).fileName());

    if (const TID3v2* v2 = tag.v2()) {
        titleEdit->setText(text(v2->title()));
        trackNoEdit->setText(QString::number(v2->track()));
        artistEdit->setText(text(v2->artist()));
        yearEdit->setText(text(v2->year()));
        albumEdit->setText(text(v2->album()));
        linkEdit->setText(text(v2->link()));
        genreComboBox->setCurrentIndex(genreComboBox->findText(text(v2->genre())));
        genreComboBox->setEditText(text(v2->genre()));
        copyrightEdit->setText(text(v2->copyright()));
        languageEdit->setText(text(v2->language()));
        composerEdit->setText(text(v2->composer()));
        commentEdit->setText(text(v2->comment()));
        setVersion2ControlsEnabled(true);
    } else if (const TID3v1* v1 = tag.v1()) {
        setVersion2ControlsEnabled(false);
        titleEdit->setText(text(v1->title()));
        artistEdit->setText(text(v1->artist()));
        albumEdit->setText(text(v1->album()));
        genreComboBox->setCurrentIndex(genreComboBox->findText(text(v1->genreName())));
        genreComboBox->setEditText(text(v1->genreName()));
        yearEdit->setText(text(v1->year()));
        trackNoEdit->setText(QString::number(v1->track()));
        commentEdit->setText(text(v1->comment()));
    } else {
        // A new tag will be a version 2 tag, which has room for every field.
        setVersion2ControlsEnabled(true);
    }
    m_filling = false;
    m_modified = false;
}

void TSongInfoForm::trackNoEditChange() {
    int number = 0;
    if (!trackNumber(trackNoEdit->text(), number)) {
        m_dialogs.messageBox(this, QString::fromLatin1(kProductCaption),
                             QString::fromLatin1(kInvalidTrackWhileTyping), DialogIcon::Error,
                             DialogButtons::Ok);
    }
}

void TSongInfoForm::trackSpinUp() {
    int number = 0;
    trackNumber(trackNoEdit->text(), number);
    trackNoEdit->setText(QString::number(static_cast<long long>(number) + 1));
}

void TSongInfoForm::trackSpinDown() {
    int number = 0;
    if (trackNumber(trackNoEdit->text(), number) && number > 0) {
        trackNoEdit->setText(QString::number(number - 1));
    }
}

void TSongInfoForm::Button1Click() {
    int number = 0;
    if (!trackNumber(trackNoEdit->text(), number)) {
        m_dialogs.messageBox(this, QString::fromLatin1(kProductCaption),
                             QString::fromLatin1(kInvalidTrackOnOk), DialogIcon::Error,
                             DialogButtons::Ok);
        return;
    }
    if (!m_tag) return;
    const auto track = static_cast<std::uint8_t>(static_cast<unsigned>(number) & 0xFF);
    if (m_tag->v2() || !m_tag->v1()) {
        TID3v2& t = m_tag->v2() ? *m_tag->v2() : m_tag->attachV2();
        t.setTitle(utf8(titleEdit));
        t.setArtist(utf8(artistEdit));
        t.setAlbum(utf8(albumEdit));
        t.setComposer(utf8(composerEdit));
        t.setComment(utf8(commentEdit));
        t.setGenre(genreComboBox->currentText().toStdString());
        t.setTrack(track);
        t.setCopyright(utf8(copyrightEdit));
        t.setLanguage(utf8(languageEdit));
        t.setLink(utf8(linkEdit));
        t.setYear(utf8(yearEdit));
    } else {
        TID3v1& t = *m_tag->v1();
        t.setTitle(utf8(titleEdit));
        t.setArtist(utf8(artistEdit));
        t.setAlbum(utf8(albumEdit));
        t.setComment(utf8(commentEdit));
        const int genre = genreComboBox->findText(genreComboBox->currentText(), Qt::MatchExactly);
        t.setGenreIndex(genre < 0 ? kNoGenre : static_cast<std::uint8_t>(genre));
        t.setYear(utf8(yearEdit));
        t.setTrack(track);
    }
    accept();
}

void TSongInfoForm::HelpButtonClick() {
    ShowHelpTopic(m_dialogs, kHelpSongInformation);
}

}  // namespace sonthra
