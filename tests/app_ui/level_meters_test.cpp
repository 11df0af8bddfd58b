// The console's level meters: the clipping lights take the scheme's lit and unlit colours.
#include <QFrame>

#include <gtest/gtest.h>

#include "app/ui/level_meters.h"
#include "view/color_scheme.h"
#include "view/ui/color_form.h"
#include "view/ui/led_widget.h"

namespace sonthra {
namespace {

QString lightStyle(LevelMeters& meters, const char* name) {
    return meters.findChild<QFrame*>(name)->styleSheet();
}

TEST(LevelMeters, ClippingLightsFollowTheSchemeAndTheLevels) {
    LevelMeters meters;
    ColorSchemeTable scheme;
    scheme.setUseDefault(kSchemeClippingLightOn, false);
    scheme.setCustomColor(kSchemeClippingLightOn, 0x0000FF);  // red
    scheme.setUseDefault(kSchemeClippingLightOff, false);
    scheme.setCustomColor(kSchemeClippingLightOff, 0x00FF00);  // green

    // Applying the scheme lights the channel whose meter stands in the clipping range.
    meters.SetLevels(0.99, 0.2);
    ColorSchemeTargets targets;
    meters.AddColorTargets(targets);
    ApplyColorScheme(scheme, targets);
    EXPECT_TRUE(lightStyle(meters, "LeftChannelClipping").contains("rgb(255, 0, 0)"));
    EXPECT_TRUE(lightStyle(meters, "RightChannelClipping").contains("rgb(0, 255, 0)"));

    // Later clipping shows in the scheme's colours, not the defaults.
    meters.ShowClipping(1, true);
    EXPECT_TRUE(lightStyle(meters, "RightChannelClipping").contains("rgb(255, 0, 0)"));
    meters.ShowClipping(0, false);
    EXPECT_TRUE(lightStyle(meters, "LeftChannelClipping").contains("rgb(0, 255, 0)"));
    EXPECT_FLOAT_EQ(meters.findChild<TLUM32VerticalLEDs*>("LedRowLeft")->Progress(), 0.99f);
}

}  // namespace
}  // namespace sonthra
