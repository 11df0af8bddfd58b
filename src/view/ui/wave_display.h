// RIZI32DaziVereruz: the waveform display. One lane per channel, a caret, a highlighted
// selection, zoom and horizontal position, drawn from the peak model (WaveViewModel) into two
// off-screen images, the plain one and the selection one, which paints and selection changes
// only copy. It reports caret moves and selection changes through OnCaretPositionChange and
// OnSelection and never changes the audio.
//
// Call everything from the GUI thread, except BuildPeaks, which belongs on a worker thread
// (the caller keeps other calls away while it runs), and CancelPeakBuild, which may come from
// any thread. The display does not own its file.
#pragma once

#include <QFrame>
#include <QImage>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "view/ui/view_colors.h"
#include "view/wave_view_model.h"

namespace sonthra {

class RIZI32DaziVereruz : public QFrame {
    Q_OBJECT
    Q_PROPERTY(quint32 AxisColor READ AxisColor WRITE setAxisColor)
    Q_PROPERTY(quint32 BackGroundColor READ BackGroundColor WRITE setBackGroundColor)
    Q_PROPERTY(quint32 CaretColor READ CaretColor WRITE setCaretColor)
    Q_PROPERTY(
        quint32 CaretPositionBySamples READ CaretPositionBySamples WRITE setCaretPositionBySamples)
    Q_PROPERTY(bool EnableKeyboardSupport READ EnableKeyboardSupport WRITE setEnableKeyboardSupport)
    Q_PROPERTY(bool EnableMouseSupport READ EnableMouseSupport WRITE setEnableMouseSupport)
    Q_PROPERTY(bool EnableSelection READ EnableSelection WRITE setEnableSelection)
    Q_PROPERTY(quint32 LeftSamplePos READ LeftSamplePos WRITE setLeftSamplePos)
    Q_PROPERTY(quint32 MaxPosition READ MaxPosition)
    Q_PROPERTY(quint32 MaxZoomLevel READ MaxZoomLevel)
    Q_PROPERTY(QString NoSamplePresentText READ NoSamplePresentText WRITE setNoSamplePresentText)
    Q_PROPERTY(quint32 RightSamplePos READ RightSamplePos)
    Q_PROPERTY(quint32 SelectionBackGroundColor READ SelectionBackGroundColor WRITE
                   setSelectionBackGroundColor)
    Q_PROPERTY(quint32 SelectionEndPos READ SelectionEndPos)
    Q_PROPERTY(quint32 SelectionStartPos READ SelectionStartPos)
    Q_PROPERTY(
        quint32 SelectionWaveFormColor READ SelectionWaveFormColor WRITE setSelectionWaveFormColor)
    Q_PROPERTY(bool ShowCaret READ ShowCaret WRITE setShowCaret)
    Q_PROPERTY(quint32 TotalSamples READ TotalSamples)
    Q_PROPERTY(QString WaveFileName READ WaveFileNameText WRITE setWaveFileNameText)
    Q_PROPERTY(quint32 WaveFormColor READ WaveFormColor WRITE setWaveFormColor)
    Q_PROPERTY(quint32 ZoomLevel READ ZoomLevel WRITE setZoomLevel)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    explicit RIZI32DaziVereruz(QWidget* parent = nullptr);
    ~RIZI32DaziVereruz() override;

    // The operations, in the order the component declares them.
    virtual int OpenWaveFile(const std::string& name);
    virtual int BuildPeaks(std::atomic<std::int32_t>& progress);
    virtual int RenderView(std::uint32_t zoom, std::uint32_t left);
    virtual void CancelPeakBuild();
    virtual void ResetDisplay();
    virtual void SetSelection(std::uint32_t start, std::uint32_t end);
    virtual void ZoomToSelection();
    virtual void SelectAll();
    virtual void SelectNone();
    virtual int GetLastErrorDetails(std::string& text, int& systemError, std::string& detail);
    int SavePeaks(const std::string& name);
    int SavePeaksInBackground(const std::string& name,
                              std::function<void(int code)> onFailure = {}) {
        return m_model.SavePeaksInBackground(name, std::move(onFailure));
    }
    int LoadPeaks(const std::string& name);
    int RemovePeakRange(std::uint32_t start, std::uint32_t end);
    // Before a removal of [start, end) is made: WaveViewModel::PreparePeakRemoval.
    void PreparePeakRemoval(std::uint32_t start, std::uint32_t end) {
        m_model.PreparePeakRemoval(start, end);
    }
    // Shows the peaks of another display of the same file, shared (WaveViewModel::SharePeaksOf).
    virtual int SharePeaksOf(const RIZI32DaziVereruz& other);
    // Shows the file of a document's peak model, shared with its other displays
    // (WaveViewModel::observe).
    void observe(std::shared_ptr<PeakModel> peaks) { m_model.observe(std::move(peaks)); }
    // Shows the selection image between the selection's ends and the plain image elsewhere.
    void CompositeSelection();

    // Properties.
    TColor AxisColor() const { return m_axisColor; }
    void setAxisColor(TColor c);
    TColor BackGroundColor() const { return m_backgroundColor; }
    void setBackGroundColor(TColor c);
    TColor CaretColor() const { return m_caretColor; }
    void setCaretColor(TColor c);
    std::uint32_t CaretPositionBySamples() const { return m_model.caret(); }
    void setCaretPositionBySamples(std::uint32_t pos);
    bool EnableKeyboardSupport() const { return m_keyboard; }
    void setEnableKeyboardSupport(bool on) { m_keyboard = on; }
    bool EnableMouseSupport() const { return m_mouse; }
    void setEnableMouseSupport(bool on) { m_mouse = on; }
    bool EnableSelection() const { return m_selectionEnabled; }
    void setEnableSelection(bool on) { m_selectionEnabled = on; }
    std::uint32_t LeftSamplePos() const { return m_model.LeftSamplePos(); }
    void setLeftSamplePos(std::uint32_t left);
    std::uint32_t MaxPosition() const { return m_model.MaxPosition(); }
    std::uint32_t MaxZoomLevel() const { return m_model.MaxZoomLevel(); }
    QString NoSamplePresentText() const { return m_noSampleText; }
    void setNoSamplePresentText(const QString& text);
    std::uint32_t RightSamplePos() const { return m_model.RightSamplePos(); }
    TColor SelectionBackGroundColor() const { return m_selectionBackgroundColor; }
    void setSelectionBackGroundColor(TColor c) { m_selectionBackgroundColor = c; }
    std::uint32_t SelectionEndPos() const { return m_model.SelectionEndPos(); }
    std::uint32_t SelectionStartPos() const { return m_model.SelectionStartPos(); }
    TColor SelectionWaveFormColor() const { return m_selectionWaveColor; }
    void setSelectionWaveFormColor(TColor c) { m_selectionWaveColor = c; }
    bool ShowCaret() const { return m_showCaret; }
    void setShowCaret(bool on);
    std::uint32_t TotalSamples() const { return m_model.TotalSamples(); }
    const std::string& WaveFileName() const { return m_model.WaveFileName(); }
    void setWaveFileName(const std::string& name) { m_model.setWaveFileName(name); }
    QString WaveFileNameText() const { return QString::fromStdString(WaveFileName()); }
    void setWaveFileNameText(const QString& name) { setWaveFileName(name.toStdString()); }
    TColor WaveFormColor() const { return m_waveColor; }
    void setWaveFormColor(TColor c);
    std::uint32_t ZoomLevel() const { return m_model.ZoomLevel(); }
    void setZoomLevel(std::uint32_t zoom);
    bool Ctl3D() const { return m_ctl3d; }
    void setCtl3D(bool on);
    bool TabStop() const { return (focusPolicy() & Qt::TabFocus) != 0; }
    void setTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); }

    // Events.
    void setOnCaretPositionChange(TNotifyEvent e) { m_onCaret = std::move(e); }
    const TNotifyEvent& OnCaretPositionChange() const { return m_onCaret; }
    void setOnSelection(TSelectionEvent e) { m_onSelection = std::move(e); }
    const TSelectionEvent& OnSelection() const { return m_onSelection; }
    void setOnClick(TNotifyEvent e) { m_onClick = std::move(e); }
    // Raised when the display itself changed its zoom or left edge (the wheel, a resize's
    // re-zoom; for an overview, any change of its width), so that the owner's ruler and
    // overview frame follow.
    void setOnViewChange(TNotifyEvent e) { m_onViewChange = std::move(e); }

    // Helpers the owner and the overview use.
    PeakState peakState() const { return m_model.peakState(); }
    const WaveViewModel& model() const { return m_model; }
    const WaveFormat& waveFormat() const { return m_model.format(); }
    int clientWidth() const { return contentsRect().width(); }
    int clientHeight() const { return contentsRect().height(); }
    std::uint32_t PixelToSample(int x) const { return m_model.PixelToSample(x); }
    std::int64_t SampleToPixel(std::uint32_t s) const { return m_model.SampleToPixel(s); }
    // The caret's x in the client area, and whether it is shown.
    int caretX() const;
    bool caretVisible() const;
    // The off-screen images, at the screen's pixel density.
    const QImage& plainImage() const { return m_plain; }
    const QImage& selectionImage() const { return m_selection; }
    bool selectionShown() const { return m_compositeShown; }
    bool selectionPresent() const { return m_present; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The wheel scrolls a tenth of the view a notch; with Ctrl it zooms about the pointer.
    void wheelEvent(QWheelEvent* event) override;

    // Places the caret at pos (samples): raises OnCaretPositionChange when notify is set and
    // scrolls the view to it when scroll is set (else a caret outside the view is hidden).
    void MoveCaret(std::uint32_t pos, bool notify, bool scroll);
    void raiseSelection(std::uint32_t start, std::uint32_t end);
    void raiseViewChange();
    void showPlain();
    bool hasSamples() const { return m_model.hasSamples(); }
    bool hasFile() const { return m_model.hasFile(); }

private:
    class Caret;

    void syncClientSize();
    int drawWaveform(const RenderResult& result);
    void drawEmptyState();
    bool resizeImages(int width, int height);
    double pixelRatio() const;
    void dragTo(int x);
    void scrollByNotches(int notches);
    void zoomAboutPixel(int x, int notches);
    void placeCaretWidget();
    void showCaretWidget(bool shown);
    void reset();

    WaveViewModel m_model;
    QImage m_plain;
    QImage m_selection;
    Caret* m_caret = nullptr;
    QTimer m_autoScroll;
    int m_lastDragX = 0;

    TColor m_axisColor = 255;
    TColor m_backgroundColor = 0;
    TColor m_caretColor = 65280;
    TColor m_selectionBackgroundColor = 0xFFFFFF;
    TColor m_selectionWaveColor = 0;
    TColor m_waveColor = 16777215;
    QString m_noSampleText = "No sample present";
    bool m_keyboard = true;
    bool m_mouse = true;
    bool m_selectionEnabled = true;
    bool m_showCaret = true;
    bool m_ctl3d = false;

    bool m_extend = false;          // extend mode: keys and drags move the selection's end
    bool m_present = false;         // a selection has been made
    bool m_mouseSelecting = false;  // a drag is in progress
    bool m_compositeShown = false;  // the screen shows the selection composite
    int m_caretPixel = 0;
    bool m_caretShown = false;
    unsigned m_paintCounter = 0;
    int m_wheelRest = 0;  // eighths of a degree short of a whole notch

    TNotifyEvent m_onCaret;
    TSelectionEvent m_onSelection;
    TNotifyEvent m_onClick;
    TNotifyEvent m_onViewChange;
};

}  // namespace sonthra
