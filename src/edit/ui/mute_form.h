// TMuteForm ("Wave Mute"): which channels Mute silences. Created for each use; the choice
// lives only as long as the window. Call only from the GUI thread.
#pragma once

#include <QDialog>

#include "dialogs/ui/user_dialogs.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace sonthra {

class TMuteForm : public QDialog {
    Q_OBJECT
public:
    // channels: the document's channel count; with 1 the channel buttons are disabled when the
    // window shows, so the choice stays "both".
    TMuteForm(int channels, UserDialogs& dialogs, QWidget* parent = nullptr);

    // 3 both channels, 1 left only, 2 right only (silence_rules.h).
    int Choice() const { return m_choice; }

    void OkButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();

    QGroupBox* StereoOptionsGroupBox = nullptr;
    QRadioButton* BothChannelsRadioButton = nullptr;
    QRadioButton* LeftChannelRadioButton = nullptr;
    QRadioButton* RightChannelRadioButton = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Escape and the close button count as Cancel

private:
    QRadioButton* buttonOf(int choice) const;

    UserDialogs& m_dialogs;
    int m_channels;
    int m_choice;
};

}  // namespace sonthra
