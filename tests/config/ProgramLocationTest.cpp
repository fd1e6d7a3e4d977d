#include "config/ProgramLocation.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

TEST(ProgramLocationTest, RootDirectoryIsTheParentOfTheProgramFolder)
{
    EXPECT_EQ(Config::rootDirectoryOf(QStringLiteral("/srv/plant/Kadex")), QStringLiteral("/srv/plant"));
    EXPECT_EQ(Config::rootDirectoryOf(QStringLiteral("/Kadex")), QString());
    EXPECT_EQ(Config::rootDirectoryOf(QStringLiteral("/")), QString());
}

TEST(ProgramLocationTest, ModuleNameIsTheProgramNameLessSevenCharacters)
{
    EXPECT_EQ(Config::moduleNameOf(QStringLiteral("Kadex_Config")), QStringLiteral("Kadex"));
    EXPECT_EQ(Config::moduleNameOf(QStringLiteral("Kadex_Cfg")), QStringLiteral("Ka"));
    EXPECT_EQ(Config::moduleNameOf(QStringLiteral("_Config")), QString());
    EXPECT_FALSE(Config::moduleNameOf(QStringLiteral("Kadex")).has_value());
}

TEST(ProgramLocationTest, TooShortProgramNameIsReportedAndGivesAnEmptyModule)
{
    TempPlant plant;
    Platform::ProcessFacts facts = plant.facts();
    facts.exeName = QStringLiteral("Kadex");
    TestRun run(plant, facts);
    run.ui.answerNext(Diag::Answer::Yes);

    EXPECT_EQ(run.services.location.GetOCXName(), QString());
    // The report itself names no module rather than reporting the short name again.
    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_TRUE(
        run.errorLogLines().first().startsWith(QStringLiteral("Fehler in  / Kadex_Config / GetOCXName (Nr. 5) :")));
}

TEST(ProgramLocationTest, OnlyAProgramInItsModuleFolderIsInAPlant)
{
    const QString kadex = QStringLiteral("Kadex_Config");
    EXPECT_EQ(Config::notInPlantNotice(QStringLiteral("/srv/plant/Kadex"), kadex), std::nullopt);
    EXPECT_EQ(Config::notInPlantNotice(QStringLiteral("/srv/plant/KADEX"), kadex), std::nullopt);
    for (const auto &[dir, name] : {std::pair{QStringLiteral("/work/build/bin"), kadex},
                                    std::pair{QStringLiteral("/srv/plant/Kadex"), QStringLiteral("Kadex")}}) {
        EXPECT_TRUE(
            Config::notInPlantNotice(dir, name).value_or(QString()).contains(QStringLiteral("not in a plant's")))
            << dir.toStdString();
    }
}

TEST(ProgramLocationTest, FileNameOnlyTakesTheLastComponent)
{
    EXPECT_EQ(Config::fileNameOnly(QStringLiteral("/srv/Plant/Kadex")), QStringLiteral("Kadex"));
    EXPECT_EQ(Config::fileNameOnly(QStringLiteral("/")), QString());
    EXPECT_EQ(Config::fileNameOnly(QStringLiteral("Kadex.mdb")), QStringLiteral("Kadex.mdb"));
}

TEST(ProgramLocationTest, ReplaceSearchItemReplacesOnlyTheFirstMatchIgnoringCase)
{
    EXPECT_EQ(Config::replaceFirst(QStringLiteral("Input ###MACHINE of ###machine"), QStringLiteral("###machine"),
                                   QStringLiteral("3")),
              QStringLiteral("Input 3 of ###machine"));
    EXPECT_EQ(Config::replaceFirst(QStringLiteral("no placeholder"), QStringLiteral("###machine"), QStringLiteral("3")),
              QStringLiteral("no placeholder"));
    EXPECT_EQ(
        Config::replaceFirst(QStringLiteral("###Var_Name.x"), QStringLiteral("###var_name"), QStringLiteral("Rpm1")),
        QStringLiteral("Rpm1.x"));
}

// Plain ASCII is searched by the program itself: it must find what the general search finds.
TEST(ProgramLocationTest, ReplaceFirstFindsAsTheGeneralSearch)
{
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("####MACHINE#"), QStringLiteral("###machine")},
        {QStringLiteral("a[b{c"), QStringLiteral("A{B")},
        {QStringLiteral("x@y`z"), QStringLiteral("Y@")},
        {QStringLiteral("tail ###Var_NAM"), QStringLiteral("###var_name")},
        {QStringLiteral("Öl.###VAR_name"), QStringLiteral("###var_name")},
        {QStringLiteral("a###VAR_name Öl"), QStringLiteral("###var_name")},
        {QStringLiteral("###\u212Aelvin"), QStringLiteral("###kelvin")},
        {QStringLiteral("STRASSE"), QStringLiteral("straße")},
        {QStringLiteral("Ö#a##\u212A###Machine"), QStringLiteral("###machine")},
    };
    for (const auto &[source, item] : cases) {
        const qsizetype at = source.indexOf(item, 0, Qt::CaseInsensitive);
        const QString expected =
            at < 0 ? source : source.left(at) + QStringLiteral("<>") + source.mid(at + item.size());
        EXPECT_EQ(Config::replaceFirst(source, item, QStringLiteral("<>")), expected) << source.toStdString();
    }
    EXPECT_EQ(Config::replaceFirst(QStringLiteral("####MACHINE#"), QStringLiteral("###machine"), QStringLiteral("<>")),
              QStringLiteral("#<>#"));
}

} // namespace
} // namespace Kadex::Test
