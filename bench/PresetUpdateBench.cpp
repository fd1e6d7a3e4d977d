// Times the whole preset database update (rebuild, generation, renames, take-over, final copy) on a generated
// plant, and how it grows with the number of rows.
//
//   kadex_bench [runs] [case]   runs per size (default 3), the best and the median printed;
//                               "case" times the benchmark case alone (for profiling), "old-rows" only the
//                               growth in old rows (1x, 4x and 16x the case's)
//
// The benchmark case: 5 machines, 2,000 template rows (10,000 generated rows), an old table of 10,000 rows.
// Row numbers (ID) are 16-bit and past 32,767 generated rows all rows share the last one, so the growth in
// generated rows is read off below the case (1/16 to 1), the growth in old rows above it (1 to 16 times).
#include "bench/BenchPlant.h"
#include "bench/BenchUpdate.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Kadex;

namespace {

using Bench::Machines;

struct Result
{
    double seconds = 0;
    double cpuSeconds = 0;
    long generated = 0;
    long carried = 0;
    int pumps = 0;
    bool clean = false;
};

long count(const QString &db, const char *sql)
{
    sqlite3 *handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(db).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    long value = -1;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        value = static_cast<long>(sqlite3_column_int64(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return value;
}

Result runOnce(int templateRows, int oldRows)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        throw std::runtime_error("no temporary folder");
    }
    Bench::buildGeneratedPlant(dir.path(), templateRows, oldRows);

    Bench::QuietUi ui;
    const Bench::Timing timing = Bench::runDatabaseUpdate(dir.path(), ui);
    Result result;
    result.seconds = timing.seconds;
    result.cpuSeconds = timing.cpuSeconds;

    const QString moduleDb = dir.path() + QStringLiteral("/Kadex/Kadex.mdb");
    result.generated = count(moduleDb, "SELECT count(*) FROM PRESET_DEFS");
    result.carried = count(moduleDb, "SELECT count(*) FROM PRESET_DEFS WHERE abs_min = -1");
    result.pumps = ui.pumps;
    result.clean = ui.boxes == 0 && !QFile::exists(dir.path() + QStringLiteral("/R4Mcfglog.txt"));
    return result;
}

void measure(const char *label, int templateRows, int oldRows, int runs, double baseline)
{
    std::vector<double> times;
    std::vector<double> cpuTimes;
    Result last;
    for (int i = 0; i < runs; ++i) {
        last = runOnce(templateRows, oldRows);
        times.push_back(last.seconds);
        cpuTimes.push_back(last.cpuSeconds);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    const double best = times.front();
    std::printf("%-10s %8d %10ld %9d %10ld %9.3f s %9.3f s %9.3f s %8.1fx %7d%s\n", label, templateRows, last.generated,
                oldRows, last.carried, best, times[times.size() / 2], cpuTimes.front(),
                baseline > 0 ? best / baseline : 1.0, last.pumps, last.clean ? "" : "  (reports!)");
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    using Bench::CaseOldRows;
    using Bench::CaseTemplateRows;
    std::printf("Preset database update, %d machines, best and median of %d runs\n\n", Bench::Machines, runs);
    std::printf("%-10s %8s %10s %9s %10s %11s %11s %11s %9s %7s\n", "size", "template", "generated", "old rows",
                "carried", "best", "median", "best cpu", "growth", "pumps");
    try {
        if (argc > 2 && std::string(argv[2]) == "case") {
            measure("1 (case)", CaseTemplateRows, CaseOldRows, runs, 0);
            return 0;
        }
        const bool oldRowsOnly = argc > 2 && std::string(argv[2]) == "old-rows";
        if (!oldRowsOnly) {
            std::printf("-- generated rows grow (old table of the same size)\n");
            const auto base = runOnce(CaseTemplateRows / 16, CaseOldRows / 16).seconds;
            measure("1/16", CaseTemplateRows / 16, CaseOldRows / 16, runs, base);
            measure("1/4", CaseTemplateRows / 4, CaseOldRows / 4, runs, base);
            measure("1 (case)", CaseTemplateRows, CaseOldRows, runs, base);
        }
        std::printf("-- old rows grow (the case's 10,000 generated rows)\n");
        const auto caseTime = runOnce(CaseTemplateRows, CaseOldRows).seconds;
        measure("1x", CaseTemplateRows, CaseOldRows, runs, caseTime);
        measure("4x", CaseTemplateRows, CaseOldRows * 4, runs, caseTime);
        measure("16x", CaseTemplateRows, CaseOldRows * 16, runs, caseTime);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "kadex_bench: %s\n", error.what());
        return 1;
    } catch (const Diag::ProgramEnded &) {
        std::fprintf(stderr, "kadex_bench: the update ended the program\n");
        return 1;
    }
    return 0;
}
