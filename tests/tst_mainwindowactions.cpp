#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"

#include "support/modalanswerer.h"
#include "support/windowstate.h"

#include <QAction>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace {

// The window's own actions, in the order it created them. Separators and the
// toolbars' and menus' own actions belong to those, not to the window.
QList<QAction*> windowActions(const QMainWindow& window)
{
    return window.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
}

// An entry list as text: separators as "|", submenus as "> title".
QStringList entries(const QList<QAction*>& actions)
{
    QStringList list;
    for (const QAction* action : actions) {
        if (action->isSeparator())
            list << QStringLiteral("|");
        else if (action->menu())
            list << QStringLiteral("> ") + action->text();
        else
            list << action->text();
    }
    return list;
}

QToolBar* toolBarByTitle(const QMainWindow& window, const QString& title)
{
    for (QToolBar* toolBar : window.findChildren<QToolBar*>()) {
        if (toolBar->windowTitle() == title)
            return toolBar;
    }
    return nullptr;
}

// Pixmaps hold premultiplied pixels; compare both sides in that form.
QImage premultiplied(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

const QStringList actionTexts { "&New project",
                                "Ne&w set",
                                "Open &Project",
                                "&Import Set",
                                "&Save All",
                                "Save Set",
                                "Exit",
                                "&Copy",
                                "Cut",
                                "Paste",
                                "File",
                                "Edit",
                                "Props",
                                "Show grid lines",
                                "Show Top Layer",
                                "Paint Tiles",
                                "Paint Squares",
                                "Erase Tiles",
                                "Select Tiles",
                                "Set Pass",
                                "New Prop",
                                "Edit Prop",
                                "Import Prop",
                                "Export Prop",
                                "Find Prop",
                                "Prop List",
                                "Load new tile set",
                                "Set starting point",
                                "Resize set",
                                "Zoom 1.0x",
                                "Zoom 0.8x",
                                "Zoom 0.6x",
                                "Zoom 0.4x",
                                "Zoom 0.2x",
                                "About...",
                                "About Qt...",
                                "&Undo",
                                "&Redo",
                                "Select &All",
                                "&Random Brush",
                                "&Delete" };

} // namespace

class TestMainWindowActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void actionsInTableOrder();
    void actionTable_data();
    void actionTable();
    void noSharedShortcuts();
    void shortcutTriggersItsAction_data();
    void shortcutTriggersItsAction();

    void menuBar();
    void menuEntries_data();
    void menuEntries();
    void toolBars_data();
    void toolBars();
    void contextMenu();

    void propsEntryHidesObjectToolBar();
    void toolBarHiddenElsewhere_data();
    void toolBarHiddenElsewhere();
    void gridAndLayerToggles_data();
    void gridAndLayerToggles();
    void startPointGoesToCurrentCell();
    void clipboardActionsReachTheCanvas();
    void aboutQtShowsQtsBox();

private:
    std::unique_ptr<MainWindow> window;
    WorldViewWidget* canvas = nullptr;
};

void TestMainWindowActions::init()
{
    window = std::make_unique<MainWindow>();
    canvas = window->findChild<WorldViewWidget*>();
    QVERIFY(canvas);
}

void TestMainWindowActions::cleanup()
{
    window.reset();
    canvas = nullptr;
}

void TestMainWindowActions::actionsInTableOrder()
{
    QStringList texts;
    for (const QAction* action : windowActions(*window))
        texts << action->text();
    QCOMPARE(texts, actionTexts);
}

void TestMainWindowActions::actionTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");

    auto row = [](const char* text, const char* icon, const char* shortcut, const char* tip, bool checkable,
                  bool checked) {
        QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(icon)
                            << QString::fromLatin1(shortcut) << QString::fromLatin1(tip) << checkable
                            << checked;
    };
    row("&New project", ":/images/icon.png", "Ctrl+N", "Create a new game project.", false, false);
    row("Ne&w set", ":/images/new.png", "Ctrl+W", "Create a new set.", false, false);
    row("Open &Project", ":/images/folder48.png", "Ctrl+P", "Open an Varnhold project file.", false, false);
    row("&Import Set", ":/images/bluefolder.png", "", "Import a set to this project.", false, false);
    row("&Save All", ":/images/saveall48.png", "Ctrl+S", "Save everything, including the project file.",
        false, false);
    row("Save Set", ":/images/save.png", "", "Save this set only.", false, false);
    row("Exit", "", "", "Exit Varnhold.", false, false);
    row("&Copy", ":/images/copy.png", "Ctrl+C", "Copy selected tiles.", false, false);
    row("Cut", ":/images/cut.png", "Ctrl+X", "Cut selected tiles.", false, false);
    row("Paste", ":/images/paste.png", "Ctrl+V", "Paste tiles form clipboard to map.", false, false);
    row("File", "", "", "Toggle file toolbar.", true, true);
    row("Edit", "", "", "Toggle edit toolbar.", true, true);
    row("Props", "", "", "Toggle props toolbar.", true, true);
    row("Show grid lines", ":/images/grid.png", "", "Toggle grid lines on map editor.", true, true);
    row("Show Top Layer", ":/images/toplayer.png", "", "Toggle editing  and viewing on the top layer", true,
        true);
    row("Paint Tiles", ":/images/paint.png", "Ctrl+T", "Paint tiles with cursor.", true, true);
    row("Paint Squares", ":/images/squares.png", "", "Paint squares with cursor.", true, false);
    row("Erase Tiles", ":/images/erase.png", "", "Erase tiles with cursor.", true, false);
    row("Select Tiles", ":/images/select.png", "", "Select a group of tiles with cursor.", true, false);
    row("Set Pass", ":/images/pass.png", "", "Set tiles as passable or impassable.", true, false);
    row("New Prop", ":/images/bluefolder.png", "Ctrl+O", "Create a new prop.", false, false);
    row("Edit Prop", ":/images/bluefolder.png", "Ctrl+E", "Edit the selected prop.", false, false);
    row("Import Prop", ":/images/bluefolder.png", "", "Load an prop from an external source.", false, false);
    row("Export Prop", ":/images/bluefolder.png", "", "Save prop individually for use elsewhere.", false,
        false);
    row("Find Prop", ":/images/find.png", "Ctrl+F", "Find an prop in the project.", false, false);
    row("Prop List", ":/images/bluefolder.png", "Ctrl+L", "List all props in the project.", false, false);
    row("Load new tile set", "", "", "Load a set of tiles for use in the map", false, false);
    row("Set starting point", ":/images/start2.png", "Ctrl+Z", "Set the starting point for the character.",
        false, false);
    row("Resize set", "", "", "Resize the current set.", false, false);
    row("Zoom 1.0x", "", "", "", true, true);
    row("Zoom 0.8x", "", "", "", true, false);
    row("Zoom 0.6x", "", "", "", true, false);
    row("Zoom 0.4x", "", "", "", true, false);
    row("Zoom 0.2x", "", "", "", true, false);
    row("About...", "", "Ctrl+A", "About Varnhold.", false, false);
    row("About Qt...", "", "", "About Qt.", false, false);
    row("&Undo", "", "Alt+Backspace", "Undo the last change of the map.", false, false);
    row("&Redo", "", "Ctrl+Y", "Redo the last change undone.", false, false);
    row("Select &All", "", "", "Select every cell of the map.", false, false);
    row("&Random Brush", ":/images/random.png", "R",
        "Paint each cell with one of the brush's tiles, chosen at random.", true, false);
    row("&Delete", "", "Del", "Empty the selected cells, or the current cell, of the current layer.", false,
        false);
}

void TestMainWindowActions::actionTable()
{
    QFETCH(QString, text);
    QFETCH(QString, icon);
    QFETCH(QString, shortcut);
    QAction* action = actionByText(*window, text);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    QTEST(action->statusTip(), "statusTip");
    QTEST(action->isCheckable(), "checkable");
    QTEST(action->isChecked(), "checked");
    QCOMPARE(action->parent(), window.get());
    if (icon.isEmpty()) {
        QVERIFY(action->icon().isNull());
        return;
    }
    QVERIFY(!action->icon().isNull());
    // The icon must be the image of its own resource, not just any image.
    const QImage expected(icon);
    QVERIFY(!expected.isNull());
    QCOMPARE(premultiplied(action->icon().pixmap(expected.size()).toImage()), premultiplied(expected));
}

void TestMainWindowActions::noSharedShortcuts()
{
    QHash<QKeySequence, QString> owners;
    for (const QAction* action : windowActions(*window)) {
        for (const QKeySequence& shortcut : action->shortcuts()) {
            QVERIFY2(!owners.contains(shortcut), qPrintable(action->text() + " and " + owners.value(shortcut)));
            owners.insert(shortcut, action->text());
        }
    }
    // Redo has two: Ctrl+Y and Ctrl+Shift+Z.
    QCOMPARE(owners.size(), 19);
    QCOMPARE(owners.value(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))), QStringLiteral("&Redo"));
}

void TestMainWindowActions::shortcutTriggersItsAction_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("opensDialog");

    QTest::newRow("Ctrl+N new project") << "&New project" << int(Qt::Key_N) << false;
    QTest::newRow("Ctrl+W new set") << "Ne&w set" << int(Qt::Key_W) << false;
    QTest::newRow("Ctrl+P open project") << "Open &Project" << int(Qt::Key_P) << false;
    QTest::newRow("Ctrl+S save all") << "&Save All" << int(Qt::Key_S) << true;
    QTest::newRow("Ctrl+C copy") << "&Copy" << int(Qt::Key_C) << false;
    QTest::newRow("Ctrl+X cut") << "Cut" << int(Qt::Key_X) << false;
    QTest::newRow("Ctrl+V paste") << "Paste" << int(Qt::Key_V) << false;
    QTest::newRow("Ctrl+T paint") << "Paint Tiles" << int(Qt::Key_T) << false;
    QTest::newRow("Ctrl+O new prop") << "New Prop" << int(Qt::Key_O) << false;
    QTest::newRow("Ctrl+E edit prop") << "Edit Prop" << int(Qt::Key_E) << false;
    QTest::newRow("Ctrl+F find prop") << "Find Prop" << int(Qt::Key_F) << false;
    QTest::newRow("Ctrl+L prop list") << "Prop List" << int(Qt::Key_L) << false;
    QTest::newRow("Ctrl+Z start point") << "Set starting point" << int(Qt::Key_Z) << false;
    QTest::newRow("Ctrl+A about") << "About..." << int(Qt::Key_A) << true;
}

void TestMainWindowActions::shortcutTriggersItsAction()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(bool, opensDialog);
    QAction* action = actionByText(*window, text);
    QVERIFY(action);
    // The shortcuts belong to the window, so they act only while it is active.
    QVERIFY2(activateWindow(window.get()), "the main window did not become the active window");

    QSignalSpy triggered(action, &QAction::triggered);
    // Armed in every row, so that a dialog where none belongs fails the row
    // instead of blocking it.
    ModalAnswerer answerer;
    answerer.expect([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    VERIFY_ANSWERED(answerer);
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(answerer.seenCount(), opensDialog ? 1 : 0);
}

void TestMainWindowActions::menuBar()
{
    QStringList titles;
    for (const QAction* action : window->menuBar()->actions()) {
        QVERIFY(action->menu());
        titles << action->text();
    }
    QCOMPARE(titles, (QStringList { "&File", "&Edit", "&View", "&Props", "&Game", "Opt&ions", "&Help" }));
}

void TestMainWindowActions::menuEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("File") << "&File"
                          << QStringList {
                                 "&New project", "Ne&w set", "Open &Project", "&Import Set", "&Save All",
                                 "Save Set",     "|",        "Exit"
                             };
    QTest::newRow("Edit") << "&Edit"
                          << QStringList { "&Copy", "Cut",           "Paste",         "|",      "&Undo",
                                           "&Redo", "|", "Select &All", "&Random Brush", "&Delete" };
    QTest::newRow("View") << "&View" << QStringList { "> ToolBars", "Show grid lines", "Show Top Layer" };
    QTest::newRow("View, ToolBars") << "&View/ToolBars" << QStringList { "File", "Edit", "Props" };
    QTest::newRow("Props") << "&Props" << QStringList { "New Prop", "Edit Prop", "Import Prop", "Export Prop",
                                                        "|",        "Find Prop", "Prop List" };
    QTest::newRow("Game") << "&Game"
                          << QStringList { "Load new tile set", "Set starting point", "Resize set" };
    QTest::newRow("Options") << "Opt&ions" << QStringList { "> &Zoom" };
    QTest::newRow("Options, Zoom") << "Opt&ions/&Zoom"
                                   << QStringList { "Zoom 1.0x", "Zoom 0.8x", "Zoom 0.6x", "Zoom 0.4x",
                                                    "Zoom 0.2x" };
    QTest::newRow("Help") << "&Help" << QStringList { "About...", "About Qt..." };
}

void TestMainWindowActions::menuEntries()
{
    QFETCH(QString, path);
    QList<QAction*> level = window->menuBar()->actions();
    QMenu* menu = nullptr;
    for (const QString& title : path.split(QLatin1Char('/'))) {
        menu = nullptr;
        for (QAction* action : level) {
            if (action->text() == title)
                menu = action->menu();
        }
        QVERIFY2(menu, qPrintable(title));
        level = menu->actions();
    }
    QTEST(entries(menu->actions()), "expected");
    // Every entry but separators and submenus is one of the window's actions.
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && !action->menu())
            QCOMPARE(action->parent(), window.get());
    }
}

void TestMainWindowActions::toolBars_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("File") << "&File"
                          << QStringList { "&New project", "Ne&w set", "|",         "Open &Project",
                                           "&Import Set",  "|",        "&Save All", "Save Set" };
    QTest::newRow("Edit") << "&Edit" << QStringList { "&Copy", "Cut", "Paste", "|", "Set starting point" };
    QTest::newRow("Paint") << "&Paint" << QStringList { "Paint Tiles",   "Paint Squares", "Erase Tiles",
                                                        "Select Tiles",  "Set Pass",      "|",
                                                        "Show Top Layer", "&Random Brush" };
    QTest::newRow("Object") << "&Object"
                            << QStringList { "New Prop", "Edit Prop", "Import Prop", "Export Prop",
                                             "|",        "Find Prop", "Prop List" };
}

void TestMainWindowActions::toolBars()
{
    QFETCH(QString, title);
    QStringList titles;
    for (const QToolBar* toolBar : window->findChildren<QToolBar*>())
        titles << toolBar->windowTitle();
    QCOMPARE(titles, (QStringList { "&File", "&Edit", "&Paint", "&Object" }));

    QToolBar* toolBar = toolBarByTitle(*window, title);
    QVERIFY(toolBar);
    QCOMPARE(window->toolBarArea(toolBar), Qt::TopToolBarArea);
    QTEST(entries(toolBar->actions()), "expected");
}

void TestMainWindowActions::contextMenu()
{
    QCOMPARE(canvas->contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> actions = canvas->actions();
    QCOMPARE(entries(actions),
             (QStringList { "&Copy", "Cut", "Paste", "|", "Zoom 1.0x", "Zoom 0.8x", "Zoom 0.6x", "Zoom 0.4x",
                            "Zoom 0.2x", "|", "New Prop", "Set starting point", "Show Top Layer" }));

    QMenu* fileMenu = window->menuBar()->actions().at(0)->menu();
    QToolBar* fileToolBar = toolBarByTitle(*window, QStringLiteral("&File"));
    QVERIFY(fileToolBar);
    QCOMPARE(actions.at(3), fileMenu->actions().at(6));
    QCOMPARE(actions.at(9), fileToolBar->actions().at(2));
    for (int i : { 0, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12 })
        QCOMPARE(actions.at(i)->parent(), window.get());
}

void TestMainWindowActions::propsEntryHidesObjectToolBar()
{
    QVERIFY2(showExposed(window.get()), "the window was not exposed");
    QToolBar* objectToolBar = toolBarByTitle(*window, QStringLiteral("&Object"));
    QAction* props = actionByText(*window, QStringLiteral("Props"));
    QVERIFY(objectToolBar && props);
    QVERIFY(objectToolBar->isVisible());

    props->trigger();
    QVERIFY(!props->isChecked());
    QVERIFY(!objectToolBar->isVisible());
    for (const char* other : { "&File", "&Edit", "&Paint" })
        QVERIFY2(toolBarByTitle(*window, QString::fromLatin1(other))->isVisible(), other);

    props->trigger();
    QVERIFY(props->isChecked());
    QVERIFY(objectToolBar->isVisible());
}

void TestMainWindowActions::toolBarHiddenElsewhere_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("title");

    QTest::newRow("File") << "File"
                          << "&File";
    QTest::newRow("Edit") << "Edit"
                          << "&Edit";
    QTest::newRow("Props") << "Props"
                           << "&Object";
}

void TestMainWindowActions::toolBarHiddenElsewhere()
{
    QFETCH(QString, entry);
    QFETCH(QString, title);
    QVERIFY2(showExposed(window.get()), "the window was not exposed");
    QAction* toggle = actionByText(*window, entry);
    QToolBar* toolBar = toolBarByTitle(*window, title);
    QVERIFY(toggle && toolBar);

    // What the main window's own toolbar pop-up menu does.
    toolBar->toggleViewAction()->trigger();
    QVERIFY(!toolBar->isVisible());
    QVERIFY(toggle->isChecked());

    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!toolBar->isVisible());

    toggle->trigger();
    QVERIFY(toggle->isChecked());
    QVERIFY(toolBar->isVisible());
}

void TestMainWindowActions::gridAndLayerToggles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("grid");

    QTest::newRow("Show grid lines") << "Show grid lines" << true;
    QTest::newRow("Show Top Layer") << "Show Top Layer" << false;
}

void TestMainWindowActions::gridAndLayerToggles()
{
    QFETCH(QString, text);
    QFETCH(bool, grid);
    QAction* action = actionByText(*window, text);
    QVERIFY(action);
    auto canvasState = [this, grid] { return grid ? canvas->gridLinesShown() : canvas->topLayerActive(); };
    QVERIFY(canvasState());
    action->trigger();
    QVERIFY(!action->isChecked());
    QVERIFY(!canvasState());
    action->trigger();
    QVERIFY(action->isChecked());
    QVERIFY(canvasState());
}

void TestMainWindowActions::startPointGoesToCurrentCell()
{
    QVERIFY2(showExposed(window.get()), "the window was not exposed");
    QTest::mouseClick(canvas, Qt::RightButton, {}, canvas->cellRect(3, 4).center());
    QCOMPARE(canvas->currentCellPosition(), QPoint(3, 4));
    QCOMPARE(canvas->startCell(), QPoint(0, 0));
    actionByText(*window, QStringLiteral("Set starting point"))->trigger();
    QCOMPARE(canvas->startCell(), QPoint(3, 4));
}

void TestMainWindowActions::clipboardActionsReachTheCanvas()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString imagePath = dir.filePath(QStringLiteral("grass.png"));
    QVERIFY(image.save(imagePath));

    QVERIFY2(showExposed(window.get()), "the window was not exposed");
    auto* palette = window->findChild<TileSetWidget*>();
    QVERIFY(palette);
    QVERIFY(palette->loadTileSet(imagePath));
    QTest::mouseClick(palette, Qt::LeftButton, {}, palette->cellRect(1, 0).center());
    QCOMPARE(canvas->brushTile().tileIndex, 1);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->cellRect(2, 2).center());
    QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 1);

    actionByText(*window, QStringLiteral("&Copy"))->trigger();
    QVERIFY(canvas->clipboardContent().singleCell());
    QTest::mouseClick(canvas, Qt::RightButton, {}, canvas->cellRect(7, 5).center());
    actionByText(*window, QStringLiteral("Paste"))->trigger();
    QCOMPARE(canvas->topLayerCells()[7][5].tileIndex, 1);

    actionByText(*window, QStringLiteral("Cut"))->trigger();
    QVERIFY(canvas->topLayerCells()[7][5].isEmpty());
    QCOMPARE(canvas->topLayerCells()[2][2].tileIndex, 1);
    QCOMPARE(canvas->clipboardContent().singleCell()->tileIndex, 1);
}

void TestMainWindowActions::aboutQtShowsQtsBox()
{
    ModalAnswerer answerer;
    answerer.expect([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
    actionByText(*window, QStringLiteral("About Qt..."))->trigger();
    VERIFY_ANSWERED(answerer);
    QVERIFY(answerer.allAnswered());
    QCOMPARE(answerer.seenTitles(), QStringList { QStringLiteral("About Qt") });
}

QTEST_MAIN(TestMainWindowActions)
#include "tst_mainwindowactions.moc"
