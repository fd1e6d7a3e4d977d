// Finishing the run: Cancel and the close box ask first; a failed database update is reported and the
// settings are still written.
#include "tests/app/WindowFixture.h"

#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "diag/Messages.h"

namespace Kadex::Test {

namespace {

const QString Br = Diag::Messages::LineBreak;
const QString CancelQuestion = QStringLiteral("Cancel edits?") + Br + QStringLiteral("Remark:") + Br +
                               QStringLiteral("Until now no changes have been taken over ");
const QString CancelLogLine = QStringLiteral("Konfigurations-EXE wurde abgebrochen:     Kadex");

Diag::MessageBox cancelBox(const QString &text)
{
    return {text, QStringLiteral("Cancel?"), Diag::Buttons::YesNo, Diag::Icon::Exclamation, Diag::Answer::No};
}

} // namespace

class FinishingTest : public WindowTest
{
protected:
    void SetUp() override
    {
        plant.writeStandardPlant(2);
        before = programIni();
        cfgBefore = moduleConfiguration();
    }

    void expectNothingWritten() const
    {
        EXPECT_TRUE(updates.isEmpty());
        EXPECT_EQ(programIni(), before);
        EXPECT_EQ(moduleConfiguration(), cfgBefore);
    }

    QByteArray before;
    QByteArray cfgBefore;
};

// ---- Cancel and the close box ---------------------------------------------------------------------------------

TEST_F(FinishingTest, CancelAnsweredNoKeepsEditingAndLogsNothing)
{
    open();
    paste(percent(1), QStringLiteral("7"));
    run->ui.answerNext(Diag::Answer::No);
    pressCancel();

    EXPECT_EQ(run->ui.boxes, QList<Diag::MessageBox>{cancelBox(CancelQuestion)});
    EXPECT_FALSE(window->programEnded());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->numberOfProcent(1), 7);
    EXPECT_TRUE(run->errorLogLines().isEmpty());
    expectNothingWritten();
}

TEST_F(FinishingTest, CancelAnsweredYesLogsAndEndsWithoutWriting)
{
    open();
    paste(percent(1), QStringLiteral("7"));
    run->ui.answerNext(Diag::Answer::Yes);
    pressCancel();

    EXPECT_TRUE(window->programEnded());
    EXPECT_EQ(run->ui.processEnds, 1);
    EXPECT_EQ(run->errorLogLines(), QStringList{CancelLogLine});
    expectNothingWritten();
}

TEST_F(FinishingTest, IntegratedCancelNamesTheModuleAndTheProgramPath)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    open(QStringLiteral("/EXTERNAL:R4MCFG"));
    run->ui.answerNext(Diag::Answer::No);
    pressCancel();

    const QString expected = CancelQuestion + Br +
                             QStringLiteral("\"Kadex\" has to be configured again in "
                                            "\"standalone-mode\" via ") +
                             Br + QLatin1Char('"') + plant.programDir() + QStringLiteral("/Kadex_Config\"");
    EXPECT_EQ(run->ui.boxes, QList<Diag::MessageBox>{cancelBox(expected)});
}

TEST_F(FinishingTest, CloseBoxAnsweredNoKeepsTheWindowWithItsEdits)
{
    open();
    click(check(2));
    run->ui.answerNext(Diag::Answer::No);
    EXPECT_FALSE(window->close());

    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(check(2)->isChecked());
    EXPECT_EQ(run->ui.boxes, QList<Diag::MessageBox>{cancelBox(CancelQuestion)});
    EXPECT_TRUE(run->errorLogLines().isEmpty());
}

TEST_F(FinishingTest, CloseBoxAnsweredYesClosesAndWritesNothing)
{
    open();
    click(check(2));
    run->ui.answerNext(Diag::Answer::Yes);
    EXPECT_TRUE(window->close());

    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(run->errorLogLines(), QStringList{CancelLogLine});
    expectNothingWritten();
}

TEST_F(FinishingTest, CloseRequestInASilentRunIsLoggedAndAskedNothing)
{
    bool closed = false;
    duringUpdate = [&] { closed = window->close(); };
    open(QStringLiteral("/EXTERNAL:SILENT"));

    EXPECT_TRUE(closed);
    EXPECT_TRUE(run->ui.boxes.isEmpty());
    EXPECT_EQ(run->servicePackLines(), QStringList{QStringLiteral("! Fault Kadex_Config: ") + CancelQuestion});
    EXPECT_TRUE(run->errorLogLines().isEmpty());
    // The run is cancelled: it ends there, and no setting and no stamp is written after the logged cancellation.
    EXPECT_TRUE(window->programEnded());
    EXPECT_EQ(programIni(), before);
    EXPECT_EQ(moduleConfiguration(), cfgBefore);
}

// ---- A failing database update ----------------------------------------------------------------------------------

TEST_F(FinishingTest, FailedDatabaseUpdateIsReportedAndSettingsAreStillWritten)
{
    updateFailure = Diag::Failure{Diag::ErrorNumbers::CouldNotFindFile, Diag::ErrorNumbers::SourceDatabase,
                                  QStringLiteral("Could not find file")};
    open();
    run->ui.answerNext(Diag::Answer::Yes);
    pressOK();

    EXPECT_EQ(run->errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / DAO.Database / CloseMe (Nr. 3024) :Could not find file")});
    EXPECT_TRUE(window->programEnded());
    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine2"), QStringLiteral("KadexInOrOutput8")),
              QStringLiteral("1"));
    EXPECT_EQ(run->ui.busyChanges, (QList<bool>{true, false}));
}

TEST_F(FinishingTest, FailedDatabaseUpdateAnsweredNoEndsBeforeWriting)
{
    updateFailure = Diag::Failure{Diag::ErrorNumbers::CouldNotFindFile, Diag::ErrorNumbers::SourceDatabase,
                                  QStringLiteral("Could not find file")};
    open();
    run->ui.answerNext(Diag::Answer::No);
    pressOK();

    EXPECT_TRUE(window->programEnded());
    EXPECT_EQ(run->ui.processEnds, 1);
    EXPECT_EQ(programIni(), before);
    EXPECT_EQ(moduleConfiguration(), cfgBefore);
    // The ended window asks nothing more: its closing handlers do not run.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(run->ui.boxes.size(), 1);
}

// ---- The end of the program -------------------------------------------------------------------------------------

TEST_F(FinishingTest, EndedWindowIgnoresTheOperatorsInput)
{
    open();
    const qint16 percentBefore = window->numberOfProcent(1);
    run->ui.answerNext(Diag::Answer::Yes);
    pressCancel();
    ASSERT_TRUE(window->programEnded());

    toggleInfoMode();
    paste(percent(1), QStringLiteral("20"));
    pressOK();

    EXPECT_FALSE(window->infoMode());
    EXPECT_EQ(window->numberOfProcent(1), percentBefore);
    EXPECT_EQ(run->ui.boxes.size(), 1);
    EXPECT_EQ(run->ui.processEnds, 1);
    expectNothingWritten();
}

TEST_F(FinishingTest, ProcessEndsOnlyOnceTheOuterHandlerHasUnwound)
{
    // Records, when the update inside OK's handler is unwound, whether the process has ended already.
    struct UnwindWitness
    {
        const FakeUiPort &ui;
        int &processEndsSeen;
        ~UnwindWitness() { processEndsSeen = ui.processEnds; }
    };
    int processEndsWhenUnwound = -1;
    duringUpdate = [&] {
        const UnwindWitness witness{run->ui, processEndsWhenUnwound};
        // The close box's handler runs inside OK's handler, and its confirmed cancellation ends the program there.
        run->ui.answerNext(Diag::Answer::Yes);
        window->close();
        run->ui.pumpEvents();
        ADD_FAILURE() << "the event pump did not carry the end on";
    };
    open();
    pressOK();

    EXPECT_EQ(processEndsWhenUnwound, 0);
    EXPECT_EQ(run->ui.processEnds, 1);
    EXPECT_EQ(run->errorLogLines(), QStringList{CancelLogLine});
    EXPECT_EQ(programIni(), before);
}

} // namespace Kadex::Test
