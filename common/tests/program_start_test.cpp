// What an installed program finds at its start: the files shipped for its first run, and the
// answers to --version and --help.

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// An installed tree (usr/bin beside usr/share/tlv880/coflux/Default.dat, shipped read-only as a
// package would) and a per-user data folder of its own for each test.
class FirstRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid() && m_data.isValid());
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        m_oldInfo = tlv::Program();
        tlv::ProgramInfo info;
        info.title = QStringLiteral("coflux");
        tlv::SetProgramInfo(info);
        m_bin = m_root.filePath("usr/bin");
        QDir().mkpath(m_bin);
        m_shipped = m_root.filePath("usr/share/tlv880/coflux/Default.dat");
        Write(m_shipped, "[Card]\nName=demonstration\n");
        QFile::setPermissions(m_shipped, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    }
    void TearDown() override
    {
        tlv::SetProgramInfo(m_oldInfo);
        qputenv("XDG_DATA_HOME", m_oldData);
    }

    QTemporaryDir m_root;
    QTemporaryDir m_data;
    QString m_bin;
    QString m_shipped;
    QByteArray m_oldData;
    tlv::ProgramInfo m_oldInfo;
};

TEST_F(FirstRun, TheShippedSetupIsCopiedIntoTheUsersFolderAndStaysTheUsers)
{
    const QString folder = tlv::ProgramFolderFor(m_bin);
    const QString copy = folder + "/Default.dat";
    EXPECT_EQ(ReadAll(copy), "[Card]\nName=demonstration\n");
    EXPECT_TRUE(QFileInfo(copy).isWritable()) << "the user can save over the copy";

    // The user edits it; asking for the folder again keeps the edit.
    Write(copy, "[Card]\nName=mine\n");
    EXPECT_EQ(tlv::ProgramFolderFor(m_bin), folder);
    EXPECT_EQ(ReadAll(copy), "[Card]\nName=mine\n");
}

TEST_F(FirstRun, AnExistingFileIsNeverReplaced)
{
    // The user's folder as an earlier version, or the user, left it.
    const QString folder = QDir::cleanPath(m_data.path());
    Write(folder + "/Default.dat", "[Card]\nName=older\n");
    EXPECT_EQ(tlv::ProgramFolderFor(m_bin), folder);
    EXPECT_EQ(ReadAll(folder + "/Default.dat"), "[Card]\nName=older\n");
}

TEST_F(FirstRun, OnlyInstalledProgramsAndOnlyTheirOwnFilesAreSeeded)
{
    // Another program of the package has nothing shipped for it: its folder stays empty.
    tlv::ProgramInfo other;
    other.title = QStringLiteral("tlvmonitor");
    tlv::SetProgramInfo(other);
    const QString folder = tlv::ProgramFolderFor(m_bin);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());

    // A build folder is the program's folder itself and gets nothing copied into it.
    tlv::ProgramInfo coflux;
    coflux.title = QStringLiteral("coflux");
    tlv::SetProgramInfo(coflux);
    const QString build = m_root.filePath("build/bin");
    QDir().mkpath(build);
    EXPECT_EQ(tlv::ProgramFolderFor(build), QDir::cleanPath(build));
    EXPECT_FALSE(QFileInfo::exists(build + "/Default.dat"));
}

// Runs AnswerInfoOptions on the arguments and returns its status and what it printed.
std::pair<std::optional<int>, QString> Answer(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"tlvmonitor"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    const auto status =
        tlv::AnswerInfoOptions(int(argv.size()), argv.data(), QStringLiteral("tlvmonitor"),
                               QStringLiteral("A monitor."), out.get());
    std::rewind(out.get());
    QByteArray text(4096, '\0');
    text.resize(qsizetype(std::fread(text.data(), 1, size_t(text.size()), out.get())));
    return {status, QString::fromLocal8Bit(text)};
}

TEST(InfoOptions, VersionAndHelpAreAnsweredAndEverythingElseStartsTheProgram)
{
    const auto version = Answer({"-platform", "offscreen", "--version"});
    EXPECT_EQ(version.first, 0);
    EXPECT_EQ(version.second, "tlvmonitor " + tlv::PackageVersion() + "\n");

    for (const char* help : {"--help", "-h"}) {
        const auto answer = Answer({help});
        EXPECT_EQ(answer.first, 0) << help;
        EXPECT_TRUE(answer.second.startsWith("Usage: tlvmonitor [--help | --version]\n"
                                             "A monitor.\n"))
            << answer.second.toStdString();
        EXPECT_TRUE(answer.second.contains("--version")) << help;
    }

    const auto start = Answer({"-platform", "offscreen", "--versions"});
    EXPECT_FALSE(start.first.has_value());
    EXPECT_TRUE(start.second.isEmpty());
}

} // namespace
