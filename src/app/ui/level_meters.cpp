#include "app/ui/level_meters.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include "view/color_scheme.h"
#include "view/ui/color_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/view_colors.h"

namespace sonthra {

namespace {

constexpr int kMeterWidth = 12;
constexpr int kMeterHeight = 82;
constexpr int kClippingShownMs = 3000;

QString cssColor(TColor color) {
    const QColor c = toQColor(color);
    return QString("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

}  // namespace

LevelMeters::LevelMeters(QWidget* parent)
    : QFrame(parent),
      m_lit(ColorSchemeTable().GetSchemeColor(kSchemeClippingLightOn)),
      m_unlit(ColorSchemeTable().GetSchemeColor(kSchemeClippingLightOff)),
      m_clippingTimer(new QTimer(this)) {
    setObjectName("MeterPanel");
    setProperty("consolePanel", true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    const char* lights[] = {"LeftChannelClipping", "RightChannelClipping"};
    const char* meters[] = {"LedRowLeft", "LedRowRight"};
    const char* names[] = {"L", "R"};
    for (int channel = 0; channel < 2; ++channel) {
        m_lights[channel] = new QFrame(this);
        m_lights[channel]->setObjectName(lights[channel]);
        m_lights[channel]->setFixedSize(kMeterWidth, 8);
        m_lights[channel]->setToolTip("Clipping");
        paintLight(channel, 0x808080);
        auto* meter = new TLUM32VerticalLEDs(this);
        meter->setObjectName(meters[channel]);
        meter->setFixedSize(kMeterWidth, kMeterHeight);
        meter->setColor(0xC0C0C0);
        meter->setLEDOnColor(11817030);
        meter->setLEDOffColor(6569020);
        meter->setNumLEDs(20);
        meter->setProgress(0);
        m_meters[channel] = meter;
        auto* caption = new QLabel(names[channel], this);
        caption->setAlignment(Qt::AlignCenter);
        grid->addWidget(m_lights[channel], 0, channel);
        grid->addWidget(meter, 1, channel);
        grid->addWidget(caption, 2, channel);
    }
    m_clippingTimer->setObjectName("ClippingTimer");
    m_clippingTimer->setInterval(kClippingShownMs);
    m_clippingTimer->setSingleShot(true);
    connect(m_clippingTimer, &QTimer::timeout, this, &LevelMeters::ClippingTimeout);
}

void LevelMeters::SetLevels(double left, double right) {
    m_meters[0]->setProgress(static_cast<float>(left));
    m_meters[1]->setProgress(static_cast<float>(right));
}

void LevelMeters::ShowClipping(int channel, bool on) {
    paintLight(channel, on ? m_lit : m_unlit);
}

void LevelMeters::StartClippingTimer() {
    m_clippingTimer->start();
}

void LevelMeters::StopClippingTimer() {
    m_clippingTimer->stop();
}

void LevelMeters::AddColorTargets(ColorSchemeTargets& targets) {
    for (int channel = 0; channel < 2; ++channel) {
        targets.meters.push_back(m_meters[channel]);
        targets.clippingLights.push_back(
            {m_meters[channel], [this, channel](TColor color) { paintLight(channel, color); }});
    }
    targets.storeClippingColors = [this](TColor lit, TColor unlit) {
        m_lit = lit;
        m_unlit = unlit;
    };
}

void LevelMeters::paintLight(int channel, std::uint32_t color) {
    QFrame* light = m_lights[channel & 1];
    light->setStyleSheet(
        QString("QFrame#%1 { background: %2; }").arg(light->objectName(), cssColor(color)));
}

}  // namespace sonthra
