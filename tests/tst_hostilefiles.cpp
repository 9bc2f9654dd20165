#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// varnhold-map run as a user runs it, on files made to hurt: its peak
// memory on images that decode far larger than their files, and a save past
// the file-size limit.
class TestHostileFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void largeGifScreensStayWithinBudget();
    void fileSizeLimitFailsTheSaveOnly();

private:
    QTemporaryDir folder;
    QString startFolder;
};

namespace {

struct Run
{
    bool exited = false;
    int status = -1; // the exit status, or the signal that ended it
    qint64 peakKilobytes = 0;
    QString output; // standard output and error
};

// Runs varnhold-map with the files it writes limited to `fileSizeLimit`
// bytes, SIGXFSZ as the system leaves it.
Run runMapProgram(const QStringList& arguments, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    std::vector<QByteArray> words { QByteArray(VARNHOLD_MAP_PROGRAM) };
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    Run run;
    int channel[2];
    if (::pipe(channel) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(channel[1], STDOUT_FILENO);
        ::dup2(channel[1], STDERR_FILENO);
        ::close(channel[0]);
        ::close(channel[1]);
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(channel[1]);
    QByteArray output;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child)
        return run;
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    run.peakKilobytes = usage.ru_maxrss;
    run.output = QString::fromLocal8Bit(output);
    return run;
}

bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A map of one cell of tile 0 naming these tile sets.
QByteArray mapNaming(const QStringList& names)
{
    return QByteArray::number(names.size()) + '\n' + names.join('\n').toLatin1() + "\n1 1\n0 0 0\n0 0 0\n";
}

} // namespace

void TestHostileFiles::initTestCase()
{
    QVERIFY(folder.isValid());
    startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
}

void TestHostileFiles::cleanupTestCase()
{
    QDir::setCurrent(startFolder);
}

void TestHostileFiles::largeGifScreensStayWithinBudget()
{
    // 34 bytes each, a 500 x 500 frame on a 5700 x 5700 screen: 124 MB
    // decoded. Four fit in the 512 MB of tile sets.
    QByteArray gif(
        "GIF89a\x44\x16\x44\x16\x80\0\0\0\0\0\xff\xff\xff\x2c\0\0\0\0\xf4\x01\xf4\x01\0\x02\x01\x2c\0\x3b",
        34);
    QStringList names;
    for (int i = 0; i < 8; ++i) {
        names << QStringLiteral("screen%1.gif").arg(i);
        QVERIFY(writeFile(names.last(), gif));
    }
    QVERIFY(writeFile(QStringLiteral("gifs.map"), mapNaming(names)));
    const Run run = runMapProgram({ "check", "gifs.map" });
    QVERIFY2(run.exited, qPrintable(run.output));
    QCOMPARE(run.status, 1);
    QCOMPARE(
        run.output.count(QStringLiteral("pixels, 124 MB decoded; with the 496 MB of tile sets already loaded "
                                        "that is more than the 512 MB all tile sets may take together")),
        4);
    qInfo("peak resident memory of check: %lld MB", run.peakKilobytes / 1024);
#ifndef __SANITIZE_ADDRESS__
    QVERIFY(run.peakKilobytes <= 700 * 1024);
#endif
}

void TestHostileFiles::fileSizeLimitFailsTheSaveOnly()
{
    QVERIFY(writeFile(QStringLiteral("empty.map"),
                      "0\n2 2\n-1 -1 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n"));
    QVERIFY(writeFile(QStringLiteral("picture.png"), "old picture"));
    // The picture's PNG is larger than the limit: the write fails, the
    // program goes on to say so, and the old file stays.
    const Run run = runMapProgram({ "render", "empty.map", "-o", "picture.png" }, 64);
    QVERIFY2(run.exited, qPrintable(QStringLiteral("ended by signal %1").arg(run.status)));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.output.startsWith(QLatin1String("picture.png: cannot be written: ")),
             qPrintable(run.output));
    QVERIFY2(run.output.contains(QLatin1String("File too large")), qPrintable(run.output));
    QFile old(QStringLiteral("picture.png"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old picture"));
    QCOMPARE(QDir().entryList({ "picture.png*" }), QStringList { "picture.png" });
}

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
