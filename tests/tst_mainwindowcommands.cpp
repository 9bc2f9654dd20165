#include "app/mainwindow.h"
#include "app/resizedialog.h"
#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"

#include "support/modalanswerer.h"
#include "support/windowstate.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

bool writeImage(const QString& path)
{
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path);
}

// A map file of the given size with no tile sets and untouched cells.
bool writeEmptyMap(const QString& path, int width, int height)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "0\n" + QByteArray::number(width) + ' ' + QByteArray::number(height) + '\n';
    for (int i = 0; i < 2 * width * height; ++i)
        text += "-1 -1 0\n";
    return file.write(text) == text.size();
}

const QStringList toolTexts { "Paint Tiles", "Erase Tiles", "Paint Squares", "Select Tiles", "Set Pass" };
const QStringList zoomTexts { "Zoom 1.0x", "Zoom 0.8x", "Zoom 0.6x", "Zoom 0.4x", "Zoom 0.2x" };

} // namespace

class TestMainWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void toolGroup_data();
    void toolGroup();
    void zoomGroup_data();
    void zoomGroup();

    void saveNames_data();
    void saveNames();
    void saveActionsWrite_data();
    void saveActionsWrite();
    void cancelledSaveWritesNothing_data();
    void cancelledSaveWritesNothing();
    void appendedSuffixAsksBeforeReplacing_data();
    void appendedSuffixAsksBeforeReplacing();

    void loadTileSetUsesRelativePath_data();
    void loadTileSetUsesRelativePath();
    void cancelledTileSetLoadsNothing();

    void importReadsTheChosenFile();
    void cancelledImportKeepsTheMap();
    void tiledMapIsSavedAsAMapFile();

    void resizeThroughTheDialog_data();
    void resizeThroughTheDialog();
    void resizePresetClampsALargeMap();

    void newSetEmptiesWithoutAsking();
    void commandsWithoutBehaviour_data();
    void commandsWithoutBehaviour();
    void exitClosesTheWindow();
    void closeAsksOnlyWithUnsavedChanges_data();
    void closeAsksOnlyWithUnsavedChanges();
    void noWaitCursorLeftBehind();
    void aboutNamesProgramAndVersion();

private:
    // Selects a tile of a freshly loaded image and paints it into cell (2, 2).
    bool paintOneCell();
    QStringList checkedOf(const QStringList& texts) const;
    bool invokeBool(const char* slot);

    QTemporaryDir tempDir;
    QString root; // canonical path of tempDir
    QString workDir; // the current folder during each test
    QString previousDir;
    std::unique_ptr<MainWindow> window;
    WorldViewWidget* canvas = nullptr;
    TileSetWidget* palette = nullptr;
};

void TestMainWindowCommands::init()
{
    QVERIFY(tempDir.isValid());
    root = QFileInfo(tempDir.path()).canonicalFilePath();
    workDir = root + QStringLiteral("/work");
    QDir(workDir).removeRecursively();
    QVERIFY(QDir().mkpath(workDir));
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir));

    window = std::make_unique<MainWindow>();
    canvas = window->findChild<WorldViewWidget*>();
    palette = window->findChild<TileSetWidget*>();
    QVERIFY(canvas && palette);
}

void TestMainWindowCommands::cleanup()
{
    window.reset();
    canvas = nullptr;
    palette = nullptr;
    QDir::setCurrent(previousDir);
}

bool TestMainWindowCommands::paintOneCell()
{
    const QString image = workDir + QStringLiteral("/grass.png");
    if (!writeImage(image) || !palette->loadTileSet(QStringLiteral("grass.png")))
        return false;
    if (!showExposed(window.get()))
        return false;
    QTest::mouseClick(palette, Qt::LeftButton, {}, palette->cellRect(1, 1).center());
    QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->cellRect(2, 2).center());
    return canvas->topLayerCells()[2][2].tileIndex == 3;
}

QStringList TestMainWindowCommands::checkedOf(const QStringList& texts) const
{
    QStringList checked;
    for (const QString& text : texts) {
        if (actionByText(*window, text)->isChecked())
            checked << text;
    }
    return checked;
}

bool TestMainWindowCommands::invokeBool(const char* slot)
{
    bool result = false;
    if (!QMetaObject::invokeMethod(window.get(), slot, Qt::DirectConnection, Q_RETURN_ARG(bool, result)))
        qWarning("no slot %s", slot);
    return result;
}

void TestMainWindowCommands::toolGroup_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tool");

    QTest::newRow("Erase after Paint") << ""
                                       << "Erase Tiles" << int(WorldViewWidget::Erase);
    QTest::newRow("Paint Squares after Paint") << ""
                                               << "Paint Squares" << int(WorldViewWidget::Square);
    QTest::newRow("Select after Paint") << ""
                                        << "Select Tiles" << int(WorldViewWidget::Select);
    QTest::newRow("Pass after Paint") << ""
                                      << "Set Pass" << int(WorldViewWidget::Pass);
    QTest::newRow("Paint, already checked at start") << ""
                                                     << "Paint Tiles" << int(WorldViewWidget::Paint);
    QTest::newRow("Paint after Pass") << "Set Pass"
                                      << "Paint Tiles" << int(WorldViewWidget::Paint);
    QTest::newRow("Erase after Select") << "Select Tiles"
                                        << "Erase Tiles" << int(WorldViewWidget::Erase);
}

void TestMainWindowCommands::toolGroup()
{
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(int, tool);
    if (!before.isEmpty())
        actionByText(*window, before)->trigger();

    QAction* action = actionByText(*window, text);
    action->trigger();
    QCOMPARE(canvas->tool(), tool);
    QCOMPARE(checkedOf(toolTexts), QStringList { text });

    // Choosing the tool in use again keeps it, and its check mark.
    action->trigger();
    QCOMPARE(canvas->tool(), tool);
    QCOMPARE(checkedOf(toolTexts), QStringList { text });
}

void TestMainWindowCommands::zoomGroup_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("zoom");

    QTest::newRow("0.8 after 1.0") << ""
                                   << "Zoom 0.8x" << 0.8f;
    QTest::newRow("0.6 after 1.0") << ""
                                   << "Zoom 0.6x" << 0.6f;
    QTest::newRow("0.4 after 1.0") << ""
                                   << "Zoom 0.4x" << 0.4f;
    QTest::newRow("0.2 after 1.0") << ""
                                   << "Zoom 0.2x" << 0.2f;
    QTest::newRow("1.0, already checked at start") << ""
                                                   << "Zoom 1.0x" << 1.0f;
    QTest::newRow("1.0 after 0.2") << "Zoom 0.2x"
                                   << "Zoom 1.0x" << 1.0f;
    QTest::newRow("0.4 after 0.6") << "Zoom 0.6x"
                                   << "Zoom 0.4x" << 0.4f;
}

void TestMainWindowCommands::zoomGroup()
{
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(float, zoom);
    if (!before.isEmpty())
        actionByText(*window, before)->trigger();

    QAction* action = actionByText(*window, text);
    action->trigger();
    QVERIFY(canvas->zoom() == zoom);
    QCOMPARE(checkedOf(zoomTexts), QStringList { text });

    action->trigger();
    QVERIFY(canvas->zoom() == zoom);
    QCOMPARE(checkedOf(zoomTexts), QStringList { text });
}

void TestMainWindowCommands::saveNames_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");

    for (const char* slot : { "saveSet", "saveAll" }) {
        const QString name = QString::fromLatin1(slot);
        QTest::addRow("%s: level1 gets .map", slot) << name << "level1"
                                                    << "level1.map";
        QTest::addRow("%s: level1.map kept", slot) << name << "level1.map"
                                                   << "level1.map";
        QTest::addRow("%s: level1.MAP gets .map", slot) << name << "level1.MAP"
                                                        << "level1.MAP.map";
        QTest::addRow("%s: level1.map.txt gets .map", slot) << name << "level1.map.txt"
                                                            << "level1.map.txt.map";
    }
}

void TestMainWindowCommands::saveNames()
{
    QFETCH(QString, slot);
    QFETCH(QString, typed);
    QFETCH(QString, written);

    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(typed, &seen));
    answerer.expect(closeAnything());
    QVERIFY(invokeBool(slot.toLatin1().constData()));
    VERIFY_ANSWERED(answerer);
    QVERIFY(!seen.refused);
    QCOMPARE(answerer.seenCount(), 1);
    QCOMPARE(seen.title, QStringLiteral("Save GameSet"));
    QCOMPARE(seen.filters, QStringList { QStringLiteral("Map files (*.map)") });
    QCOMPARE(seen.directory, workDir);
    QCOMPARE(seen.acceptMode, int(QFileDialog::AcceptSave));

    QCOMPARE(QDir(workDir).entryList(QDir::Files), QStringList { written });
    QVERIFY(readAll(workDir + QLatin1Char('/') + written).startsWith(QStringLiteral("0\n30 30\n-1 -1 0\n")));
}

void TestMainWindowCommands::saveActionsWrite_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("Save Set") << "Save Set";
    QTest::newRow("Save All") << "&Save All";
}

void TestMainWindowCommands::saveActionsWrite()
{
    QFETCH(QString, text);
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QStringLiteral("level1"), &seen));
    answerer.expect(closeAnything());
    actionByText(*window, text)->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 1);
    QCOMPARE(seen.title, QStringLiteral("Save GameSet"));
    QVERIFY(QFileInfo::exists(workDir + QStringLiteral("/level1.map")));
}

void TestMainWindowCommands::cancelledSaveWritesNothing_data()
{
    QTest::addColumn<QString>("slot");

    QTest::newRow("Save Set") << "saveSet";
    QTest::newRow("Save All") << "saveAll";
}

void TestMainWindowCommands::cancelledSaveWritesNothing()
{
    QFETCH(QString, slot);
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QString(), &seen));
    answerer.expect(closeAnything());
    QVERIFY(!invokeBool(slot.toLatin1().constData()));
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 1);
    QVERIFY(QDir(workDir).entryList(QDir::Files).isEmpty());
}

void TestMainWindowCommands::appendedSuffixAsksBeforeReplacing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("No keeps the old file") << int(QMessageBox::No) << false;
    QTest::newRow("Yes replaces it") << int(QMessageBox::Yes) << true;
}

void TestMainWindowCommands::appendedSuffixAsksBeforeReplacing()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    const QString existing = workDir + QStringLiteral("/level1.map");
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("an earlier map\n");
    }

    // The dialog checks only the typed name "level1", which does not exist.
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QStringLiteral("level1"), &seen));
    answerer.expect(pressButton(QMessageBox::StandardButton(answer)));
    answerer.expect(closeAnything());
    QCOMPARE(invokeBool("saveSet"), replaced);
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 2);
    QCOMPARE(answerer.seenTitles().at(1), QStringLiteral("Save GameSet"));
    QVERIFY(answerer.seenTexts().at(1).contains(QStringLiteral("level1.map already exists")));
    QCOMPARE(readAll(existing).startsWith(QStringLiteral("0\n30 30\n")), replaced);
    QCOMPARE(readAll(existing) == QStringLiteral("an earlier map\n"), !replaced);
}

void TestMainWindowCommands::loadTileSetUsesRelativePath_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");

    QTest::newRow("subfolder") << "work/tiles/grass.png"
                               << "tiles/grass.png";
    QTest::newRow("current folder") << "work/grass.png"
                                    << "grass.png";
    QTest::newRow("parent folder") << "parent.png"
                                   << "../parent.png";
    QTest::newRow("sibling folder") << "other/rock.png"
                                    << "../other/rock.png";
}

void TestMainWindowCommands::loadTileSetUsesRelativePath()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    const QString path = root + QLatin1Char('/') + file;
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeImage(path));

    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(path, &seen));
    answerer.expect(pressButton(QMessageBox::Ok));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("Load new tile set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QVERIFY(!seen.refused);
    QCOMPARE(seen.title, QStringLiteral("Open Tile Set"));
    QCOMPARE(seen.filters, QStringList { QStringLiteral("Image files (*.png *.jpg *.bmp)") });
    QCOMPARE(seen.directory, workDir);
    QCOMPARE(seen.acceptMode, int(QFileDialog::AcceptOpen));
    QCOMPARE(answerer.seenTitles(),
             (QStringList { QStringLiteral("Open Tile Set"), QStringLiteral("TileSet Load") }));
    QCOMPARE(answerer.seenTexts().at(1), name);

    QCOMPARE(palette->tileSetTotal(), 1);
    QCOMPARE(palette->tileSetName(0), name);
    QCOMPARE(canvas->tileSetTotal(), 1);
    QCOMPARE(canvas->tileSetName(0), name);
}

void TestMainWindowCommands::cancelledTileSetLoadsNothing()
{
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QString(), &seen));
    answerer.expect(pressButton(QMessageBox::Ok));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("Load new tile set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenTitles(),
             (QStringList { QStringLiteral("Open Tile Set"), QStringLiteral("TileSet Load") }));
    QCOMPARE(answerer.seenTexts().at(1), QString());
    QCOMPARE(palette->tileSetTotal(), 0);
    QCOMPARE(canvas->tileSetTotal(), 0);
}

void TestMainWindowCommands::importReadsTheChosenFile()
{
    const QString map = workDir + QStringLiteral("/small.map");
    QVERIFY(writeEmptyMap(map, 5, 3));
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(map, &seen));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("&Import Set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QVERIFY(!seen.refused);
    QCOMPARE(answerer.seenCount(), 1);
    QCOMPARE(seen.title, QStringLiteral("Import Game Set"));
    QCOMPARE(seen.filters, (QStringList { QStringLiteral("Map files (*.map)"), QStringLiteral("Tiled maps (*.tmx *.tmx.gz)") }));
    QCOMPARE(seen.directory, workDir);
    QCOMPARE(canvas->worldSize(), QSize(5, 3));
}

void TestMainWindowCommands::cancelledImportKeepsTheMap()
{
    QVERIFY(paintOneCell());
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QString(), &seen));
    answerer.expect(pressButton(QMessageBox::Ok));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("&Import Set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenTitles(),
             (QStringList { QStringLiteral("Import Game Set"), QStringLiteral("TileSet Load") }));
    QVERIFY(answerer.seenTexts().at(1).startsWith(QStringLiteral("File could not be loaded...")));
    QCOMPARE(canvas->worldSize(), QSize(30, 30));
    QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 3);
    QCOMPARE(canvas->tileSetTotal(), 1);
}

void TestMainWindowCommands::tiledMapIsSavedAsAMapFile()
{
    QVERIFY(writeImage(workDir + QStringLiteral("/grass.png")));
    QFile tmx(QStringLiteral("island.tmx"));
    QVERIFY(tmx.open(QIODevice::WriteOnly));
    tmx.write(R"(<map orientation="orthogonal" width="1" height="1" tilewidth="40" tileheight="40">
 <tileset firstgid="1" tilewidth="40" tileheight="40"><image source="grass.png"/></tileset>
 <layer name="ground" width="1" height="1"><data encoding="csv">1</data></layer></map>)");
    tmx.close();
    QString error;
    QVERIFY2(canvas->readMapFile(QStringLiteral("island.tmx"), &error), qPrintable(error));
    QCOMPARE(window->windowTitle(), QStringLiteral("island.tmx[*] - Varnhold"));
    QVERIFY(window->isWindowModified());
    QVERIFY2(window->statusBar()->currentMessage().startsWith(QStringLiteral("Imported island.tmx: 1 x 1")),
             qPrintable(window->statusBar()->currentMessage()));

    // Save All asks for a map file's name rather than writing over the TMX.
    FileDialogSeen seen;
    ModalAnswerer answerer;
    answerer.expect(answerFileDialog(QStringLiteral("island"), &seen));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("&Save All"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(seen.title, QStringLiteral("Save GameSet"));
    QVERIFY(QFile::exists(QStringLiteral("island.map")));
    QCOMPARE(window->windowTitle(), QStringLiteral("island.map[*] - Varnhold"));
    QVERIFY(!window->isWindowModified());
}

void TestMainWindowCommands::resizeThroughTheDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QSize>("entered");
    QTest::addColumn<int>("question");
    QTest::addColumn<QSize>("result");

    const int none = 0;
    QTest::newRow("Enter accepts") << "enter" << QSize(40, 50) << none << QSize(40, 50);
    QTest::newRow("OK accepts") << "ok" << QSize(31, 255) << none << QSize(31, 255);
    QTest::newRow("Escape rejects") << "escape" << QSize(40, 50) << none << QSize(30, 30);
    QTest::newRow("Cancel rejects") << "cancel" << QSize(40, 50) << none << QSize(30, 30);
    QTest::newRow("closing rejects") << "close" << QSize(40, 50) << none << QSize(30, 30);
    QTest::newRow("shrinking, answered Yes")
        << "ok" << QSize(40, 20) << int(QMessageBox::Yes) << QSize(40, 20);
    QTest::newRow("shrinking, answered No") << "ok" << QSize(40, 20) << int(QMessageBox::No) << QSize(30, 30);
}

void TestMainWindowCommands::resizeThroughTheDialog()
{
    QFETCH(QString, how);
    QFETCH(QSize, entered);
    QFETCH(int, question);

    QSize preset;
    QWidget* dialogParent = nullptr;
    ModalAnswerer answerer;
    answerer.expect([&](QWidget* widget) {
        auto* dialog = qobject_cast<ResizeDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        dialogParent = dialog->parentWidget();
        preset = QSize(dialog->xSpinBox->value(), dialog->ySpinBox->value());
        dialog->setValues(entered.width(), entered.height());
        if (how == QLatin1String("enter"))
            QTest::keyClick(dialog->xSpinBox, Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(dialog->xSpinBox, Qt::Key_Escape);
        else if (how == QLatin1String("ok"))
            dialog->okButton->click();
        else if (how == QLatin1String("cancel"))
            dialog->cancelButton->click();
        else
            dialog->close();
    });
    if (question)
        answerer.expect(pressButton(QMessageBox::StandardButton(question)));
    answerer.expect(closeAnything());

    actionByText(*window, QStringLiteral("Resize set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), question ? 2 : 1);
    QCOMPARE(answerer.seenTitles().at(0), QStringLiteral("Resize current set"));
    if (question)
        QCOMPARE(answerer.seenTitles().at(1), QStringLiteral("Map Resize"));
    QCOMPARE(dialogParent, window.get());
    QCOMPARE(preset, QSize(30, 30));
    QTEST(canvas->worldSize(), "result");
    // The dialog is gone once the command returns.
    QVERIFY(window->findChildren<ResizeDialog*>().isEmpty());
}

void TestMainWindowCommands::resizePresetClampsALargeMap()
{
    const QString map = workDir + QStringLiteral("/wide.map");
    QVERIFY(writeEmptyMap(map, 300, 2));
    QVERIFY(canvas->readMapFile(map));
    QCOMPARE(canvas->worldSize(), QSize(300, 2));

    QSize preset;
    ModalAnswerer answerer;
    answerer.expect([&preset](QWidget* widget) {
        if (auto* dialog = qobject_cast<ResizeDialog*>(widget))
            preset = QSize(dialog->xSpinBox->value(), dialog->ySpinBox->value());
        QTest::keyClick(widget, Qt::Key_Escape);
    });
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("Resize set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 1);
    QCOMPARE(preset, QSize(255, 2));
    QCOMPARE(canvas->worldSize(), QSize(300, 2));
}

void TestMainWindowCommands::newSetEmptiesWithoutAsking()
{
    QVERIFY(paintOneCell());
    canvas->resizeWorld(50, 40);
    ModalAnswerer answerer;
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("Ne&w set"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 0);
    QCOMPARE(canvas->worldSize(), QSize(50, 40));
    QVERIFY(canvas->topLayerCells()[2][2].isEmpty());
    QCOMPARE(canvas->tileSetTotal(), 0);
    QCOMPARE(palette->tileSetTotal(), 0);
}

void TestMainWindowCommands::commandsWithoutBehaviour_data()
{
    QTest::addColumn<QString>("text");

    for (const char* text : { "&New project", "Open &Project", "New Prop", "Edit Prop", "Import Prop",
                              "Export Prop", "Find Prop", "Prop List" })
        QTest::newRow(text) << QString::fromLatin1(text);
}

void TestMainWindowCommands::commandsWithoutBehaviour()
{
    QFETCH(QString, text);
    QVERIFY(paintOneCell());
    ModalAnswerer answerer;
    answerer.expect(closeAnything());
    actionByText(*window, text)->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 0);
    QVERIFY(window->isVisible());
    QCOMPARE(canvas->worldSize(), QSize(30, 30));
    QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 3);
    QCOMPARE(canvas->tileSetTotal(), 1);
    QCOMPARE(palette->tileSetTotal(), 1);
    QVERIFY(QDir(workDir).entryList(QDir::Files) == QStringList { QStringLiteral("grass.png") });
}

void TestMainWindowCommands::exitClosesTheWindow()
{
    QVERIFY2(showExposed(window.get()), "the window was not exposed");
    ModalAnswerer answerer;
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("Exit"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 0);
    QVERIFY(!window->isVisible());
}

void TestMainWindowCommands::closeAsksOnlyWithUnsavedChanges_data()
{
    // The map before closing: "clean", "new" (painted, no file), "saved" (a
    // file, then painted) or "gone" (the same, its folder removed since).
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("answer"); // "" none expected, "Save", "Discard", "Cancel", "Escape"
    QTest::addColumn<QString>("saveAs"); // typed into the save dialog; null cancels it
    QTest::addColumn<bool>("closed");

    QTest::newRow("nothing to save: closes without asking") << "clean" << "" << QString() << true;
    QTest::newRow("Discard closes and writes nothing") << "saved" << "Discard" << QString() << true;
    QTest::newRow("Cancel keeps the window") << "saved" << "Cancel" << QString() << false;
    QTest::newRow("Escape keeps the window") << "new" << "Escape" << QString() << false;
    QTest::newRow("Save writes the map's own file and closes") << "saved" << "Save" << QString() << true;
    QTest::newRow("Save of a new map asks for a name") << "new" << "Save" << "kept" << true;
    QTest::newRow("Save of a new map, name cancelled") << "new" << "Save" << QString() << false;
    QTest::newRow("Save that fails keeps the window") << "gone" << "Save" << QString() << false;
}

void TestMainWindowCommands::closeAsksOnlyWithUnsavedChanges()
{
    QFETCH(QString, map);
    QFETCH(QString, answer);
    QFETCH(QString, saveAs);
    QFETCH(bool, closed);
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    const QString file = QStringLiteral("sub/castle.map");
    if (map != QLatin1String("new"))
        QVERIFY(canvas->writeMapFile(file));
    if (map != QLatin1String("clean"))
        QVERIFY(paintOneCell());
    if (map == QLatin1String("gone"))
        QVERIFY(QDir(QStringLiteral("sub")).removeRecursively());
    const QByteArray before = readAll(file).toLatin1();
    QVERIFY2(showExposed(window.get()), "the window was not exposed");

    ModalAnswerer answerer;
    bool saveIsDefault = false;
    if (answer == QLatin1String("Escape")) {
        answerer.expect([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, ModalAnswerer::activeWithFocus());
    } else if (!answer.isEmpty()) {
        answerer.expect([answer, &saveIsDefault](QWidget* box) {
            auto* question = qobject_cast<QMessageBox*>(box);
            saveIsDefault = question && question->defaultButton() == question->button(QMessageBox::Save);
            pressButton(answer == QLatin1String("Save") ? QMessageBox::Save
                            : answer == QLatin1String("Discard") ? QMessageBox::Discard
                                                                : QMessageBox::Cancel)(box);
        });
    }
    if (answer == QLatin1String("Save") && map == QLatin1String("new"))
        answerer.expect(answerFileDialog(saveAs));
    if (map == QLatin1String("gone"))
        answerer.expectMessageBox(QMessageBox::Ok);
    answerer.expect(closeAnything());
    QCOMPARE(window->close(), closed);
    VERIFY_ANSWERED(answerer);

    if (!answer.isEmpty()) {
        QVERIFY(saveIsDefault || answer == QLatin1String("Escape"));
        QCOMPARE(answerer.seenTitles().value(0), QStringLiteral("Varnhold"));
        QCOMPARE(answerer.seenTexts().value(0), map == QLatin1String("new")
                                                   ? QStringLiteral("Save changes to Untitled before closing?")
                                                   : QStringLiteral("Save changes to castle.map before closing?"));
    }
    QCOMPARE(answerer.seenCount(), int(!answer.isEmpty()) + int(answer == QLatin1String("Save") && map == QLatin1String("new"))
                                       + int(map == QLatin1String("gone")));
    if (map == QLatin1String("gone"))
        QCOMPARE(answerer.seenTitles().last(), QStringLiteral("Set Save"));
    const bool saved = answer == QLatin1String("Save") && closed;
    if (map == QLatin1String("saved"))
        QCOMPARE(readAll(file).toLatin1() != before, saved);
    if (!saveAs.isEmpty())
        QVERIFY(QFile::exists(saveAs + QStringLiteral(".map")));
    // A window left open still holds the map as it was.
    QCOMPARE(window->isWindowModified(), !saved && map != QLatin1String("clean"));
    if (map != QLatin1String("clean"))
        QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 3);
}

void TestMainWindowCommands::noWaitCursorLeftBehind()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    QVERIFY(paintOneCell());
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    QFile bad(QStringLiteral("bad.map"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no map\n") > 0);
    bad.close();
    // Each command with the file its dialog is given, if it opens one; the
    // last two fail and end with a message box.
    const QList<std::pair<QString, QString>> commands = {
        { QStringLiteral("Save Set"), workDir + QStringLiteral("/sub/a.map") },
        { QStringLiteral("&Import Set"), workDir + QStringLiteral("/sub/a.map") },
        { QStringLiteral("&Import Set"), workDir + QStringLiteral("/bad.map") },
        { QStringLiteral("&Save All"), QString() },
    };
    for (const auto& [command, file] : commands) {
        if (file.isEmpty())
            QVERIFY(QDir(QStringLiteral("sub")).removeRecursively());
        ModalAnswerer answerer;
        if (!file.isEmpty())
            answerer.expect(answerFileDialog(file));
        answerer.expect(closeAnything());
        actionByText(*window, command)->trigger();
        VERIFY_ANSWERED(answerer);
        QVERIFY2(!QGuiApplication::overrideCursor(), qPrintable(command + QLatin1Char(' ') + file));
    }
    QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 3);
}

void TestMainWindowCommands::aboutNamesProgramAndVersion()
{
    ModalAnswerer answerer;
    answerer.expect(pressButton(QMessageBox::Ok));
    answerer.expect(closeAnything());
    actionByText(*window, QStringLiteral("About..."))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenTitles(), QStringList { QStringLiteral("About Varnhold") });
    const QString text = answerer.seenTexts().at(0);
    QVERIFY2(text.contains(QStringLiteral("Varnhold " VARNHOLD_VERSION)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("tile-based")), qPrintable(text));
    // Map files cannot hold a starting point; the box must not promise to save one.
    QVERIFY2(text.contains(QStringLiteral("starting point")) && text.contains(QStringLiteral("not saved")),
             qPrintable(text));
}

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
