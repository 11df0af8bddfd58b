// The colour scheme window TColorForm ("Set Colors") and ApplyColorScheme, which pushes the
// scheme's effective colours to the displays, overviews and level meters. GUI thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "view/color_scheme.h"
#include "view/ui/led_widget.h"
#include "view/ui/no_document_view.h"
#include "view/ui/overview.h"

class QButtonGroup;
class QFrame;
class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace sonthra {

class TColorForm : public QDialog {
    Q_OBJECT

public:
    // Runs the platform's colour picker: the picked colour, or nothing when cancelled.
    using ColorPicker = std::function<std::optional<TColor>(TColor initial, QWidget* parent)>;

    // Loads the scheme from settings into the table (the table lives on; the window edits it).
    TColorForm(ColorSchemeTable& scheme, Settings& settings, QWidget* parent = nullptr);

    // What "Apply" does after saving: the main window's ApplyColorScheme.
    void setOnApply(std::function<void()> apply) { m_onApply = std::move(apply); }
    void setColorPicker(ColorPicker picker) { m_picker = std::move(picker); }
    // Receives the settings messages 183 and 185.
    void setOnMessage(std::function<void(int)> show) { m_onMessage = std::move(show); }

    // Handlers.
    void FormCreate();
    void DisplayElementsListBoxClick();
    void ColorRadioGroupClick();
    void ChangeColorClick();
    void OkButtonClick();
    void CancelButtonClick();
    void ApplyButtonClick();

    QListWidget* DisplayElementsListBox = nullptr;
    QGroupBox* ColorRadioGroup = nullptr;
    QRadioButton* DefaultRadio = nullptr;
    QRadioButton* CustomizeRadio = nullptr;
    QPushButton* ChangeColor = nullptr;
    QFrame* SampleColorPanel = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* ApplyButton = nullptr;
    QPushButton* HelpButton = nullptr;

    // The colour the sample panel shows.
    TColor sampleColor() const { return m_sample; }

public slots:
    // Closing the window by Escape or its close box is "Cancel".
    void reject() override;

private:
    void fillList();
    void showSample(TColor color);
    void report(int code);
    int selected() const;

    ColorSchemeTable& m_scheme;
    Settings& m_settings;
    QButtonGroup* m_radios = nullptr;
    std::function<void()> m_onApply;
    ColorPicker m_picker;
    std::function<void(int)> m_onMessage;
    TColor m_sample = 0;
};

// The components ApplyColorScheme colours.
struct ColorSchemeTargets {
    struct ClippingLight {
        TLUM32VerticalLEDs* meter = nullptr;      // the meter the light watches
        std::function<void(TColor color)> paint;  // paints the light in a colour
    };
    RIZI32DaziVereruz* templateDisplay = nullptr;
    TLUM32Overview* templateOverview = nullptr;
    // What the display and overview areas show without a document.
    TNoDocumentView* emptyDisplay = nullptr;
    TNoDocumentView* emptyOverview = nullptr;
    // Every open document's display and overview.
    std::vector<std::pair<RIZI32DaziVereruz*, TLUM32Overview*>> documents;
    std::vector<TLUM32VerticalLEDs*> meters;
    std::vector<ClippingLight> clippingLights;
    // Keeps the clipping lights' lit and unlit colours for the level display.
    std::function<void(TColor lit, TColor unlit)> storeClippingColors;
    // Renders a document's display again at its own zoom and left position and updates the
    // ruler; without one the display is only rendered again.
    std::function<void(RIZI32DaziVereruz& display)> renderAndScale;
};

void ApplyColorScheme(const ColorSchemeTable& scheme, const ColorSchemeTargets& targets);

}  // namespace sonthra
