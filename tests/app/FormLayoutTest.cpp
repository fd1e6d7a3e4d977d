// The fixed layout of the window at 96 dpi, its start state, and that resizing moves nothing.
#include "tests/app/WindowFixture.h"

#include "app/FormLayout.h"
#include "tests/support/ShippedLanguageFile.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

namespace Kadex::Test {

namespace {

struct KeyPosition
{
    const char *name;
    int index;      // -1: no array member
    QRect geometry; // in the parent's client area, pixels at 96 dpi
};

} // namespace

class FormLayoutTest : public WindowTest
{
protected:
    void SetUp() override
    {
        plant.writeStandardPlant(5);
        createWindow();
    }

    void createWindow()
    {
        window.reset();
        run = std::make_unique<TestRun>(plant);
        window = std::make_unique<App::MainWindow>(run->services, run->ui, [] {});
    }

    // Every caption of the loaded, shown window fits its control.
    void expectCaptionsFit();

    QWidget *widget(const char *name, int index) const
    {
        return index < 0 ? control<QWidget>(QString::fromLatin1(name))
                         : control<QWidget>(QString::fromLatin1(name), index);
    }
};

TEST_F(FormLayoutTest, KeyPositionsConvertFromTwipsAtFifteenPerPixel)
{
    if (window->logicalDpiX() != 96) {
        GTEST_SKIP() << "positions are checked at 96 dpi; this screen has " << window->logicalDpiX();
    }
    EXPECT_EQ(window->size(), QSize(792, 573));
    const KeyPosition positions[] = {
        {"Header", -1, {2, 2, 483, 24}},
        {"MainFrame", -1, {0, 26, 792, 484}},
        {"CommandQuest", -1, {490, 514, 65, 57}},
        {"CommandOK", -1, {560, 514, 113, 57}},
        {"CommandCancel", -1, {678, 514, 113, 57}},
        {"FrameKadex", -1, {6, 8, 716, 211}},
        {"ComboMachines", 1, {152, 38, 97, 28}},
        {"TextPercent", 5, {352, 168, 97, 30}},
        {"FrameMa", 4, {582, 219, 140, 228}},
        {"LabelMaEinAus", 14, {93, 44, 43, 20}},
        {"LabelMaNummer", 39, {6, 206, 12, 20}},
        {"CheckMa", 119, {106, 204, 16, 20}},
    };
    for (const KeyPosition &position : positions) {
        EXPECT_EQ(widget(position.name, position.index)->geometry(), position.geometry)
            << position.name << position.index;
    }
    EXPECT_EQ(check(119)->parentWidget(), control<QWidget>(QStringLiteral("FrameMa"), 4));
}

TEST_F(FormLayoutTest, BeforeLoadingOnlyTheFirstMatrixFrameShows)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto *frame0 = control<QGroupBox>(QStringLiteral("FrameMa"), 0);
    EXPECT_TRUE(frame0->isVisible());
    EXPECT_EQ(frame0->title(), QStringLiteral("Ma1"));
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FALSE(control<QWidget>(QStringLiteral("FrameMa"), k)->isVisible()) << k;
    }
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(control<QWidget>(QStringLiteral("LabelM"), i)->isVisible()) << i;
        EXPECT_FALSE(machineList(i)->isVisible()) << i;
        EXPECT_FALSE(percent(i)->isVisible()) << i;
    }
    for (int index = 0; index < 24; ++index) {
        EXPECT_FALSE(check(index)->isChecked()) << index;
    }
    // The doubled ampersand shows as one and marks no access key.
    EXPECT_EQ(control<QLabel>(QStringLiteral("LabelMaUeber"), 0)->text(), QStringLiteral("Zus.Eing.& Ausg."));
}

// The room a frame's title takes, as the style draws it.
QRect frameTitleRect(const QGroupBox *frame)
{
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.textAlignment = frame->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
}

void FormLayoutTest::expectCaptionsFit()
{
    window->load();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // The design font's widths come from one installed font; without it the captions are set in a wider one.
    const QString used = QFontInfo(control<QLabel>(QStringLiteral("Label1"))->font()).family();
    EXPECT_EQ(used, QString::fromLatin1(App::DesignFontFamily))
        << "the font " << App::DesignFontFamily << " is missing (Debian package " << App::DesignFontPackage
        << ", installed by scripts/install-deps.sh); the captions are set in " << used.toStdString();

    int captions = 0;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        QString caption;
        QSize needed;
        if (const auto *label = qobject_cast<QLabel *>(control)) {
            caption = label->text();
            needed = label->sizeHint();
        } else if (const auto *frame = qobject_cast<QGroupBox *>(control)) {
            caption = frame->title();
            const QRect title = frameTitleRect(frame);
            needed = QSize(title.right() + 1, title.bottom() + 1);
        } else if (const auto *button = qobject_cast<QAbstractButton *>(control)) {
            caption = button->text();
            needed = button->sizeHint();
        }
        if (caption.isEmpty()) {
            continue;
        }
        ++captions;
        const std::string where = control->objectName().toStdString() +
                                  control->property("controlIndex").toString().toStdString() + " \"" +
                                  caption.toStdString() + "\" in " + QFontInfo(control->font()).family().toStdString();
        EXPECT_LE(needed.width(), control->width()) << where;
        EXPECT_LE(needed.height(), control->height()) << where;
    }
    EXPECT_GT(captions, 40);
}

TEST_F(FormLayoutTest, EveryCaptionFitsItsControlInTheFontsInUse)
{
    // The designed captions (the program's first run writes them), then those of every language shipped.
    for (const QString &language : QStringList{QString()} + shippedLanguages()) {
        SCOPED_TRACE(language.isEmpty() ? std::string("designed captions") : "language " + language.toStdString());
        if (!language.isEmpty()) {
            plant.write(QStringLiteral("Kadex/Kadex_Config.ini"), shippedLanguageFile(language));
            createWindow();
        }
        expectCaptionsFit();
    }
}

TEST_F(FormLayoutTest, ResizingOrMaximisingMovesNothing)
{
    window->load();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QList<QRect> before;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        before.append(child->geometry());
    }
    window->resize(1200, 900);
    window->resize(300, 200);
    window->showMaximized();
    QList<QRect> after;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        after.append(child->geometry());
    }
    EXPECT_EQ(after, before);
}

} // namespace Kadex::Test
