#include "app_skins/skin_references.h"

#include <QDir>
#include <QPainter>
#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace sonthra::test {

namespace {

constexpr int kTolerance = 16;
constexpr double kLargestShare = 0.01;

QString referenceFolder() {
    return qEnvironmentVariable("SONTHRA_SOURCE_DIR", SONTHRA_TEST_SOURCE_DIR) +
           "/tests/app_skins/reference";
}

}  // namespace

PictureDifference comparePictures(const QImage& expected, const QImage& actual, int tolerance,
                                  QRect area) {
    PictureDifference result;
    if (expected.isNull() || actual.isNull() || expected.size() != actual.size()) return result;
    result.sameSize = true;
    area = area.isNull() ? expected.rect() : area.intersected(expected.rect());
    if (area.isEmpty()) return result;
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int channel = std::max({std::abs(qRed(rowA[x]) - qRed(rowB[x])),
                                          std::abs(qGreen(rowA[x]) - qGreen(rowB[x])),
                                          std::abs(qBlue(rowA[x]) - qBlue(rowB[x]))});
            result.largest = std::max(result.largest, channel);
            if (channel > tolerance) ++differing;
        }
    }
    result.differingShare =
        static_cast<double>(differing) / (static_cast<double>(area.width()) * area.height());
    return result;
}

QImage sideBySide(const std::vector<QImage>& pictures) {
    int width = 0;
    int height = 0;
    for (const QImage& picture : pictures) {
        width += picture.width();
        height = std::max(height, picture.height());
    }
    QImage sheet(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    int x = 0;
    for (QImage picture : pictures) {
        // Device pixels one to one: a picture of a dense screen is not scaled down.
        picture.setDevicePixelRatio(1.0);
        painter.drawImage(x, 0, picture);
        x += picture.width();
    }
    return sheet;
}

void expectMatchesReference(const QImage& actual, const QString& name,
                            const std::vector<QRect>& parts) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_FALSE(actual.isNull());
    const QString path = referenceFolder() + "/" + name;
    const QImage picture = actual.convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariable("SONTHRA_UPDATE_REFERENCES") == "1") {
        QDir().mkpath(referenceFolder());
        EXPECT_TRUE(picture.save(path, "PNG", 0)) << path.toStdString();
        return;
    }
    const QImage expected(path);
    std::vector<QRect> areas{QRect()};
    areas.insert(areas.end(), parts.begin(), parts.end());
    for (const QRect& area : areas) {
        const PictureDifference difference = comparePictures(expected, picture, kTolerance, area);
        if (difference.sameSize && difference.differingShare <= kLargestShare) continue;
        const QString kept = QDir::temp().filePath("sonthra-skin-" + name);
        picture.save(kept, "PNG");
        const QRect r = area.isNull() ? picture.rect() : area;
        ADD_FAILURE() << (expected.isNull() ? "no reference picture " : "differs from ")
                      << path.toStdString() << ": " << expected.width() << "x" << expected.height()
                      << " against " << picture.width() << "x" << picture.height() << "; in "
                      << r.width() << "x" << r.height() << "+" << r.x() << "+" << r.y() << " "
                      << difference.differingShare * 100 << "% of the pixels differ (largest "
                      << difference.largest << "); drawn now: " << kept.toStdString();
        return;
    }
}

}  // namespace sonthra::test
