#include "model/tile.h"

#include <QPixmap>
#include <QTest>

class TestTile : public QObject
{
    Q_OBJECT

private slots:
    void newTileIsEmpty();
    void clearKeepsImagePointer();
    void assignmentCopiesValuesNotIdentity();
    void selfAssignmentKeepsValues();
    void setCollisionThroughMetaObject();
};

void TestTile::newTileIsEmpty()
{
    Tile tile;
    QCOMPARE(tile.tileIndex, -1);
    QVERIFY(tile.isEmpty());
    QCOMPARE(tile.pass, false);
    QCOMPARE(tile.tileSet, nullptr);
    QVERIFY(tile.tileSetFile.isEmpty());
    QVERIFY(!tile.tileSetFile.isNull());
    QCOMPARE(tile.parent(), nullptr);
}

void TestTile::clearKeepsImagePointer()
{
    QPixmap image(80, 40);
    Tile tile;
    tile.tileSet = &image;
    tile.tileSetFile = QStringLiteral("tiles/grass.png");
    tile.tileIndex = 3;
    tile.pass = true;

    tile.clear();
    QVERIFY(tile.isEmpty());
    QCOMPARE(tile.tileSet, &image);
    QVERIFY(tile.tileSetFile.isEmpty());
    QVERIFY(!tile.tileSetFile.isNull());
    QCOMPARE(tile.pass, false);
}

void TestTile::assignmentCopiesValuesNotIdentity()
{
    QPixmap image(80, 40);
    QObject owner;
    Tile source;
    source.setObjectName(QStringLiteral("source"));
    source.tileSet = &image;
    source.tileSetFile = QStringLiteral("a.png");
    source.tileIndex = 7;
    source.pass = false;

    Tile target;
    target.setObjectName(QStringLiteral("target"));
    target.setParent(&owner);
    target.pass = true; // an impassable brush makes a passable cell impassable
    target = source;

    QCOMPARE(target.tileSet, &image);
    QCOMPARE(target.tileSetFile, QStringLiteral("a.png"));
    QCOMPARE(target.tileIndex, 7);
    QCOMPARE(target.pass, false);
    QCOMPARE(target.objectName(), QStringLiteral("target"));
    QCOMPARE(target.parent(), &owner);
    target.setParent(nullptr);
}

void TestTile::selfAssignmentKeepsValues()
{
    QPixmap image(40, 40);
    Tile tile;
    tile.tileSet = &image;
    tile.tileSetFile = QStringLiteral("b.png");
    tile.tileIndex = 2;
    tile.pass = true;
    Tile& alias = tile;
    tile = alias;
    QCOMPARE(tile.tileSet, &image);
    QCOMPARE(tile.tileSetFile, QStringLiteral("b.png"));
    QCOMPARE(tile.tileIndex, 2);
    QCOMPARE(tile.pass, true);
}

void TestTile::setCollisionThroughMetaObject()
{
    Tile tile;
    QVERIFY(tile.metaObject()->indexOfSlot("setCollision(bool)") >= 0);
    QVERIFY(QMetaObject::invokeMethod(&tile, "setCollision", Q_ARG(bool, true)));
    QCOMPARE(tile.pass, true);
    QVERIFY(QMetaObject::invokeMethod(&tile, "setCollision", Q_ARG(bool, false)));
    QCOMPARE(tile.pass, false);
}

QTEST_MAIN(TestTile)
#include "tst_tile.moc"
