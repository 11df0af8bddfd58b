// TTrimSilenceForm ("Trim Silence") and TInsertSilenceForm ("Insert Silence"): the threshold
// of Trim Silence in percent of the maximum level and the seconds of silence to insert. Both
// are created for each use, read their setting on creation and write it on Ok; the main window
// then hands Threshold() or Milliseconds() to the engine. Call only from the GUI thread.
#pragma once

#include <cstdint>

#include "edit/ui/number_setting_form.h"

namespace sonthra {

class TTrimSilenceForm : public NumberSettingForm {
    Q_OBJECT
public:
    TTrimSilenceForm(Settings& settings, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The confirmed percentage in hundredths of a percent, as the engine takes it.
    std::uint16_t Threshold() const;

    QLineEdit* SilencePercentageEdit = nullptr;

    void SpinButton1UpClick() override;
    void SpinButton1DownClick() override;
    void OkButtonClick() override;
};

class TInsertSilenceForm : public NumberSettingForm {
    Q_OBJECT
public:
    TInsertSilenceForm(Settings& settings, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The confirmed seconds in milliseconds, as the engine takes them.
    std::uint32_t Milliseconds() const;

    QLineEdit* SilenceTimeEdit = nullptr;

    void SpinButton1UpClick() override;
    void SpinButton1DownClick() override;
    void OkButtonClick() override;
};

}  // namespace sonthra
