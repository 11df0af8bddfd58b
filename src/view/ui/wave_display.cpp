// The display's properties, rendering and painting; the mouse, keyboard, caret and selection
// rules are in wave_display_input.cpp.
#include "view/ui/wave_display.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "view/ui/no_document_view.h"
#include "view/view_errors.h"

namespace sonthra {

// The caret: a thin panel over the waveform, so that moving it never redraws the waveform.
class RIZI32DaziVereruz::Caret : public QWidget {
public:
    explicit Caret(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }
    TColor color = 65280;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), toQColor(color));
        // A lighter left edge gives the raised look.
        painter.fillRect(QRect(0, 0, 1, height()), toQColor(color).lighter(160));
    }
};

RIZI32DaziVereruz::RIZI32DaziVereruz(QWidget* parent) : QFrame(parent) {
    setCtl3D(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A tab stop: the keyboard reaches the waveform without the mouse.
    setFocusPolicy(Qt::StrongFocus);
    m_caret = new Caret(this);
    m_autoScroll.setInterval(30);
    connect(&m_autoScroll, &QTimer::timeout, this, [this] {
        if (m_mouseSelecting) {
            dragTo(m_lastDragX);
        } else {
            m_autoScroll.stop();
        }
    });
    syncClientSize();
}

RIZI32DaziVereruz::~RIZI32DaziVereruz() {
    reset();
}

void RIZI32DaziVereruz::syncClientSize() {
    m_model.setClientSize(clientWidth(), clientHeight());
}

double RIZI32DaziVereruz::pixelRatio() const {
    return std::max(devicePixelRatioF(), 1.0);
}

bool RIZI32DaziVereruz::resizeImages(int width, int height) {
    const double ratio = pixelRatio();
    const QSize size(std::max(1, static_cast<int>(std::lround(width * ratio))),
                     std::max(1, static_cast<int>(std::lround(height * ratio))));
    m_plain = QImage(size, QImage::Format_RGB32);
    m_selection = QImage(size, QImage::Format_RGB32);
    if (m_plain.isNull() || m_selection.isNull()) return false;
    m_plain.setDevicePixelRatio(ratio);
    m_selection.setDevicePixelRatio(ratio);
    m_plain.fill(toQColor(m_backgroundColor));
    m_selection.fill(toQColor(m_selectionBackgroundColor));
    return true;
}

void RIZI32DaziVereruz::drawEmptyState() {
    const QSize logical = m_plain.deviceIndependentSize().toSize();
    if (m_plain.isNull() || logical != contentsRect().size()) {
        if (!resizeImages(clientWidth(), clientHeight())) return;
    }
    QPainter painter(&m_plain);
    PaintEmptyState(painter, QRect(0, 0, std::max(clientWidth(), 1), std::max(clientHeight(), 1)),
                    m_backgroundColor, m_waveColor, font(), m_noSampleText);
    m_compositeShown = false;
}

int RIZI32DaziVereruz::OpenWaveFile(const std::string& name) {
    if (name.empty()) return m_model.setLastError(kViewOk);
    syncClientSize();
    if (m_plain.isNull() || m_plain.deviceIndependentSize().toSize() != contentsRect().size()) {
        if (!resizeImages(clientWidth(), clientHeight()))
            return m_model.setLastError(kViewErrDrawing);
        drawEmptyState();
    }
    const int code = m_model.OpenWaveFile(name);
    if (code != kViewOk) return code;
    m_extend = m_present = m_mouseSelecting = false;
    m_compositeShown = false;
    m_caretPixel = 0;
    showCaretWidget(m_showCaret);
    return kViewOk;
}

int RIZI32DaziVereruz::BuildPeaks(std::atomic<std::int32_t>& progress) {
    return m_model.BuildPeaks(progress);
}

void RIZI32DaziVereruz::CancelPeakBuild() {
    m_model.CancelPeakBuild();
}

int RIZI32DaziVereruz::RenderView(std::uint32_t zoom, std::uint32_t left) {
    syncClientSize();
    RenderResult result;
    const int height = static_cast<int>(std::lround(clientHeight() * pixelRatio()));
    const int code = m_model.RenderView(zoom, left, result, height);
    if (code != kViewOk) return code;
    switch (result.kind) {
        case RenderKind::Nothing:
            return kViewOk;
        case RenderKind::Empty:
            showCaretWidget(false);
            drawEmptyState();
            update();
            return kViewOk;
        case RenderKind::Waveform:
            break;
    }
    const int drawn = drawWaveform(result);
    update();
    return m_model.setLastError(drawn);
}

int RIZI32DaziVereruz::drawWaveform(const RenderResult& result) {
    const double ratio = pixelRatio();
    const int width = std::max(1, static_cast<int>(std::lround(clientWidth() * ratio)));
    const int height = std::max(1, static_cast<int>(std::lround(clientHeight() * ratio)));
    QImage plain(width, height, QImage::Format_RGB32);
    QImage selection(width, height, QImage::Format_RGB32);
    if (plain.isNull() || selection.isNull()) return kViewErrDrawing;

    // Each channel's line, already stretched to the image width, as the rows of every column.
    const std::size_t channels = result.points.size();
    std::vector<std::vector<int>> tops(channels), bottoms(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        const auto spans = PolylineSpans(result.points[c], result.plan.columns, width);
        tops[c].resize(width);
        bottoms[c].resize(width);
        for (int x = 0; x < width; ++x) {
            tops[c][x] = spans[x].top;
            bottoms[c][x] = spans[x].bottom;
        }
    }
    const QRgb back = toQColor(m_backgroundColor).rgb();
    const QRgb wave = toQColor(m_waveColor).rgb();
    const QRgb selectionBack = toQColor(m_selectionBackgroundColor).rgb();
    const QRgb selectionWave = toQColor(m_selectionWaveColor).rgb();
    const QRgb axis = toQColor(m_axisColor).rgb();
    for (int y = 0; y < height; ++y) {
        auto* p = reinterpret_cast<QRgb*>(plain.scanLine(y));
        auto* s = reinterpret_cast<QRgb*>(selection.scanLine(y));
        const bool centre = std::find(result.lanes.centres.begin(), result.lanes.centres.end(),
                                      y) != result.lanes.centres.end();
        if (centre) {
            // The centre lines go over everything, across the whole width.
            std::fill(p, p + width, axis);
            std::fill(s, s + width, axis);
            continue;
        }
        std::fill(p, p + width, back);
        std::fill(s, s + width, selectionBack);
        for (std::size_t c = 0; c < channels; ++c) {
            const int* top = tops[c].data();
            const int* bottom = bottoms[c].data();
            for (int x = 0; x < width; ++x) {
                const bool in = top[x] <= y && y <= bottom[x];
                p[x] = in ? wave : p[x];
                s[x] = in ? selectionWave : s[x];
            }
        }
    }
    plain.setDevicePixelRatio(ratio);
    selection.setDevicePixelRatio(ratio);
    m_plain = std::move(plain);
    m_selection = std::move(selection);
    return kViewOk;
}

void RIZI32DaziVereruz::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect client = contentsRect();
    if (client.isEmpty()) return;
    if (!hasSamples()) {
        drawEmptyState();
        painter.drawImage(client, m_plain);
        return;
    }
    const PeakState state = peakState();
    const bool building = state == PeakState::Building || state == PeakState::CancelRequested;
    if (!building && m_plain.deviceIndependentSize().toSize() != client.size()) {
        // Resized: re-zoom so that about the same span stays in view.
        resizeImages(client.width(), client.height());
        const std::uint32_t quotient =
            (RightSamplePos() - LeftSamplePos()) / static_cast<std::uint32_t>(client.width());
        std::uint32_t zoom = m_paintCounter % 2 == 0 ? quotient + 1 : quotient - 1;
        if (zoom == 0) zoom = 1;
        ++m_paintCounter;
        if (RenderView(zoom, LeftSamplePos()) == kViewOk) {
            placeCaretWidget();
            MoveCaret(m_model.caret(), false, true);
            raiseViewChange();
        }
    }
    if (!m_compositeShown) {
        painter.drawImage(client, m_plain);
        return;
    }
    std::uint32_t lo = std::min(SelectionStartPos(), SelectionEndPos());
    std::uint32_t hi = std::max(SelectionStartPos(), SelectionEndPos());
    if (lo == hi || !m_selectionEnabled || hi < LeftSamplePos() || lo > RightSamplePos()) {
        painter.drawImage(client, m_plain);
        return;
    }
    lo = std::max(lo, LeftSamplePos());
    hi = std::min(hi, RightSamplePos());
    const int x1 = static_cast<int>(std::max<std::int64_t>(0, SampleToPixel(lo)));
    const int x2 = static_cast<int>(std::min<std::int64_t>(client.width(), SampleToPixel(hi)));
    const double ratio = m_plain.devicePixelRatio();
    auto strip = [&](const QImage& image, int from, int to) {
        if (to <= from) return;
        const QRectF source(from * ratio, 0, (to - from) * ratio, image.height());
        painter.drawImage(QRectF(client.x() + from, client.y(), to - from, client.height()), image,
                          source);
    };
    const int imageWidth = m_plain.deviceIndependentSize().toSize().width();
    strip(m_plain, 0, x1);
    strip(m_selection, x1, x2);
    strip(m_plain, x2, imageWidth);
}

void RIZI32DaziVereruz::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    syncClientSize();
    placeCaretWidget();
}

void RIZI32DaziVereruz::CompositeSelection() {
    m_compositeShown = true;
    update();
}

void RIZI32DaziVereruz::showPlain() {
    m_compositeShown = false;
    update();
}

void RIZI32DaziVereruz::reset() {
    m_autoScroll.stop();
    showCaretWidget(false);
    m_caretPixel = 0;
    m_model.ResetDisplay();
    m_extend = m_present = m_mouseSelecting = false;
    m_compositeShown = false;
}

void RIZI32DaziVereruz::ResetDisplay() {
    reset();
    clearFocus();
    update();
}

int RIZI32DaziVereruz::GetLastErrorDetails(std::string& text, int& systemError,
                                           std::string& detail) {
    return m_model.GetLastErrorDetails(text, systemError, detail);
}

int RIZI32DaziVereruz::SavePeaks(const std::string& name) {
    return m_model.SavePeaks(name);
}

int RIZI32DaziVereruz::LoadPeaks(const std::string& name) {
    const int code = m_model.LoadPeaks(name);
    if (code == kViewErrNothingToDraw) {
        drawEmptyState();
        update();
    }
    return code;
}

int RIZI32DaziVereruz::RemovePeakRange(std::uint32_t start, std::uint32_t end) {
    return m_model.RemovePeakRange(start, end);
}

int RIZI32DaziVereruz::SharePeaksOf(const RIZI32DaziVereruz& other) {
    return m_model.SharePeaksOf(other.model());
}

void RIZI32DaziVereruz::setAxisColor(TColor c) {
    m_axisColor = c;
    update();
}

void RIZI32DaziVereruz::setBackGroundColor(TColor c) {
    m_backgroundColor = c;
    update();
}

void RIZI32DaziVereruz::setCaretColor(TColor c) {
    m_caretColor = c;
    m_caret->color = c;
    m_caret->update();
}

void RIZI32DaziVereruz::setWaveFormColor(TColor c) {
    m_waveColor = c;
    update();
}

void RIZI32DaziVereruz::setNoSamplePresentText(const QString& text) {
    m_noSampleText = text;
    update();
}

void RIZI32DaziVereruz::setShowCaret(bool on) {
    m_showCaret = on;
    showCaretWidget(on && hasSamples() && m_model.caret() >= LeftSamplePos() &&
                    m_model.caret() <= RightSamplePos());
}

void RIZI32DaziVereruz::setCtl3D(bool on) {
    m_ctl3d = on;
    setFrameStyle(on ? (QFrame::Panel | QFrame::Sunken) : (QFrame::Box | QFrame::Plain));
    setLineWidth(1);
    syncClientSize();
}

int RIZI32DaziVereruz::caretX() const {
    return m_caretPixel;
}

bool RIZI32DaziVereruz::caretVisible() const {
    return m_caretShown;
}

void RIZI32DaziVereruz::showCaretWidget(bool shown) {
    m_caretShown = shown && m_showCaret;
    placeCaretWidget();
}

void RIZI32DaziVereruz::placeCaretWidget() {
    const QRect client = contentsRect();
    m_caret->setGeometry(client.x() + m_caretPixel, client.y(), 2, client.height());
    m_caret->setVisible(m_caretShown && hasSamples());
}

}  // namespace sonthra
