#include "platform/RuntimeDirectory.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// The window's tests run on a real QApplication; without a display they use Qt's offscreen platform.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    Kadex::Platform::provideRuntimeDirectory();
    QApplication app(argc, argv);
    // The window reads numbers in the operator's locale ("2.5" is no number in German). The tests pin one, so that
    // they give the same result on every machine; a case about another locale sets its own (LocaleScope).
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return RUN_ALL_TESTS();
}
