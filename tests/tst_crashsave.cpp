#include "crashsaver/crashmaps.h"

#include "mapfile/fileio.h"
#include "mapfile/mapwriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

constexpr int Kills = 32;

// What the saver had printed when it was killed.
struct SaverLog
{
    bool ready = false;
    int lastSaved = -1; // map of the last finished save, -1 before the first
    int saving = -1; // map being saved at the kill, -1 between saves
    int saves = 0;
    qint64 slowestMs = 0;
};

SaverLog parseLog(const QByteArray& output)
{
    SaverLog log;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words[0] == "ready") {
            log.ready = true;
        } else if (words[0] == "saving" && words.size() == 2) {
            log.saving = words[1].toInt();
        } else if (words[0] == "saved" && words.size() == 3) {
            log.lastSaved = words[1].toInt();
            log.saving = -1;
            ++log.saves;
            log.slowestMs = std::max(log.slowestMs, words[2].toLongLong());
        }
    }
    return log;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCrashSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedSaveLeavesOneWholeMap();

private:
    QByteArray maps[2];
};

void TestCrashSave::initTestCase()
{
    maps[0] = formatMapFile(crashTestMap(0));
    maps[1] = formatMapFile(crashTestMap(1));
    QVERIFY(maps[0] != maps[1]);
    QVERIFY(maps[0].size() > 8 * 1024 * 1024);
}

// The saver is killed at random moments of its save loop; each time the file
// must be one of the two maps, byte for byte, the one that the saver last
// reported saved unless the kill came during a save, and nothing but
// QSaveFile's own temporary names may be left in the folder.
void TestCrashSave::killedSaveLeavesOneWholeMap()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("large.map"));
    QString reason;
    QVERIFY2(saveFileAtomically(target, maps[0], &reason), qPrintable(reason));
    int current = 0;

    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("random seed %u", seed);
    QRandomGenerator random(seed);
    // Kills land anywhere in up to two and a half saves; the estimate grows
    // with the slowest save seen, so a slow disk only spreads them wider.
    qint64 saveMs = 100;
    int killsDuringSave = 0;
    int savesFinished = 0;
    int strayTemps = 0;
    const QRegularExpression strayTempName(QStringLiteral("^large\\.map\\.[A-Za-z0-9]{6}$"));

    for (int round = 0; round < Kills; ++round) {
        QProcess saver;
        saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        saver.start(QStringLiteral(VARNHOLD_CRASHSAVER), { target, QString::number(1 - current) });
        QVERIFY2(saver.waitForStarted(), qPrintable(saver.errorString()));
        QByteArray output;
        while (!output.contains("ready\n")) {
            QVERIFY2(saver.waitForReadyRead(60000), "the saver did not get ready");
            output += saver.readAllStandardOutput();
        }
        const auto delay = qint64(random.bounded(quint32(saveMs * 5 / 2)));
        QTest::qSleep(int(delay));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        output += saver.readAllStandardOutput();
        const SaverLog log = parseLog(output);
        // A normal exit means a save failed; the saver said why on stderr.
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        saveMs = std::max(saveMs, log.slowestMs);
        savesFinished += log.saves;

        const QByteArray content = readAll(target);
        int found = -1;
        if (content == maps[0])
            found = 0;
        else if (content == maps[1])
            found = 1;
        QVERIFY2(found >= 0,
                 qPrintable(QStringLiteral("kill %1 after %2 ms: the file holds %3 bytes "
                                           "that are neither map")
                                .arg(round)
                                .arg(delay)
                                .arg(content.size())));
        if (log.saving >= 0) {
            ++killsDuringSave;
            const int before = log.lastSaved >= 0 ? log.lastSaved : current;
            QVERIFY2(found == log.saving || found == before,
                     qPrintable(QStringLiteral("kill %1: map %2 instead of %3 or %4")
                                    .arg(round)
                                    .arg(found)
                                    .arg(before)
                                    .arg(log.saving)));
        } else if (log.lastSaved >= 0) {
            QCOMPARE(found, log.lastSaved);
        } else {
            QCOMPARE(found, current);
        }
        current = found;

        // QSaveFile writes into an unnamed file and links it in under a
        // temporary name just before the rename: a kill between the two
        // leaves that name behind, which no program can clean up for itself.
        QDir folder(dir.path());
        for (const QString& name :
             folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (name == QLatin1String("large.map"))
                continue;
            QVERIFY2(strayTempName.match(name).hasMatch(),
                     qPrintable(QStringLiteral("kill %1 left %2").arg(round).arg(name)));
            QVERIFY(folder.remove(name));
            ++strayTemps;
        }
    }
    qInfo("%d kills, %d of them during a save; %d saves finished; slowest save %lld ms; "
          "%d temporary files left",
          Kills, killsDuringSave, savesFinished, saveMs, strayTemps);
    // Kills between saves prove nothing; the saver spends nearly all its
    // time inside one, so most kills must have found it there.
    QVERIFY2(killsDuringSave >= Kills / 2, "too few kills came during a save");
}

QTEST_GUILESS_MAIN(TestCrashSave)
#include "tst_crashsave.moc"
