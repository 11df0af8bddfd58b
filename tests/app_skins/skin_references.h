// Stored pictures of the skinned controls, one per part, skin and scale, in
// tests/app_skins/reference, against which the tests judge what the program draws now: a skin
// image that is missing, empty or drawn wrong changes far more pixels than the tolerance allows.
// Only parts that do not depend on fonts are kept, so the pictures hold on any machine with the
// same toolkit.
//
// After an intended change of a skin, write the pictures anew and look at them before
// committing:
//     SONTHRA_UPDATE_REFERENCES=1 ctest -R app_skins_x11
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

namespace sonthra::test {

struct PictureDifference {
    bool sameSize = false;
    // The share of pixels (0..1) where some colour channel differs by more than the tolerance.
    double differingShare = 1.0;
    // The largest channel difference found.
    int largest = 0;
};
// Over `area` of both pictures (a null area: all of them).
PictureDifference comparePictures(const QImage& expected, const QImage& actual, int tolerance,
                                  QRect area = {});

// Pictures side by side in their device pixels, top-aligned, on black.
QImage sideBySide(const std::vector<QImage>& pictures);

// Judges `actual` against the reference `name` (a file name without folder): the same size, no
// channel more than 16 apart on all but 1% of the pixels, of the whole picture and of each of
// `parts` (rectangles of it) on its own, so that a small part drawn wrong is not lost in a large
// picture. A missing reference fails. On a failure the picture drawn now is written to the
// temporary folder for a person to look at. With SONTHRA_UPDATE_REFERENCES=1 the reference is
// written instead.
void expectMatchesReference(const QImage& actual, const QString& name,
                            const std::vector<QRect>& parts = {});

}  // namespace sonthra::test
