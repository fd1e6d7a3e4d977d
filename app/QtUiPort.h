#pragma once

#include "diag/UiPort.h"

#include <QString>

namespace Kadex::App {

// The message-box text as the window shows it: each line break of the program's messages (LF CR, or CR LF in
// the info display) becomes one line break.
QString shownMessageText(const QString &text);

// Ends the process at once with the given status: output is flushed, no closing handler or destructor runs.
[[noreturn]] void endProcessNow(int status);

// The UI port of an interactive run: real modal message boxes, the wait cursor and the event pump.
class QtUiPort : public Diag::UiPort
{
public:
    // exeName is the title of a box that has none of its own.
    explicit QtUiPort(QString exeName);
    ~QtUiPort() override;

    void setBusy(bool busy) override;
    [[noreturn]] void endProcess() override;

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override;
    // Excludes user input, so that a click during the finishing cannot start anything new.
    void doPumpEvents() override;

    QString m_exeName;
    int m_busyLevel = 0;
};

} // namespace Kadex::App
