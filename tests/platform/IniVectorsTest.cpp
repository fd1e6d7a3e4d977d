#include "platform/ProfileStrings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

// The recorded behaviour of the profile-string services: every case of every *.jsonl file in the vectors folder
// (INI_VECTORS_DIR, else the repository's own copy in tests/data/ini-vectors) runs as one test named after the case.

namespace {

namespace Profile = Kadex::Platform::ProfileStrings;

// The call shape the program uses: a default of 255 blanks, a buffer of 255 bytes, -1 for whole numbers.
constexpr int ReadBufferSize = 255;
constexpr qint32 IntDefault = -1;

struct VectorCase
{
    std::string name; // the test's name: the case's id
    QString origin;   // file and line, for failure messages
    QJsonObject data;
    QString problem; // why the case cannot run; the test then fails with it
};

void PrintTo(const VectorCase &vector, std::ostream *out)
{
    *out << vector.name;
}

QString vectorsFolder()
{
    const QByteArray fromEnvironment = qgetenv("INI_VECTORS_DIR");
    return fromEnvironment.isEmpty() ? QString::fromUtf8(KADEX_SOURCE_DIR "/tests/data/ini-vectors")
                                     : QFile::decodeName(fromEnvironment);
}

std::string testName(const QString &id)
{
    std::string name;
    for (const QChar c : id) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        name += plain ? static_cast<char>(c.unicode()) : '_';
    }
    return name.empty() ? std::string("unnamed") : name;
}

// Read when the test binary starts, so that test discovery lists one test per case.
std::vector<VectorCase> loadCases()
{
    const QString folder = vectorsFolder();
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        return {VectorCase{"VectorsFolderMissing",
                           folder,
                           {},
                           QStringLiteral("no *.jsonl files in ") + folder + QStringLiteral(" (set INI_VECTORS_DIR)")}};
    }
    std::vector<VectorCase> cases;
    std::set<std::string> names;
    for (const QString &fileName : files) {
        QFile file(QDir(folder).filePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) {
            cases.push_back({testName(fileName) + "_unreadable", fileName, {}, file.errorString()});
            continue;
        }
        int lineNumber = 0;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            ++lineNumber;
            if (line.isEmpty()) {
                continue;
            }
            VectorCase vector;
            vector.origin = fileName + QLatin1Char(':') + QString::number(lineNumber);
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            vector.data = document.object();
            vector.name = testName(vector.data.value(QStringLiteral("name")).toString());
            if (!document.isObject()) {
                vector.name = testName(fileName) + "_line" + std::to_string(lineNumber);
                vector.problem = QStringLiteral("not a JSON object: ") + error.errorString();
            }
            if (!names.insert(vector.name).second) {
                vector.name += "_line" + std::to_string(lineNumber);
                vector.problem = QStringLiteral("a second case of this name");
            }
            cases.push_back(vector);
        }
    }
    return cases;
}

// A byte string of the table: every code point U+0000..U+00FF stands for one byte.
QByteArray bytesOf(const QJsonValue &value, bool *ok)
{
    const QString text = value.toString();
    *ok = value.isString();
    for (const QChar c : text) {
        *ok = *ok && c.unicode() <= 0xFF;
    }
    return text.toLatin1();
}

// Bytes as readable text, so that a failure shows both sides.
std::string shown(const QByteArray &bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += c;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            text += "\\x";
            text += hex[byte >> 4];
            text += hex[byte & 0x0F];
        }
    }
    return text;
}

class IniVectorsTest : public ::testing::TestWithParam<VectorCase>
{
protected:
    QByteArray field(const QJsonObject &object, const char *name)
    {
        bool ok = false;
        const QByteArray bytes = bytesOf(object.value(QLatin1String(name)), &ok);
        EXPECT_TRUE(ok) << "field " << name << " is no byte string";
        return bytes;
    }
};

TEST_P(IniVectorsTest, MatchesRecordedResults)
{
    const VectorCase &vector = GetParam();
    ASSERT_TRUE(vector.problem.isEmpty()) << vector.origin.toStdString() << ": " << vector.problem.toStdString();
    SCOPED_TRACE(vector.origin.toStdString());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString path = dir.filePath(QStringLiteral("test.ini"));
    const QJsonValue initial = vector.data.value(QStringLiteral("file"));
    if (!initial.isNull()) {
        const QByteArray bytes = field(vector.data, "file");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
        file.close();
    }
    const QString pathKind = vector.data.value(QStringLiteral("path_kind")).toString();
    if (pathKind == QLatin1String("empty")) {
        path.clear();
    } else if (pathKind == QLatin1String("directory")) {
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (pathKind == QLatin1String("missing_dir")) {
        path = dir.filePath(QStringLiteral("missing/test.ini"));
    } else {
        ASSERT_TRUE(pathKind.isEmpty()) << "unknown path_kind " << pathKind.toStdString();
    }

    const QJsonArray operations = vector.data.value(QStringLiteral("ops")).toArray();
    ASSERT_FALSE(operations.isEmpty());
    for (qsizetype i = 0; i < operations.size(); ++i) {
        const QJsonObject operation = operations[i].toObject();
        const QString op = operation.value(QStringLiteral("op")).toString();
        SCOPED_TRACE("operation " + std::to_string(i) + " (" + op.toStdString() + ")");
        if (op == QLatin1String("get_string")) {
            const Profile::StringResult result =
                Profile::getString(field(operation, "section"), field(operation, "key"),
                                   QByteArray(ReadBufferSize, ' '), ReadBufferSize, path);
            EXPECT_EQ(result.count, operation.value(QStringLiteral("expect_count")).toInt());
            EXPECT_EQ(shown(result.value.left(result.count)), shown(field(operation, "expect")));
        } else if (op == QLatin1String("get_int")) {
            EXPECT_EQ(Profile::getInt(field(operation, "section"), field(operation, "key"), IntDefault, path),
                      operation.value(QStringLiteral("expect")).toInteger());
        } else if (op == QLatin1String("write")) {
            const bool written = Profile::writeString(field(operation, "section"), field(operation, "key"),
                                                      field(operation, "value"), path);
            EXPECT_EQ(written ? 1 : 0, operation.value(QStringLiteral("expect_ret")).toInt());
        } else if (op == QLatin1String("chmod_readonly")) {
            // What the read-only attribute means here: nobody has a write permission bit.
            const QFileDevice::Permissions writeBits =
                QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup | QFileDevice::WriteOther;
            ASSERT_TRUE(QFile::setPermissions(path, QFile::permissions(path) & ~writeBits));
        } else {
            ADD_FAILURE() << "unknown operation " << op.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Recorded, IniVectorsTest, ::testing::ValuesIn(loadCases()),
                         [](const ::testing::TestParamInfo<VectorCase> &info) { return info.param.name; });

} // namespace

namespace {

// The repository keeps a copy of the recorded vectors so that a clone tests on its own. Where the recording's
// own folder lies beside the repository, the copy must hold the same files with the same bytes.
TEST(IniVectorsCopyTest, FollowsTheRecordedFolderBesideTheRepository)
{
    const QDir recorded(QString::fromUtf8(KADEX_SOURCE_DIR "/../shared/ini-vectors"));
    if (!recorded.exists()) {
        GTEST_SKIP() << "no recorded folder beside the repository";
    }
    const QDir copy(QString::fromUtf8(KADEX_SOURCE_DIR "/tests/data/ini-vectors"));
    const QStringList files = recorded.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    EXPECT_EQ(copy.entryList(QDir::Files, QDir::Name), files);
    for (const QString &name : files) {
        QFile original(recorded.filePath(name));
        QFile copied(copy.filePath(name));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly)) << name.toStdString();
        ASSERT_TRUE(copied.open(QIODevice::ReadOnly))
            << name.toStdString() << " is missing: copy " << recorded.path().toStdString() << " into "
            << copy.path().toStdString();
        EXPECT_TRUE(original.readAll() == copied.readAll())
            << name.toStdString() << " differs: copy " << recorded.path().toStdString() << " into "
            << copy.path().toStdString();
    }
}

} // namespace
