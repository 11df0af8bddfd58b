// Rec Source through the real main window on the test sound server: the button offers every
// input source as a list below itself with the current one checked, and the source chosen is
// the one the mixer records from.
#include <QAbstractButton>
#include <QMenu>
#include <QSignalSpy>

#include "app/ui/record_source_menu.h"
#include "app_edit/edit_fixture.h"
#include "engine/mixer_start.h"

namespace sonthra {
namespace {

class RecordSourceTest : public EditWindowTest {
protected:
    QAbstractButton* button() { return form.findChild<QAbstractButton*>("RecSourceButton"); }
    QString sourceLabel() { return form.findChild<QLabel*>("RecordingSourceLabel")->text(); }
};

TEST_F(RecordSourceTest, TheButtonOffersTheSourcesAsAListAndTheChoiceIsSelected) {
    form.PostCreate();  // starts the mixer, which lists the sources
    const MixerSources sources = form.InputSources();
    ASSERT_FALSE(sources.names.empty()) << "the test server offers at least its monitor";
    QTest::mouseClick(button(), Qt::LeftButton);
    auto* list = form.findChild<RecordSourceMenu*>("RecordSourceMenu");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
    EXPECT_EQ(list->pos(), button()->mapToGlobal(QPoint(0, button()->height())));

    // Every source by name, the current one checked, nothing selected yet.
    const QList<QAction*> items = list->actions();
    ASSERT_EQ(items.size(), static_cast<int>(sources.names.size()));
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->text().replace("&&", "&").toStdString(), sources.names[i]);
        EXPECT_EQ(items[i]->isChecked(), i == sources.current) << i;
    }
    EXPECT_EQ(form.InputSources().current, sources.current);

    // Choosing the current one again changes nothing.
    QSignalSpy chosen(list, &RecordSourceMenu::SourceChosen);
    items.at(sources.current)->trigger();
    EXPECT_EQ(chosen.count(), 0);
    list->hide();
    if (sources.names.size() < 2) GTEST_SKIP() << "the server offers a single input source";

    // Another source chosen from the list is the recording source, and the label says so.
    const int other = sources.current == 0 ? 1 : 0;
    QTest::mouseClick(button(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
    list->actions().at(other)->trigger();
    list->hide();
    EXPECT_EQ(form.InputSources().current, other);
    EXPECT_EQ(sourceLabel().toStdString(), sources.names[other]);
    EXPECT_TRUE(mixer.IsCurrentInputSourceSelected(other));
    EXPECT_TRUE(messages().isEmpty());
}

}  // namespace
}  // namespace sonthra
