#pragma once

#include "diag/UiPort.h"

#include <QString>

// The database update as the benchmarks time it.
namespace Kadex::Bench {

// A UI port that answers every box with its default button and counts the boxes and the event pumps. The end of
// the program unwinds, as in the program, to the bench's main, which reports it and fails.
class QuietUi : public Diag::UiPort
{
public:
    void setBusy(bool) override {}

    int boxes = 0;
    int pumps = 0;

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override;
    void doPumpEvents() override { ++pumps; }
};

struct Timing
{
    double seconds = 0;
    double cpuSeconds = 0;
};

// Runs the database update of a silent run on the plant at root, as the program runs it: the replaced module
// database is kept in the history. Failures go to ui and to root/ServicePack.log. Wall and CPU time of the update.
Timing runDatabaseUpdate(const QString &root, QuietUi &ui);

} // namespace Kadex::Bench
